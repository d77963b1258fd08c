#!/usr/bin/env bash
# Times `mirtane restore` against ImageMagick's `convert -auto-level` on the
# same 6000 x 4000 photo, as PNG and as TIFF, in one hyperfine run, and prints
# how many times faster mirtane is for each format (above 1: faster).
#
#   bench/cli-vs-auto-level.sh [MIRTANE_BINARY] [SCRATCH_DIR]
#
# MIRTANE_BINARY defaults to the release build (build/release/cli/mirtane);
# the bundled sample, scaled up, is the test photo. Needs hyperfine and
# imagemagick (Debian packages of those names).
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
mirtane="${1:-$repo/build/release/cli/mirtane}"
scratch="${2:-$(mktemp -d)}"
runs="${BENCH_RUNS:-3}"
sample="$repo/samples/faded-mountain.jpg"

for tool in hyperfine convert; do
  command -v "$tool" >/dev/null || { echo "error: $tool is not installed (run scripts/install-packages.sh)" >&2; exit 1; }
done
[[ -x "$mirtane" ]] || { echo "error: no mirtane binary at $mirtane (cmake --preset release && cmake --build --preset release)" >&2; exit 1; }
mkdir -p "$scratch"

echo "Making the 6000 x 4000 test photos in $scratch ..."
convert "$sample" -resize '6000x4000!' -depth 8 "$scratch/photo.png"
convert "$scratch/photo.png" -compress none "$scratch/photo.tif"

hyperfine --warmup 1 --runs "$runs" --export-csv "$scratch/times.csv" \
  -n "mirtane PNG" "'$mirtane' restore '$scratch/photo.png' -o '$scratch/mirtane.png' -j 1" \
  -n "auto-level PNG" "convert '$scratch/photo.png' -auto-level '$scratch/auto-level.png'" \
  -n "mirtane TIFF" "'$mirtane' restore '$scratch/photo.tif' -o '$scratch/mirtane.tif' -j 1" \
  -n "auto-level TIFF" "convert '$scratch/photo.tif' -auto-level -compress none '$scratch/auto-level.tif'"

# times.csv: command,mean,stddev,median,user,system,min,max (seconds)
awk -F, 'NR > 1 { mean[$1] = $2 }
  END {
    split("PNG TIFF", formats, " ")
    for (i = 1; i <= 2; i++) {
      m = mean["mirtane " formats[i]]; a = mean["auto-level " formats[i]]
      printf "%-4s  mirtane %.2f s, convert -auto-level %.2f s: mirtane is %.2fx as fast\n", formats[i], m, a, a / m
    }
  }' "$scratch/times.csv"
