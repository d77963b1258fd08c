/* The GIMP 3 procedure plug-in-mirtane: "Filters > Colors > Mirtane..." and,
 * for scripts, the same settings as arguments (method, strength, black
 * density, the three trims). It puts mirtane:restore on the drawable as a
 * non-destructive filter; the operation analyses the whole drawable (as the
 * filter plug-in analyses a whole document) and GIMP writes the correction
 * inside the selection, with undo. */
#include <string.h>

#include "MirtaneGimp3.h"
#include "engine/MirtaneEngine.h"

#define MIRTANE_TYPE_PLUG_IN (mirtane_plug_in_get_type())
G_DECLARE_FINAL_TYPE(MirtanePlugIn, mirtane_plug_in, MIRTANE, PLUG_IN, GimpPlugIn)

struct _MirtanePlugIn {
    GimpPlugIn parent_instance;
};

G_DEFINE_TYPE(MirtanePlugIn, mirtane_plug_in, GIMP_TYPE_PLUG_IN)

GIMP_MAIN(MIRTANE_TYPE_PLUG_IN)

#define MIRTANE_TRIM_LIMIT 25

/* The settings copied onto the filter as they are (the method is a choice
 * here and an enumeration in the operation, see copy_method). The names are
 * the operation's properties. */
static const gchar* const kNumericSettings[] = {"strength", "dmax", "cyan-red", "magenta-green",
                                                "yellow-blue"};

static GList* query_procedures(G_GNUC_UNUSED GimpPlugIn* plug_in) {
    return g_list_append(NULL, g_strdup(MIRTANE_PROCEDURE));
}

static GimpValueArray* run(GimpProcedure* procedure, GimpRunMode run_mode, GimpImage* image,
                           GimpDrawable** drawables, GimpProcedureConfig* config,
                           gpointer run_data);

/* The plug-in speaks English only: no message catalogue to look for. */
static gboolean set_i18n(G_GNUC_UNUSED GimpPlugIn* plug_in, G_GNUC_UNUSED const gchar* name,
                         G_GNUC_UNUSED gchar** gettext_domain, G_GNUC_UNUSED gchar** catalog_dir) {
    return FALSE;
}

static void add_trim(GimpProcedure* procedure, const gchar* name, const gchar* label,
                     const gchar* towards_low, const gchar* towards_high) {
    gchar* blurb = g_strdup_printf("Towards %s (-25) or %s (25); 0 leaves the balance as restored",
                                   towards_low, towards_high);
    gimp_procedure_add_int_argument(procedure, name, label, blurb, -MIRTANE_TRIM_LIMIT,
                                    MIRTANE_TRIM_LIMIT, 0, G_PARAM_READWRITE);
    g_free(blurb);
}

