#!/usr/bin/env bash
# Times `mirtane restore` against the packaged auto-corrections and against a
# plain read-and-write of the same file, whole processes side by side:
#
#   gm convert -normalize              GraphicsMagick's per-channel stretch
#   convert -channel RGB -auto-level   ImageMagick's per-channel stretch
#   vips copy                          reading and writing the file only (the I/O floor)
#
# on a 6000 x 4000 uncompressed TIFF and a 12 MP JPEG at quality 92, both made
# from the bundled sample; then a batch of 8 JPEGs, `mirtane -j 2` against
# `gm` run two at a time. hyperfine alternates nothing by itself, so every
# command gets a warm-up run and the medians are compared. Prints each ratio
# (mirtane's time over the peer's: below 1 is faster), by wall clock and by
# processor time, and each command's peak resident set from /usr/bin/time -v;
# then peak memory and time at archival sizes, 24 and 300 megapixels, 8 and
# 16 bits, against gm and vips copy.
#
#   bench/compare-peers.sh [MIRTANE_BINARY] [SCRATCH_DIR]
#
# BENCH_RUNS sets the runs per command (default 5). Needs hyperfine,
# graphicsmagick, imagemagick, libvips-tools and time (scripts/install-packages.sh).
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
mirtane="${1:-$repo/build/release/cli/mirtane}"
scratch="${2:-$(mktemp -d)}"
runs="${BENCH_RUNS:-5}"
sample="$repo/samples/faded-mountain.jpg"

for tool in hyperfine gm convert vips /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "error: $tool is not installed (run scripts/install-packages.sh)" >&2; exit 1; }
done
[[ -x "$mirtane" ]] || { echo "error: no mirtane binary at $mirtane (cmake --preset release && cmake --build --preset release)" >&2; exit 1; }
mkdir -p "$scratch/batch-in" "$scratch/batch-mirtane" "$scratch/batch-gm"

echo "Making the test images in $scratch ..."
vips resize "$sample" "$scratch/big.v" 8 >/dev/null
vips crop "$scratch/big.v" "$scratch/photo.tif[compression=none]" 0 0 6000 4000
vips crop "$scratch/big.v" "$scratch/photo.jpg[Q=92]" 0 0 4243 2828
rm -f "$scratch/big.v"
for i in 1 2 3 4 5 6 7 8; do cp "$scratch/photo.jpg" "$scratch/batch-in/photo$i.jpg"; done

# name -> command, per image
declare -A commands
order=()
add() { commands["$1"]="$2"; order+=("$1"); }
for kind in tif jpg; do
  in="$scratch/photo.$kind"
  opt=""; [[ $kind == tif ]] && opt="-compress none"
  add "mirtane $kind" "'$mirtane' restore '$in' -o '$scratch/mirtane.$kind' -j 1"
  add "gm $kind" "gm convert '$in' -normalize $opt '$scratch/gm.$kind'"
  add "convert $kind" "convert '$in' -channel RGB -auto-level $opt '$scratch/im.$kind'"
  add "vips $kind" "vips copy '$in' '$scratch/vips.$kind'"
done
add "mirtane batch" "'$mirtane' restore '$scratch'/batch-in/*.jpg --output-dir '$scratch/batch-mirtane' -j 2"
add "gm batch" "ls '$scratch'/batch-in/*.jpg | xargs -P 2 -I{} sh -c 'gm convert {} -normalize $scratch/batch-gm/\$(basename {})'"

args=()
for name in "${order[@]}"; do args+=(-n "$name" "${commands[$name]}"); done
hyperfine --warmup 1 --runs "$runs" --export-json "$scratch/times.json" "${args[@]}" >&2

# Wall-clock medians, and the processor time (user + system, mean) that a
# machine shared with other work disturbs less.
python3 - "$scratch/times.json" <<'EOF'
import json, statistics, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
def median(name): return statistics.median(results[name]["times"])
def cpu(name): return results[name]["user"] + results[name]["system"]
def spread(name):
    t = results[name]["times"]; return (max(t) - min(t)) / statistics.median(t)
