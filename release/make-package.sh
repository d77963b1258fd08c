#!/usr/bin/env bash
# Assembles Mirtane-<version>-windows.zip from the two Windows builds:
#
#   release/make-package.sh [--amd64-setup FILE] <win32 build dir> <win64 build dir> [output dir]
#
# The version is the project's (CMakeLists.txt). The zip holds, at its top
# level, Setup.exe (the setup program, 32-bit so that it runs on every
# Windows, compiled here from Setup.nsi with NSIS's makensis), x86/Mirtane.8bf,
# x64/Mirtane.8bf, install.cmd, uninstall.cmd, MirtaneHelp.htm, INSTALL.txt,
# README.txt, LICENSE.txt and THIRD-PARTY-NOTICES.txt. The scripts and text
# files get Windows line ends (cmd.exe misreads labels in files with bare LF
# ends). Each DLL is checked to be a PE file for its machine before it is
# packed, so that the two can never be swapped.
#
# Every file is dated with the release's build time, the build month fills in
# the help page and the readme: both come from MIRTANE_BUILD_EPOCH in the
# build trees' caches (cmake/BuildTime.cmake: SOURCE_DATE_EPOCH, else the last
# commit's time), so that the package agrees with the plug-ins' about box and
# is reproducible byte for byte. The releases page named to the build
# (MIRTANE_RELEASES_URL) goes into the setup program's entry in Apps & features.
#
# --amd64-setup FILE also writes the same setup program built as a 64-bit
# program, for tests on machines that run no 32-bit code; it is not packed.
# Prints the path of the zip.
set -euo pipefail

usage() {
  echo "usage: $0 [--amd64-setup FILE] <win32 build dir> <win64 build dir> [output dir]" >&2
  exit 2
}

