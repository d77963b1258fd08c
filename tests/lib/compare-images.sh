# Shell functions the scripted tests share to compare pictures with libvips'
# command-line tools; source it after setting $scratch (a folder for the
# intermediate images).

# Largest difference between two images' samples (0.000000 when identical).
max_difference() {
    vips subtract "$1" "$2" "$scratch/difference.v" &&
        vips abs "$scratch/difference.v" "$scratch/absolute.v" &&
        vips max "$scratch/absolute.v"
}

# True when both images have the same size and bands and the same samples.
same_pixels() {
    [ "$(vipsheader -f width "$1")x$(vipsheader -f height "$1")x$(vipsheader -f bands "$1")" = \
      "$(vipsheader -f width "$2")x$(vipsheader -f height "$2")x$(vipsheader -f bands "$2")" ] &&
        [ "$(max_difference "$1" "$2")" = "0.000000" ]
}
