#!/usr/bin/env bash
# Fails when a C++ file of the repository differs from what clang-format makes
# of it with the checked-in .clang-format, and names each such file.
#   scripts/check-format.sh          check every tracked C++ file
#   scripts/check-format.sh --fix    rewrite them in place instead
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
formatter=${CLANG_FORMAT:-clang-format}
command -v "$formatter" >/dev/null || { echo "check-format: $formatter not found (Debian package clang-format)" >&2; exit 2; }

mapfile -t files < <(git ls-files -- '*.cpp' '*.h' '*.c')
if [[ ${1:-} == --fix ]]; then
    "$formatter" -i --style=file "${files[@]}"
    exit 0
fi
unformatted=()
for file in "${files[@]}"; do
    if ! "$formatter" --style=file --dry-run --Werror "$file" >/dev/null 2>&1; then
        unformatted+=("$file")
    fi
done
if [[ ${#unformatted[@]} -gt 0 ]]; then
    printf 'check-format: not formatted: %s\n' "${unformatted[@]}"
    echo "check-format: ${#unformatted[@]} of ${#files[@]} files; run scripts/check-format.sh --fix"
    exit 1
fi
echo "check-format: all ${#files[@]} files formatted"
