#!/usr/bin/env bash
# Measures how close each tool brings faded photographs back to their
# originals (bench/quality.py): 8 photographs from Debian wallpaper packages,
# fetched at run time and never committed, faded with the project's
# dye-fading model at six presets plus a dusty variant, restored by mirtane
# and by the packaged peers. Prints the tables the README quotes.
#
#   bench/quality.sh [MIRTANE] [WORK_DIR]
#
# Needs python3-skimage, imagemagick and graphicsmagick (scripts/install-packages.sh).
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
mirtane="${1:-$repo/build/release/cli/mirtane}"
work="${2:-$(mktemp -d)}"
mkdir -p "$work/root"

if [[ ! -x "$mirtane" ]]; then
  cmake --preset release -S "$repo" >/dev/null
  cmake --build "$repo/build/release" --target mirtane
fi

photos=(
  lomiri-wallpapers-16.04:usr/share/backgrounds/picosdeeuropa_by_Aitzol_Berasategi.jpg
  lomiri-wallpapers-16.04:usr/share/backgrounds/aitzgorri_by_Aitzol_Berasategi.jpg
  lomiri-wallpapers-16.04:usr/share/backgrounds/sunset_by_Aitzol_Berasategi.jpg
  lomiri-wallpapers-16.04:usr/share/backgrounds/friends_by_Aitzol_Berasategi.jpg
  lomiri-wallpapers-16.04:usr/share/backgrounds/Bridge_by_Sander_Klootwijk.jpg
  lomiri-wallpapers-16.04:usr/share/backgrounds/Wine_by_Jakkub_Mede.jpg
  plasma-workspace-wallpapers:usr/share/wallpapers/Autumn/contents/images/2560x1600.jpg
  plasma-workspace-wallpapers:usr/share/wallpapers/ColorfulCups/contents/images/2560x1600.jpg
)
for package in lomiri-wallpapers-16.04 plasma-workspace-wallpapers; do
  if [[ ! -f "$work/$package.done" ]]; then
    (cd "$work" && apt-get download "$package" >/dev/null)
    dpkg-deb -x "$work"/"$package"_*.deb "$work/root"
    touch "$work/$package.done"
  fi
done
paths=()
for entry in "${photos[@]}"; do
  paths+=("$work/root/${entry#*:}")
done
# Debian's python3, where python3-skimage lives, whatever python3 is first on PATH.
/usr/bin/python3 "$repo/bench/quality.py" "$mirtane" "${paths[@]}" --work "$work/scored"
