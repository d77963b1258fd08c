#!/bin/bash
# The real dialog of the 64-bit plug-in under Wine, on a virtual display.
#
#   tests/windows/run-dialog-tests.sh <win64 build dir> <scratch dir>
#
# Each scenario runs mirtane-host.exe on a generated test image with
# --dialog-test NAME: the host drives the dialog with window messages from
# its own thread and prints a PASS or FAIL line per check. This script then
# checks how each run ended (result code, what was left allocated, the
# output file) and compares the output of a confirmed dialog with a run that
# replays the same trims without a dialog. Screenshots of the dialog and the
# about box are left in <scratch dir>/artefacts (BMP, and PNG when
# ImageMagick is installed). Each call makes a fresh Wine prefix inside the
# build dir and removes it at the end.
#
# Needs wine (64-bit), xvfb-run and python3. Ends with "N passed, M failed";
# the exit status is 0 only when nothing failed.
set -u

if [ $# -ne 2 ]; then
    echo "usage: $0 <win64 build dir> <scratch dir>" >&2
    exit 2
fi
build=$(cd "$1" && pwd) || exit 2
mkdir -p "$2" || exit 2
scratch=$(cd "$2" && pwd)
host_exe="$build/mirtane-host.exe"
plugin="$build/Mirtane.8bf"
for file in "$host_exe" "$plugin"; do
    if [ ! -f "$file" ]; then
        echo "missing $file: build the win64 preset first" >&2
        exit 2
    fi
done
for tool in wine xvfb-run python3; do
    if ! command -v "$tool" > /dev/null; then
        echo "missing $tool" >&2
        exit 2
    fi
done

# The inner part runs under one virtual display, so that the Wine server and
# the display stay up between the runs.
if [ "${MIRTANE_DIALOG_TESTS_INNER:-}" != 1 ]; then
    rm -rf "$scratch/artefacts" "$scratch/runs"
    MIRTANE_DIALOG_TESTS_INNER=1 exec xvfb-run -a -s '-screen 0 1280x1024x24' "$0" "$build" "$scratch"
fi

# A fresh Wine prefix inside the build tree for every run, removed at the end.
WINEPREFIX=$(mktemp -d "$build/wineprefix-dialog.XXXXXX") || exit 2
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
    wineserver -k > /dev/null 2>&1
    rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
artefacts="$scratch/artefacts"
runs="$scratch/runs"
mkdir -p "$artefacts" "$runs"

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "PASS $1"; }
fail() { failed=$((failed + 1)); echo "FAIL $1"; }
check() { # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

# A 640 x 512 photograph-like test image with a warm cast and low contrast,
# so that the analysis has something to correct.
python3 - "$runs/input.ppm" <<'EOF'
import math, sys
width, height = 640, 512
data = bytearray()
for y in range(height):
    for x in range(width):
        r = 90 + 60 * x // width + (30 if (x // 40 + y // 40) % 2 else 0)
        g = 80 + 50 * y // height
        b = 60 + int(40 * math.sin(x / 50.0) + 40)
        if (x - 400) ** 2 + (y - 200) ** 2 < 80 ** 2:
            r, g, b = 180, 150, 90
        data += bytes((min(r, 255), min(g, 255), min(b, 255)))
with open(sys.argv[1], "wb") as out:
    out.write(b"P6\n%d %d\n255\n" % (width, height) + data)
EOF

wine wineboot -i > "$runs/wineboot.log" 2>&1
artefacts_windows=$(wine winepath -w "$artefacts" 2> /dev/null | tr -d '\r')

# run NAME ARGUMENTS...: one host run, its output in runs/NAME.log.
run() {
    local name=$1
    shift
    timeout 180 wine "$host_exe" "$@" > "$runs/$name.log" 2>&1
    echo "exit $?" >> "$runs/$name.log"
    tr -d '\r' < "$runs/$name.log" > "$runs/$name.txt"
}

# scenario NAME [DRIVER-SCENARIO]: a dialog scenario (the driver's NAME
# unless given), logged as runs/NAME; its own PASS/FAIL lines count here.
scenario() {
    local name=$1
    local driven=${2:-$1}
    run "$name" "$plugin" "$runs/input.ppm" "$runs/$name.ppm" --dialog-test "$driven" \
        --artefacts "$artefacts_windows"
    report_scenario "$name" "$driven"
}

report_scenario() {
    local name=$1
    local driven=${2:-$1}
    local log="$runs/$name.txt"
    grep -E '^(PASS|FAIL) ' "$log" | sed "s/^\(PASS\|FAIL\) $driven:/\1 $name:/"
    passed=$((passed + $(grep -c '^PASS ' "$log")))
    failed=$((failed + $(grep -c '^FAIL ' "$log")))
    check "$name: the scenario ran to its end" \
        grep -qE "^scenario $driven: [0-9]+ passed, 0 failed$" "$log"
}

has_line() { grep -qxF "$2" "$runs/$1.txt"; }
no_output() { [ ! -e "$runs/$1.ppm" ]; }

scenario look
check "look: OK gives a successful run" has_line look "result: 0"
check "look: nothing left allocated" has_line look "leaks: none"
check "look: the image was written" test -s "$runs/look.ppm"

# Help finds its folder under this key; Wine's registry starts without it.
help_key='HKLM\SOFTWARE\NORLUND\PELT Plug-Ins\MIRTANE\10'

for name in slider zoom before navigator help help-dword help-unopenable; do
    case $name in
    help-dword) # a value of the wrong type counts as no value
        wine reg add "$help_key" /v HelpFile /t REG_DWORD /d 7 /f > /dev/null 2>&1 ;;
    help-unopenable) # a folder without the help page in it
        wine reg add "$help_key" /v HelpFile /t REG_SZ /d 'C:\no-such-folder\' /f > /dev/null 2>&1 ;;
    esac
    if [ "$name" = help-dword ]; then scenario "$name" help; else scenario "$name"; fi
    check "$name: Cancel ends the run as a user cancel" has_line "$name" "result: -128"
    check "$name: nothing left allocated" has_line "$name" "leaks: none"
    check "$name: the image is left untouched" no_output "$name"
