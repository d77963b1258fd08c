#!/bin/bash
# The GEGL operation mirtane:restore and the GIMP 2.10 plug-in against the
# mirtane command: the same bytes for the same picture and trims.
#
#   tests/gegl/run-gegl-gimp-tests.sh RELEASE_BUILD_DIR SCRATCH_DIR
#
# RELEASE_BUILD_DIR holds cli/mirtane, gegl/mirtane-restore.so and
# gimp/mirtane-gimp (the release preset: these modules are loaded into
# programs without the sanitizers' runtime). The operation is found through
# GEGL_PATH, the plug-in through a GIMP profile folder made in SCRATCH_DIR.
# Ends with "N passed, N failed" and a non-zero status when anything failed.
set -uo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 RELEASE_BUILD_DIR SCRATCH_DIR" >&2
    exit 2
fi
build_dir=$(cd "$1" && pwd) || exit 2
mkdir -p "$2" && scratch=$(cd "$2" && pwd) || exit 2
repository=$(cd "$(dirname "$0")/../.." && pwd)

mirtane="$build_dir/cli/mirtane"
operation="$build_dir/gegl/mirtane-restore.so"
plugin="$build_dir/gimp/mirtane-gimp"
for file in "$mirtane" "$operation" "$plugin"; do
    if [ ! -f "$file" ]; then
        echo "missing $file: build the release preset first" >&2
        exit 2
    fi
done

export GEGL_PATH
GEGL_PATH="$(pkg-config --variable=pluginsdir gegl-0.4):$build_dir/gegl"
export GIMP2_DIRECTORY="$scratch/gimp-profile"
rm -rf "$GIMP2_DIRECTORY"
mkdir -p "$GIMP2_DIRECTORY/plug-ins/mirtane-gimp"
cp "$plugin" "$GIMP2_DIRECTORY/plug-ins/mirtane-gimp/"

passed=0
failed=0
pass() { echo "PASS: $1"; passed=$((passed + 1)); }
fail() { echo "FAIL: $1"; failed=$((failed + 1)); }

# max_difference and same_pixels.
. "$repository/tests/lib/compare-images.sh"

# The top byte of each 16-bit sample: b for a byte widened to b * 257.
top_byte() {
    vips boolean_const "$1" "$scratch/top.v" rshift 8 && vips cast "$scratch/top.v" "$2" uchar &&
        vips copy "$2" "$scratch/top-copy.v" --interpretation srgb && mv "$scratch/top-copy.v" "$2"
}

# gegl runs a chain whose operation it cannot find as a passthrough and
# still exits 0: a run counts only when its log names no missing operation.
operation_found() {  # LOG
    ! grep -Eq 'No such op|Failed to set operation type' "$1"
}

# The operation, 8-bit in and out: gegl:png-save keeps 8 bits.
run_gegl() {  # INPUT OUTPUT [properties...]
    local input=$1 output=$2
    shift 2
    gegl -- gegl:load path="$input" mirtane:restore "$@" gegl:png-save path="$output" bitdepth=8 \
        >"$scratch/gegl.log" 2>&1 && operation_found "$scratch/gegl.log"
}

# ---- Pictures --------------------------------------------------------------
sample="$scratch/sample.png"
vips copy "$repository/samples/faded-mountain.jpg" "$sample" || exit 2
odd="$scratch/odd-517x493.png"
vips crop "$sample" "$odd" 211 97 517 493 || exit 2
rgba="$scratch/rgba.png"
convert "$sample" -alpha set -channel A -fx 'i/w' +channel "$rgba" || exit 2
small="$scratch/small-479x600.png"
vips crop "$sample" "$small" 0 0 479 600 || exit 2
deep="$scratch/sample-16bit.png"
convert "$sample" -depth 16 "PNG48:$deep" || exit 2  # each byte b widened to b * 257
# A PNG that says its gamma and primaries: babl would shift these bytes if
# the operation did not work in the input's own space.
tagged="$scratch/gama-chrm.png"
python3 - "$sample" "$tagged" <<'PYTHON' || exit 2
import struct, sys, zlib
data = open(sys.argv[1], 'rb').read()
def chunk(kind, body):
    return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body) & 0xffffffff)
