#!/bin/bash
# The GIMP 3 plug-in (gimp3/) headless in a Debian 13 chroot, where GIMP 3.0
# is packaged: its procedure plug-in-mirtane puts mirtane:restore on the
# layer, and what GIMP exports must be the GEGL operation's bytes (run by the
# chroot's gegl) and, through them, the mirtane command's.
#
#   tests/gimp3/run-gimp3-tests.sh CHROOT_DIR [MIRTANE_COMMAND]
#
# Run as root on the Debian 12 host. Creates CHROOT_DIR with debootstrap
# (Debian 13, "trixie") when it holds no system yet, installs what the build
# and the tests need (only what is missing), mounts /proc and the repository
# (read-only, at /src) inside, builds the GEGL operation and the plug-in in
# the chroot's /build/mirtane and runs the tests there; everything it
# mounted is unmounted at the end. The pictures are made on the host, and
# MIRTANE_COMMAND (default build/release/cli/mirtane, when built) writes the
# references there: the operation built in the chroot is compared with the
# host's command (the build every other test checks), and GIMP with the
# operation. Without the command those comparisons are reported as skipped.
# MIRTANE_DEBIAN_MIRROR chooses the Debian mirror (default deb.debian.org).
# Ends with "N passed, N failed" and a non-zero status when anything failed.
set -uo pipefail

