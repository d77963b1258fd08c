#!/usr/bin/env bash
# Measures how close each tool brings faded photographs back to their
# originals, how much it moves photographs that need nothing, and what it
# makes of real faded scans (bench/quality.py): photographs from Debian's
# wallpaper packages, fetched at run time and never committed, in a tuning
# set, a held-out set and a set of do-no-harm controls; two fade families
# with dust, letterboxes and margins; the real scans in ../shared/real-scans
# when they are there. Prints the tables the README quotes and writes a
# montage per real scan under WORK_DIR/montages.
#
#   bench/quality.sh [MIRTANE] [WORK_DIR]
#
# Needs python3-skimage, imagemagick and graphicsmagick (scripts/install-packages.sh).
# About 20 minutes on two cores.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
mirtane="${1:-$repo/build/release/cli/mirtane}"
work="${2:-$(mktemp -d)}"

if [[ ! -x "$mirtane" ]]; then
  cmake --preset release -S "$repo" >/dev/null
  cmake --build "$repo/build/release" --target mirtane
fi

# Debian's python3, where python3-skimage lives, whatever python3 is first on PATH.
/usr/bin/python3 "$repo/bench/quality.py" "$mirtane" --work "$work" \
  --scans "$repo/../shared/real-scans"
