#!/usr/bin/env bash
# Tests of the release package:
#
#   tests/release/run-release-tests.sh <win32 build dir> <win64 build dir> <scratch dir>
#
# 1. Builds Mirtane-1.1.4-windows.zip with release/make-package.sh and checks its
#    content: the ten entries, each plug-in byte for byte the build's and a PE
#    file for its machine, the 32-bit setup program, Windows line ends in the
#    scripts and texts, every file dated with the build time the plug-ins'
#    about box shows, the licence.
# 2. Runs the help-page checks (tests/release/HelpPageTest.cpp, compiled here
#    with GoogleTest) on the page inside the package.
# 3. Under Wine, in a fresh prefix inside the scratch dir: unpacks the package,
#    runs install.cmd and uninstall.cmd for every path a user can take, and
#    checks files, registry values (reg query) and the help lookup the
#    plug-in's Help button makes (HelpLookupProbe.exe, compiled here with
#    MinGW, and mirtane-host.exe where it can do it).
# 4. Under Wine, the setup program: silent installations for the current user
#    and for all users (the hosts' folders imitated), their entries in Apps &
#    features read back with reg query, the uninstaller removing every file and
#    the entry, refused empty and root folders, the update button's page, and a
#    picture of the setup program's first page (<scratch dir>/setup-first-page.png).
#    The package's Setup.exe is 32-bit and cannot run here: these checks run the
#    same script built as a 64-bit program (make-package.sh --amd64-setup).
#
# What Wine cannot show: its user may write everywhere, as an administrator
# can, and it has neither PowerShell nor a consent prompt, and its cmd.exe has
# no CMDCMDLINE. So a window without administrator rights is imitated by
# pointing ProgramW6432 at a path that cannot be created, PowerShell by a
# stand-in powershell.cmd that either refuses (as a user declining the prompt)
# or starts the elevated command as the scripts ask for it; the double-click
# itself is imitated by /pause, which takes the same path once detected. The
# 32-bit plug-in is checked as a copied file only: it cannot run here.
#
# Needs: zip, unzip, wine (64-bit), x86_64-w64-mingw32-gcc, g++ and GoogleTest;
# Xvfb and python3 for the checks that show the plug-in's dialog.
# Prints one line per check and ends with "N passed, N failed, N skipped";
# exits 1 when any check failed, 2 on bad arguments or a missing tool.
set -uo pipefail

