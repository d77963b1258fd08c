#!/usr/bin/env bash
# The README's first command: installs what the command needs, builds the mirtane
# command (release preset) and restores the bundled sample photograph,
# writing the restored image, a side-by-side comparison and a plot of the
# curves, then says where they are.
#
#   scripts/restore-sample.sh [OUTPUT_DIR]      (default: build/sample)
#
# MIRTANE_JOBS sets the build parallelism (default 2).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
out=${1:-$root/build/sample}
jobs=${MIRTANE_JOBS:-2}
sample=$root/samples/faded-mountain.jpg

bash scripts/install-packages.sh --command

echo "restore-sample: building the mirtane command (release preset)"
cmake --preset release >/dev/null
cmake --build --preset release --target mirtane -j "$jobs"
mirtane=$root/build/release/cli/mirtane

mkdir -p "$out"
"$mirtane" restore "$sample" -o "$out/restored-mountain.jpg" --compare "$out/comparison.jpg"
"$mirtane" curves "$sample" --plot "$out/curves.png" >"$out/curves.txt"

cat <<DONE

restore-sample: done.
  faded sample:       $sample
  restored:           $out/restored-mountain.jpg
  before | after:     $out/comparison.jpg
  curves (plot/text): $out/curves.png, $out/curves.txt

Restore your own photos with, for example:
  $mirtane restore scans/*.jpg --output-dir restored/
DONE
