#!/usr/bin/env bash
# Remakes samples/faded-mountain.jpg from the original photograph: fetches
# the Debian package that ships it, scales it to 1200 pixels across and fades
# it with the dye-fading model of FadeSample.cpp (see samples/README.md).
#
#   samples/fade-sample.sh [BUILD_DIR]
#
# BUILD_DIR holds a configured build (default build/release); the fading
# program mirtane-fade-sample is built there first.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$repo/build/release}"
package=lomiri-wallpapers-16.04
photo=usr/share/backgrounds/picosdeeuropa_by_Aitzol_Berasategi.jpg

if [[ ! -f "$build/CMakeCache.txt" ]]; then
  cmake --preset release -S "$repo"
fi
cmake --build "$build" --target mirtane-fade-sample

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
(cd "$work" && apt-get download "$package" >/dev/null)
dpkg-deb -x "$work"/"$package"_*.deb "$work/root"
"$build/cli/mirtane-fade-sample" "$work/root/$photo" "$repo/samples/faded-mountain.jpg" 1200
echo "wrote $repo/samples/faded-mountain.jpg"