# ---- Inside the chroot -------------------------------------------------------
# run-gimp3-tests.sh --inside BUILD_DIR SCRATCH_DIR
inside() {
    local build_dir=$1 scratch=$2
    local passed=0 failed=0 skipped=0
    pass() { echo "PASS: $1"; passed=$((passed + 1)); }
    fail() { echo "FAIL: $1"; failed=$((failed + 1)); }
    skip() { echo "SKIP: $1"; skipped=$((skipped + 1)); }
    check() {  # NAME COMMAND...: passes when the command succeeds
        local name=$1
        shift
        if "$@"; then pass "$name"; else fail "$name"; fi
    }
    finish() {
        [ "$skipped" -eq 0 ] || echo "$skipped skipped"
        echo "$passed passed, $failed failed"
        [ "$failed" -eq 0 ]
        exit
    }

    echo "building the GEGL operation and the GIMP 3 plug-in in $build_dir"
    if { [ -f "$build_dir/CMakeCache.txt" ] ||
         cmake -S /src -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
             -DMIRTANE_SANITIZE=OFF >"$scratch/configure.log" 2>&1; } &&
        ninja -C "$build_dir" -j2 mirtane-gegl mirtane-gimp3 >"$scratch/build.log" 2>&1; then
        pass "the GEGL operation and the GIMP 3 plug-in build against GIMP $(pkg-config --modversion gimp-3.0)"
    else
        tail -20 "$scratch/configure.log" "$scratch/build.log" 2>/dev/null
        fail "the GEGL operation and the GIMP 3 plug-in build"
        finish
    fi

    local system_operations
    system_operations=$(pkg-config --variable=pluginsdir gegl-0.4)
    export GEGL_PATH="$system_operations:$build_dir/gegl"
    export GIMP3_DIRECTORY="$scratch/gimp-profile"
    rm -rf "$GIMP3_DIRECTORY"
    mkdir -p "$GIMP3_DIRECTORY/plug-ins/mirtane-gimp3"
    cp "$build_dir/gimp3/mirtane-gimp3" "$GIMP3_DIRECTORY/plug-ins/mirtane-gimp3/"

    # max_difference and same_pixels, as the other scripted tests compare
    # pictures (the repository is mounted at /src).
    . /src/tests/lib/compare-images.sh
    # A 16-bit picture's top byte within one level of an 8-bit one.
    within_one_level() {  # DEEP EIGHT_BIT
        local difference
        vipsheader -f format "$1" | grep -q USHORT &&
            vips boolean_const "$1" "$scratch/top.v" rshift 8 &&
            vips cast "$scratch/top.v" "$scratch/top8.v" uchar &&
            difference=$(max_difference "$scratch/top8.v" "$2") &&
            awk -v d="$difference" 'BEGIN { exit !(d <= 1) }'
    }
    # gegl runs a chain whose operation it cannot find as a passthrough and
    # still exits 0: a run counts only when its log names no missing operation.
    run_gegl() {  # INPUT OUTPUT [properties...]
        local input=$1 output=$2
        shift 2
        rm -f "$output"
        gegl -- gegl:load path="$input" mirtane:restore "$@" gegl:png-save path="$output" \
            bitdepth=8 >"$scratch/gegl.log" 2>&1 &&
            ! grep -Eq 'No such op|Failed to set operation type' "$scratch/gegl.log"
    }
    # GIMP without a display, Script-Fu running the batch; its log in LOG.
    run_gimp() {  # LOG SCHEME
        timeout 300 gimp-console-3.0 -i -d -f --batch-interpreter=plug-in-script-fu-eval \
            -b "$2" --quit >"$1" 2>&1
    }

    # ---- The operation in the chroot against the host's command ----------
    local name
    check "the chroot's GEGL lists mirtane:restore" \
        bash -c 'gegl --list-all 2>/dev/null | grep -qx mirtane:restore'
    run_gegl "$scratch/sample.png" "$scratch/sample-gegl.png" cyan-red=4 yellow-blue=-3 ||
        fail "gegl runs mirtane:restore (see $scratch/gegl.log)"
    run_gegl "$scratch/sample.png" "$scratch/natural-gegl.png" method=natural dmax=3.0 cyan-red=2 ||
        fail "gegl runs mirtane:restore method=natural"
    run_gegl "$scratch/sample.png" "$scratch/strength-gegl.png" cyan-red=4 strength=40 ||
        fail "gegl runs mirtane:restore strength=40"
    run_gegl "$scratch/rgba.png" "$scratch/rgba-gegl.png" cyan-red=3 magenta-green=-2 ||
        fail "gegl runs mirtane:restore on RGBA"
    for name in sample natural strength rgba; do
        if [ ! -f "$scratch/$name-command.png" ]; then
            skip "the chroot's operation writes the host command's bytes: $name (no command)"
        else
            check "the chroot's operation writes the host command's bytes: $name" \
                same_pixels "$scratch/$name-gegl.png" "$scratch/$name-command.png"
        fi
    done

    # ---- GIMP 3 through the PDB, one session for the pictures --------------
    # (restore IN OUT METHOD STRENGTH DMAX RED GREEN BLUE PREPARE) loads IN,
    # lets PREPARE change the image (a selection, a precision), runs
    # plug-in-mirtane non-interactively on its layer (with named arguments,
    # the form Script-Fu 3 recommends; the calls below use the older ordered
    # list, which it still takes), reports the layer's
    # filters and exports OUT (the export renders the filters).
    local session="
      (define (restore in out method strength dmax red green blue prepare)
        (let* ((image (car (gimp-file-load RUN-NONINTERACTIVE in)))
               (layer (vector-ref (car (gimp-image-get-layers image)) 0)))
          (prepare image)
          (plug-in-mirtane #:run-mode RUN-NONINTERACTIVE #:image image #:drawables (vector layer)
                           #:method method #:strength strength #:dmax dmax
                           #:cyan-red red #:magenta-green green #:yellow-blue blue)
          (let ((filters (car (gimp-drawable-get-filters layer))))
            (gimp-message (string-append out \" filters:\"
              (apply string-append
                (map (lambda (f) (string-append \" \" (car (gimp-drawable-filter-get-operation-name f))))
                     (vector->list filters))))))
          (gimp-file-save RUN-NONINTERACTIVE image out -1)
          (gimp-image-delete image)))
      (define (as-is image) #t)
      (restore \"$scratch/sample.png\" \"$scratch/gimp-8bit.png\" \"plug-in\" 100 2.1 4 0 -3 as-is)
      (restore \"$scratch/sample.png\" \"$scratch/gimp-natural.png\" \"natural\" 100 3.0 2 0 0 as-is)
      (restore \"$scratch/sample.png\" \"$scratch/gimp-strength.png\" \"plug-in\" 40 2.1 4 0 0 as-is)
      (restore \"$scratch/rgba.png\" \"$scratch/gimp-rgba.png\" \"plug-in\" 100 2.1 3 -2 0 as-is)
      (restore \"$scratch/sample.png\" \"$scratch/gimp-selection.png\" \"plug-in\" 100 2.1 4 0 -3
               (lambda (image)
                 (gimp-image-select-rectangle image CHANNEL-OP-REPLACE 100 50 300 200)))
      (restore \"$scratch/sample-16bit.png\" \"$scratch/gimp-16bit.png\" \"plug-in\" 100 2.1 4 0 -3
               as-is)
      (restore \"$scratch/sample.png\" \"$scratch/gimp-float.png\" \"plug-in\" 100 2.1 4 0 -3
               (lambda (image) (gimp-image-convert-precision image PRECISION-FLOAT-LINEAR)))"
    rm -f "$scratch"/gimp-*.png
    run_gimp "$scratch/gimp.log" "$session"
    grep -q 'batch command executed successfully' "$scratch/gimp.log" ||
        { tail -20 "$scratch/gimp.log"; fail "the GIMP session runs (see $scratch/gimp.log)"; }

    check "the procedure is in Filters > Colors as \"_Mirtane...\"" \
        bash -c "grep -A12 '(proc-def \"plug-in-mirtane\"' '$GIMP3_DIRECTORY/pluginrc' |
                     grep -q '(menu-path \"<Image>/Filters/Colors\")' &&
                 grep -A8 '(proc-def \"plug-in-mirtane\"' '$GIMP3_DIRECTORY/pluginrc' |
                     grep -q '\"_Mirtane...\"'"
    check "the correction is a non-destructive filter: the layer carries mirtane:restore" \
        grep -q "gimp-8bit.png filters: mirtane:restore\$" "$scratch/gimp.log"
    check "GIMP 3 writes the operation's bytes: 8-bit, plug-in method, trims 4 0 -3" \
        same_pixels "$scratch/gimp-8bit.png" "$scratch/sample-gegl.png"
    check "GIMP 3 writes the operation's bytes: natural method, black density 3.0" \
        same_pixels "$scratch/gimp-natural.png" "$scratch/natural-gegl.png"
    check "GIMP 3 writes the operation's bytes: strength 40" \
        same_pixels "$scratch/gimp-strength.png" "$scratch/strength-gegl.png"
    # GIMP's PNG export writes fully transparent pixels as black by default,
    # so the colours are compared premultiplied by their alpha.
    check "GIMP 3 writes the operation's bytes: RGBA, its alpha untouched" \
        bash -c "$(declare -f max_difference same_pixels); scratch='$scratch';
                 vips premultiply '$scratch/gimp-rgba.png' '$scratch/gimp-rgba-premultiplied.v' &&
                 vips premultiply '$scratch/rgba-gegl.png' '$scratch/rgba-gegl-premultiplied.v' &&
                 same_pixels '$scratch/gimp-rgba-premultiplied.v' '$scratch/rgba-gegl-premultiplied.v' &&
                 vips extract_band '$scratch/gimp-rgba.png' '$scratch/alpha-out.png' 3 &&
                 vips extract_band '$scratch/rgba.png' '$scratch/alpha-in.png' 3 &&
                 same_pixels '$scratch/alpha-out.png' '$scratch/alpha-in.png'"
    check "with a selection GIMP 3 corrects inside it only, with the operation's bytes" \
        bash -c "$(declare -f max_difference same_pixels); scratch='$scratch';
                 vips crop '$scratch/gimp-selection.png' '$scratch/inside-gimp.png' 100 50 300 200 &&
                 vips crop '$scratch/sample-gegl.png' '$scratch/inside-gegl.png' 100 50 300 200 &&
                 same_pixels '$scratch/inside-gimp.png' '$scratch/inside-gegl.png' &&
                 vips crop '$scratch/gimp-selection.png' '$scratch/below-gimp.png' 0 250 1200 650 &&
                 vips crop '$scratch/sample.png' '$scratch/below-input.png' 0 250 1200 650 &&
                 same_pixels '$scratch/below-gimp.png' '$scratch/below-input.png'"
    check "a 16-bit layer stays 16-bit, within one level of the 8-bit result" \
        within_one_level "$scratch/gimp-16bit.png" "$scratch/sample-gegl.png"
    check "a linear float layer, exported at 16 bits, is within one level of the 8-bit result" \
        within_one_level "$scratch/gimp-float.png" "$scratch/sample-gegl.png"

    # ---- What a script is told ----------------------------------------------
    local one_call="(let* ((image (car (gimp-file-load RUN-NONINTERACTIVE \"%s\")))
                           (layer (vector-ref (car (gimp-image-get-layers image)) 0)))
                      (plug-in-mirtane RUN-NONINTERACTIVE image (vector layer) \"plug-in\" 100 2.1
                                       %s 0 0)
                      (gimp-file-save RUN-NONINTERACTIVE image \"$scratch/refused.png\" -1))"
    rm -f "$scratch/refused.png"
    # shellcheck disable=SC2059
    run_gimp "$scratch/refused-trim.log" "$(printf "$one_call" "$scratch/sample.png" 26)"
    check "GIMP 3 refuses a trim outside -25 ... 25 and writes nothing" \
        bash -c "[ ! -f '$scratch/refused.png' ] &&
                 grep -q 'value 26 out of range: -25 to 25' '$scratch/refused-trim.log'"
    # shellcheck disable=SC2059
    run_gimp "$scratch/refused-small.log" "$(printf "$one_call" "$scratch/small-479x600.png" 0)"
    check "below 480 x 480 the plug-in method fails with the plug-in's message" \
        bash -c "[ ! -f '$scratch/refused.png' ] &&
                 grep -q 'plug-in-mirtane failed: Image must be at least 480x480' \
                     '$scratch/refused-small.log'"
    # shellcheck disable=SC2059
    GEGL_PATH=$system_operations run_gimp "$scratch/refused-missing.log" \
        "$(printf "$one_call" "$scratch/sample.png" 0)"
    check "without the operation installed the plug-in fails and says so" \
        bash -c "[ ! -f '$scratch/refused.png' ] &&
                 grep -q 'plug-in-mirtane failed: GIMP cannot apply the GEGL operation mirtane:restore' \
                     '$scratch/refused-missing.log'"

    # ---- The dialog, under a virtual display ---------------------------------
    # GIMP with a display opens the dialog; once it is on screen the root
    # window is photographed and KEY pressed in it (Escape cancels, Return
    # confirms). Then the batch reports the layer's filters and exports OUT.
    run_dialog() {  # KEY SHOT OUT LOG
        rm -f "$2" "$3"
        xvfb-run -a -s '-screen 0 1280x1024x24' bash -c '
            gimp-3.0 -d -f --batch-interpreter=plug-in-script-fu-eval -b "
              (let* ((image (car (gimp-file-load RUN-NONINTERACTIVE \"$1\")))
                     (layer (vector-ref (car (gimp-image-get-layers image)) 0)))
                (gimp-message-set-handler CONSOLE)
                (gimp-display-new image)
                (catch #f
                  (plug-in-mirtane RUN-INTERACTIVE image (vector layer) \"plug-in\" 100 2.1 4 0 -3))
                (gimp-message (string-append \"after the dialog, filters: \"
                  (number->string (vector-length (car (gimp-drawable-get-filters layer))))))
                (gimp-file-save RUN-NONINTERACTIVE image \"$4\" -1)
                (gimp-message \"exported\"))" >"$5" 2>&1 &
            gimp=$!
            for _ in $(seq 1 240); do
                if xwininfo -root -tree 2>/dev/null | grep -q "\"Mirtane\""; then
                    sleep 4
                    import -window root "$3"
                    xdotool search --name "^Mirtane\$" windowfocus --sync key "$2"
                    break
                fi
                sleep 0.5
            done
            for _ in $(seq 1 60); do
                grep -q "exported" "$5" && break
                sleep 0.5
            done
            kill $gimp 2>/dev/null
            sleep 2
            kill -9 $gimp 2>/dev/null
            true' bash "$scratch/sample.png" "$1" "$2" "$3" "$4" >/dev/null 2>&1
    }
    local shot="$scratch/gimp3-dialog.png"
    run_dialog Escape "$shot" "$scratch/dialog-cancelled.png" "$scratch/dialog-cancelled.log"
    check "the GIMP 3 dialog opens (screenshot $shot)" test -s "$shot"
    check "Cancel in the dialog takes the previewed filter off the layer" \
        bash -c "$(declare -f max_difference same_pixels); scratch='$scratch';
                 grep -q 'after the dialog, filters: 0' '$scratch/dialog-cancelled.log' &&
                 same_pixels '$scratch/dialog-cancelled.png' '$scratch/sample.png'"
    run_dialog Return "$scratch/dialog-confirmed-shot.png" "$scratch/dialog-confirmed.png" \
        "$scratch/dialog-confirmed.log"
    check "OK in the dialog leaves the filter on the layer, with the operation's bytes" \
        bash -c "$(declare -f max_difference same_pixels); scratch='$scratch';
                 grep -q 'after the dialog, filters: 1' '$scratch/dialog-confirmed.log' &&
                 same_pixels '$scratch/dialog-confirmed.png' '$scratch/sample-gegl.png'"

    # ---- The install --------------------------------------------------------
    local stage="$scratch/stage"
    local installed
    installed="$stage$(pkg-config --variable=gimplibdir gimp-3.0)/plug-ins/mirtane-gimp3/mirtane-gimp3"
    rm -rf "$stage"
    check "the install puts the plug-in in a folder of its name under GIMP 3's plug-ins" \
        bash -c "DESTDIR='$stage' cmake -P '$build_dir/gimp3/cmake_install.cmake' >/dev/null &&
                 [ -x '$installed' ]"

    finish
}

if [ "${1:-}" = "--inside" ]; then
    [ $# -eq 3 ] || exit 2
    mkdir -p "$3"
    inside "$2" "$(cd "$3" && pwd)"
fi

# ---- On the host -------------------------------------------------------------
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 CHROOT_DIR [MIRTANE_COMMAND]" >&2
    exit 2
fi
if [ "$(id -u)" -ne 0 ]; then
    echo "$0: run as root (debootstrap, chroot and mount need it)" >&2
    exit 2
fi
repository=$(cd "$(dirname "$0")/../.." && pwd)
chroot_dir=$(realpath -m "$1")
command=${2:-$repository/build/release/cli/mirtane}
mirror=${MIRTANE_DEBIAN_MIRROR:-http://deb.debian.org/debian}
packages=(
    # The build of the whole tree's configuration (the command's libraries
    # included: CMake asks for them even when only two targets are built)
    cmake ninja-build g++ pkg-config libgtest-dev libbenchmark-dev zlib1g-dev python3
    libvips-dev libcli11-dev libjpeg-dev libtiff-dev libexiv2-dev
    # GIMP 3 and GEGL, and what the tests use
    gimp libgimp-3.0-dev libgegl-dev gegl libvips-tools imagemagick xvfb xauth x11-utils
    xdotool
)

if [ ! -x "$chroot_dir/usr/bin/apt-get" ]; then
    command -v debootstrap >/dev/null || { echo "$0: needs debootstrap (apt-get install debootstrap)" >&2; exit 2; }
    echo "creating a Debian 13 chroot in $chroot_dir"
    debootstrap --variant=minbase trixie "$chroot_dir" "$mirror" >"$chroot_dir.debootstrap.log" 2>&1 ||
        { tail -5 "$chroot_dir.debootstrap.log"; echo "$0: debootstrap failed" >&2; exit 2; }
fi

# Everything mounted here is unmounted on the way out, whatever happens.
mounted=()
unmount_all() {
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount "${mounted[$i]}" || umount -l "${mounted[$i]}"; done
}
trap unmount_all EXIT
if ! mountpoint -q "$chroot_dir/proc"; then
    mount -t proc proc "$chroot_dir/proc" && mounted+=("$chroot_dir/proc") || exit 2
fi
mkdir -p "$chroot_dir/src"
if ! mountpoint -q "$chroot_dir/src"; then
    mount --bind "$repository" "$chroot_dir/src" && mounted+=("$chroot_dir/src") || exit 2
    mount -o remount,ro,bind "$chroot_dir/src" || exit 2
fi
cp /etc/resolv.conf "$chroot_dir/etc/resolv.conf" 2>/dev/null

missing=$(chroot "$chroot_dir" dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null |
          awk '$NF == "installed" { print $1 }' | sort | comm -13 - <(printf '%s\n' "${packages[@]}" | sort))
if [ -n "$missing" ]; then
    echo "installing in the chroot:" $missing
    # shellcheck disable=SC2086
    chroot "$chroot_dir" /usr/bin/env DEBIAN_FRONTEND=noninteractive bash -c \
        "apt-get update && apt-get install -y --no-install-recommends $(echo $missing)" \
        >"$chroot_dir.apt.log" 2>&1 ||
        { tail -5 "$chroot_dir.apt.log"; echo "$0: the chroot's packages did not install" >&2; exit 2; }
fi

# The pictures, made once here so that both sides read the same pixels (a
# JPEG may decode differently in another libjpeg), and the command's bytes.
scratch_inside=/tmp/mirtane-gimp3-tests
scratch="$chroot_dir$scratch_inside"
rm -rf "$scratch"
mkdir -p "$scratch"
sample="$scratch/sample.png"
vips copy "$repository/samples/faded-mountain.jpg" "$sample" &&
    convert "$sample" -alpha set -channel A -fx 'i/w' +channel "$scratch/rgba.png" &&
    vips crop "$sample" "$scratch/small-479x600.png" 0 0 479 600 &&
    convert "$sample" -depth 16 "PNG48:$scratch/sample-16bit.png" || exit 2
if [ -x "$command" ]; then
    "$command" restore "$sample" -o "$scratch/sample-command.png" --cyan-red 4 --yellow-blue -3 &&
        "$command" restore "$sample" -o "$scratch/natural-command.png" --method natural \
            --film slide --cyan-red 2 &&
        "$command" restore "$sample" -o "$scratch/strength-command.png" --cyan-red 4 --strength 40 &&
        "$command" restore "$scratch/rgba.png" -o "$scratch/rgba-command.png" --cyan-red 3 \
            --magenta-green -2 || exit 2
    # Quiet: the command reports what it did on standard error.
fi >/dev/null 2>"$scratch/command.log"

chroot "$chroot_dir" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    bash /src/tests/gimp3/run-gimp3-tests.sh --inside /build/mirtane "$scratch_inside"
