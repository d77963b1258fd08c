/* Reading a drawable for the analysis and writing the correction back. */
#include <math.h>
#include <string.h>

#include "MirtaneGimp.h"

const Babl* mirtane_pixel_format(gint32 drawable) {
    const Babl* own = gimp_drawable_get_format(drawable);
    const Babl* type = babl_format_get_type(own, 0);
    gboolean alpha = gimp_drawable_has_alpha(drawable);
    const char* name;

    if (type == babl_type("u8"))
        name = alpha ? "R'G'B'A u8" : "R'G'B' u8";
    else if (type == babl_type("u16"))
        name = alpha ? "R'G'B'A u16" : "R'G'B' u16";
    else
        name = alpha ? "R'G'B'A float" : "R'G'B' float";
    /* In the drawable's own space, so that 8-bit pixels pass unchanged. */
    return babl_format_with_space(name, own);
}

/* The 8-bit RGB rendering the analysis sees: an 8-bit drawable as it is, a
 * deeper one rounded to nearest. */
static void render_rgb8(const guchar* pixels, const Babl* format, gsize count, guchar* out) {
    const Babl* type = babl_format_get_type(format, 0);
    gint channels = babl_format_get_n_components(format);
    gsize i;
    gint c;

    for (i = 0; i < count; i++)
        for (c = 0; c < 3; c++) {
            gsize at = i * channels + c;
            if (type == babl_type("u8"))
                out[i * 3 + c] = pixels[at];
            else if (type == babl_type("u16"))
                out[i * 3 + c] = mirtane_sample16_to_8(((const guint16*)pixels)[at]);
            else {
                gfloat v = ((const gfloat*)pixels)[at];
                v = isnan(v) ? 0.0f : CLAMP(v, 0.0f, 1.0f);
                out[i * 3 + c] = (guchar)floor((double)v * 255.0 + 0.5);
            }
        }
}

gboolean mirtane_read_drawable(gint32 drawable, MirtaneAnalysis* analysis, gchar* error,
                               gsize error_size) {
    GeglBuffer* buffer;
    const Babl* format = mirtane_pixel_format(drawable);
    gint width = gimp_drawable_width(drawable);
    gint height = gimp_drawable_height(drawable);
    gsize count = (gsize)width * (gsize)height;
    guchar* pixels;

    memset(analysis, 0, sizeof *analysis);
    analysis->drawable = drawable;
    analysis->format = format;
    analysis->method = -1;
    if (!gimp_drawable_is_rgb(drawable)) {
        g_strlcpy(error, "Mirtane works on RGB images only", error_size);
        return FALSE;
    }
    pixels = g_try_malloc(count * babl_format_get_bytes_per_pixel(format));
    analysis->rgb = g_try_malloc(count * 3);
    if (pixels == NULL || analysis->rgb == NULL) {
        g_free(pixels);
        g_strlcpy(error, "not enough memory for the analysis", error_size);
        return FALSE;
    }
    buffer = gimp_drawable_get_buffer(drawable);
    gegl_buffer_get(buffer, GEGL_RECTANGLE(0, 0, width, height), 1.0, format, pixels,
                    GEGL_AUTO_ROWSTRIDE, GEGL_ABYSS_NONE);
    g_object_unref(buffer);
    render_rgb8(pixels, format, count, analysis->rgb);
    g_free(pixels);
    analysis->width = width;
    analysis->height = height;
    return TRUE;
}

void mirtane_release_drawable(MirtaneAnalysis* analysis) {
    g_free(analysis->rgb);
    analysis->rgb = NULL;
}

gboolean mirtane_analyse(MirtaneAnalysis* analysis, const MirtaneSettings* settings, gchar* error,
                         gsize error_size) {
    const ptrdiff_t stride = (ptrdiff_t)analysis->width * 3;
    const gint method = settings->method;
    int status;

    if (analysis->method == method &&
        (method != MIRTANE_METHOD_NATURAL || analysis->dmax == settings->dmax))
        return TRUE;
    if (method == MIRTANE_METHOD_NATURAL)
        status = mirtane_analyse_natural_rgb8(analysis->rgb, analysis->width, analysis->height,
                                              stride, 3, settings->dmax, MIRTANE_DEFAULT_FLARE,
                                              &analysis->correction, NULL, error, error_size);
    else
        status = mirtane_analyse_rgb8(analysis->rgb, analysis->width, analysis->height, stride, 3,
                                      &analysis->correction, error, error_size);
    analysis->method = status == 0 ? method : -1;
    analysis->dmax = settings->dmax;
    return status == 0;
}

void mirtane_correct_pixels(const MirtaneAnalysis* analysis, const Babl* format, guchar* pixels,
                            gint width, gint height, const MirtaneSettings* settings) {
    const Babl* type = babl_format_get_type(format, 0);
    gint channels = babl_format_get_n_components(format);
    ptrdiff_t stride = (ptrdiff_t)width * babl_format_get_bytes_per_pixel(format);
    const MirtaneCorrection* correction = &analysis->correction;

    if (type == babl_type("u8"))
        mirtane_apply_rgb8_at(pixels, width, height, stride, channels, correction, &settings->trims,
                              settings->strength);
    else if (type == babl_type("u16"))
        mirtane_apply_rgb16_at((unsigned short*)pixels, width, height, stride, channels, correction,
                               &settings->trims, settings->strength);
    else
        mirtane_apply_rgbf_at((float*)pixels, width, height, stride, channels, correction,
                              &settings->trims, settings->strength);
}

void mirtane_apply_to_drawable(const MirtaneAnalysis* analysis, const MirtaneSettings* settings) {
    gint32 drawable = analysis->drawable;
    GeglBuffer* source;
    GeglBuffer* shadow;
    gint x, y, width, height;
    gint row, band;
    guchar* pixels;
    gint bytes = babl_format_get_bytes_per_pixel(analysis->format);

    /* Only the selection's bounds are written; merging the shadow blends a
     * partial selection and records the undo step. */
    if (!gimp_drawable_mask_intersect(drawable, &x, &y, &width, &height)) return;
    band = MAX(1, MIN(height, (gint)(4 * 1024 * 1024 / MAX(1, width * bytes))));
    pixels = g_malloc((gsize)width * band * bytes);
    source = gimp_drawable_get_buffer(drawable);
    shadow = gimp_drawable_get_shadow_buffer(drawable);
    gimp_progress_init("Mirtane");
    for (row = 0; row < height; row += band) {
        gint rows = MIN(band, height - row);
        GeglRectangle area = {x, y + row, width, rows};
        gegl_buffer_get(source, &area, 1.0, analysis->format, pixels, GEGL_AUTO_ROWSTRIDE,
                        GEGL_ABYSS_NONE);
        mirtane_correct_pixels(analysis, analysis->format, pixels, width, rows, settings);
        gegl_buffer_set(shadow, &area, 0, analysis->format, pixels, GEGL_AUTO_ROWSTRIDE);
        gimp_progress_update((gdouble)(row + rows) / height);
    }
    g_free(pixels);
    g_object_unref(source);
    gegl_buffer_flush(shadow);
    g_object_unref(shadow);
    gimp_drawable_merge_shadow(drawable, TRUE);
    gimp_drawable_update(drawable, x, y, width, height);
    gimp_progress_end();
}
