/* The dialog: the analysis method, the strength, the natural method's black
 * density and the three trims as
 * sliders with entries, labelled as the plug-in's own dialog labels them,
 * and a preview of the whole restored layer (zoomable) that follows them.
 * Help opens Mirtane's own help page. */
#include "MirtaneGimp.h"

#include <gio/gio.h>
#include <libgimp/gimpui.h>

enum { RESPONSE_RESET = 1 };

typedef struct {
    MirtaneAnalysis* analysis;
    MirtaneSettings* settings;
    GtkWidget* preview;
    GtkWidget* method;
    GtkWidget* status;
    GtkObject* strength;
    GtkObject* dmax;
    GtkObject* adjustments[3];
    gboolean analysed; /* the chosen method's correction is in `analysis` */
} DialogState;

/* Analyses by the chosen method; a refusal (a picture under 480 x 480 for
 * the plug-in's analysis) is shown under the preview, which then shows the
 * layer as it is. */
static void analyse_for_preview(DialogState* state) {
    gchar error[256] = "";

    state->analysed = mirtane_analyse(state->analysis, state->settings, error, sizeof error);
    gtk_label_set_text(GTK_LABEL(state->status), state->analysed ? "" : error);
}

static void update_preview(GimpPreview* preview, DialogState* state) {
    gint width, height, bytes;
    guchar* pixels =
        gimp_zoom_preview_get_source(GIMP_ZOOM_PREVIEW(preview), &width, &height, &bytes);
    const Babl* format = babl_format(bytes == 4 ? "R'G'B'A u8" : "R'G'B' u8");

    if (pixels == NULL) return;
    if (state->analysed)
        mirtane_correct_pixels(state->analysis, format, pixels, width, height, state->settings);
    gimp_preview_draw_buffer(preview, pixels, width * bytes);
    g_free(pixels);
}

static void value_changed(GtkAdjustment* adjustment, gint* value) {
    *value = (gint)gtk_adjustment_get_value(adjustment);
}

static void method_changed(GtkWidget* combo, DialogState* state) {
    gint method = MIRTANE_METHOD_PLUG_IN;

    gimp_int_combo_box_get_active(GIMP_INT_COMBO_BOX(combo), &method);
    state->settings->method = method;
    gimp_scale_entry_set_sensitive(state->dmax, method == MIRTANE_METHOD_NATURAL);
    analyse_for_preview(state);
    gimp_preview_invalidate(GIMP_PREVIEW(state->preview));
}

static void dmax_changed(GtkAdjustment* adjustment, DialogState* state) {
    state->settings->dmax = gtk_adjustment_get_value(adjustment);
    analyse_for_preview(state);
    gimp_preview_invalidate(GIMP_PREVIEW(state->preview));
}

static void respond(GtkWidget* dialog, gint response, DialogState* state) {
    gint i;

    if (response != RESPONSE_RESET) return;
    for (i = 0; i < 3; i++)
        gtk_adjustment_set_value(GTK_ADJUSTMENT(state->adjustments[i]), 0);
    gtk_adjustment_set_value(GTK_ADJUSTMENT(state->strength), MIRTANE_FULL_STRENGTH);
    gtk_adjustment_set_value(GTK_ADJUSTMENT(state->dmax), MIRTANE_DMAX_PRINT);
    g_signal_stop_emission_by_name(dialog, "response");
}

/* Help opens the help page installed with Mirtane in the desktop's browser,
 * rather than GIMP's manual, which knows nothing of Mirtane. */
static void open_help(G_GNUC_UNUSED const gchar* help_id, G_GNUC_UNUSED gpointer data) {
    GError* failure = NULL;
    gchar* uri = g_filename_to_uri(MIRTANE_HELP_PAGE, NULL, NULL);

    if (!g_file_test(MIRTANE_HELP_PAGE, G_FILE_TEST_EXISTS) || uri == NULL ||
        !g_app_info_launch_default_for_uri(uri, NULL, &failure))
        g_message(
            "Mirtane's help page %s cannot be opened%s%s. The README of Mirtane "
            "describes the dialog too.",
            MIRTANE_HELP_PAGE, failure != NULL ? ": " : "",
            failure != NULL ? failure->message : "");
    g_clear_error(&failure);
    g_free(uri);
}

/* One slider with its entry, in row `row` of `table`. */
static GtkObject* add_slider(GtkWidget* table, gint row, const gchar* label, gint* value,
                             gint lowest, gint highest, const gchar* tooltip, DialogState* state) {
    GtkObject* adjustment =
        gimp_scale_entry_new(GTK_TABLE(table), 0, row, label, 200, 4, *value, lowest, highest, 1, 5,
                             0, TRUE, 0, 0, tooltip, NULL);
    g_signal_connect(adjustment, "value-changed", G_CALLBACK(value_changed), value);
    g_signal_connect_swapped(adjustment, "value-changed", G_CALLBACK(gimp_preview_invalidate),
                             state->preview);
    return adjustment;
}

