/* The dialog: GIMP's procedure dialog over the procedure's arguments, the
 * method as radio buttons and the numbers as sliders with entries, while the
 * filter itself shows the result on the canvas, re-rendered at each change. */
#include <string.h>

#include <libgimp/gimpui.h>

#include "MirtaneGimp3.h"

typedef struct {
    GimpProcedureConfig* config;
    GimpDrawableFilter* filter;
} PreviewState;

static gboolean preview_wanted(GimpProcedureConfig* config) {
    gboolean preview = TRUE;
    g_object_get(config, "preview", &preview, NULL);
    return preview;
}

static void settings_changed(G_GNUC_UNUSED GObject* config, GParamSpec* pspec,
                             PreviewState* state) {
    if (strcmp(pspec->name, "preview") == 0)
        gimp_drawable_filter_set_visible(state->filter, preview_wanted(state->config));
    else
        mirtane_filter_configure(state->filter, state->config);
    gimp_displays_flush();
}

gboolean mirtane_dialog_run(GimpProcedure* procedure, GimpProcedureConfig* config,
                            GimpDrawable* drawable, GimpDrawableFilter* filter) {
    static const gchar* const sliders[] = {"strength", "dmax", "cyan-red", "magenta-green",
                                           "yellow-blue"};
    PreviewState state = {config, filter};
    GValue natural = G_VALUE_INIT;
    GtkWidget* dialog;
    gulong handler;
    gboolean confirmed;
    gsize i;

    gimp_ui_init(MIRTANE_BINARY);
    dialog = gimp_procedure_dialog_new(procedure, config, "Mirtane");
    gimp_procedure_dialog_get_widget(GIMP_PROCEDURE_DIALOG(dialog), "method",
                                     GIMP_TYPE_INT_RADIO_FRAME);
    for (i = 0; i < G_N_ELEMENTS(sliders); i++)
        gimp_procedure_dialog_get_scale_entry(GIMP_PROCEDURE_DIALOG(dialog), sliders[i], 1.0);
    /* The black density is the natural method's alone. */
    g_value_init(&natural, G_TYPE_STRING);
    g_value_set_static_string(&natural, "natural");
    gimp_procedure_dialog_set_sensitive_if_in(GIMP_PROCEDURE_DIALOG(dialog), "dmax", NULL, "method",
                                              gimp_value_array_new_from_values(&natural, 1), TRUE);
    g_value_unset(&natural);
    gimp_procedure_dialog_fill(GIMP_PROCEDURE_DIALOG(dialog), "method", "strength", "dmax",
                               "cyan-red", "magenta-green", "yellow-blue", "preview", NULL);

    /* The filter goes on the drawable now, so the canvas shows it. */
    gimp_drawable_append_filter(drawable, filter);
    gimp_drawable_filter_set_visible(filter, preview_wanted(config));
    gimp_displays_flush();
    handler = g_signal_connect(config, "notify", G_CALLBACK(settings_changed), &state);

    confirmed = gimp_procedure_dialog_run(GIMP_PROCEDURE_DIALOG(dialog));
    g_signal_handler_disconnect(config, handler);
    gtk_widget_destroy(dialog);

    if (!confirmed) {
        /* Adding and removing the filter leave their steps in the undo
         * history and the image marked as changed. It is not marked clean
         * again: GIMP stays usable while the dialog is open, so the image may
         * really have been changed meanwhile, and marking it clean would let
         * it be closed without the offer to save. */
        gimp_drawable_filter_delete(filter);
        gimp_displays_flush();
        return FALSE;
    }
    gimp_drawable_filter_set_visible(filter, TRUE);
    mirtane_filter_configure(filter, config);
    return TRUE;
}