end_of_header = 8 + 25  # signature, then the IHDR chunk
gama = chunk(b'gAMA', struct.pack('>I', 55000))
chrm = chunk(b'cHRM', struct.pack('>8I', 31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000))
open(sys.argv[2], 'wb').write(data[:end_of_header] + gama + chrm + data[end_of_header:])
PYTHON

# ---- The operation against the command -----------------------------------
# (The list is kept first: grep -q stops reading at its match, and gegl,
# killed by the broken pipe, would fail the pipeline.)
gegl --list-all >"$scratch/operations.txt" 2>/dev/null
if grep -qx 'mirtane:restore' "$scratch/operations.txt"; then
    pass "GEGL lists mirtane:restore"
else
    fail "GEGL lists mirtane:restore"
fi
GEGL_PATH=$scratch/no-operation gegl -- gegl:load path="$sample" mirtane:restore \
    gegl:png-save path="$scratch/missing.png" >"$scratch/missing.log" 2>&1
if ! operation_found "$scratch/missing.log"; then
    pass "a missing operation is seen as missing (gegl itself exits 0)"
else
    fail "a missing operation is seen as missing (gegl itself exits 0)"
fi

check_operation() {  # NAME INPUT trims...
    local name=$1 input=$2 red=$3 green=$4 blue=$5
    local from_gegl="$scratch/$name-gegl.png" from_command="$scratch/$name-command.png"
    rm -f "$from_gegl" "$from_command"
    if run_gegl "$input" "$from_gegl" cyan-red="$red" magenta-green="$green" yellow-blue="$blue" &&
        "$mirtane" restore "$input" -o "$from_command" --cyan-red "$red" --magenta-green "$green" \
            --yellow-blue "$blue" >/dev/null 2>"$scratch/$name-command.log" &&
        same_pixels "$from_gegl" "$from_command"; then
        pass "gegl mirtane:restore writes the command's bytes: $name"
    else
        fail "gegl mirtane:restore writes the command's bytes: $name"
    fi
}
check_operation sample "$sample" 4 0 -3
check_operation odd-size "$odd" 0 0 0
check_operation gama-chrm "$tagged" -7 5 2
check_operation rgba "$rgba" 3 -2 0

# strength= gives the command's --strength bytes.
rm -f "$scratch/half-gegl.png" "$scratch/half-command.png"
if run_gegl "$sample" "$scratch/half-gegl.png" cyan-red=4 strength=40 &&
    "$mirtane" restore "$sample" -o "$scratch/half-command.png" --cyan-red 4 --strength 40 \
        >/dev/null 2>"$scratch/half-command.log" &&
    same_pixels "$scratch/half-gegl.png" "$scratch/half-command.png"; then
    pass "strength=40 gives the command's --strength 40 bytes"
else
    fail "strength=40 gives the command's --strength 40 bytes"
fi

# The natural method through the operation: the command's bytes too.
rm -f "$scratch/natural-gegl.png" "$scratch/natural-command.png"
if run_gegl "$sample" "$scratch/natural-gegl.png" method=natural dmax=3.0 cyan-red=2 &&
    "$mirtane" restore "$sample" -o "$scratch/natural-command.png" --method natural --film slide \
        --cyan-red 2 >/dev/null 2>&1 &&
    same_pixels "$scratch/natural-gegl.png" "$scratch/natural-command.png"; then
    pass "gegl mirtane:restore method=natural writes the command's bytes"
else
    fail "gegl mirtane:restore method=natural writes the command's bytes"
fi

