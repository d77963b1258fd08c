/* mirtane:restore, a GEGL filter that restores faded and colour-cast photos
 * with the plug-in's own analysis (through the engine), then corrects every
 * pixel at the input's own precision. The analysis needs the whole picture,
 * so the required and cached regions are the whole input.
 *
 * The pixels are read and written in the input's own colour space, so an
 * 8-bit input passes through babl unchanged and gets exactly the plug-in's
 * bytes. Alpha passes through untouched. Below 480 x 480 (or on any other
 * refusal of the analysis) the input passes through and the reason goes to
 * GLib's warning log, which GEGL prints and GIMP shows in its error console. */
#ifdef GEGL_PROPERTIES

enum_start(mirtane_restore_method) enum_value(
    MIRTANE_METHOD_PLUG_IN, "plug-in",
    "Plug-in analysis") enum_value(MIRTANE_METHOD_NATURAL, "natural",
                                   "Natural (undo a dye fade)") enum_end(MirtaneRestoreMethod)

    property_enum(method, "Method", MirtaneRestoreMethod, mirtane_restore_method,
                  MIRTANE_METHOD_PLUG_IN)
        description(
            "plug-in: the filter plug-in's own analysis, which equalises and "
            "neutralises; natural: a per-channel density gain that undoes a dye fade "
            "and leaves unfaded pictures alone")

            property_double(dmax, "Black density", 2.1) description(
                "Natural method: density of the original black, 2.1 for prints, 3.0 for slides")
                value_range(0.5, 4.0)

                    property_int(cyan_red, "Cyan – Red", 0) description(
                        "Colour balance trim from cyan (-25) to red (25), 0 neutral")
                        value_range(-25, 25)

                            property_int(magenta_green, "Magenta – Green", 0) description(
                                "Colour balance trim from magenta (-25) to green (25), 0 neutral")
                                value_range(-25, 25)

                                    property_int(yellow_blue, "Yellow – Blue", 0) description(
                                        "Colour balance trim from yellow (-25) to blue (25), 0 "
                                        "neutral") value_range(-25, 25)

                                        property_int(strength, "Strength", 100) description(
                                            "Per cent of the way each sample moves towards its "
                                            "corrected value; 100 is the full correction")
                                            value_range(0, 100)

#else

#define GEGL_OP_FILTER
// GEGL stringifies the file name token by token: no spaces around its '-'.
// clang-format off
#define GEGL_OP_NAME     mirtane_restore
#define GEGL_OP_C_SOURCE mirtane-restore.c
// clang-format on

// enum_end() translates the values' labels with dgettext(), which newer
// GEGL (0.4.62, Debian 13) no longer declares through gegl-op.h.
#include <glib/gi18n-lib.h>

#include "gegl-op.h"

#include <math.h>
#include <string.h>

#include "engine/MirtaneEngine.h"

typedef enum { DEPTH_U8, DEPTH_U16, DEPTH_FLOAT } SampleDepth;

static SampleDepth input_depth(GeglOperation* operation) {
    const Babl* format = gegl_operation_get_source_format(operation, "input");
    const Babl* type;

    if (format == NULL) return DEPTH_U8;
    type = babl_format_get_type(format, 0);
    if (type == babl_type("u8")) return DEPTH_U8;
    if (type == babl_type("u16")) return DEPTH_U16;
    return DEPTH_FLOAT;
}

static void prepare(GeglOperation* operation) {
    const Babl* space = gegl_operation_get_source_space(operation, "input");
    const Babl* source = gegl_operation_get_source_format(operation, "input");
    gboolean alpha = source != NULL && babl_format_has_alpha(source);
    const char* name;

    switch (input_depth(operation)) {
    case DEPTH_U8: name = alpha ? "R'G'B'A u8" : "R'G'B' u8"; break;
    case DEPTH_U16: name = alpha ? "R'G'B'A u16" : "R'G'B' u16"; break;
    default: name = alpha ? "R'G'B'A float" : "R'G'B' float"; break;
    }
    gegl_operation_set_format(operation, "input", babl_format_with_space(name, space));
    gegl_operation_set_format(operation, "output", babl_format_with_space(name, space));
}

static GeglRectangle whole_input(GeglOperation* operation, const GeglRectangle* roi) {
    const GeglRectangle* box = gegl_operation_source_get_bounding_box(operation, "input");

    if (box == NULL || gegl_rectangle_is_infinite_plane(box)) return *roi;
    return *box;
}

static GeglRectangle get_required_for_output(GeglOperation* operation,
                                             G_GNUC_UNUSED const gchar* input_pad,
                                             const GeglRectangle* roi) {
    return whole_input(operation, roi);
}

static GeglRectangle get_cached_region(GeglOperation* operation, const GeglRectangle* roi) {
    return whole_input(operation, roi);
}

/* Rows read from or written to a GEGL buffer at a time: enough that each
 * request costs little, few enough that a strip is small beside the picture. */
#define STRIP_ROWS 64

/* The 8-bit RGB rendering the analysis sees of `count` pixels: an 8-bit
 * input as it is, a deeper one rounded to nearest (see mirtane_sample16_to_8). */
