#!/usr/bin/env bash
# Assembles Mirtane-1.1.4-windows.zip from the two Windows builds:
#
#   release/make-package.sh <win32 build dir> <win64 build dir> [output dir]
#
# The zip holds x86/Mirtane.8bf, x64/Mirtane.8bf, MirtaneHelp.htm, install.cmd,
# uninstall.cmd and INSTALL.txt at its top level. The scripts and the guide get
# Windows line ends (cmd.exe misreads labels in files with bare LF ends).
# Each DLL is checked to be a PE file for its machine before it is packed, so
# that the two can never be swapped. Prints the path of the zip.
set -euo pipefail

readonly VERSION="1.1.4"
readonly ZIP_NAME="Mirtane-${VERSION}-windows.zip"

usage() {
  echo "usage: $0 <win32 build dir> <win64 build dir> [output dir]" >&2
  exit 2
}

[[ $# -ge 2 && $# -le 3 ]] || usage
win32_dir=$1
win64_dir=$2
out_dir=${3:-.}
release_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

command -v zip >/dev/null || { echo "$0: the zip program is missing (apt package zip)" >&2; exit 1; }

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

dll32="$win32_dir/Mirtane.8bf"
dll64="$win64_dir/Mirtane.8bf"
check_dll "$dll32" 014c "32-bit"
check_dll "$dll64" 8664 "64-bit"

for file in MirtaneHelp.htm install.cmd uninstall.cmd INSTALL.txt; do
  [[ -f $release_dir/$file ]] || { echo "$0: missing $release_dir/$file" >&2; exit 1; }
done

mkdir -p "$out_dir"
out_dir=$(cd "$out_dir" && pwd)
staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT

mkdir "$staging/x86" "$staging/x64"
cp "$dll32" "$staging/x86/Mirtane.8bf"
cp "$dll64" "$staging/x64/Mirtane.8bf"
cp "$release_dir/MirtaneHelp.htm" "$staging/"
for file in install.cmd uninstall.cmd INSTALL.txt; do
  # Strip any CR first so that files already in CRLF form are not doubled.
  sed -e 's/\r$//' -e 's/$/\r/' "$release_dir/$file" > "$staging/$file"
done

# Fixed time stamps and order make the zip depend on its content only.
export TZ=UTC
find "$staging" -exec touch -h -d "2004-10-01 12:00:00" {} +
rm -f "$out_dir/$ZIP_NAME"
(cd "$staging" && zip -X -q -D "$out_dir/$ZIP_NAME" \
  x86/Mirtane.8bf x64/Mirtane.8bf MirtaneHelp.htm install.cmd uninstall.cmd INSTALL.txt)
echo "$out_dir/$ZIP_NAME"