gboolean mirtane_dialog_run(MirtaneAnalysis* analysis, MirtaneSettings* settings) {
    static const struct {
        const gchar* label;
        const gchar* tooltip;
    } rows[3] = {
        {"Cyan – Red", "Towards cyan (-25) or red (25); 0 leaves the balance as restored"},
        {"Magenta – Green",
         "Towards magenta (-25) or green (25); 0 leaves the balance as restored"},
        {"Yellow – Blue", "Towards yellow (-25) or blue (25); 0 leaves the balance as restored"},
    };
    gint* values[3] = {&settings->trims.cyanRed, &settings->trims.magentaGreen,
                       &settings->trims.yellowBlue};
    DialogState state = {analysis, settings, NULL, NULL, NULL, NULL, NULL, {NULL}, FALSE};
    GtkWidget* dialog;
    GtkWidget* box;
    GtkWidget* table;
    gboolean confirmed;
    gint i;

    gimp_ui_init(MIRTANE_BINARY, TRUE);
    dialog = gimp_dialog_new("Mirtane", MIRTANE_BINARY, NULL, 0, open_help, MIRTANE_PROCEDURE,
                             "_Reset", RESPONSE_RESET, "_Cancel", GTK_RESPONSE_CANCEL, "_OK",
                             GTK_RESPONSE_OK, NULL);
    gimp_window_set_transient(GTK_WINDOW(dialog));

    box = gtk_vbox_new(FALSE, 12);
    gtk_container_set_border_width(GTK_CONTAINER(box), 12);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), box, TRUE, TRUE,
                       0);

    /* The whole layer, scaled to fit; its zoom buttons look closer. */
    state.preview = gimp_zoom_preview_new_from_drawable_id(analysis->drawable);
    gtk_box_pack_start(GTK_BOX(box), state.preview, TRUE, TRUE, 0);
    g_signal_connect(state.preview, "invalidated", G_CALLBACK(update_preview), &state);
    state.status = gtk_label_new("");
    gtk_box_pack_start(GTK_BOX(box), state.status, FALSE, FALSE, 0);

    table = gtk_table_new(6, 3, FALSE);
    gtk_table_set_col_spacings(GTK_TABLE(table), 6);
    gtk_table_set_row_spacings(GTK_TABLE(table), 6);
    gtk_box_pack_start(GTK_BOX(box), table, FALSE, FALSE, 0);

    state.method =
        gimp_int_combo_box_new("Plug-in analysis", MIRTANE_METHOD_PLUG_IN,
                               "Natural (undo a dye fade)", MIRTANE_METHOD_NATURAL, NULL);
    gimp_int_combo_box_set_active(GIMP_INT_COMBO_BOX(state.method), settings->method);
    gimp_help_set_help_data(state.method,
                            "Plug-in analysis: the filter plug-in's own, which neutralises and "
                            "equalises. Natural: undoes a dye fade channel by channel and leaves "
                            "unfaded photographs alone.",
                            NULL);
    gimp_table_attach_aligned(GTK_TABLE(table), 0, 0, "_Method:", 0.0, 0.5, state.method, 2, FALSE);
    g_signal_connect(state.method, "changed", G_CALLBACK(method_changed), &state);

    state.strength =
        add_slider(table, 1, "Strength", &settings->strength, 0, MIRTANE_FULL_STRENGTH,
                   "Per cent of the correction applied; 100 is the full correction", &state);
    state.dmax = gimp_scale_entry_new(
        GTK_TABLE(table), 0, 2, "Black density", 200, 4, settings->dmax, MIRTANE_DMAX_LOWEST,
        MIRTANE_DMAX_HIGHEST, 0.1, 0.5, 1, TRUE, 0, 0,
        "Natural method: density of the original black, 2.1 for prints, 3.0 for slides", NULL);
    gimp_scale_entry_set_sensitive(state.dmax, settings->method == MIRTANE_METHOD_NATURAL);
    g_signal_connect(state.dmax, "value-changed", G_CALLBACK(dmax_changed), &state);
    for (i = 0; i < 3; i++)
        state.adjustments[i] =
            add_slider(table, i + 3, rows[i].label, values[i], -MIRTANE_TRIM_LIMIT,
                       MIRTANE_TRIM_LIMIT, rows[i].tooltip, &state);
    g_signal_connect(dialog, "response", G_CALLBACK(respond), &state);

    analyse_for_preview(&state);
    gtk_widget_show_all(dialog);
    confirmed = gimp_dialog_run(GIMP_DIALOG(dialog)) == GTK_RESPONSE_OK;
    gtk_widget_destroy(dialog);
    return confirmed;
}
