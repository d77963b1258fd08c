#!/usr/bin/env bash
# Builds the Debian packages from the committed tree: mirtane (the command,
# its manual page and completion), mirtane-gegl (the GEGL operation),
# gimp-plugin-mirtane (the GIMP 2.10 plug-in, Debian 12) and
# gimp3-plugin-mirtane (the GIMP 3 plug-in, Debian 13), then checks them with
# lintian.
#
#   scripts/make-debs.sh [OUTPUT_DIR]      (default: build/debs)
#
# Needs debhelper and lintian besides the build's own packages
# (scripts/install-packages.sh); apt-get build-dep is not needed. DEBEMAIL
# (and DEBFULLNAME) name the maintainer of the packages built.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${1:-$root/build/debs}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$out"
git -C "$root" archive --format=tar --prefix=mirtane/ HEAD | tar -x -C "$work"
cd "$work/mirtane"
# A maintainer's address from the environment, as Debian's tools take it;
# without one the packages name the project's placeholder, which lintian
# calls bogus (those two tags are then the only ones suppressed).
suppressed=()
if [[ -n "${DEBEMAIL:-}" ]]; then
    maintainer="${DEBFULLNAME:-Mirtane developers} <$DEBEMAIL>"
    sed -i "s|^Maintainer: .*|Maintainer: $maintainer|" debian/control
    sed -i "s|^ -- [^>]*>| -- $maintainer|" debian/changelog
else
    suppressed=(--suppress-tags bogus-mail-host,bogus-mail-host-in-debian-changelog)
fi
# Debian 12 has GIMP 2.10, Debian 13 GIMP 3: the package of the plug-in
# for the GIMP this system lacks is left out.
profiles=()
pkg-config --exists gimpui-2.0 || profiles+=(pkg.mirtane.nogimp2)
pkg-config --exists gimpui-3.0 || profiles+=(pkg.mirtane.nogimp3)
if [[ ${#profiles[@]} -gt 0 ]]; then
    export DEB_BUILD_PROFILES="${profiles[*]}"
fi
dpkg-buildpackage -b -us -uc >"$work/build.log" 2>&1 || {
    tail -40 "$work/build.log" >&2
    echo "make-debs: dpkg-buildpackage failed" >&2
    exit 1
}
cp "$work"/*.deb "$out/"
ls -l "$out"/*.deb
lintian --fail-on error,warning "${suppressed[@]}" "$work"/*.changes
