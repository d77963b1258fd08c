#!/usr/bin/env bash
# Makes the dialog picture of the README and the help page from the real
# 64-bit plug-in under Wine, showing the bundled sample photograph:
#
#   release/make-dialog-figure.sh <win64 build dir> [sample photograph]
#
# Converts the sample (default samples/faded-mountain.jpg) to PPM, which
# mirtane-host.exe reads, runs the dialog scenario "look" of the test host's
# scripted dialog driver on a virtual display (the same run as
# tests/windows/run-dialog-tests.sh), and keeps its screenshot as
# docs/dialog-screenshot.png. The same PNG is embedded into
# release/MirtaneHelp.htm between "<!-- dialog:begin -->" and
# "<!-- dialog:end -->" as the figure of the section on the dialog.
# Needs wine (64-bit), xvfb-run, ImageMagick's convert and python3.
set -euo pipefail

if [[ $# -lt 1 || $# -gt 2 ]]; then
  echo "usage: $0 <win64 build dir> [sample photograph]" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
sample=${2:-$source_dir/samples/faded-mountain.jpg}
for file in "$build/mirtane-host.exe" "$build/Mirtane.8bf" "$sample"; do
  [[ -f $file ]] || { echo "$0: missing $file" >&2; exit 1; }
done
for tool in wine xvfb-run convert python3; do
  command -v "$tool" >/dev/null || { echo "$0: missing $tool" >&2; exit 1; }
done

work=$(mktemp -d "$build/dialog-figure.XXXXXX")
export WINEPREFIX=$work/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

convert "$sample" -strip "$work/sample.ppm"
mkdir "$work/artefacts"
xvfb-run -a -s '-screen 0 1280x1024x24' bash -c '
  wine wineboot -i >/dev/null 2>&1
  timeout 180 wine "$1" "$2" "$3" "$4" --dialog-test look --artefacts "$(wine winepath -w "$5" 2>/dev/null | tr -d "\r")"
' _ "$build/mirtane-host.exe" "$build/Mirtane.8bf" "$work/sample.ppm" "$work/restored.ppm" "$work/artefacts" \
  >"$work/run.log" 2>&1 || true
if ! grep -qE '^scenario look: [0-9]+ passed, 0 failed' <(tr -d '\r' <"$work/run.log") ||
  [[ ! -s $work/artefacts/dialog.bmp ]]; then
  echo "$0: the dialog run failed:" >&2
  tr -d '\r' <"$work/run.log" | tail -20 >&2
  exit 1
fi

# 256 colours keep the picture small; the photograph's gradients survive
# with dithering.
picture=$source_dir/docs/dialog-screenshot.png
convert "$work/artefacts/dialog.bmp" -strip -dither FloydSteinberg -colors 256 "$picture"
python3 - "$picture" "$source_dir/release/MirtaneHelp.htm" <<'PYTHON'
import base64, struct, sys
picture, page_path = sys.argv[1], sys.argv[2]
data = open(picture, "rb").read()
width, height = struct.unpack(">II", data[16:24])
page = open(page_path, encoding="utf-8").read()
begin, end = "<!-- dialog:begin -->", "<!-- dialog:end -->"
if page.count(begin) != 1 or page.count(end) != 1 or page.index(begin) > page.index(end):
    sys.exit(f"{page_path} lacks the dialog markers")
figure = (f'{begin}\n<img class="dialog-picture" src="data:image/png;base64,'
          f'{base64.b64encode(data).decode()}" width="{width}" height="{height}" '
          f'alt="The MIRTANE dialog showing the bundled sample photograph">\n')
page = page[:page.index(begin)] + figure + page[page.index(end):]
open(page_path + ".new", "w", encoding="utf-8").write(page)
import os
os.replace(page_path + ".new", page_path)
PYTHON
echo "$picture: $(stat -c %s "$picture") bytes; embedded into release/MirtaneHelp.htm"
