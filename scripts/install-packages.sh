#!/usr/bin/env bash
# Installs the Debian packages Mirtane needs. Idempotent: when everything is
# present it asks no package server and returns at once.
#
#   scripts/install-packages.sh            everything: building and testing
#                                          every part, the benchmarks and the
#                                          Windows release (developers, CI)
#   scripts/install-packages.sh --command  only what building the mirtane
#                                          command and restoring a photograph
#                                          needs (the README's first command)
#
# Works on Debian 12 and 13: where a package is named differently in the two
# (GIMP 2.10's or GIMP 3's development files, clang's libFuzzer), the entry
# lists both as "name|other" and the first one the package archive knows is
# installed.
#
# Only 64-bit Wine: these machines run no 32-bit code, so neither wine32 nor
# the i386 architecture is ever added; the 32-bit plug-in is checked
# structurally instead.
set -euo pipefail

command_packages=(
    # Build
    cmake ninja-build g++ pkg-config
    # The mirtane command and its images
    libvips-dev libcli11-dev zlib1g-dev
    # The input's JPEG quality and TIFF compression; EXIF and IPTC that
    # libvips cannot carry; the man page and shell completion
    libjpeg-dev libtiff-dev libexiv2-dev help2man python3 bash-completion
)

all_packages=(
    "${command_packages[@]}"
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64
    # Tests and benchmarks
    libgtest-dev libbenchmark-dev hyperfine
    # Peers the speed benchmark compares against, and /usr/bin/time for peak RSS
    graphicsmagick libvips-tools time
    # The Windows build under Wine, with a virtual display for the dialog
    wine wine64 xvfb xauth
    # Images and metadata read back in tests; a wide-gamut ICC profile for the
    # comparison's colour-management test
    imagemagick libimage-exiftool-perl libgs-common
    # The GEGL operation and the GIMP plug-in, and their tests
    libgegl-dev gegl "libgimp2.0-dev|libgimp-3.0-dev" gimp x11-utils
    # The quality and peer benchmarks (bench/quality.sh, bench/compare-peers.sh)
    python3-skimage parallel
    # libFuzzer targets (fuzz/), with Debian's default clang
    clang "libfuzzer-14-dev|libfuzzer-19-dev"
    # The Windows release's setup program (release/Setup.nsi)
    nsis
    # Scripts and the release package; the Debian packages and their test
    # in a clean chroot (scripts/make-debs.sh, tests/packages/)
    file zip unzip build-essential debhelper lintian debootstrap
    # Checks of the tree: formatting; setpriv (util-linux) runs a case unprivileged
    clang-format util-linux
)

case "${1:-}" in
    "") packages=("${all_packages[@]}") ;;
    --command) packages=("${command_packages[@]}") ;;
    *) echo "usage: $0 [--command]" >&2; exit 2 ;;
esac

# One dpkg query for all; a package dpkg has never heard of is simply absent.
declare -A installed=()
while read -r name state; do
    [[ "$state" == "install ok installed" ]] && installed["${name%%:*}"]=1
done < <(dpkg-query -W -f='${Package} ${Status}\n' ${packages[@]//|/ } 2>/dev/null || true)

# Entries none of whose names is installed.
missing=()
for entry in "${packages[@]}"; do
    found=""
    for name in ${entry//|/ }; do
        [[ -n "${installed[$name]:-}" ]] && found=1
    done
    [[ -n "$found" ]] || missing+=("$entry")
done

if [[ ${#missing[@]} -eq 0 ]]; then
    echo "install-packages: all ${#packages[@]} packages are installed"
    exit 0
fi

sudo=()
if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || { echo "install-packages: run as root (or install sudo)" >&2; exit 1; }
    sudo=(sudo)
fi

export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update
# Of each "name|other" entry, the first name this release's archive knows.
chosen=()
for entry in "${missing[@]}"; do
    pick=""
    for name in ${entry//|/ }; do
        if [[ -z "$pick" ]] && apt-cache show "$name" >/dev/null 2>&1; then
            pick=$name
        fi
    done
    if [[ -z "$pick" ]]; then
        echo "install-packages: no package of '$entry' in this system's archive" >&2
        exit 1
    fi
    chosen+=("$pick")
done
echo "install-packages: installing ${chosen[*]}"
"${sudo[@]}" apt-get install -y --no-install-recommends "${chosen[@]}"
echo "install-packages: done"
