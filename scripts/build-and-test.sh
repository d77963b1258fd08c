#!/usr/bin/env bash
# Builds everything and runs every test; exits non-zero at the first failure.
#
#   1. native preset (AddressSanitizer + UBSan): build, run all native tests,
#      then the libFuzzer targets of fuzz/ for 60 s each; release preset: the
#      command, GEGL operation and GIMP plug-in, their byte-for-byte
#      comparison, and the command under an address-space limit
#   2. win32 and win64 presets: both Mirtane.8bf, mirtane-host.exe
#   3. structural checks of both DLLs (check_plugin_file, cross-checked with
#      objdump's import list)
#   4. the Wine tests of the 64-bit plug-in: every tests/windows/run-*-tests.sh
#   5. the release package: built with its setup program (NSIS), unpacked,
#      installed, used and uninstalled under Wine by install.cmd and by the
#      setup program, silently
#   6. the GIMP 3 plug-in, built and run headless in a Debian 13 chroot
#      (made once with debootstrap, about 2.3 GB)
#   7. the Debian packages: built, checked by lintian, installed with apt into
#      a clean chroot of this release (made once with debootstrap), used and
#      removed
#
# It installs the packages it needs first (scripts/install-packages.sh, which
# returns at once when they are there). MIRTANE_JOBS sets the build
# parallelism (default 2).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
jobs=${MIRTANE_JOBS:-2}
current_step="start"

step() {
    current_step=$1
    printf '\n==== %s ====\n' "$1"
}

on_failure() {
    printf '\nbuild-and-test: FAILED during: %s\n' "$current_step" >&2
}
trap on_failure ERR

win32_dll=$root/build/win32/Mirtane.8bf
win64_dll=$root/build/win64/Mirtane.8bf

step "packages"
bash scripts/install-packages.sh

step "native build (ASan + UBSan)"
# The DLL paths let CTest carry the structural checks (run in a later step).
cmake --preset native -DMIRTANE_WIN32_DLL="$win32_dll" -DMIRTANE_WIN64_DLL="$win64_dll"
cmake --build --preset native -j "$jobs"

step "native tests"
ctest --test-dir build/native --output-on-failure -j "$jobs" -E '^check_win'

step "fuzzing: each libFuzzer target for 60 s from its seed corpus"
bash fuzz/run-fuzzers.sh

step "release build: the command, the GEGL operation and the GIMP plug-in"
# Modules that GEGL and GIMP load cannot carry the sanitizers' runtime.
cmake --preset release
cmake --build --preset release -j "$jobs" --target mirtane mirtane-gegl mirtane-gimp

step "GEGL operation and GIMP plug-in against the command"
rm -rf "$root/build/gegl-tests"
bash tests/gegl/run-gegl-gimp-tests.sh "$root/build/release" "$root/build/gegl-tests"

step "the command under an address-space limit (release build: the sanitizers reserve too much)"
rm -rf "$root/build/memory-tests"
bash tests/memory/run-address-space-tests.sh "$root/build/release" "$root/build/memory-tests"

step "32-bit plug-in (win32)"
cmake --preset win32
cmake --build --preset win32 -j "$jobs"

step "64-bit plug-in and mirtane-host.exe (win64)"
cmake --preset win64
cmake --build --preset win64 -j "$jobs"

step "structural checks of both DLLs"
ctest --test-dir build/native --output-on-failure -R '^check_win'
# objdump reads the import tables independently of check_plugin_file.
for dll in "$win32_dll" "$win64_dll"; do
    imports=$(x86_64-w64-mingw32-objdump -p "$dll" | sed -n 's/^[[:space:]]*DLL Name: //p')
    echo "objdump: $(basename "$(dirname "$dll")")/Mirtane.8bf imports:" $imports
    if [[ -z "$imports" ]] || grep -Eiq '^(libgcc|libstdc|libwinpthread)' <<<"$imports"; then
        echo "objdump: $dll imports a MinGW runtime DLL or nothing at all" >&2
        false
    fi
done

step "Wine tests of the 64-bit plug-in"
# Every tests/windows/run-*-tests.sh takes the win64 build dir and a scratch
# dir of its own; all of them run, then any failure fails this step.
wine_scripts=(tests/windows/run-*-tests.sh)
failed_scripts=()
for script in "${wine_scripts[@]}"; do
    name=$(basename "$script" .sh)
    scratch=$root/build/wine-tests/$name
    rm -rf "$scratch"
    mkdir -p "$scratch"
    echo "---- $script"
    bash "$script" "$root/build/win64" "$scratch" || failed_scripts+=("$script")
done
if [[ ${#failed_scripts[@]} -gt 0 ]]; then
    echo "Wine tests failed: ${failed_scripts[*]}" >&2
    false
fi

step "release package: install and uninstall under Wine (install.cmd, the setup program), Help and Check for Update through the installed page"
rm -rf "$root/build/release-tests"
bash tests/release/run-release-tests.sh "$root/build/win32" "$root/build/win64" "$root/build/release-tests"

step "GIMP 3 plug-in in a Debian 13 chroot (made once with debootstrap), against the command"
bash tests/gimp3/run-gimp3-tests.sh "$root/build/chroot-trixie-gimp3" "$root/build/release/cli/mirtane"

step "Debian packages: built, checked by lintian, installed into a clean chroot and used"
bash scripts/make-debs.sh "$root/build/debs"
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
bash tests/packages/run-package-tests.sh "$root/build/debs" "$root/build/chroot-$codename" \
    "$root/build/release"

printf '\nbuild-and-test: all steps passed\n'