# Alpha passes through untouched.
if vips extract_band "$rgba" "$scratch/alpha-in.png" 3 &&
    vips extract_band "$scratch/rgba-gegl.png" "$scratch/alpha-out.png" 3 &&
    same_pixels "$scratch/alpha-in.png" "$scratch/alpha-out.png"; then
    pass "the operation leaves alpha untouched"
else
    fail "the operation leaves alpha untouched"
fi

# The one-line form users type also works (gegl -i/-o writes 16 bits).
rm -f "$scratch/one-line.png"
if gegl -i "$sample" -o "$scratch/one-line.png" -- mirtane:restore cyan-red=4 yellow-blue=-3 \
        >"$scratch/one-line.log" 2>&1 && operation_found "$scratch/one-line.log" &&
    top_byte "$scratch/one-line.png" "$scratch/one-line-8.v" &&
    same_pixels "$scratch/one-line-8.v" "$scratch/sample-command.png"; then
    pass "gegl -i IN -o OUT -- mirtane:restore gives the command's result"
else
    fail "gegl -i IN -o OUT -- mirtane:restore gives the command's result"
fi

# A 16-bit picture stays 16-bit, and its top byte is within one level of the
# 8-bit result of the same picture.
rm -f "$scratch/deep-gegl.png"
if gegl -- gegl:load path="$deep" mirtane:restore cyan-red=4 yellow-blue=-3 \
        gegl:png-save path="$scratch/deep-gegl.png" bitdepth=16 >"$scratch/deep.log" 2>&1 &&
    operation_found "$scratch/deep.log" &&
    vipsheader -f format "$scratch/deep-gegl.png" | grep -q USHORT &&
    top_byte "$scratch/deep-gegl.png" "$scratch/deep-top.v" &&
    difference=$(max_difference "$scratch/deep-top.v" "$scratch/sample-command.png") &&
    awk -v d="$difference" 'BEGIN { exit !(d <= 1) }'; then
    pass "a 16-bit picture keeps 16 bits within one level of the 8-bit result"
else
    fail "a 16-bit picture keeps 16 bits within one level of the 8-bit result"
fi

# Below 480 x 480 the input passes through, with the plug-in's message.
rm -f "$scratch/small-gegl.png"
if run_gegl "$small" "$scratch/small-gegl.png"; then :; fi
if [ -f "$scratch/small-gegl.png" ] && same_pixels "$small" "$scratch/small-gegl.png" &&
    grep -q 'Image must be at least 480x480' "$scratch/gegl.log"; then
    pass "below 480 x 480 the input passes through with the plug-in's message"
else
    fail "below 480 x 480 the input passes through with the plug-in's message"
fi

