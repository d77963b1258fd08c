#!/bin/bash
# The command under an address-space limit (ulimit -v), on the release build
# (the sanitizers' runtime reserves terabytes of address space, so the native
# build cannot run under one):
#
#   - with room for the picture and the plug-in's work request beside what a
#     restore of a small photo needs, a restore succeeds with the bytes it
#     writes without a limit; a 16-bit one needs little more than its samples,
#     since their 8-bit rendering is analysed first and let go before the
#     samples are read;
#   - with too little room it fails as any bad input does: exit status 1, one
#     line naming the file, no output and no temporary file left, no abort.
#
#   tests/memory/run-address-space-tests.sh RELEASE_BUILD_DIR SCRATCH_DIR
#
# Ends with "N passed, N failed" and a non-zero status when anything failed.
set -uo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 RELEASE_BUILD_DIR SCRATCH_DIR" >&2
    exit 2
fi
mirtane="$(cd "$1" && pwd)/cli/mirtane" || exit 2
mkdir -p "$2" && scratch=$(cd "$2" && pwd) || exit 2
[ -x "$mirtane" ] || { echo "missing $mirtane: build the release preset first" >&2; exit 2; }
command -v vips >/dev/null || { echo "vips (libvips-tools) is needed to make the pictures" >&2; exit 2; }

passed=0
failed=0
check() {  # check NAME CONDITION-STATUS
    if [ "$2" -eq 0 ]; then
        passed=$((passed + 1)); echo "ok    $1"
    else
        failed=$((failed + 1)); echo "FAIL  $1"
    fi
}

# Restores IN to OUT under a limit of KB kilobytes of address space; the
# command's standard error goes to $scratch/err.
restore_under() {  # restore_under KB IN OUT
    (ulimit -v "$1" && exec "$mirtane" restore "$2" -o "$3" -q) 2>"$scratch/err"
}

restore_five_times_under() {  # restore_five_times_under KB IN OUT
    local run
    for run in 1 2 3 4 5; do
        restore_under "$@" || return 1
    done
}

# The pictures: a small one, an 8-bit and a 16-bit one of 12 megapixels,
# made from the bundled sample.
sample="$(cd "$(dirname "$0")/../.." && pwd)/samples/faded-mountain.jpg"
width=4000
height=3000
vips resize "$sample" "$scratch/big.v" 4 >/dev/null || exit 2
vips crop "$scratch/big.v" "$scratch/small.tif[compression=none]" 0 0 600 500 || exit 2
vips crop "$scratch/big.v" "$scratch/eight.tif[compression=none]" 0 0 $width $height || exit 2
vips linear "$scratch/eight.tif" "$scratch/wide.v" 257 0 --uchar=false || exit 2
vips cast "$scratch/wide.v" "$scratch/sixteen.tif[compression=none]" ushort || exit 2
rm -f "$scratch/big.v" "$scratch/wide.v"
picture_kb=$((width * height * 3 / 1024))

# What a restore of a small photo needs: the libraries, libvips' threads and
# the command's own fixed costs. The least limit (to 4 MB) it passes under.
low=16384
high=2097152
while [ $((high - low)) -gt 4096 ]; do
    middle=$(((low + high) / 2))
    if restore_under "$middle" "$scratch/small.tif" "$scratch/small-out.tif"; then
        high=$middle
    else
        low=$middle
    fi
done
base_kb=$((high + 8192))
echo "a small restore passes under $((high / 1024)) MB of address space; the base is $((base_kb / 1024)) MB"

"$mirtane" restore "$scratch/eight.tif" -o "$scratch/eight-free.tif" -q || exit 2
"$mirtane" restore "$scratch/sixteen.tif" -o "$scratch/sixteen-free.tif" -q || exit 2

# 8 bits: the picture (3 bytes a pixel) and the plug-in's work request (3
# more, of which it touches a quarter), with a tenth of the picture to spare.
# Five times: the room a restore needs must not depend on how its threads
# happen to be scheduled.
limit=$((base_kb + picture_kb * 21 / 10))
restore_five_times_under "$limit" "$scratch/eight.tif" "$scratch/eight-out.tif"
check "8 bits: restored under $((limit / 1024)) MB, five times" $?
cmp -s "$scratch/eight-out.tif" "$scratch/eight-free.tif"
check "8 bits: the same bytes as without a limit" $?

# 16 bits: the samples (6 bytes a pixel), or before them the rendering and
# the work request (3 + 3), never both; with the encoder's strips and threads
# and a margin, 1.6 times the samples' size. Holding the samples, their rendering and
# the work request at once took twice the samples' size.
limit=$((base_kb + picture_kb * 2 * 16 / 10))
restore_five_times_under "$limit" "$scratch/sixteen.tif" "$scratch/sixteen-out.tif"
check "16 bits: restored under $((limit / 1024)) MB, five times" $?
cmp -s "$scratch/sixteen-out.tif" "$scratch/sixteen-free.tif"
check "16 bits: the same bytes as without a limit" $?

# Too little room, at every stage: before decoding, while analysing, while
# reading the 16-bit samples, while encoding.
for input in eight sixteen; do
    for share in 5 10 15 20; do
        limit=$((base_kb + picture_kb * share / 10))
        rm -f "$scratch/refused.tif"
        restore_under "$limit" "$scratch/$input.tif" "$scratch/refused.tif"
        status=$?
        if [ $status -eq 0 ]; then
            continue  # enough room after all: nothing to check here
        fi
        [ $status -eq 1 ] && grep -q "^mirtane: $scratch/$input.tif: ." "$scratch/err" &&
            [ ! -e "$scratch/refused.tif" ] &&
            [ -z "$(find "$scratch" -maxdepth 1 -name '.mirtane-*')" ]
        result=$?
        check "$input under $((limit / 1024)) MB: refused with a reason, nothing left ($(head -c 160 "$scratch/err" | tr '\n' ' '))" $result
    done
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