amd64_setup=""
if [[ ${1:-} == --amd64-setup ]]; then
  [[ $# -ge 2 ]] || usage
  amd64_setup=$2
  shift 2
fi
[[ $# -ge 2 && $# -le 3 ]] || usage
win32_dir=$1
win64_dir=$2
out_dir=${3:-.}
release_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source_dir=$(cd "$release_dir/.." && pwd)

for tool in zip makensis; do
  command -v "$tool" >/dev/null || {
    echo "$0: the $tool program is missing (apt package ${tool/makensis/nsis})" >&2
    exit 1
  }
done

VERSION=$(sed -n 's/^project(Mirtane VERSION \([0-9][0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
[[ $VERSION =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || {
  echo "$0: no project version in $source_dir/CMakeLists.txt" >&2
  exit 1
}
readonly VERSION
readonly ZIP_NAME="Mirtane-${VERSION}-windows.zip"

# pe_machine FILE prints the COFF machine field of a PE file in hex (014c for
# i386, 8664 for x86-64), or nothing when FILE is no PE file.
pe_machine() {
  local file=$1 pe_offset signature
  [[ $(head -c 2 "$file") == "MZ" ]] || return 0
  pe_offset=$(od -An -tu4 -j60 -N4 "$file" | tr -d ' ')
  signature=$(od -An -c -j"$pe_offset" -N4 "$file" | tr -d ' ')
  [[ $signature == 'PE\0\0' ]] || return 0
  od -An -tx2 -j$((pe_offset + 4)) -N2 "$file" | tr -d ' '
}

check_dll() {
  local file=$1 expected=$2 label=$3 found
  [[ -f $file ]] || { echo "$0: missing $label plug-in: $file" >&2; exit 1; }
  found=$(pe_machine "$file")
  [[ $found == "$expected" ]] || {
    echo "$0: $file is not a $label Windows DLL (machine '${found:-none}', expected $expected)" >&2
    exit 1
  }
}

# cache_value DIR NAME: a value from DIR's CMakeCache.txt, or nothing.
cache_value() {
  sed -n "s/^$2:[A-Z]*=//p" "$1/CMakeCache.txt" 2>/dev/null | head -1
}

dll32="$win32_dir/Mirtane.8bf"
dll64="$win64_dir/Mirtane.8bf"
check_dll "$dll32" 014c "32-bit"
check_dll "$dll64" 8664 "64-bit"

# The build time the plug-ins were built with. Their about boxes show its
# month, which must be the same in both; the package takes the 64-bit
# build's time (the two differ when a commit came between configuring them).
epoch32=$(cache_value "$win32_dir" MIRTANE_BUILD_EPOCH)
epoch64=$(cache_value "$win64_dir" MIRTANE_BUILD_EPOCH)
if [[ -z $epoch32 || -z $epoch64 ]]; then
  echo "$0: the build trees have no MIRTANE_BUILD_EPOCH; configure them again (cmake --preset win32 / win64)" >&2
  exit 1
fi
epoch=$epoch64
build_month=$(TZ=UTC date -d "@$epoch" +%m/%Y)
if [[ $(TZ=UTC date -d "@$epoch32" +%m/%Y) != "$build_month" ]]; then
  echo "$0: the plug-ins were built in different months ($epoch32, $epoch64); build both from the same sources" >&2
  exit 1
fi
releases_url=$(cache_value "$win64_dir" MIRTANE_RELEASES_URL)

for file in MirtaneHelp.htm install.cmd uninstall.cmd INSTALL.txt README.txt THIRD-PARTY-NOTICES.txt Setup.nsi; do
  [[ -f $release_dir/$file ]] || { echo "$0: missing $release_dir/$file" >&2; exit 1; }
done
[[ -f $source_dir/LICENSE ]] || { echo "$0: missing $source_dir/LICENSE" >&2; exit 1; }

mkdir -p "$out_dir"
out_dir=$(cd "$out_dir" && pwd)
staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT

# to_crlf SOURCE TARGET: Windows line ends; any CR is stripped first so that
# files already in CRLF form are not doubled.
to_crlf() { sed -e 's/\r$//' -e 's/$/\r/' "$1" > "$2"; }

mkdir "$staging/x86" "$staging/x64"
cp "$dll32" "$staging/x86/Mirtane.8bf"
cp "$dll64" "$staging/x64/Mirtane.8bf"
sed "s|@BUILD_MONTH@|$build_month|g" "$release_dir/MirtaneHelp.htm" > "$staging/MirtaneHelp.htm"
for file in install.cmd uninstall.cmd INSTALL.txt THIRD-PARTY-NOTICES.txt; do
  to_crlf "$release_dir/$file" "$staging/$file"
done
to_crlf "$source_dir/LICENSE" "$staging/LICENSE.txt"
# The readme's title is underlined to its length once the version is in.
sed -e "s|@VERSION@|$VERSION|g" -e "s|@BUILD_MONTH@|$build_month|g" "$release_dir/README.txt" |
  awk 'NR == 1 { title = length($0) } NR == 2 && /^=+$/ { $0 = sprintf("%*s", title, ""); gsub(/ /, "=") } { print }' \
  > "$staging/README.unix"
to_crlf "$staging/README.unix" "$staging/README.txt"
rm "$staging/README.unix"

# Fixed time stamps make the setup program (which keeps each file's time)
# and the zip depend on their content only.
export TZ=UTC
find "$staging" -exec touch -h -d "@$epoch" {} +

# build_setup TARGET_DEFINE OUTPUT: compiles Setup.nsi over the staging folder.
build_setup() {
  local defines=(-DVERSION="$VERSION" -DSTAGING="$staging" -DOUTFILE="$2")
  [[ -n $1 ]] && defines+=("-D$1")
  [[ -n $releases_url ]] && defines+=(-DRELEASES_URL="$releases_url")
  if ! makensis -V2 -NOCD "${defines[@]}" "$release_dir/Setup.nsi" > "$staging.nsis.log" 2>&1; then
    cat "$staging.nsis.log" >&2
    rm -f "$staging.nsis.log"
    echo "$0: makensis failed" >&2
    exit 1
  fi
  rm -f "$staging.nsis.log"
  touch -h -d "@$epoch" "$2"
}
build_setup "" "$staging/Setup.exe"
[[ $(pe_machine "$staging/Setup.exe") == 014c ]] || { echo "$0: Setup.exe is no 32-bit program" >&2; exit 1; }
if [[ -n $amd64_setup ]]; then
  build_setup TARGET_AMD64 "$amd64_setup"
fi

rm -f "$out_dir/$ZIP_NAME"
(cd "$staging" && zip -X -q -D "$out_dir/$ZIP_NAME" \
  Setup.exe x86/Mirtane.8bf x64/Mirtane.8bf install.cmd uninstall.cmd MirtaneHelp.htm \
  INSTALL.txt README.txt LICENSE.txt THIRD-PARTY-NOTICES.txt)
echo "$out_dir/$ZIP_NAME"
