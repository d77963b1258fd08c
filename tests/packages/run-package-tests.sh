#!/usr/bin/env bash
# The Debian packages as a user meets them: installed with apt into a clean
# Debian chroot of this machine's release (made with debootstrap, reused
# when it exists), then `mirtane restore` and `gegl ... mirtane:restore` run
# from them on the bundled sample and compared with the release build's
# command, and the packages removed again.
#
#   tests/packages/run-package-tests.sh DEBS_DIR CHROOT_DIR RELEASE_BUILD_DIR
#
# DEBS_DIR holds the packages of scripts/make-debs.sh. Needs root (chroot,
# mount) and debootstrap. Ends with "N passed, N failed" and a non-zero
# status when anything failed.
set -uo pipefail

if [ $# -ne 3 ]; then
    echo "usage: $0 DEBS_DIR CHROOT_DIR RELEASE_BUILD_DIR" >&2
    exit 2
fi
debs=$(cd "$1" && pwd) || exit 2
chroot_dir=$2
mirtane=$(cd "$3" && pwd)/cli/mirtane
repository=$(cd "$(dirname "$0")/../.." && pwd)
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
mirror=$(sed -n 's|^URIs: *\(http[^ ]*\).*|\1|p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -1)
mirror=${mirror:-http://deb.debian.org/debian}

passed=0
failed=0
pass() { echo "PASS: $1"; passed=$((passed + 1)); }
fail() { echo "FAIL: $1"; failed=$((failed + 1)); }

if [ ! -x "$chroot_dir/usr/bin/apt-get" ]; then
    echo "run-package-tests: making a $codename chroot in $chroot_dir"
    debootstrap --variant=minbase "$codename" "$chroot_dir" "$mirror" >"$chroot_dir.log" 2>&1 ||
        { echo "debootstrap failed (see $chroot_dir.log)" >&2; exit 2; }
fi
mount -t proc proc "$chroot_dir/proc"
trap 'umount "$chroot_dir/proc"' EXIT
inside() { chroot "$chroot_dir" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin "$@"; }

rm -rf "$chroot_dir/tmp/debs" "$chroot_dir/tmp/work"
mkdir -p "$chroot_dir/tmp/debs" "$chroot_dir/tmp/work"
cp "$debs"/mirtane_*.deb "$debs"/mirtane-gegl_*.deb "$chroot_dir/tmp/debs/"
cp "$repository/samples/faded-mountain.jpg" "$chroot_dir/tmp/work/"

packages=()
for deb in "$chroot_dir"/tmp/debs/*.deb; do
    packages+=("/tmp/debs/$(basename "$deb")")  # as the chroot sees them
done
inside apt-get update >"$chroot_dir/tmp/work/apt.log" 2>&1
if inside apt-get install -y --no-install-recommends gegl "${packages[@]}" \
        >>"$chroot_dir/tmp/work/apt.log" 2>&1; then
    pass "apt installs the packages and what they depend on into a clean $codename"
else
    fail "apt installs the packages and what they depend on into a clean $codename"
fi

# The packaged command gives the release build's bytes.
"$mirtane" restore "$repository/samples/faded-mountain.jpg" -o "$chroot_dir/tmp/work/host.png" \
    --cyan-red 4 --yellow-blue -3
if inside mirtane restore /tmp/work/faded-mountain.jpg -o /tmp/work/packaged.png --cyan-red 4 \
        --yellow-blue -3 && cmp -s "$chroot_dir/tmp/work/packaged.png" "$chroot_dir/tmp/work/host.png"; then
    pass "the packaged mirtane restores the sample with the release build's bytes"
else
    fail "the packaged mirtane restores the sample with the release build's bytes"
fi
if inside man -w mirtane >/dev/null 2>&1 || [ -f "$chroot_dir/usr/share/man/man1/mirtane.1.gz" ]; then
    pass "the manual page is installed"
else
    fail "the manual page is installed"
fi

# GEGL finds the packaged operation without any GEGL_PATH, and its pixels
# are the command's (PNG in, 8-bit PNG out).
inside mirtane restore /tmp/work/faded-mountain.jpg -o /tmp/work/sample.png --strength 0 \
    >/dev/null 2>&1
inside mirtane restore /tmp/work/sample.png -o /tmp/work/command.png --cyan-red 4 >/dev/null 2>&1
scratch="$chroot_dir/tmp/work"
. "$repository/tests/lib/compare-images.sh"
if inside gegl -- gegl:load path=/tmp/work/sample.png mirtane:restore cyan-red=4 \
        gegl:png-save path=/tmp/work/gegl.png bitdepth=8 >"$scratch/gegl.log" 2>&1 &&
    ! grep -Eq 'No such op|Failed to set operation type' "$scratch/gegl.log" &&
    same_pixels "$scratch/gegl.png" "$scratch/command.png"; then
    pass "gegl finds the packaged mirtane:restore and writes the command's pixels"
else
    fail "gegl finds the packaged mirtane:restore and writes the command's pixels"
fi

if inside apt-get remove -y mirtane mirtane-gegl >>"$chroot_dir/tmp/work/apt.log" 2>&1 &&
    [ ! -e "$chroot_dir/usr/bin/mirtane" ] &&
    ! ls "$chroot_dir"/usr/lib/*/gegl-0.4/mirtane-restore.so >/dev/null 2>&1; then
    pass "apt removes the packages and their files"
else
    fail "apt removes the packages and their files"
fi

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