print("%-16s %9s %9s %9s" % ("command", "median s", "spread", "cpu s"))
for name in results:
    print("%-16s %9.3f %8.0f%% %9.3f" % (name, median(name), 100 * spread(name), cpu(name)))
for kind in ("tif", "jpg"):
    for peer in ("gm", "convert", "vips"):
        print("%s: mirtane / %-7s = %.2fx wall, %.2fx cpu" % (kind, peer,
              median("mirtane " + kind) / median(peer + " " + kind), cpu("mirtane " + kind) / cpu(peer + " " + kind)))
print("batch of 8: mirtane -j 2 / gm in pairs = %.2fx wall, %.2fx cpu" % (
      median("mirtane batch") / median("gm batch"), cpu("mirtane batch") / cpu("gm batch")))
EOF

echo
echo "Peak resident set (one run each):"
for name in "mirtane tif" "gm tif" "convert tif" "vips tif" "mirtane jpg" "gm jpg"; do
  kb=$(/usr/bin/time -v sh -c "${commands[$name]}" 2>&1 >/dev/null | awk -F: '/Maximum resident/ { gsub(/ /, "", $2); print $2 }')
  pixels=$([[ $name == *tif ]] && echo 24000000 || echo $((4243 * 2828)))
  awk -v n="$name" -v kb="$kb" -v p="$pixels" 'BEGIN { printf "%-12s %7.1f MB  %5.2f bytes per pixel\n", n, kb / 1024, kb * 1024 / p }'
done

# Archival sizes: peak memory and time of one run each at 24 MP and 300 MP
# (20000 x 15000, a large-format scan), 8 and 16 bits, uncompressed TIFF in
# and out. "above base" leaves out what a restore of a 600 x 500 photo
# holds (the libraries, libvips' threads), which does not grow with the
# picture. BENCH_LARGE=0 leaves out the 300 MP pictures (2.7 GB of files).
peak() {  # peak COMMAND...: prints "seconds kilobytes"
  /usr/bin/time -f "%e %M" "$@" 2>&1 >/dev/null | tail -1
}
vips crop "$scratch/photo.tif" "$scratch/small.tif[compression=none]" 0 0 600 500
base_kb=$(peak "$mirtane" restore "$scratch/small.tif" -o "$scratch/small-out.tif" -q | cut -d' ' -f2)
echo
echo "Archival sizes (one run each; base: a 600 x 500 restore holds $((base_kb / 1024)) MB):"
printf "%-8s %-7s %-8s %8s %9s %10s %12s\n" size depth command seconds "peak MB" "bytes/px" "above base"
sizes=("24 6000 4000")
[[ "${BENCH_LARGE:-1}" != 0 ]] && sizes+=("300 20000 15000")
for size in "${sizes[@]}"; do
  read -r megapixels width height <<<"$size"
  scale=$(( (width + 1199) / 1200 + 1 ))
  vips resize "$sample" "$scratch/wide.v" "$scale" >/dev/null
  vips crop "$scratch/wide.v" "$scratch/a8.tif[compression=none]" 0 0 "$width" "$height"
  rm -f "$scratch/wide.v"
  vips colourspace "$scratch/a8.tif" "$scratch/a16.tif[compression=none]" rgb16
  for depth in 8 16; do
    in="$scratch/a$depth.tif"
    for tool in mirtane gm vips; do
      case $tool in
        mirtane) result=$(peak "$mirtane" restore "$in" -o "$scratch/out.tif" -q) ;;
        gm) result=$(peak gm convert "$in" -normalize -compress none "$scratch/out.tif") ;;
        vips) result=$(peak vips copy "$in" "$scratch/out.tif") ;;
      esac
      read -r seconds kb <<<"$result"
      awk -v mp="$megapixels MP" -v d="$depth-bit" -v t="$tool" -v s="$seconds" -v kb="$kb" \
          -v base="$base_kb" -v p="$((width * height))" 'BEGIN {
        printf "%-8s %-7s %-8s %8.2f %9.1f %10.2f %12.2f\n", mp, d, t, s, kb / 1024, kb * 1024 / p,
               (kb - base) * 1024 / p }'
    done
  done
  rm -f "$scratch/a8.tif" "$scratch/a16.tif" "$scratch/out.tif"
done