if [[ $# -ne 3 ]]; then
  echo "usage: $0 <win32 build dir> <win64 build dir> <scratch dir>" >&2
  exit 2
fi
win32_dir=$(cd "$1" && pwd) || exit 2
win64_dir=$(cd "$2" && pwd) || exit 2
mkdir -p "$3" && scratch=$(cd "$3" && pwd) || exit 2
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

WINE=${WINE:-$(command -v wine64 || command -v wine || true)}
for tool in zip unzip x86_64-w64-mingw32-gcc g++ "$WINE"; do
  if [[ -z $tool ]] || ! command -v "$tool" >/dev/null; then
    echo "$0: missing tool: ${tool:-wine}" >&2
    exit 2
  fi
done

passed=0 failed=0 skipped=0
pass() { passed=$((passed + 1)); echo "ok    $1"; }
fail() { failed=$((failed + 1)); echo "FAIL  $1"; shift; for line in "$@"; do echo "      $line"; done; }
skip() { skipped=$((skipped + 1)); echo "skip  $1"; shift; for line in "$@"; do echo "      $line"; done; }
# wait_until SECONDS COMMAND...: polls the command every tenth of a second
# until it succeeds (status 0) or the time is up (status 1).
wait_until() {
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}
# expect NAME COMMAND...: passes when the command succeeds.
expect() { local name=$1; shift; if "$@"; then pass "$name"; else fail "$name" "failed: $*"; fi; }

# ---------------------------------------------------------------------------
# 1. The package

out_dir=$scratch/package
rm -rf "$out_dir"
mkdir -p "$out_dir"
setup64=$scratch/Setup-amd64.exe
if ! zip_path=$("$source_dir/release/make-package.sh" --amd64-setup "$setup64" "$win32_dir" "$win64_dir" "$out_dir" 2>"$out_dir/make.err"); then
  fail "package is built" "$(cat "$out_dir/make.err")"
  echo "$passed passed, $failed failed, $skipped skipped"
  exit 1
fi
pass "package is built: $(basename "$zip_path")"
expect "package is named Mirtane-1.1.4-windows.zip" test "$(basename "$zip_path")" = "Mirtane-1.1.4-windows.zip"

entries=$(unzip -Z1 "$zip_path" | sort | tr '\n' ' ')
expected_entries="INSTALL.txt LICENSE.txt MirtaneHelp.htm README.txt Setup.exe THIRD-PARTY-NOTICES.txt install.cmd uninstall.cmd x64/Mirtane.8bf x86/Mirtane.8bf "
if [[ $entries == "$expected_entries" ]]; then
  pass "package holds exactly the ten files"
else
  fail "package holds exactly the ten files" "found:    $entries" "expected: $expected_entries"
fi

# The release's build time, as the plug-ins were built with it.
build_epoch=$(sed -n 's/^MIRTANE_BUILD_EPOCH:INTERNAL=//p' "$win64_dir/CMakeCache.txt")
build_month=$(TZ=UTC date -d "@${build_epoch:-0}" +%m/%Y)
# A zip keeps times to two seconds, odd ones rounded up, in the packer's
# zone (UTC).
zip_time=$(TZ=UTC date -d "@$(( (${build_epoch:-0} + 1) / 2 * 2 ))" +%Y%m%d.%H%M%S)
entry_times=$(unzip -Z -T "$zip_path" | awk 'NF == 8 && $1 ~ /^-/ { print $7 }' | sort -u | tr '\n' ' ')
if [[ -n $build_epoch && $entry_times == "$zip_time " ]]; then
  pass "every file of the package is dated with the build time $(TZ=UTC date -d "@$build_epoch" '+%F %T') UTC"
else
  fail "every file of the package is dated with the build time" "found: $entry_times" "expected: $zip_time (epoch '${build_epoch}')"
fi
for dll in "$win32_dir/Mirtane.8bf" "$win64_dir/Mirtane.8bf"; do
  expect "$(basename "$(dirname "$dll")")/Mirtane.8bf's about box shows Version 1.1.4  ($build_month)" \
    grep -qaF "Version 1.1.4  ($build_month)" "$dll"
done

unpacked=$scratch/unpacked
rm -rf "$unpacked"
mkdir -p "$unpacked"
unzip -q "$zip_path" -d "$unpacked"

expect "x86/Mirtane.8bf is the 32-bit build" cmp -s "$unpacked/x86/Mirtane.8bf" "$win32_dir/Mirtane.8bf"
expect "x64/Mirtane.8bf is the 64-bit build" cmp -s "$unpacked/x64/Mirtane.8bf" "$win64_dir/Mirtane.8bf"

# pe_machine FILE: the COFF machine field (014c i386, 8664 x86-64) or nothing.
pe_machine() {
  local file=$1 offset
  [[ $(head -c 2 "$file") == "MZ" ]] || return 0
  offset=$(od -An -tu4 -j60 -N4 "$file" | tr -d ' ')
  [[ $(od -An -c -j"$offset" -N4 "$file" | tr -d ' ') == 'PE\0\0' ]] || return 0
  od -An -tx2 -j$((offset + 4)) -N2 "$file" | tr -d ' '
}
expect "x86/Mirtane.8bf is an i386 PE file" test "$(pe_machine "$unpacked/x86/Mirtane.8bf")" = "014c"
expect "x64/Mirtane.8bf is an x86-64 PE file" test "$(pe_machine "$unpacked/x64/Mirtane.8bf")" = "8664"
expect "help page in the package is the source page with the build month $build_month" \
  cmp -s "$unpacked/MirtaneHelp.htm" <(sed "s|@BUILD_MONTH@|$build_month|g" "$source_dir/release/MirtaneHelp.htm")
expect "LICENSE.txt is the repository's MIT licence" \
  cmp -s <(tr -d '\r' < "$unpacked/LICENSE.txt") "$source_dir/LICENSE"
expect "README.txt names the version, the build month and Setup.exe" \
  eval 'grep -qF "MIRTANE 1.1.4 for Windows (built $build_month)" "$unpacked/README.txt" && grep -qF Setup.exe "$unpacked/README.txt"'
expect "Setup.exe is a 32-bit (i386) Windows program" test "$(pe_machine "$unpacked/Setup.exe")" = "014c"
expect "Setup.exe's version information names the version" \
  eval 'LC_ALL=C grep -qaP "1\\x00\\.\\x001\\x00\\.\\x004\\x00" "$unpacked/Setup.exe"'
expect "the 64-bit build of the setup program for these tests is an x86-64 program" \
  test "$(pe_machine "$setup64" 2>/dev/null)" = "8664"

for file in install.cmd uninstall.cmd INSTALL.txt README.txt LICENSE.txt THIRD-PARTY-NOTICES.txt; do
  lines=$(wc -l < "$unpacked/$file")
  crlf=$(grep -c $'\r$' "$unpacked/$file")
  bare_cr=$(tr -d '\n' < "$unpacked/$file" | sed 's/\r$//' | tr -cd '\r' | wc -c)
  if [[ $lines -gt 0 && $crlf -eq $lines && $bare_cr -eq $((lines - 1)) ]]; then
    pass "$file has Windows line ends ($lines lines)"
  else
    fail "$file has Windows line ends" "$crlf of $lines lines end in CR LF"
  fi
done

second_zip_dir=$scratch/package-again
rm -rf "$second_zip_dir"
if "$source_dir/release/make-package.sh" "$win32_dir" "$win64_dir" "$second_zip_dir" >/dev/null 2>&1 &&
  cmp -s "$zip_path" "$second_zip_dir/Mirtane-1.1.4-windows.zip"; then
  pass "package is reproducible byte for byte"
else
  fail "package is reproducible byte for byte"
fi

if "$source_dir/release/make-package.sh" "$win64_dir" "$win32_dir" "$scratch/package-swapped" >/dev/null 2>&1; then
  fail "packaging refuses swapped build dirs"
else
  pass "packaging refuses swapped build dirs"
fi

# ---------------------------------------------------------------------------
# 2. The help page

page_test=$scratch/HelpPageTest
if g++ -std=c++17 -O1 -DMIRTANE_TEST_DATA="\"$source_dir/tests/data\"" -I"$source_dir" \
    "$source_dir"/tests/release/{HelpPageTest,HtmlReader,EmbeddedPicture}.cpp -lgtest -lgtest_main -pthread \
    -o "$page_test" 2>"$scratch/HelpPageTest.err"; then
  page_output=$(MIRTANE_HELP_PAGE="$unpacked/MirtaneHelp.htm" MIRTANE_SOURCE_DIR="$source_dir" \
    MIRTANE_BUILD_MONTH="$build_month" "$page_test" 2>&1)
  page_status=$?
  page_summary=$(grep -E '^\[  (PASSED|FAILED|SKIPPED)  ?\] [0-9]+ tests?' <<<"$page_output" |
    sed -E 's/^\[  ([A-Z]+) *\] ([0-9]+) tests?.*/\2 \1/' | tr 'A-Z\n' 'a-z ')
  if [[ $page_status -eq 0 ]]; then
    pass "help page checks: $page_summary"
    while read -r line; do skip "help page: ${line#\[  SKIPPED \] }"; done \
      < <(grep -E '^\[  SKIPPED \] HelpPage\.[A-Za-z]+$' <<<"$page_output")
  else
    fail "help page checks: $page_summary" "$(grep -E 'Failure|FAILED|not |link|entity' <<<"$page_output" | head -20)"
  fi
else
  fail "help page checks compile" "$(head -20 "$scratch/HelpPageTest.err")"
fi

# ---------------------------------------------------------------------------
# 3. Installing and removing under Wine

export WINEPREFIX=$scratch/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"

probe=$scratch/HelpLookupProbe.exe
if ! x86_64-w64-mingw32-gcc -O2 -o "$probe" "$source_dir/tests/release/HelpLookupProbe.c" 2>"$scratch/probe.err"; then
  fail "help lookup probe compiles" "$(cat "$scratch/probe.err")"
fi

# Windows path of a Linux path through Wine's Z: drive.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

log=$scratch/wine-logs
rm -rf "$log"
mkdir -p "$log"
run_number=0
last_output=""
last_status=0
# run_cmd SETUP SCRIPT ARGS...: runs SCRIPT of the package in PACKAGE_DIR
# (default: the unpacked package) from a batch file, after the cmd commands in
# SETUP (lines; may be empty), with standard input from RUN_INPUT (default
# nothing). A batch file spares the quoting of quotes that
# a cmd /c command line would need. Keeps output and exit status.
run_cmd() {
  local setup=$1 script=$2
  shift 2
  run_number=$((run_number + 1))
  local wrapper=$log/run-$run_number.cmd argument line
  # The script is chained, not called: Wine's cmd.exe loses the exit code
  # of a batch file run with call.
  line="$script"
  for argument in "$@"; do line+=" \"$argument\""; done
  {
    printf '@echo off\r\n'
    printf 'cd /d "%s"\r\n' "$(windows_path "${PACKAGE_DIR:-$unpacked}")"
    [[ -n $setup ]] && printf '%s\n' "$setup" | sed 's/$/\r/'
    printf '%s\r\n' "$line"
  } > "$wrapper"
  "$WINE" cmd /c "$(windows_path "$wrapper")" >"$log/run-$run_number.out" 2>&1 <"${RUN_INPUT:-/dev/null}"
  last_status=$?
  last_output=$(tr -d '\r' < "$log/run-$run_number.out")
}
output_has() { grep -qF -- "$1" <<<"$last_output"; }
status_is() { [[ $last_status -eq $1 ]]; }

readonly key='HKLM\SOFTWARE\NORLUND\PELT Plug-Ins\MIRTANE\10'
readonly help_folder='C:\Program Files\Norlund\Mirtane\'
c_drive() { echo "$WINEPREFIX/drive_c"; }
product_dir() { echo "$(c_drive)/Program Files/Norlund/Mirtane"; }

# registry_value VIEW KEY NAME: prints "TYPE DATA" of a value, nothing if absent.
registry_value() {
  "$WINE" reg query "$2" /v "$3" "/reg:$1" 2>/dev/null | tr -d '\r' |
    sed -n "s/^    $3    \\(REG_[A-Z_]*\\)    \\(.*\\)\$/\\1 \\2/p"
}
key_exists() { "$WINE" reg query "$2" "/reg:$1" >/dev/null 2>&1; }

# One virtual display for every Wine program of the run: Wine's desktop
# process keeps the display it first met, so a display per program (as
# xvfb-run gives) leaves later windows without one.
xvfb_pid=""
wineserver=$(command -v wineserver || true)
finish() {
  [[ -n $wineserver ]] && WINEPREFIX=$WINEPREFIX "$wineserver" -k >/dev/null 2>&1
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
}
trap finish EXIT
if command -v Xvfb >/dev/null; then
  for display in $(seq 91 150); do
    [[ -e /tmp/.X$display-lock || -e /tmp/.X11-unix/X$display ]] && continue
    Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    # Ready once its socket exists; a server that lost the race for the
    # display number has exited by then.
    wait_until 10 eval "[[ -e /tmp/.X11-unix/X$display ]] || ! kill -0 $xvfb_pid 2>/dev/null" || true
    if [[ -e /tmp/.X11-unix/X$display ]] && kill -0 "$xvfb_pid" 2>/dev/null; then
      export DISPLAY=":$display"
      break
    fi
    xvfb_pid=""
  done
fi

# Creating the prefix is slow once; do it before the checks begin.
"$WINE" cmd /c exit >/dev/null 2>&1 </dev/null

plugins64="$scratch/hosts/Photo Editor/Plug-ins"
plugins32="$scratch/hosts/Old Editor (x86) & Co/Plug-ins"
rm -rf "$scratch/hosts"
mkdir -p "$plugins64" "$plugins32"
echo "another filter" > "$plugins64/Other.8bf"

# --- refusals that change nothing
run_cmd "" install.cmd /?
expect "install.cmd /? prints the usage" eval 'status_is 0 && output_has "install.cmd [x86 | x64]"'

run_cmd "" install.cmd
expect "install.cmd without arguments finds no host's plug-ins folder and fails with 2" \
  eval 'status_is 2 && output_has "none found" && output_has "install.cmd /user"'

run_cmd "" install.cmd x64
expect "install.cmd x64 without a folder names the missing default folder and fails with 2" \
  eval 'status_is 2 && output_has "the plug-ins folder \"C:\\Program Files\\Common Files\\Adobe\\Plug-Ins\\CC\" does not exist"'

run_cmd "" install.cmd x64 'C:\No Such Folder'
expect "install.cmd with a missing folder says so and fails with 2" \
  eval 'status_is 2 && output_has "\"C:\\No Such Folder\" does not exist" && output_has "Nothing was installed"'

run_cmd "" install.cmd x86
expect "install.cmd x86 defaults to the 32-bit Common Files folder" \
  eval 'status_is 2 && output_has "C:\\Program Files (x86)\\Common Files\\Adobe\\Plug-Ins\\CC"'

run_cmd "" install.cmd "$(windows_path "$plugins64")" "$(windows_path "$plugins32")"
expect "install.cmd with two folders fails with 1" status_is 1

run_cmd $'set PROCESSOR_ARCHITECTURE=x86\nset PROCESSOR_ARCHITEW6432=' install.cmd x64 "$(windows_path "$plugins64")"
expect "install.cmd x64 on 32-bit Windows is refused with 4" eval 'status_is 4 && output_has "install.cmd x86"'

run_cmd $'set PROCESSOR_ARCHITECTURE=IA64\nset PROCESSOR_ARCHITEW6432=' install.cmd "$(windows_path "$plugins64")"
expect "install.cmd on an unknown processor is refused with 4" status_is 4

incomplete=$scratch/incomplete
rm -rf "$incomplete"
cp -r "$unpacked" "$incomplete"
rm "$incomplete/x64/Mirtane.8bf"
PACKAGE_DIR=$incomplete run_cmd "" install.cmd x64 "$(windows_path "$plugins64")"
expect "install.cmd from an incomplete package fails with 3" eval 'status_is 3 && output_has "the package is incomplete"'

nothing_changed() {
  [[ ! -e "$(c_drive)/Program Files/Norlund" ]] && ! key_exists 64 'HKLM\SOFTWARE\NORLUND' &&
    ! key_exists 32 'HKLM\SOFTWARE\NORLUND' && [[ ! -e $plugins64/Mirtane.8bf && ! -e $plugins32/Mirtane.8bf ]]
}
expect "the refused runs changed nothing" nothing_changed
nothing_changed_but_folder() {
  [[ ! -e "$(c_drive)/Program Files/Norlund" ]] && ! key_exists 64 'HKLM\SOFTWARE\NORLUND\PELT Plug-Ins\MIRTANE'
}

run_cmd "" uninstall.cmd
expect "uninstall.cmd with nothing installed says so and succeeds" \
  eval 'status_is 0 && output_has "MIRTANE is not installed"'

# --- the Help button before installing: the lookup must fail visibly
host=$win64_dir/mirtane-host.exe
help_errors='Help location could not be determined|Help could not be opened'
presser=$scratch/HelpButtonPresser.exe
sample=$scratch/gradient480.ppm
python3 - "$sample" <<'PYTHON'
import sys
width = height = 480
rows = bytes(v for y in range(height) for x in range(width)
             for v in (100 + x * 80 // width, 90 + y * 70 // height, 70))
open(sys.argv[1], "wb").write(b"P6\n480 480\n255\n" + rows)
PYTHON
# The page is "opened" by a stand-in browser that notes what it was given.
opened_file=$scratch/opened.txt
"$WINE" reg add 'HKCR\.htm' /ve /d htmlfile /f >/dev/null 2>&1
"$WINE" reg add 'HKCR\htmlfile\shell\open\command' /ve \
  /d "C:\windows\system32\cmd.exe /c echo opened [%1]> \"$(windows_path "$opened_file")\"" /f >/dev/null 2>&1
# press_help PLUGIN TAG [SECONDS]: runs the plug-in's dialog in
# mirtane-host.exe and presses Help from HelpButtonPresser.exe; sets
# presser_output, help_host_output and opened. The stand-in browser runs
# detached: its note is waited for up to SECONDS (default 2, for a run where
# nothing should open).
press_help() {
  rm -f "$opened_file"
  timeout 180 bash -c '
    "$1" "$2" "$3" "$4" "$5" --dialog show >"$6/help-host-$8.out" 2>&1 </dev/null &
    "$1" "$7" 60 >"$6/help-presser-$8.out" 2>&1 </dev/null
    wait' _ "$WINE" "$host" "$1" "$(windows_path "$sample")" "$(windows_path "$scratch/help-$2.ppm")" \
    "$log" "$presser" "$2"
  wait_until "${3:-2}" test -s "$opened_file" || true
  presser_output=$(tr -d '\r' < "$log/help-presser-$2.out")
  help_host_output=$(tr -d '\r' < "$log/help-host-$2.out")
  opened=$(tr -d '\r' < "$opened_file" 2>/dev/null | sed 's/ *$//')
}
have_host_checks=""
if [[ -f $host && -n $xvfb_pid ]] && command -v python3 >/dev/null &&
  x86_64-w64-mingw32-gcc -O2 -o "$presser" "$source_dir/tests/release/HelpButtonPresser.c" 2>"$scratch/presser.err"; then
  have_host_checks=1
  press_help "$(windows_path "$unpacked")\\x64\\Mirtane.8bf" before-install
  if grep -qx 'pressed Help' <<<"$presser_output" &&
    grep -qF 'Help location could not be determined' <<<"$help_host_output" && [[ -z $opened ]]; then
    pass "before installing, Help says \"Help location could not be determined\""
  else
    fail "before installing, Help says \"Help location could not be determined\"" "presser: $presser_output" \
      "host: $(tail -6 <<<"$help_host_output")" "opened: ${opened:-nothing}"
  fi
else
  skip "Help button checks" "no $host, Xvfb or python3, or HelpButtonPresser.c did not compile"
fi

# --- another vendor product shares the vendor key in the 32-bit view
"$WINE" reg add 'HKLM\SOFTWARE\NORLUND\PELT Plug-Ins\OTHER\1' /v Path /t REG_SZ /d 'C:\Other\' /f /reg:32 >/dev/null 2>&1

# --- the 64-bit plug-in
run_cmd "" install.cmd x64 "$(windows_path "$plugins64")"
install_log=$last_output
expect "install.cmd x64 succeeds" status_is 0
expect "install.cmd reports the plug-in, the help page and the registry value" \
  eval 'output_has "plug-in" && output_has "help page" && output_has "HelpFile = \"C:\\Program Files\\Norlund\\Mirtane\\\""'
expect "x64 plug-in installed byte for byte" cmp -s "$plugins64/Mirtane.8bf" "$win64_dir/Mirtane.8bf"
expect "help page installed in the product folder" cmp -s "$(product_dir)/MirtaneHelp.htm" "$unpacked/MirtaneHelp.htm"
value=$(registry_value 64 "$key" HelpFile)
if [[ $value == "REG_SZ $help_folder" ]]; then
  pass "HelpFile is REG_SZ \"$help_folder\" in the 64-bit view"
else
  fail "HelpFile is REG_SZ \"$help_folder\" in the 64-bit view" "found: '$value'"
fi
expect "no HelpFile in the 32-bit view after the x64 install" test -z "$(registry_value 32 "$key" HelpFile)"

"$WINE" "$probe" >"$log/probe.out" 2>&1 </dev/null
probe_status=$?
probe_output=$(tr -d '\r' < "$log/probe.out")
if [[ $probe_status -eq 0 ]] && grep -qxF 'address file://C:\Program Files\Norlund\Mirtane\MirtaneHelp.htm' <<<"$probe_output"; then
  pass "help lookup in the 64-bit view resolves to the installed page"
else
  fail "help lookup in the 64-bit view resolves to the installed page" "status $probe_status" "$probe_output"
fi

installed64=$(windows_path "$plugins64")\\Mirtane.8bf
if [[ -n $have_host_checks ]]; then
  pipl=$("$WINE" "$host" --pipl "$installed64" 2>&1 | tr -d '\r')
  if grep -qF 'Norlund' <<<"$pipl" && grep -qF 'MIRTANE v1.1.4' <<<"$pipl"; then
    pass "mirtane-host.exe reads the installed plug-in's menu entry Norlund > MIRTANE v1.1.4"
  else
    fail "mirtane-host.exe reads the installed plug-in's menu entry" "$pipl"
  fi
  # A whole filter run of the installed plug-in, dialog confirmed.
  run_output=$(timeout 180 "$WINE" "$host" "$installed64" \
    "$(windows_path "$sample")" "$(windows_path "$scratch/restored.ppm")" --dialog ok 2>&1 </dev/null | tr -d '\r')
  if grep -qx 'result: 0' <<<"$run_output" && grep -qx 'leaks: none' <<<"$run_output" &&
    [[ -s $scratch/restored.ppm ]] && ! cmp -s "$sample" "$scratch/restored.ppm"; then
    pass "mirtane-host.exe runs the installed 64-bit plug-in and the picture changes"
  else
    fail "mirtane-host.exe runs the installed 64-bit plug-in and the picture changes" "$(tail -8 <<<"$run_output")"
  fi
  # The Help button, pressed in the installed plug-in's dialog.
  press_help "$installed64" installed 30
  if grep -qx 'pressed Help' <<<"$presser_output" && ! grep -qE "$help_errors" <<<"$help_host_output" &&
    [[ $opened == "opened [C:\Program Files\Norlund\Mirtane\MirtaneHelp.htm]" ]]; then
    pass "the installed plug-in's Help button opens the installed page"
  else
    fail "the installed plug-in's Help button opens the installed page" "presser: $presser_output" \
      "host: $(tail -6 <<<"$help_host_output")" "opened: ${opened:-nothing}"
  fi
else
  skip "mirtane-host.exe checks" "no $host, Xvfb or python3"
fi

# --- idempotent: the same install again
record_before=$(cat "$(product_dir)/InstallRecord.txt" 2>/dev/null)
run_cmd "" install.cmd x64 "$(windows_path "$plugins64")"
expect "install.cmd x64 again succeeds and reports replacing" eval 'status_is 0 && output_has "replaced"'
expect "install record unchanged by the repeated install" test "$(cat "$(product_dir)/InstallRecord.txt")" = "$record_before"
expect "HelpFile unchanged by the repeated install" test "$(registry_value 64 "$key" HelpFile)" = "REG_SZ $help_folder"

# --- the 32-bit plug-in beside it, in a folder whose name needs quoting
run_cmd "" install.cmd x86 "$(windows_path "$plugins32")\\"
expect "install.cmd x86 into a folder with spaces, parentheses and & succeeds" status_is 0
expect "x86 plug-in installed byte for byte" cmp -s "$plugins32/Mirtane.8bf" "$win32_dir/Mirtane.8bf"
value=$(registry_value 32 "$key" HelpFile)
if [[ $value == "REG_SZ $help_folder" ]]; then
  pass "HelpFile is REG_SZ \"$help_folder\" in the 32-bit view"
else
  fail "HelpFile is REG_SZ \"$help_folder\" in the 32-bit view" "found: '$value'"
fi
"$WINE" "$probe" 32 >/dev/null 2>&1
expect "help lookup in the 32-bit view resolves to the installed page" test $? -eq 0

# --- a 32-bit cmd.exe on 64-bit Windows still picks the 64-bit plug-in
run_cmd $'set PROCESSOR_ARCHITECTURE=x86\nset PROCESSOR_ARCHITEW6432=AMD64' install.cmd "$(windows_path "$plugins64")"
expect "a 32-bit cmd.exe on 64-bit Windows installs the 64-bit plug-in" \
  eval 'status_is 0 && output_has "64-bit plug-in" && cmp -s "$plugins64/Mirtane.8bf" "$win64_dir/Mirtane.8bf"'

# --- removing everything install added, and nothing else
run_cmd "" uninstall.cmd
uninstall_log=$last_output
expect "uninstall.cmd succeeds" status_is 0
expect "both plug-ins removed" eval '[[ ! -e $plugins64/Mirtane.8bf && ! -e $plugins32/Mirtane.8bf ]]'
expect "the user's plug-ins folders and their other files stay" eval '[[ -d $plugins32 && -f $plugins64/Other.8bf ]]'
expect "product folder and vendor folder removed" test ! -e "$(c_drive)/Program Files/Norlund"
expect "registry key MIRTANE removed from the 64-bit view" eval '! key_exists 64 "HKLM\\SOFTWARE\\NORLUND"'
expect "registry key MIRTANE removed from the 32-bit view" eval '! key_exists 32 "HKLM\\SOFTWARE\\NORLUND\\PELT Plug-Ins\\MIRTANE"'
expect "the other product's key and value stay in the 32-bit view" \
  test "$(registry_value 32 'HKLM\SOFTWARE\NORLUND\PELT Plug-Ins\OTHER\1' Path)" = 'REG_SZ C:\Other\'
"$WINE" "$probe" >/dev/null 2>&1
expect "help lookup fails again after uninstall" test $? -eq 1

run_cmd "" uninstall.cmd
expect "uninstall.cmd again finds nothing to remove" eval 'status_is 0 && output_has "MIRTANE is not installed"'

# --- a help page the user added to the product folder keeps the folder
run_cmd "" install.cmd "$(windows_path "$plugins64")"
echo "notes" > "$(product_dir)/my notes.txt"
run_cmd "" uninstall.cmd
expect "uninstall.cmd keeps a product folder holding the user's own file" \
  eval 'status_is 0 && [[ -f "$(product_dir)/my notes.txt" && ! -e "$(product_dir)/MirtaneHelp.htm" ]] && output_has "kept in use"'
rm -rf "$(c_drive)/Program Files/Norlund"

# --- a folder where the plug-in file should go is neither used nor touched
mkdir -p "$plugins64/Mirtane.8bf"
echo "keep me" > "$plugins64/Mirtane.8bf/keep.txt"
run_cmd "" install.cmd x64 "$(windows_path "$plugins64")"
expect "install.cmd refuses a folder named Mirtane.8bf in the plug-ins folder with 5" \
  eval 'status_is 5 && output_has "is a folder" && [[ -f "$plugins64/Mirtane.8bf/keep.txt" ]]'
expect "the refused install changed nothing" nothing_changed_but_folder
rm -rf "$plugins64/Mirtane.8bf"

# --- 32-bit Windows: one registry view
run_cmd $'set PROCESSOR_ARCHITECTURE=x86\nset PROCESSOR_ARCHITEW6432=' install.cmd "$(windows_path "$plugins32")"
expect "install.cmd on 32-bit Windows installs the 32-bit plug-in" \
  eval 'status_is 0 && cmp -s "$plugins32/Mirtane.8bf" "$win32_dir/Mirtane.8bf"'
expect "install.cmd on 32-bit Windows writes HelpFile without choosing a view" \
  grep -qx 'value only' <(tr -d '\r' < "$(product_dir)/InstallRecord.txt")
run_cmd "" uninstall.cmd
expect "uninstall.cmd after a 32-bit Windows install leaves nothing" \
  eval 'status_is 0 && [[ ! -e "$(c_drive)/Program Files/Norlund" && ! -e $plugins32/Mirtane.8bf ]] && ! key_exists 64 "HKLM\\SOFTWARE\\NORLUND"'

# --- no argument: the hosts' plug-ins folders are found and both bitnesses
# installed in one run; folders of hosts that are absent stay absent
host_folder_x64_shared="$(c_drive)/Program Files/Common Files/Adobe/Plug-Ins/CC"
host_folder_x64_editor="$(c_drive)/Program Files/Adobe/Adobe Photoshop 2024/Plug-ins"
host_folder_x86_viewer="$(c_drive)/Program Files (x86)/IrfanView/Plugins/Adobe 8BF"
host_folder_x86_editor="$(c_drive)/Program Files (x86)/Adobe/Photoshop Elements 11/Plug-Ins"
mkdir -p "$host_folder_x64_shared" "$host_folder_x64_editor" "$host_folder_x86_viewer" "$host_folder_x86_editor"
run_cmd "" install.cmd
auto_log=$last_output
expect "install.cmd without arguments succeeds" status_is 0
expect "install.cmd lists the four host folders it found, with their bitness" \
  eval 'output_has "found 64-bit        \"C:\\Program Files\\Common Files\\Adobe\\Plug-Ins\\CC\"" &&
    output_has "found 64-bit        \"C:\\Program Files\\Adobe\\Adobe Photoshop 2024\\Plug-ins\"" &&
    output_has "found 32-bit        \"C:\\Program Files (x86)\\IrfanView\\Plugins\\Adobe 8BF\"" &&
    output_has "found 32-bit        \"C:\\Program Files (x86)\\Adobe\\Photoshop Elements 11\\Plug-Ins\""'
expect "64-bit hosts' folders receive the x64 plug-in byte for byte" \
  eval 'cmp -s "$host_folder_x64_shared/Mirtane.8bf" "$win64_dir/Mirtane.8bf" && cmp -s "$host_folder_x64_editor/Mirtane.8bf" "$win64_dir/Mirtane.8bf"'
expect "32-bit hosts' folders receive the x86 plug-in byte for byte" \
  eval 'cmp -s "$host_folder_x86_viewer/Mirtane.8bf" "$win32_dir/Mirtane.8bf" && cmp -s "$host_folder_x86_editor/Mirtane.8bf" "$win32_dir/Mirtane.8bf"'
expect "HelpFile is written in both registry views" \
  eval 'test "$(registry_value 64 "$key" HelpFile)" = "REG_SZ $help_folder" && test "$(registry_value 32 "$key" HelpFile)" = "REG_SZ $help_folder"'
expect "the folders of absent hosts are not created" test ! -e "$(c_drive)/Program Files/IrfanView"
run_cmd "" uninstall.cmd
expect "uninstall.cmd removes the four plug-ins and keeps the hosts' folders" \
  eval 'status_is 0 && [[ -d $host_folder_x64_shared && -d $host_folder_x86_editor ]] &&
    [[ -z $(find "$(c_drive)/Program Files"* -name Mirtane.8bf) ]] && ! key_exists 64 "HKLM\\SOFTWARE\\NORLUND" &&
    ! key_exists 32 "HKLM\\SOFTWARE\\NORLUND\\PELT Plug-Ins\\MIRTANE" &&
    [[ ! -e "$(c_drive)/Program Files/Norlund" ]]'

# nothing_installed: no trace of MIRTANE for all users (another product's
# key under NORLUND stays in the 32-bit view from here on).
nothing_installed() {
  [[ ! -e "$(c_drive)/Program Files/Norlund" ]] && ! key_exists 64 'HKLM\SOFTWARE\NORLUND\PELT Plug-Ins\MIRTANE' &&
    ! key_exists 32 'HKLM\SOFTWARE\NORLUND\PELT Plug-Ins\MIRTANE' && [[ ! -e $plugins64/Mirtane.8bf && ! -e $plugins32/Mirtane.8bf ]]
}

# --- a window without administrator rights: the scripts start themselves again
# through PowerShell, here a stand-in that notes its command line. Wine's user
# may write everywhere; a file where the scripts' rights check would make its
# folder stands for the missing rights.
standin_dir=$scratch/standin
mkdir -p "$standin_dir"
standin_log=$scratch/standin.log
blocker="$(c_drive)/Program Files/Mirtane-rights-check.tmp"
block_rights() { echo "stands for missing rights" > "$blocker"; }
if ! x86_64-w64-mingw32-gcc -O2 -o "$standin_dir/powershell.exe" "$source_dir/tests/release/PowerShellStandIn.c" \
    2>"$scratch/standin.err"; then
  fail "PowerShell stand-in compiles" "$(cat "$scratch/standin.err")"
fi
unelevated=$'set "PATH='"$(windows_path "$standin_dir")"$';%PATH%"\nset "STANDIN_LOG='"$(windows_path "$standin_log")"$'"\nset "STANDIN_UNBLOCK=C:\\Program Files\\Mirtane-rights-check.tmp"'

block_rights
rm -f "$standin_log"
run_cmd "$unelevated" install.cmd x64 "$(windows_path "$plugins64")"
expect "without rights, install.cmd asks PowerShell to start it again as administrator" \
  eval 'grep -qF -- "-Verb RunAs" "$standin_log" && grep -qF "self [$(windows_path "$unpacked")\\install.cmd] args [x64 \"$(windows_path "$plugins64")\"]" <(tr -d "\r" < "$standin_log")'
expect "refused rights: install.cmd says so, fails with 6 and changes nothing" \
  eval 'status_is 6 && output_has "Administrator rights were not given" && output_has "install.cmd /user" && nothing_installed'

block_rights
run_cmd $'set STANDIN_ACCEPT=1\n'"$unelevated" install.cmd x64 "$(windows_path "$plugins64")"
expect "granted rights: the elevated run installs and the first window reports it" \
  eval 'status_is 0 && output_has "ran in the administrator window and succeeded" && output_has "HelpFile = " &&
    cmp -s "$plugins64/Mirtane.8bf" "$win64_dir/Mirtane.8bf" && test "$(registry_value 64 "$key" HelpFile)" = "REG_SZ $help_folder"'
expect "the elevated window waits for a key before it closes" output_has "Press any key"

rm -f "$standin_log"
block_rights
run_cmd "$unelevated" uninstall.cmd
expect "without rights, uninstall.cmd asks for them and, refused, removes nothing" \
  eval 'status_is 6 && grep -qF -- "-Verb RunAs" "$standin_log" && [[ -f $plugins64/Mirtane.8bf ]]'
run_cmd $'set STANDIN_ACCEPT=1\n'"$unelevated" uninstall.cmd
expect "granted rights: the elevated uninstall.cmd removes everything" \
  eval 'status_is 0 && output_has "removal ran in the administrator window" && [[ ! -e $plugins64/Mirtane.8bf ]] && nothing_installed'

block_rights
run_cmd $'set STANDIN_ACCEPT=1\n'"$unelevated" install.cmd /elevated x64 "$(windows_path "$plugins64")"
expect "an elevated window that still cannot write stops with 6 instead of asking again" \
  eval 'status_is 6 && output_has "even as administrator" && nothing_installed'

block_rights
# --- the installation for one user, named on the command line (no & in the
# name: the stand-in browser is a cmd.exe line)
user_dir="$scratch/users/ann/My Plug-ins (own)"
rm -rf "$scratch/users"
mkdir -p "$scratch/users/ann"
run_cmd "$unelevated" install.cmd /user "$(windows_path "$user_dir")"
expect "install.cmd /user succeeds without administrator rights" status_is 0
expect "both plug-ins are installed for the user in one run" \
  eval 'cmp -s "$user_dir/x64/Mirtane.8bf" "$win64_dir/Mirtane.8bf" && cmp -s "$user_dir/x86/Mirtane.8bf" "$win32_dir/Mirtane.8bf"'
expect "the help page lies beside each of the user's plug-ins" \
  eval 'cmp -s "$user_dir/x64/MirtaneHelp.htm" "$unpacked/MirtaneHelp.htm" && cmp -s "$user_dir/x86/MirtaneHelp.htm" "$unpacked/MirtaneHelp.htm"'
expect "the user's installation writes no registry value and nothing into Program Files" nothing_installed
expect "install.cmd /user says how to remove it" output_has "uninstall.cmd /user"
if [[ -n $have_host_checks ]]; then
  press_help "$(windows_path "$user_dir")\\x64\\Mirtane.8bf" per-user
  if grep -qx 'pressed Help' <<<"$presser_output" && ! grep -qE "$help_errors" <<<"$help_host_output" &&
    [[ $opened == "opened [$(windows_path "$user_dir")\\x64\\MirtaneHelp.htm]" ]]; then
    pass "with no registry value, Help opens the page beside the user's plug-in"
  else
    fail "with no registry value, Help opens the page beside the user's plug-in" "presser: $presser_output" \
      "host: $(tail -6 <<<"$help_host_output")" "opened: ${opened:-nothing}"
  fi
fi
run_cmd "$unelevated" uninstall.cmd /user "$(windows_path "$user_dir")"
expect "uninstall.cmd /user removes the user's installation and the folders it made" \
  eval 'status_is 0 && [[ ! -e $user_dir && -d $scratch/users/ann ]]'

# --- refused rights after a double-click: the user is asked for a folder
# (/pause takes the path a detected double-click takes)
printf '%s\r\n' "$(windows_path "$user_dir")" > "$scratch/answer.txt"
RUN_INPUT=$scratch/answer.txt run_cmd "$unelevated" install.cmd /pause
expect "refused rights after a double-click: install.cmd offers the user's installation and makes it" \
  eval 'status_is 0 && output_has "Which folder?" && cmp -s "$user_dir/x64/Mirtane.8bf" "$win64_dir/Mirtane.8bf" && nothing_installed'
printf -- '-\r\n' > "$scratch/answer.txt"
RUN_INPUT=$scratch/answer.txt run_cmd "$unelevated" uninstall.cmd /user "$(windows_path "$user_dir")"
RUN_INPUT=$scratch/answer.txt run_cmd "$unelevated" install.cmd /pause
expect "answering - stops with 6, says nothing was installed and waits for a key" \
  eval 'status_is 6 && output_has "Nothing was installed" && output_has "NOT installed completely" && output_has "Press any key" && [[ ! -e $user_dir ]]'
run_cmd "" install.cmd /pause x64 'C:\No Such Folder'
expect "a failure after a double-click is explained and waits for a key" \
  eval 'status_is 2 && output_has "does not exist" && output_has "NOT installed completely" && output_has "Press any key"'
rm -f "$blocker"

# --- empty and root folder names are refused; Enter at the folder prompt
# takes the offered folder (it used to install into \x64 and \x86 at the
# root of the current drive)
user_default_windows=$("$WINE" cmd /c 'echo %LOCALAPPDATA%\Mirtane' 2>/dev/null </dev/null | tr -d '\r')
user_default="$(c_drive)$(tr '\\' / <<<"${user_default_windows#C:}")"
on_c=$(c_drive)/package-copy
rm -rf "$on_c"
cp -r "$unpacked" "$on_c"
drive_root_untouched() { [[ ! -e "$(c_drive)/x64" && ! -e "$(c_drive)/x86" && ! -e "$(c_drive)/InstallRecord.txt" ]]; }
PACKAGE_DIR=$on_c run_cmd "" install.cmd /user ""
expect "install.cmd /user \"\" is refused with 1 and installs nothing" \
  eval 'status_is 1 && output_has "empty folder name" && drive_root_untouched && [[ ! -e $user_default ]]'
PACKAGE_DIR=$on_c run_cmd "" install.cmd /user 'C:\'
expect "install.cmd /user into a drive's root is refused with 1" \
  eval 'status_is 1 && output_has "is the root of a drive" && drive_root_untouched'
PACKAGE_DIR=$on_c run_cmd "" install.cmd x64 'C:\'
expect "install.cmd x64 into a drive's root is refused with 1" \
  eval 'status_is 1 && output_has "is the root of a drive" && [[ ! -e "$(c_drive)/Mirtane.8bf" ]] && nothing_installed'
printf '\r\n' > "$scratch/answer.txt"
RUN_INPUT=$scratch/answer.txt PACKAGE_DIR=$on_c run_cmd "" install.cmd /pause /user
enter_log=$last_output
expect "Enter at install.cmd's folder prompt installs into the offered %LOCALAPPDATA%\\Mirtane" \
  eval 'status_is 0 && ! output_has "Syntax error" && drive_root_untouched &&
    cmp -s "$user_default/x64/Mirtane.8bf" "$win64_dir/Mirtane.8bf" && output_has "uninstall.cmd /user \"$user_default_windows\""'
PACKAGE_DIR=$on_c run_cmd "" uninstall.cmd /user ""
expect "uninstall.cmd /user \"\" is refused with 1 and removes nothing" \
  eval 'status_is 1 && output_has "empty folder name" && [[ -f $user_default/x64/Mirtane.8bf ]]'
PACKAGE_DIR=$on_c run_cmd "" uninstall.cmd /user 'C:\'
expect "uninstall.cmd /user on a drive's root is refused with 1" eval 'status_is 1 && output_has "is the root of a drive"'
PACKAGE_DIR=$on_c run_cmd "" uninstall.cmd /user "$user_default_windows\\"
expect "uninstall.cmd /user removes the installation Enter chose" eval 'status_is 0 && [[ ! -e $user_default ]]'
rm -rf "$on_c" "$(c_drive)/x64" "$(c_drive)/x86" "$(c_drive)/InstallRecord.txt"

# ---------------------------------------------------------------------------
# 4. The setup program (its 64-bit build: this machine runs no 32-bit code)

# run_setup ARGS...: runs a program from a batch file, so that its command
# line reaches it as typed (a /D= folder unquoted, as the setup program wants
# it); keeps the exit status.
run_setup() {
  run_number=$((run_number + 1))
  local wrapper=$log/run-$run_number.cmd
  printf '@echo off\r\n%s\r\nexit /b %%ERRORLEVEL%%\r\n' "$*" > "$wrapper"
  timeout 300 "$WINE" cmd /c "$(windows_path "$wrapper")" >"$log/run-$run_number.out" 2>&1 </dev/null
  last_status=$?
}
setup_exe=$(windows_path "$setup64")
readonly uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Mirtane'
# entry_value ROOT NAME: "TYPE DATA" of a value of the Apps & features entry.
entry_value() { registry_value 64 "$1\\$uninstall_key" "$2"; }
entry_exists() { key_exists 64 "$1\\$uninstall_key"; }
# The uninstaller copies itself elsewhere and returns at once; its work is
# done when the entry is gone.
run_uninstaller() {
  local root=$1 command
  command=$(entry_value "$root" QuietUninstallString | sed 's/^REG_SZ //')
  [[ -n $command ]] || return 1
  run_setup "$command"
  wait_until 60 eval '! entry_exists "$root"'
}

if [[ ! -f $setup64 ]]; then
  fail "the 64-bit build of the setup program exists" "$setup64"
else
  # --- refusals (the hosts' folders of the earlier checks removed first)
  rm -rf "$(c_drive)/Program Files/Common Files/Adobe" "$(c_drive)/Program Files/Adobe" \
    "$(c_drive)/Program Files (x86)/IrfanView" "$(c_drive)/Program Files (x86)/Adobe"
  run_setup "$setup_exe" /S /CURRENTUSER /D=
  expect "Setup /S /D= (an empty folder) is refused with 1 and installs nothing" \
    eval 'status_is 1 && [[ ! -e $user_default ]] && ! entry_exists HKCU'
  run_setup "$setup_exe" /S /ALLUSERS /D=C:\\
  expect "Setup /S /D=C:\\ (a drive's root) is refused with 1 and installs nothing" \
    eval 'status_is 1 && drive_root_untouched && [[ ! -e "$(c_drive)/Uninstall.exe" ]] && ! entry_exists HKLM'
  run_setup "$setup_exe" /S
  expect "Setup /S with no host program's plug-ins folder stops with 2 and installs nothing" \
    eval 'status_is 2 && nothing_installed && ! entry_exists HKLM'

  # --- for the current user, silently
  run_setup "$setup_exe" /S /CURRENTUSER
  expect "Setup /S /CURRENTUSER succeeds" status_is 0
  expect "both plug-ins, each with the help page and the licence beside it, in %LOCALAPPDATA%\\Mirtane" \
    eval 'cmp -s "$user_default/x64/Mirtane.8bf" "$win64_dir/Mirtane.8bf" && cmp -s "$user_default/x86/Mirtane.8bf" "$win32_dir/Mirtane.8bf" &&
      cmp -s "$user_default/x64/MirtaneHelp.htm" "$unpacked/MirtaneHelp.htm" && cmp -s "$user_default/x86/MirtaneHelp.htm" "$unpacked/MirtaneHelp.htm" &&
      cmp -s "$user_default/x64/LICENSE.txt" "$unpacked/LICENSE.txt" && cmp -s "$user_default/x86/LICENSE.txt" "$unpacked/LICENSE.txt"'
  expect "the current user's installation writes nothing for all users" eval 'nothing_installed && ! entry_exists HKLM'
  entry=$("$WINE" reg query "HKCU\\$uninstall_key" 2>&1 | tr -d '\r')
  size_kb=$(find "$user_default" -type f ! -name UninstallRecord.txt -printf '%s\n' | awk '{ sum += $1 } END { print int((sum + 1023) / 1024) }')
  estimated=$(( $(entry_value HKCU EstimatedSize | sed 's/^REG_DWORD //') ))
  if [[ $(entry_value HKCU DisplayName) == "REG_SZ Mirtane 1.1.4 (filter plug-in)" &&
    $(entry_value HKCU DisplayVersion) == "REG_SZ 1.1.4" && $(entry_value HKCU Publisher) == "REG_SZ Norlund" &&
    $(entry_value HKCU HelpLink) == "REG_SZ $user_default_windows\x64\MirtaneHelp.htm" &&
    $(entry_value HKCU UninstallString) == "REG_SZ \"$user_default_windows\Uninstall.exe\"" &&
    $(entry_value HKCU InstallLocation) == "REG_SZ $user_default_windows" &&
    -f $user_default/Uninstall.exe && $estimated -ge $((size_kb - 2)) && $estimated -le $((size_kb + 2)) ]]; then
    pass "the Apps & features entry for the current user: name, version, publisher, size, help link, uninstaller"
  else
    fail "the Apps & features entry for the current user" "$entry" "installed: about $size_kb KB"
  fi

  # The update button of the installed plug-in opens the help page beside it
  # at its section on versions; web addresses go to a stand-in browser too.
  "$WINE" reg add 'HKCR\http\shell\open\command' /ve \
    /d "C:\windows\system32\cmd.exe /c echo opened [%1]> \"$(windows_path "$opened_file")\"" /f >/dev/null 2>&1
  if [[ -n $have_host_checks ]]; then
    rm -f "$opened_file"
    timeout 180 bash -c '
      "$1" "$2" "$3" "$4" "$5" --dialog show >"$6/update-host.out" 2>&1 </dev/null &
      "$1" "$7" 60 7 >"$6/update-presser.out" 2>&1 </dev/null
      wait' _ "$WINE" "$host" "$user_default_windows\x64\Mirtane.8bf" "$(windows_path "$sample")" \
      "$(windows_path "$scratch/update.ppm")" "$log" "$presser"
    wait_until 30 test -s "$opened_file" || true
    opened=$(tr -d '\r' < "$opened_file" 2>/dev/null | sed 's/ *$//')
    expected_update="opened [file:///$(tr '\\' / <<<"$user_default_windows" | sed 's/ /%20/g')/x64/MirtaneHelp.htm#versions]"
    if grep -qx 'pressed button 7' "$log/update-presser.out" 2>/dev/null || grep -q 'pressed button 7' "$log/update-presser.out"; then
      if [[ $opened == "$expected_update" ]]; then
        pass "Check for Update opens the installed help page's section on versions"
      else
        fail "Check for Update opens the installed help page's section on versions" "opened:   ${opened:-nothing}" \
          "expected: $expected_update" "host: $(tr -d '\r' < "$log/update-host.out" | tail -4)"
      fi
    else
      fail "Check for Update is pressed in the installed plug-in's dialog" "$(tr -d '\r' < "$log/update-presser.out")"
    fi
    expect "the section Check for Update opens is in the installed page" grep -qF '<h2 id="versions">' "$user_default/x64/MirtaneHelp.htm"
  fi

  run_uninstaller HKCU
  expect "the uninstaller removes the current user's installation, its folder and the entry" \
    eval '! entry_exists HKCU && [[ ! -e $user_default ]]'

  # --- for all users, silently, into the hosts' folders it finds
  mkdir -p "$host_folder_x64_shared" "$host_folder_x64_editor" "$host_folder_x86_viewer" "$host_folder_x86_editor"
  echo "another filter" > "$host_folder_x64_shared/Other.8bf"
  run_setup "$setup_exe" /S
  expect "Setup /S installs for all users" status_is 0
  expect "64-bit hosts' folders receive the x64 plug-in and 32-bit hosts' the x86 one" \
    eval 'cmp -s "$host_folder_x64_shared/Mirtane.8bf" "$win64_dir/Mirtane.8bf" && cmp -s "$host_folder_x64_editor/Mirtane.8bf" "$win64_dir/Mirtane.8bf" &&
      cmp -s "$host_folder_x86_viewer/Mirtane.8bf" "$win32_dir/Mirtane.8bf" && cmp -s "$host_folder_x86_editor/Mirtane.8bf" "$win32_dir/Mirtane.8bf"'
  help_and_licence_beside_each_plugin() {
    local folder
    for folder in "$host_folder_x64_shared" "$host_folder_x64_editor" "$host_folder_x86_viewer" "$host_folder_x86_editor"; do
      cmp -s "$folder/MirtaneHelp.htm" "$unpacked/MirtaneHelp.htm" && cmp -s "$folder/Mirtane-LICENSE.txt" "$unpacked/LICENSE.txt" ||
        return 1
    done
  }
  expect "the help page and the licence lie beside each plug-in, the licence under a name of its own" \
    help_and_licence_beside_each_plugin
  expect "the help page, the licence and the uninstaller are in Program Files\\Norlund\\Mirtane" \
    eval 'cmp -s "$(product_dir)/MirtaneHelp.htm" "$unpacked/MirtaneHelp.htm" && cmp -s "$(product_dir)/LICENSE.txt" "$unpacked/LICENSE.txt" && [[ -f "$(product_dir)/Uninstall.exe" ]]'
  expect "HelpFile names the product folder in both registry views" \
    eval 'test "$(registry_value 64 "$key" HelpFile)" = "REG_SZ $help_folder" && test "$(registry_value 32 "$key" HelpFile)" = "REG_SZ $help_folder"'
  "$WINE" "$probe" >/dev/null 2>&1 </dev/null
  expect "the 64-bit plug-in's help lookup finds the page the setup program installed" test $? -eq 0
  entry=$("$WINE" reg query "HKLM\\$uninstall_key" /reg:64 2>&1 | tr -d '\r')
  if [[ $(entry_value HKLM DisplayVersion) == "REG_SZ 1.1.4" && $(entry_value HKLM Publisher) == "REG_SZ Norlund" &&
    $(entry_value HKLM HelpLink) == "REG_SZ ${help_folder}MirtaneHelp.htm" &&
    $(entry_value HKLM QuietUninstallString) == "REG_SZ \"${help_folder}Uninstall.exe\" /S" &&
    $(( $(entry_value HKLM EstimatedSize | sed 's/^REG_DWORD //') )) -gt 1000 ]] && ! entry_exists HKCU; then
    pass "the Apps & features entry for all users: version, publisher, size, help link, silent uninstaller"
  else
    fail "the Apps & features entry for all users" "$entry"
  fi

  # Running it again replaces the installation (its uninstaller runs first).
  run_setup "$setup_exe" /S
  expect "Setup /S again succeeds and leaves one entry and one record" \
    eval 'status_is 0 && entry_exists HKLM && [[ $(find "$(c_drive)" -name UninstallRecord.txt | wc -l) -eq 1 ]]'

  run_uninstaller HKLM
  expect "the uninstaller removes the four plug-ins, the product folder, HelpFile and the entry" \
    eval '! entry_exists HKLM && [[ -z $(find "$(c_drive)/Program Files"* -name "Mirtane*") ]] && nothing_installed &&
      [[ ! -e "$(c_drive)/Program Files/Norlund" ]]'
  expect "the hosts' folders, their other plug-ins and the other product's registry key stay" \
    eval '[[ -d $host_folder_x64_editor && -d $host_folder_x86_viewer && -f $host_folder_x64_shared/Other.8bf ]] &&
      test "$(registry_value 32 "HKLM\\SOFTWARE\\NORLUND\\PELT Plug-Ins\\OTHER\\1" Path)" = "REG_SZ C:\\Other\\"'

  # --- for all users, silently, into a folder named with spaces
  run_setup "$setup_exe" /S /ALLUSERS "/D=C:\\Shared Plug-ins (all)"
  shared="$(c_drive)/Shared Plug-ins (all)"
  expect "Setup /S /ALLUSERS /D=folder installs both plug-ins there, registered for all users" \
    eval 'status_is 0 && cmp -s "$shared/x64/Mirtane.8bf" "$win64_dir/Mirtane.8bf" && cmp -s "$shared/x86/Mirtane.8bf" "$win32_dir/Mirtane.8bf" &&
      test "$(entry_value HKLM InstallLocation)" = "REG_SZ C:\\Shared Plug-ins (all)"'
  run_uninstaller HKLM
  expect "its uninstaller removes the folder and the entry" eval '! entry_exists HKLM && [[ ! -e $shared ]]'

  # --- the first page, pictured for the README
  if [[ -n $xvfb_pid ]] && command -v import >/dev/null && command -v xwininfo >/dev/null; then
    "$WINE" "$setup64" >/dev/null 2>&1 </dev/null &
    setup_pid=$!
    window_id() { xwininfo -root -tree 2>/dev/null | awk '/"Mirtane 1.1.4 Setup"/ { print $1; exit }'; }
    if wait_until 60 eval '[[ -n $(window_id) ]]'; then
      sleep 2
      import -window "$(window_id)" "$scratch/setup-first-page.png" 2>/dev/null
    fi
    kill "$setup_pid" 2>/dev/null
    wait "$setup_pid" 2>/dev/null
    expect "a picture of the setup program's first page is taken" test -s "$scratch/setup-first-page.png"
  else
    skip "picture of the setup program's first page" "no Xvfb, ImageMagick's import or xwininfo"
  fi
fi

echo
echo "install.cmd said:"
sed 's/^/  | /' <<<"$install_log"
echo "install.cmd without arguments said:"
sed 's/^/  | /' <<<"$auto_log"
echo "uninstall.cmd said:"
sed 's/^/  | /' <<<"$uninstall_log"
echo
echo "$passed passed, $failed failed, $skipped skipped"
[[ $failed -eq 0 ]]