done

scenario cancel
check "cancel: Cancel ends the run as a user cancel" has_line cancel "result: -128"
check "cancel: the start selector failed" has_line cancel "failed selector: 3"
check "cancel: nothing left allocated" has_line cancel "leaks: none"
check "cancel: the image is left untouched" no_output cancel

scenario ok
check "ok: OK gives a successful run" has_line ok "result: 0"
check "ok: the trims are recorded" grep -qE '^recorded: .*= 5 .*= -5 .*= 0' "$runs/ok.txt"
run replayed "$plugin" "$runs/input.ppm" "$runs/replayed.ppm" --tints 5 -5 0
check "ok: the replayed run without a dialog succeeds" has_line replayed "result: 0"
check "ok: the dialog's output equals a run without a dialog with the same trims" \
    cmp -s "$runs/ok.ppm" "$runs/replayed.ppm"
run neutral "$plugin" "$runs/input.ppm" "$runs/neutral.ppm" --tints 0 0 0
check "ok: the trims changed the output" test -s "$runs/neutral.ppm" -a -s "$runs/ok.ppm"
if [ -s "$runs/neutral.ppm" ] && cmp -s "$runs/ok.ppm" "$runs/neutral.ppm"; then
    fail "ok: the output differs from a neutral run"
else
    pass "ok: the output differs from a neutral run"
fi

scenario fetch-failure
check "fetch-failure: the host's error is the run's result" has_line fetch-failure "result: -1234"
check "fetch-failure: nothing left allocated" has_line fetch-failure "leaks: none"
check "fetch-failure: the image is left untouched" no_output fetch-failure

run about --about "$plugin" --dialog-test about --artefacts "$artefacts_windows"
report_scenario about
check "about: the about selector succeeds" has_line about "result: 0"

for bitmap in "$artefacts"/*.bmp; do
    [ -e "$bitmap" ] || continue
    if command -v convert > /dev/null; then
        convert "$bitmap" "${bitmap%.bmp}.png" 2> /dev/null || true
    fi
done
check "screenshots of the dialog and the about box were saved" \
    test -s "$artefacts/dialog.bmp" -a -s "$artefacts/about.bmp"

echo "dialog tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