static void render_rgb8(const void* pixels, SampleDepth depth, gint count, gint channels,
                        guchar* out) {
    gint i, c;

    for (i = 0; i < count; i++)
        for (c = 0; c < 3; c++) {
            gsize at = (gsize)i * channels + c;
            if (depth == DEPTH_U8)
                out[i * 3 + c] = ((const guchar*)pixels)[at];
            else if (depth == DEPTH_U16)
                out[i * 3 + c] = mirtane_sample16_to_8(((const guint16*)pixels)[at]);
            else {
                gfloat v = ((const gfloat*)pixels)[at];
                v = isnan(v) ? 0.0f : (v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v));
                out[i * 3 + c] = (guchar)floor((double)v * 255.0 + 0.5);
            }
        }
}

/* The chosen method's correction of packed 8-bit RGB pixels. */
static gboolean analyse(GeglProperties* o, const guchar* pixels, gint width, gint height,
                        MirtaneCorrection* correction, char* error, gsize error_size) {
    ptrdiff_t stride = (ptrdiff_t)width * 3;

    if (o->method == MIRTANE_METHOD_NATURAL)
        return mirtane_analyse_natural_rgb8(pixels, width, height, stride, 3, o->dmax,
                                            MIRTANE_DEFAULT_FLARE, correction, NULL, error,
                                            error_size) == 0;
    return mirtane_analyse_rgb8(pixels, width, height, stride, 3, correction, error, error_size) ==
           0;
}

/* Rows top ... top + STRIP_ROWS - 1 of `whole`, as far as it reaches. */
static GeglRectangle strip_at(const GeglRectangle* whole, gint top) {
    GeglRectangle rows = {whole->x, top, whole->width,
                          MIN(STRIP_ROWS, whole->y + whole->height - top)};
    return rows;
}

/* The picture is held once, as the 8-bit rendering the analysis reads; the
 * input is read, corrected and written a strip of rows at a time. */
static gboolean process(GeglOperation* operation, GeglBuffer* input, GeglBuffer* output,
                        const GeglRectangle* result, G_GNUC_UNUSED gint level) {
    GeglProperties* o = GEGL_PROPERTIES(operation);
    const Babl* format = gegl_operation_get_format(operation, "output");
    GeglRectangle whole = *gegl_buffer_get_extent(input);
    SampleDepth depth = input_depth(operation);
    gint channels = babl_format_get_n_components(format);
    gint pixel_bytes = babl_format_get_bytes_per_pixel(format);
    ptrdiff_t stride = (ptrdiff_t)whole.width * pixel_bytes;
    MirtaneTrims trims = {o->cyan_red, o->magenta_green, o->yellow_blue};
    MirtaneCorrection correction;
    char error[256] = "";
    guchar* rendering = g_try_malloc((gsize)whole.width * (gsize)whole.height * 3);
    guchar* strip = g_try_malloc((gsize)stride * STRIP_ROWS);
    gboolean analysed = FALSE;
    gint top;

    if (rendering == NULL || strip == NULL) {
        g_warning("mirtane:restore: not enough memory for a %d x %d image", whole.width,
                  whole.height);
        g_free(rendering);
        g_free(strip);
        gegl_buffer_copy(input, result, GEGL_ABYSS_NONE, output, result);
        return TRUE;
    }
    for (top = whole.y; top < whole.y + whole.height; top += STRIP_ROWS) {
        GeglRectangle rows = strip_at(&whole, top);
        gegl_buffer_get(input, &rows, 1.0, format, strip, GEGL_AUTO_ROWSTRIDE, GEGL_ABYSS_NONE);
        render_rgb8(strip, depth, rows.width * rows.height, channels,
                    rendering + (gsize)(top - whole.y) * whole.width * 3);
    }
    analysed = analyse(o, rendering, whole.width, whole.height, &correction, error, sizeof error);
    g_free(rendering);
    if (!analysed) g_warning("mirtane:restore: %s", error);

    for (top = whole.y; top < whole.y + whole.height; top += STRIP_ROWS) {
        GeglRectangle rows = strip_at(&whole, top);
        gegl_buffer_get(input, &rows, 1.0, format, strip, GEGL_AUTO_ROWSTRIDE, GEGL_ABYSS_NONE);
        if (analysed && depth == DEPTH_U8)
            mirtane_apply_rgb8_at(strip, rows.width, rows.height, stride, channels, &correction,
                                  &trims, o->strength);
        else if (analysed && depth == DEPTH_U16)
            mirtane_apply_rgb16_at((guint16*)strip, rows.width, rows.height, stride, channels,
                                   &correction, &trims, o->strength);
        else if (analysed)
            mirtane_apply_rgbf_at((gfloat*)strip, rows.width, rows.height, stride, channels,
                                  &correction, &trims, o->strength);
        gegl_buffer_set(output, &rows, 0, format, strip, GEGL_AUTO_ROWSTRIDE);
    }
    g_free(strip);
    return TRUE;
}

static void gegl_op_class_init(GeglOpClass* klass) {
    GeglOperationClass* operation_class = GEGL_OPERATION_CLASS(klass);
    GeglOperationFilterClass* filter_class = GEGL_OPERATION_FILTER_CLASS(klass);

    filter_class->process = process;
    operation_class->prepare = prepare;
    operation_class->get_required_for_output = get_required_for_output;
    operation_class->get_cached_region = get_cached_region;
    operation_class->threaded = FALSE;

    gegl_operation_class_set_keys(operation_class, "name", "mirtane:restore", "title", "Mirtane",
                                  "categories", "color", "description",
                                  "Restores faded and colour-cast photographs: one tone curve per "
                                  "colour channel, worked out from the picture alone, with three "
                                  "colour-balance trims",
                                  NULL);
}

#endif