# ---- GIMP 2.10, headless, through the PDB -----------------------------------
run_gimp() {  # INPUT OUTPUT SELECTION-SCHEME trims...
    local input=$1 output=$2 selection=$3 red=$4 green=$5 blue=$6
    timeout 300 gimp-console-2.10 -i -d -f -b "
      (let* ((image (car (gimp-file-load RUN-NONINTERACTIVE \"$input\" \"$input\")))
             (drawable (car (gimp-image-get-active-layer image))))
        $selection
        (plug-in-mirtane RUN-NONINTERACTIVE image drawable $red $green $blue)
        (file-png-save-defaults RUN-NONINTERACTIVE image drawable \"$output\" \"$output\"))" \
        -b '(gimp-quit 0)' >"$scratch/gimp.log" 2>&1
}

rm -f "$scratch/gimp-whole.png"
if run_gimp "$sample" "$scratch/gimp-whole.png" "" 4 0 -3 &&
    same_pixels "$scratch/gimp-whole.png" "$scratch/sample-command.png"; then
    pass "GIMP's plug-in-mirtane writes the command's bytes"
else
    fail "GIMP's plug-in-mirtane writes the command's bytes"
fi

# With a rectangular selection: the command's bytes inside, the input outside.
rm -f "$scratch/gimp-selection.png"
if run_gimp "$sample" "$scratch/gimp-selection.png" \
        "(gimp-image-select-rectangle image CHANNEL-OP-REPLACE 100 50 300 200)" 4 0 -3 &&
    vips crop "$scratch/gimp-selection.png" "$scratch/inside-gimp.png" 100 50 300 200 &&
    vips crop "$scratch/sample-command.png" "$scratch/inside-command.png" 100 50 300 200 &&
    same_pixels "$scratch/inside-gimp.png" "$scratch/inside-command.png" &&
    vips crop "$scratch/gimp-selection.png" "$scratch/below-gimp.png" 0 250 1200 650 &&
    vips crop "$sample" "$scratch/below-input.png" 0 250 1200 650 &&
    same_pixels "$scratch/below-gimp.png" "$scratch/below-input.png"; then
    pass "with a selection GIMP corrects inside it only, with the command's bytes"
else
    fail "with a selection GIMP corrects inside it only, with the command's bytes"
fi

# plug-in-mirtane-method: the method and the strength as the command takes
# them (the natural method with a print's black density, the command's default).
run_gimp_method() {  # INPUT OUTPUT METHOD STRENGTH DMAX trims...
    local input=$1 output=$2
    timeout 300 gimp-console-2.10 -i -d -f -b "
      (let* ((image (car (gimp-file-load RUN-NONINTERACTIVE \"$input\" \"$input\")))
             (drawable (car (gimp-image-get-active-layer image))))
        (plug-in-mirtane-method RUN-NONINTERACTIVE image drawable $3 $4 $5 $6 $7 $8)
        (file-png-save-defaults RUN-NONINTERACTIVE image drawable \"$output\" \"$output\"))" \
        -b '(gimp-quit 0)' >"$scratch/gimp.log" 2>&1
}

rm -f "$scratch/gimp-natural.png" "$scratch/natural-40-command.png"
if run_gimp_method "$sample" "$scratch/gimp-natural.png" 1 40 3.0 2 0 -1 &&
    "$mirtane" restore "$sample" -o "$scratch/natural-40-command.png" --method natural \
        --film slide --strength 40 --cyan-red 2 --yellow-blue -1 >/dev/null 2>&1 &&
    same_pixels "$scratch/gimp-natural.png" "$scratch/natural-40-command.png"; then
    pass "GIMP's plug-in-mirtane-method (natural, slide density, 40 %) writes the command's bytes"
else
    fail "GIMP's plug-in-mirtane-method (natural, slide density, 40 %) writes the command's bytes"
fi
rm -f "$scratch/gimp-plugin-method.png"
if run_gimp_method "$sample" "$scratch/gimp-plugin-method.png" 0 100 2.1 4 0 -3 &&
    same_pixels "$scratch/gimp-plugin-method.png" "$scratch/sample-command.png"; then
    pass "plug-in-mirtane-method with the plug-in's analysis at 100 % is plug-in-mirtane"
else
    fail "plug-in-mirtane-method with the plug-in's analysis at 100 % is plug-in-mirtane"
fi
rm -f "$scratch/gimp-bad-method.png"
run_gimp_method "$sample" "$scratch/gimp-bad-method.png" 2 100 2.1 0 0 0
if [ ! -f "$scratch/gimp-bad-method.png" ] &&
    grep -q 'plug-in-mirtane-method failed on invalid input arguments' "$scratch/gimp.log"; then
    pass "GIMP refuses an unknown method"
else
    fail "GIMP refuses an unknown method"
fi

# Trims outside -25 ... 25 are a calling error, and the image is not touched.
rm -f "$scratch/gimp-refused.png"
run_gimp "$sample" "$scratch/gimp-refused.png" "" 26 0 0
if [ ! -f "$scratch/gimp-refused.png" ] &&
    grep -q 'plug-in-mirtane failed on invalid input arguments' "$scratch/gimp.log"; then
    pass "GIMP refuses trims outside -25 ... 25"
else
    fail "GIMP refuses trims outside -25 ... 25"
fi

# The dialog opens under a virtual display; its screenshot is kept.
shot="$scratch/artefacts/gimp-dialog.png"
mkdir -p "$scratch/artefacts"
rm -f "$shot"
xvfb-run -a -s '-screen 0 1280x1024x24' bash -c '
    gimp-2.10 -d -f -b "(let* ((image (car (gimp-file-load RUN-NONINTERACTIVE \"$1\" \"$1\")))
                               (drawable (car (gimp-image-get-active-layer image))))
                          (plug-in-mirtane RUN-INTERACTIVE image drawable 0 0 0))" \
        >"$3" 2>&1 &
    gimp=$!
    for _ in $(seq 1 240); do
        if xwininfo -root -tree 2>/dev/null | grep -q "\"Mirtane\""; then
            sleep 2
            import -window root "$2"
            break
        fi
        sleep 0.5
    done
    kill $gimp 2>/dev/null
    sleep 1
    kill -9 $gimp 2>/dev/null
    pkill -f "plug-ins/mirtane-gimp" 2>/dev/null
    true' bash "$sample" "$shot" "$scratch/gimp-dialog.log"
if [ -s "$shot" ]; then
    pass "the GIMP dialog opens (screenshot $shot)"
else
    fail "the GIMP dialog opens"
fi

# ---- The install: where GEGL and GIMP read, and the uninstall ---------------
stage="$scratch/stage"
rm -rf "$stage"
gegl_dir=$(pkg-config --variable=pluginsdir gegl-0.4)
gimp_dir=$(pkg-config --variable=gimplibdir gimp-2.0)/plug-ins
prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build_dir/CMakeCache.txt")
expected=("$gegl_dir/mirtane-restore.so" "$gimp_dir/mirtane-gimp/mirtane-gimp"
          "$prefix/bin/mirtane" "$prefix/share/man/man1/mirtane.1"
          "$prefix/share/bash-completion/completions/mirtane" "$prefix/share/doc/mirtane/README.md"
          "$prefix/share/mirtane/MirtaneHelp.htm")
if cmake --build "$build_dir" --target mirtane-man >"$scratch/install.log" 2>&1 &&
    DESTDIR="$stage" cmake --install "$build_dir" >>"$scratch/install.log" 2>&1; then
    missing=""
    for file in "${expected[@]}"; do
        [ -f "$stage$file" ] || missing="$missing $file"
    done
    if [ -z "$missing" ]; then
        pass "the install puts the operation and the plug-in where GEGL and GIMP look"
    else
        fail "the install puts the operation and the plug-in where GEGL and GIMP look (missing:$missing)"
    fi
    if GEGL_PATH="$gegl_dir:$stage$gegl_dir" gegl -- gegl:load path="$sample" mirtane:restore cyan-red=4 \
            yellow-blue=-3 gegl:png-save path="$scratch/installed.png" bitdepth=8 \
            >"$scratch/installed.log" 2>&1 && operation_found "$scratch/installed.log" &&
        same_pixels "$scratch/installed.png" "$scratch/sample-command.png"; then
        pass "GEGL runs the installed operation"
    else
        fail "GEGL runs the installed operation"
    fi
    DESTDIR="$stage" cmake --build "$build_dir" --target uninstall >>"$scratch/install.log" 2>&1
    left=$(find "$stage" -type f | head -5)
    if [ -z "$left" ] && [ ! -d "$stage$gimp_dir/mirtane-gimp" ] &&
        [ ! -d "$stage$prefix/share/doc/mirtane" ] && [ ! -d "$stage$prefix/share/mirtane" ]; then
        pass "the uninstall removes every installed file and Mirtane's own folders"
    else
        fail "the uninstall removes every installed file and Mirtane's own folders (left: $left)"
    fi
else
    fail "the install runs (see $scratch/install.log)"
fi

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
