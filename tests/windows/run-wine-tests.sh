#!/bin/bash
# Runs the 64-bit plug-in under Wine through mirtane-host.exe: its property
# list names the entry point; a whole run on a generated 600 x 500 picture
# succeeds, leaves nothing allocated and writes the image; a replayed step
# with scripted trims shows no dialog; last-used trims persist between runs
# through a registry file; a cancelled dialog gives -128; the about box opens
# and closes. Under the habits of third-party hosts (mirtane-host.exe
# --host-profile) every run writes exactly the bytes of the well-behaved
# host, which are also the bytes the native build writes for the same
# picture; a host without advanceState is refused with -30100.
#
#   tests/windows/run-wine-tests.sh WIN64_BUILD_DIR SCRATCH_DIR
#
# WIN64_BUILD_DIR holds Mirtane.8bf and mirtane-host.exe (the win64 preset's
# build folder); SCRATCH_DIR receives the generated input and the outputs.
# The native reference is the mirtane command of the native build
# (build/native/cli/mirtane beside this script's repository, or
# MIRTANE_NATIVE_CLI); ImageMagick's convert moves the picture between PPM and
# PNG for it.
# The Wine prefix is made afresh inside the build folder and removed at the
# end. Without a display the script runs itself again under xvfb-run, since
# the plug-in checks the screen size and may show windows. Ends with a line
# "N passed, N failed" and a non-zero status when anything failed.
set -uo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 WIN64_BUILD_DIR SCRATCH_DIR" >&2
    exit 2
fi
build_dir=$(cd "$1" && pwd) || exit 2
mkdir -p "$2" && scratch_dir=$(cd "$2" && pwd) || exit 2

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s '-screen 0 1280x1024x24' "$0" "$build_dir" "$scratch_dir"
fi

host="$build_dir/mirtane-host.exe"
plugin="$build_dir/Mirtane.8bf"
for file in "$host" "$plugin"; do
    if [ ! -f "$file" ]; then
        echo "missing $file: build the win64 preset first" >&2
        exit 2
    fi
done

wine=""
for candidate in /usr/lib/wine/wine64 "$(command -v wine64 || true)" "$(command -v wine || true)"; do
    if [ -n "$candidate" ] && [ -x "$candidate" ]; then
        wine=$candidate
        break
    fi
done
wineserver=""
for candidate in /usr/lib/wine/wineserver64 "$(command -v wineserver || true)"; do
    if [ -n "$candidate" ] && [ -x "$candidate" ]; then
        wineserver=$candidate
        break
    fi
done
if [ -z "$wine" ]; then
    echo "wine64 is not installed" >&2
    exit 2
fi

export WINEPREFIX
WINEPREFIX=$(mktemp -d "$build_dir/wineprefix.XXXXXX") || exit 2
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
    if [ -n "$wineserver" ]; then
        "$wineserver" -k >/dev/null 2>&1
    fi
    rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

# A faded, warm-cast 600 x 500 picture: gradients squeezed into the middle
# of the range, red lifted, blue lowered, with a few patches of detail.
input="$scratch_dir/faded-600x500.ppm"
perl -e '
    binmode STDOUT;
    print "P6\n600 500\n255\n";
    for my $y (0 .. 499) {
        for my $x (0 .. 599) {
            my $detail = (($x >> 4) + ($y >> 4)) % 2 ? 12 : 0;
            my $r = 90 + int(100 * $x / 599) + $detail;
            my $g = 70 + int(90 * $y / 499) + $detail;
            my $b = 50 + int(70 * (($x + $y) % 300) / 299);
            print pack("C3", $r, $g, $b);
        }
    }' > "$input" || exit 2

passed=0
failed=0
pass() { echo "PASS: $1"; passed=$((passed + 1)); }
fail() { echo "FAIL: $1"; failed=$((failed + 1)); }

# Runs mirtane-host.exe with a time limit; its output, with the console's
# carriage returns removed, goes to $log.
run_host() {
    log="$scratch_dir/$1.log"
    shift
    timeout 300 "$wine" "$host" "$@" 2>&1 | tr -d '\r' >"$log"
    status=${PIPESTATUS[0]}
    sed 's/^/    /' "$log"
    return $status
}

# The property list names the 64-bit entry point.
if run_host pipl --pipl "$plugin" && grep -q "'8664' .*\"PluginMain\"" "$scratch_dir/pipl.log"; then
    pass "the property list names PluginMain under '8664'"
else
    fail "the property list names PluginMain under '8664'"
fi

# A whole run: prepare, start (the dialog confirmed), continue, finish.
output="$scratch_dir/restored-600x500.ppm"
rm -f "$output"
run_host whole-run "$plugin" "$input" "$output"
status=$?
if [ $status -eq 0 ]; then
    pass "a whole run succeeds and leaves nothing allocated"
else
    fail "a whole run succeeds and leaves nothing allocated (exit status $status)"
fi
if [ -f "$output" ] && [ "$(head -c 15 "$output")" = "$(printf 'P6\n600 500\n255\n')" ] &&
    [ "$(stat -c %s "$output")" -eq "$(stat -c %s "$input")" ]; then
    pass "the run writes a 600 x 500 image"
else
    fail "the run writes a 600 x 500 image"
fi

