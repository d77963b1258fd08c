/* The dialog: the three trims as sliders with entries, labelled as the
 * plug-in's own dialog labels them, and a preview of the restored drawable
 * that follows them. */
#include "MirtaneGimp.h"

#include <libgimp/gimpui.h>

enum { RESPONSE_RESET = 1 };

typedef struct {
    const MirtaneAnalysis* analysis;
    MirtaneTrims* trims;
    GtkWidget* preview;
    GtkObject* adjustments[3];
} DialogState;

static void update_preview(GimpPreview* preview, DialogState* state) {
    /* The preview draws 8-bit pixels of the drawable's layout. */
    gint32 drawable = state->analysis->drawable;
    const Babl* format =
        babl_format_with_space(gimp_drawable_has_alpha(drawable) ? "R'G'B'A u8" : "R'G'B' u8",
                               gimp_drawable_get_format(drawable));
    gint bytes = babl_format_get_bytes_per_pixel(format);
    gint x, y, width, height;
    GeglBuffer* buffer;
    guchar* pixels;

    gimp_preview_get_position(preview, &x, &y);
    gimp_preview_get_size(preview, &width, &height);
    pixels = g_malloc((gsize)width * height * bytes);
    buffer = gimp_drawable_get_buffer(drawable);
    gegl_buffer_get(buffer, GEGL_RECTANGLE(x, y, width, height), 1.0, format, pixels,
                    GEGL_AUTO_ROWSTRIDE, GEGL_ABYSS_NONE);
    g_object_unref(buffer);
    mirtane_correct_pixels(state->analysis, format, pixels, width, height, state->trims);
    gimp_preview_draw_buffer(preview, pixels, width * bytes);
    g_free(pixels);
}

static void trim_changed(GtkAdjustment* adjustment, gint* trim) {
    *trim = (gint)gtk_adjustment_get_value(adjustment);
}

static void respond(GtkWidget* dialog, gint response, DialogState* state) {
    gint i;

    if (response != RESPONSE_RESET) return;
    for (i = 0; i < 3; i++)
        gtk_adjustment_set_value(GTK_ADJUSTMENT(state->adjustments[i]), 0);
    g_signal_stop_emission_by_name(dialog, "response");
}

gboolean mirtane_dialog_run(const MirtaneAnalysis* analysis, MirtaneTrims* trims) {
    static const struct {
        const gchar* label;
        const gchar* tooltip;
    } rows[3] = {
        {"Cyan – Red", "Towards cyan (-25) or red (25); 0 leaves the balance as restored"},
        {"Magenta – Green",
         "Towards magenta (-25) or green (25); 0 leaves the balance as restored"},
        {"Yellow – Blue", "Towards yellow (-25) or blue (25); 0 leaves the balance as restored"},
    };
    gint* values[3] = {&trims->cyanRed, &trims->magentaGreen, &trims->yellowBlue};
    DialogState state = {analysis, trims, NULL, {NULL}};
    GtkWidget* dialog;
    GtkWidget* box;
    GtkWidget* table;
    gboolean confirmed;
    gint i;

    gimp_ui_init(MIRTANE_BINARY, TRUE);
    dialog = gimp_dialog_new("Mirtane", MIRTANE_BINARY, NULL, 0, gimp_standard_help_func,
                             MIRTANE_PROCEDURE, "_Reset", RESPONSE_RESET, "_Cancel",
                             GTK_RESPONSE_CANCEL, "_OK", GTK_RESPONSE_OK, NULL);
    gimp_window_set_transient(GTK_WINDOW(dialog));

    box = gtk_vbox_new(FALSE, 12);
    gtk_container_set_border_width(GTK_CONTAINER(box), 12);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), box, TRUE, TRUE,
                       0);

    state.preview = gimp_drawable_preview_new_from_drawable_id(analysis->drawable);
    gtk_box_pack_start(GTK_BOX(box), state.preview, TRUE, TRUE, 0);
    g_signal_connect(state.preview, "invalidated", G_CALLBACK(update_preview), &state);

    table = gtk_table_new(3, 3, FALSE);
    gtk_table_set_col_spacings(GTK_TABLE(table), 6);
    gtk_table_set_row_spacings(GTK_TABLE(table), 6);
    gtk_box_pack_start(GTK_BOX(box), table, FALSE, FALSE, 0);
    for (i = 0; i < 3; i++) {
        state.adjustments[i] = gimp_scale_entry_new(
            GTK_TABLE(table), 0, i, rows[i].label, 200, 4, *values[i], -MIRTANE_TRIM_LIMIT,
            MIRTANE_TRIM_LIMIT, 1, 5, 0, TRUE, 0, 0, rows[i].tooltip, NULL);
        g_signal_connect(state.adjustments[i], "value-changed", G_CALLBACK(trim_changed),
                         values[i]);
        g_signal_connect_swapped(state.adjustments[i], "value-changed",
                                 G_CALLBACK(gimp_preview_invalidate), state.preview);
    }
    g_signal_connect(dialog, "response", G_CALLBACK(respond), &state);

    gtk_widget_show_all(dialog);
    confirmed = gimp_dialog_run(GIMP_DIALOG(dialog)) == GTK_RESPONSE_OK;
    gtk_widget_destroy(dialog);
    return confirmed;
}
