#!/usr/bin/env bash
# Installs every Debian package that building, testing, the mirtane command,
# the benchmarks and the release package need. Idempotent: when everything is
# present it asks no package server and returns at once.
#
# Only 64-bit Wine: these machines run no 32-bit code, so neither wine32 nor
# the i386 architecture is ever added; the 32-bit plug-in is checked
# structurally instead.
set -euo pipefail

packages=(
    # Build
    cmake ninja-build g++ pkg-config
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64
    # Tests and benchmarks
    libgtest-dev libbenchmark-dev hyperfine
    # Peers the speed benchmark compares against, and /usr/bin/time for peak RSS
    graphicsmagick libvips-tools time
    # The Windows build under Wine, with a virtual display for the dialog
    wine wine64 xvfb xauth
    # The mirtane command and its images
    libvips-dev libcli11-dev imagemagick zlib1g-dev
    # The input's JPEG quality and TIFF compression; metadata read back in
    # tests; the man page and shell completion
    libjpeg-dev libtiff-dev libimage-exiftool-perl help2man bash-completion
    # EXIF and IPTC that libvips cannot carry (into TIFF, from TIFF tags);
    # a wide-gamut ICC profile for the comparison's colour-management test
    libexiv2-dev libgs-common
    # The GEGL operation and the GIMP plug-in, and their tests
    libgegl-dev gegl libgimp2.0-dev gimp x11-utils
    # The quality and peer benchmarks (bench/quality.sh, bench/compare-peers.sh)
    python3-skimage graphicsmagick parallel
    # libFuzzer targets (fuzz/)
    clang libfuzzer-14-dev
    # Scripts and the release package
    python3 file zip unzip
    # Checks of the tree: formatting; setpriv (util-linux) runs a case unprivileged
    clang-format util-linux
)

# One dpkg query for all; a package dpkg has never heard of is simply absent.
declare -A installed=()
while read -r name state; do
    [[ "$state" == "install ok installed" ]] && installed["${name%%:*}"]=1
done < <(dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null || true)

missing=()
for package in "${packages[@]}"; do
    [[ -n "${installed[$package]:-}" ]] || missing+=("$package")
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

echo "install-packages: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update
"${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
echo "install-packages: done"