# A replayed step whose descriptor says not to display the dialog: the
# scripted trims are applied without a dialog.
replayed="$scratch_dir/replayed-600x500.ppm"
rm -f "$replayed"
run_host replayed "$plugin" "$input" "$replayed" --tints 10 -5 0
status=$?
if [ $status -eq 0 ] && ! grep -q '^dialog ' "$scratch_dir/replayed.log"; then
    pass "a replayed step runs without showing the dialog"
else
    fail "a replayed step runs without showing the dialog (exit status $status)"
fi
if [ -f "$replayed" ] && [ -f "$output" ] && ! cmp -s "$replayed" "$output"; then
    pass "the replayed trims change the result"
else
    fail "the replayed trims change the result"
fi

# Last-used settings survive between runs of the program, kept in a file as
# a host keeps them across restarts: a replayed step with trims stores them,
# and the next interactive run (dialog confirmed unchanged) applies them, so
# it writes the same bytes and records the same step.
registry="$scratch_dir/registry.txt"
first="$scratch_dir/first-with-registry.ppm"
second="$scratch_dir/second-with-registry.ppm"
rm -f "$registry" "$first" "$second"
run_host registry-first "$plugin" "$input" "$first" --tints 10 -5 0 --registry "$registry"
first_status=$?
run_host registry-second "$plugin" "$input" "$second" --registry "$registry"
second_status=$?
recorded_line="recorded: 'Rd  ' = 10 'Grn ' = -5 'Bl  ' = 0"
if [ $first_status -eq 0 ] && [ $second_status -eq 0 ] && [ -f "$registry" ] &&
    grep -q '^dialog ' "$scratch_dir/registry-second.log" &&
    grep -qF "$recorded_line" "$scratch_dir/registry-second.log" &&
    cmp -s "$first" "$second" && cmp -s "$first" "$replayed"; then
    pass "last-used trims persist between runs and a recorded step replays with the same result"
else
    fail "last-used trims persist between runs and a recorded step replays with the same result"
fi

# A cancelled dialog: the user-cancel result, and no image is written.
cancelled="$scratch_dir/cancelled-600x500.ppm"
rm -f "$cancelled"
run_host cancelled "$plugin" "$input" "$cancelled" --dialog cancel
status=$?
if [ $status -eq 1 ] && grep -q '^result: -128$' "$scratch_dir/cancelled.log" &&
    grep -q '^leaks: none$' "$scratch_dir/cancelled.log" && [ ! -f "$cancelled" ]; then
    pass "a cancelled dialog gives -128, writes nothing and leaves nothing allocated"
else
    fail "a cancelled dialog gives -128, writes nothing and leaves nothing allocated (exit status $status)"
fi

# The about box opens over the host window and its OK button closes it.
run_host about --about "$plugin"
status=$?
if [ $status -eq 0 ] && grep -q '^dialog ' "$scratch_dir/about.log" &&
    grep -q '^result: 0$' "$scratch_dir/about.log"; then
    pass "the about box opens and closes with OK"
else
    fail "the about box opens and closes with OK (exit status $status)"
fi

# Host habits: the same bytes as the well-behaved host under every profile
# that can complete a run.
for profile in plane0-only refill-on-rect-change bgr-storage four-bytes-per-pixel \
    null-callbacks preset-result moving-handles host-library; do
    profiled="$scratch_dir/profile-$profile.ppm"
    rm -f "$profiled"
    run_host "profile-$profile" "$plugin" "$input" "$profiled" --host-profile "$profile"
    status=$?
    if [ $status -eq 0 ] && [ -f "$output" ] && cmp -s "$profiled" "$output"; then
        pass "under the $profile host the run writes the well-behaved host's bytes"
    else
        fail "under the $profile host the run writes the well-behaved host's bytes (exit status $status)"
    fi
done

# A host without advanceState: refused before anything is read or made.
refused="$scratch_dir/profile-no-advance-state.ppm"
rm -f "$refused"
run_host profile-no-advance-state "$plugin" "$input" "$refused" --host-profile no-advance-state
status=$?
if [ $status -eq 1 ] && grep -q '^result: -30100$' "$scratch_dir/profile-no-advance-state.log" &&
    grep -q '^leaks: none$' "$scratch_dir/profile-no-advance-state.log" && [ ! -f "$refused" ]; then
    pass "a host without advanceState is refused with -30100 and nothing left allocated"
else
    fail "a host without advanceState is refused with -30100 and nothing left allocated (exit status $status)"
fi

# The native build's bytes for the same picture: pixel data compared after
# the PPM headers, which both sides write as "P6\n600 500\n255\n".
repository=$(cd "$(dirname "$0")/../.." && pwd)
native_cli=${MIRTANE_NATIVE_CLI:-$repository/build/native/cli/mirtane}
native_png="$scratch_dir/native-input.png"
native_out="$scratch_dir/native-restored.png"
native_ppm="$scratch_dir/native-restored.ppm"
pixel_bytes=$((600 * 500 * 3))
if [ -x "$native_cli" ] && convert "$input" "$native_png" &&
    "$native_cli" restore "$native_png" -o "$native_out" >"$scratch_dir/native.log" 2>&1 &&
    convert "$native_out" -depth 8 "ppm:$native_ppm" &&
    cmp -s <(tail -c $pixel_bytes "$native_ppm") <(tail -c $pixel_bytes "$output"); then
    pass "the 64-bit DLL under Wine writes the native build's bytes"
else
    fail "the 64-bit DLL under Wine writes the native build's bytes (native command: $native_cli)"
fi

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