static GimpProcedure* create_procedure(GimpPlugIn* plug_in, const gchar* name) {
    GimpProcedure* procedure;

    if (strcmp(name, MIRTANE_PROCEDURE) != 0) return NULL;
    procedure = gimp_image_procedure_new(plug_in, name, GIMP_PDB_PROC_TYPE_PLUGIN, run, NULL, NULL);
    gimp_procedure_set_image_types(procedure, "RGB*");
    gimp_procedure_set_sensitivity_mask(procedure, GIMP_PROCEDURE_SENSITIVE_DRAWABLE);
    gimp_procedure_set_menu_label(procedure, "_Mirtane...");
    gimp_procedure_add_menu_path(procedure, "<Image>/Filters/Colors");
    gimp_procedure_set_documentation(
        procedure, "Restore faded and colour-cast photographs",
        "Works out one tone curve per colour channel from the picture alone, restoring "
        "contrast, channel balance and tonal range; three colour-balance trims adjust the "
        "result. The whole drawable is analysed; the correction is written inside the "
        "selection, as a non-destructive filter (the GEGL operation mirtane:restore, which "
        "must be installed). The plug-in's analysis needs at least 480 x 480 pixels.",
        name);
    gimp_procedure_set_attribution(procedure, "Mirtane", "Mirtane", "2026");

    gimp_procedure_add_choice_argument(
        procedure, "method", "_Method", "How the correction is worked out",
        gimp_choice_new_with_values(
            "plug-in", 0, "Plug-in analysis",
            "The filter plug-in's own analysis, which equalises and neutralises", "natural", 1,
            "Natural (undo a dye fade)",
            "A per-channel density gain that undoes a dye fade and leaves unfaded pictures alone",
            NULL),
        "plug-in", G_PARAM_READWRITE);
    gimp_procedure_add_int_argument(
        procedure, "strength", "S_trength",
        "Per cent of the way each sample moves towards its corrected value; 100 is the full "
        "correction",
        0, MIRTANE_FULL_STRENGTH, MIRTANE_FULL_STRENGTH, G_PARAM_READWRITE);
    gimp_procedure_add_double_argument(
        procedure, "dmax", "_Black density",
        "Natural method: density of the original black, 2.1 for prints, 3.0 for slides", 0.5, 4.0,
        MIRTANE_DMAX_PRINT, G_PARAM_READWRITE);
    add_trim(procedure, "cyan-red", "Cya_n – Red", "cyan", "red");
    add_trim(procedure, "magenta-green", "M_agenta – Green", "magenta", "green");
    add_trim(procedure, "yellow-blue", "_Yellow – Blue", "yellow", "blue");
    gimp_procedure_add_boolean_aux_argument(
        procedure, "preview", "_Preview",
        "Show the correction on the canvas while the dialog is open", TRUE, G_PARAM_READWRITE);
    return procedure;
}

static void mirtane_plug_in_class_init(MirtanePlugInClass* klass) {
    GimpPlugInClass* plug_in_class = GIMP_PLUG_IN_CLASS(klass);

    plug_in_class->query_procedures = query_procedures;
    plug_in_class->create_procedure = create_procedure;
    plug_in_class->set_i18n = set_i18n;
}

static void mirtane_plug_in_init(G_GNUC_UNUSED MirtanePlugIn* plug_in) {}

/* The method onto the filter: the operation's property is the enumeration
 * GEGL registered in GIMP, which the filter's configuration carries either
 * as that enumeration (when libgimp knows the type) or as a choice of its
 * nicks; both take the nick the procedure's choice uses. */
static void copy_method(GimpProcedureConfig* config, GObject* target) {
    GParamSpec* pspec = g_object_class_find_property(G_OBJECT_GET_CLASS(target), "method");
    gchar* method = NULL;

    if (pspec == NULL) return;
    g_object_get(config, "method", &method, NULL);
    if (G_IS_PARAM_SPEC_ENUM(pspec)) {
        const GEnumValue* value =
            g_enum_get_value_by_nick(G_PARAM_SPEC_ENUM(pspec)->enum_class, method);
        if (value != NULL) g_object_set(target, "method", value->value, NULL);
    } else if (G_IS_PARAM_SPEC_STRING(pspec)) {
        g_object_set(target, "method", method, NULL);
    }
    g_free(method);
}

void mirtane_filter_configure(GimpDrawableFilter* filter, GimpProcedureConfig* config) {
    GObject* target = G_OBJECT(gimp_drawable_filter_get_config(filter));
    gsize i;

    copy_method(config, target);
    for (i = 0; i < G_N_ELEMENTS(kNumericSettings); i++) {
        GParamSpec* pspec =
            g_object_class_find_property(G_OBJECT_GET_CLASS(target), kNumericSettings[i]);
        GValue from = G_VALUE_INIT;
        GValue to = G_VALUE_INIT;

        if (pspec == NULL) continue;
        g_object_get_property(G_OBJECT(config), kNumericSettings[i], &from);
        g_value_init(&to, G_PARAM_SPEC_VALUE_TYPE(pspec));
        if (g_value_transform(&from, &to)) g_object_set_property(target, kNumericSettings[i], &to);
        g_value_unset(&from);
        g_value_unset(&to);
    }
    gimp_drawable_filter_update(filter);
}

