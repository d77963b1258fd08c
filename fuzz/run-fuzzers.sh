#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build/fuzz) and runs each for
# MIRTANE_FUZZ_SECONDS (default 60) from its seed corpus in fuzz/corpus/.
# New inputs the fuzzer finds go to build/fuzz/found/<target>, never into
# the committed corpus; a crash, a leak, running out of memory or an input
# that takes over two minutes (a hang) leaves its input in build/fuzz/crashes
# and fails the script. Inputs slower than libFuzzer's ten seconds are listed
# and kept in build/fuzz/slow, not failed: on a loaded machine a sanitised
# decode of a large picture can pass that mark without being a hang.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${MIRTANE_FUZZ_SECONDS:-60}
build=$root/build/fuzz

CXX=clang++ cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "${MIRTANE_JOBS:-2}"

mkdir -p "$build/crashes"
for target in fuzz_image_file fuzz_pipl fuzz_photo_file; do
    found=$build/found/$target
    mkdir -p "$found"
    echo "---- $target: ${seconds} s"
    "$build/$target" "$found" "$root/fuzz/corpus/$target" -max_total_time="$seconds" \
        -rss_limit_mb=2048 -timeout=120 -artifact_prefix="$build/crashes/$target-" \
        -print_final_stats=1 2>&1 |
        grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::new_units_added|==[0-9]+==ERROR|SUMMARY|INFO: Seed)' || true
    if compgen -G "$build/crashes/$target-slow-unit-*" >/dev/null; then
        mkdir -p "$build/slow"
        mv "$build/crashes/$target-slow-unit-"* "$build/slow/"
        echo "run-fuzzers: $target: inputs slower than 10 s kept in $build/slow" >&2
    fi
    if compgen -G "$build/crashes/$target-*" >/dev/null; then
        echo "run-fuzzers: $target found a failing input: $(ls "$build/crashes/$target-"*)" >&2
        exit 1
    fi
done
echo "run-fuzzers: no failing input found"