GimpDrawableFilter* mirtane_filter_new(GimpDrawable* drawable, GimpProcedureConfig* config,
                                       gchar* error, gsize error_size) {
    GimpDrawableFilter* filter =
        gimp_drawable_filter_new(drawable, MIRTANE_OPERATION, MIRTANE_FILTER_NAME);

    if (filter == NULL) {
        g_snprintf(error, error_size,
                   "GIMP cannot apply the GEGL operation %s: is mirtane-restore.so installed "
                   "where GEGL looks for operations?",
                   MIRTANE_OPERATION);
        return NULL;
    }
    mirtane_filter_configure(filter, config);
    return filter;
}

/* The operation passes a picture its analysis refuses through unchanged
 * (GEGL has no way for an operation to fail); a script is told instead. */
static gboolean drawable_accepted(GimpDrawable* drawable, GimpProcedureConfig* config, gchar* error,
                                  gsize error_size) {
    gint width = gimp_drawable_get_width(drawable);
    gint height = gimp_drawable_get_height(drawable);
    gchar* method = NULL;
    gboolean plug_in_method;

    g_object_get(config, "method", &method, NULL);
    plug_in_method = g_strcmp0(method, "plug-in") == 0;
    g_free(method);
    if (plug_in_method && (width < MIRTANE_MINIMUM_SIDE || height < MIRTANE_MINIMUM_SIDE)) {
        g_strlcpy(error,
                  "Image must be at least 480x480.  Use your imaging application to increase the "
                  "image size.",
                  error_size);
        return FALSE;
    }
    if (width > 32767 || height > 32767) {
        g_strlcpy(error, "image too large: the plug-in takes at most 32767 pixels a side",
                  error_size);
        return FALSE;
    }
    return TRUE;
}

static GimpValueArray* failure(GimpProcedure* procedure, GimpPDBStatusType status,
                               const gchar* error) {
    return gimp_procedure_new_return_values(procedure, status,
                                            g_error_new_literal(GIMP_PLUG_IN_ERROR, 0, error));
}

static GimpValueArray* run(GimpProcedure* procedure, GimpRunMode run_mode,
                           G_GNUC_UNUSED GimpImage* image, GimpDrawable** drawables,
                           GimpProcedureConfig* config, G_GNUC_UNUSED gpointer run_data) {
    gchar error[256] = "";
    GimpDrawable* drawable;
    GimpDrawableFilter* filter;

    if (gimp_core_object_array_get_length((GObject**)drawables) != 1)
        return failure(procedure, GIMP_PDB_CALLING_ERROR, "Mirtane works on one layer at a time");
    drawable = drawables[0];

    /* In the dialog the method may still change: checked once chosen. */
    if (run_mode != GIMP_RUN_INTERACTIVE &&
        !drawable_accepted(drawable, config, error, sizeof error))
        return failure(procedure, GIMP_PDB_EXECUTION_ERROR, error);
    filter = mirtane_filter_new(drawable, config, error, sizeof error);
    if (filter == NULL) return failure(procedure, GIMP_PDB_EXECUTION_ERROR, error);

    if (run_mode == GIMP_RUN_INTERACTIVE) {
        if (!mirtane_dialog_run(procedure, config, drawable, filter))
            return gimp_procedure_new_return_values(procedure, GIMP_PDB_CANCEL, NULL);
        if (!drawable_accepted(drawable, config, error, sizeof error)) {
            gimp_drawable_filter_delete(filter);
            gimp_displays_flush();
            return failure(procedure, GIMP_PDB_EXECUTION_ERROR, error);
        }
    } else {
        gimp_drawable_append_filter(drawable, filter);
    }
    if (run_mode != GIMP_RUN_NONINTERACTIVE) gimp_displays_flush();
    return gimp_procedure_new_return_values(procedure, GIMP_PDB_SUCCESS, NULL);
}
