/* The GIMP 2.10 procedures: plug-in-mirtane registers "Filters > Colors >
 * Mirtane..." and takes the three trims for scripts (the plug-in's analysis
 * at full strength, as ever); plug-in-mirtane-method takes the method and
 * the strength too, as the command and the GEGL operation do. Both analyse
 * the whole drawable (as the filter analyses a whole document) and write
 * the correction inside the selection, with undo. */
#include <string.h>

#include "MirtaneGimp.h"

static void query(void);
static void run(const gchar* name, gint nparams, const GimpParam* param, gint* nreturn_vals,
                GimpParam** return_vals);

const GimpPlugInInfo PLUG_IN_INFO = {NULL, NULL, query, run};

MAIN()

#define MIRTANE_BLURB "Restore faded and colour-cast photographs"
#define MIRTANE_HELP                                                                    \
    "Works out one tone curve per colour channel from the picture alone, restoring "    \
    "contrast, channel balance and tonal range; three colour-balance trims adjust the " \
    "result. The whole drawable is analysed; the correction is written inside the "     \
    "selection. The plug-in's analysis needs at least 480 x 480 pixels."

static void query(void) {
    static const GimpParamDef trims_only[] = {
        {GIMP_PDB_INT32, "run-mode",
         "The run mode { RUN-INTERACTIVE (0), RUN-NONINTERACTIVE (1) }"},
        {GIMP_PDB_IMAGE, "image", "Input image (unused)"},
        {GIMP_PDB_DRAWABLE, "drawable", "Input drawable"},
        {GIMP_PDB_INT32, "cyan-red", "Cyan (-25) to red (25) trim, 0 neutral"},
        {GIMP_PDB_INT32, "magenta-green", "Magenta (-25) to green (25) trim, 0 neutral"},
        {GIMP_PDB_INT32, "yellow-blue", "Yellow (-25) to blue (25) trim, 0 neutral"},
    };
    static const GimpParamDef with_method[] = {
        {GIMP_PDB_INT32, "run-mode",
         "The run mode { RUN-INTERACTIVE (0), RUN-NONINTERACTIVE (1) }"},
        {GIMP_PDB_IMAGE, "image", "Input image (unused)"},
        {GIMP_PDB_DRAWABLE, "drawable", "Input drawable"},
        {GIMP_PDB_INT32, "method",
         "The analysis { PLUG-IN (0): the filter plug-in's own, NATURAL (1): undoes a dye "
         "fade, leaves unfaded pictures alone }"},
        {GIMP_PDB_INT32, "strength", "Per cent of the correction applied, 0 ... 100"},
        {GIMP_PDB_FLOAT, "dmax",
         "Natural method: density of the original black, 0.5 ... 4.0 (2.1 for prints, 3.0 for "
         "slides)"},
        {GIMP_PDB_INT32, "cyan-red", "Cyan (-25) to red (25) trim, 0 neutral"},
        {GIMP_PDB_INT32, "magenta-green", "Magenta (-25) to green (25) trim, 0 neutral"},
        {GIMP_PDB_INT32, "yellow-blue", "Yellow (-25) to blue (25) trim, 0 neutral"},
    };

    gimp_install_procedure(MIRTANE_PROCEDURE, MIRTANE_BLURB, MIRTANE_HELP, "Mirtane", "Mirtane",
                           "2026", "_Mirtane...", "RGB*", GIMP_PLUGIN, G_N_ELEMENTS(trims_only), 0,
                           trims_only, NULL);
    gimp_plugin_menu_register(MIRTANE_PROCEDURE, "<Image>/Filters/Colors");
    gimp_install_procedure(MIRTANE_METHOD_PROCEDURE, MIRTANE_BLURB " (method and strength)",
                           MIRTANE_HELP, "Mirtane", "Mirtane", "2026", NULL, "RGB*", GIMP_PLUGIN,
                           G_N_ELEMENTS(with_method), 0, with_method, NULL);
}

static gboolean settings_in_range(const MirtaneSettings* settings) {
    const MirtaneTrims* trims = &settings->trims;
    return ABS(trims->cyanRed) <= MIRTANE_TRIM_LIMIT &&
           ABS(trims->magentaGreen) <= MIRTANE_TRIM_LIMIT &&
           ABS(trims->yellowBlue) <= MIRTANE_TRIM_LIMIT &&
           (settings->method == MIRTANE_METHOD_PLUG_IN ||
            settings->method == MIRTANE_METHOD_NATURAL) &&
           settings->strength >= 0 && settings->strength <= MIRTANE_FULL_STRENGTH &&
           settings->dmax >= MIRTANE_DMAX_LOWEST && settings->dmax <= MIRTANE_DMAX_HIGHEST;
}

/* The settings a non-interactive call gives; FALSE when the call is wrong. */
static gboolean settings_from_call(const gchar* name, gint nparams, const GimpParam* param,
                                   MirtaneSettings* settings) {
    gint trims_at = 3;

    if (strcmp(name, MIRTANE_METHOD_PROCEDURE) == 0) {
        if (nparams != 9) return FALSE;
        settings->method = param[3].data.d_int32;
        settings->strength = param[4].data.d_int32;
        settings->dmax = param[5].data.d_float;
        trims_at = 6;
    } else if (nparams != 6)
        return FALSE;
    settings->trims.cyanRed = param[trims_at].data.d_int32;
    settings->trims.magentaGreen = param[trims_at + 1].data.d_int32;
    settings->trims.yellowBlue = param[trims_at + 2].data.d_int32;
    return settings_in_range(settings);
}

static void run(const gchar* name, gint nparams, const GimpParam* param, gint* nreturn_vals,
                GimpParam** return_vals) {
    static GimpParam values[2];
    static gchar error[256];
    GimpRunMode mode = param[0].data.d_int32;
    MirtaneSettings settings = {
        {0, 0, 0}, MIRTANE_METHOD_PLUG_IN, MIRTANE_FULL_STRENGTH, MIRTANE_DMAX_PRINT};
    MirtaneAnalysis analysis;
    GimpPDBStatusType status = GIMP_PDB_SUCCESS;
    gboolean known =
        strcmp(name, MIRTANE_PROCEDURE) == 0 || strcmp(name, MIRTANE_METHOD_PROCEDURE) == 0;

    *nreturn_vals = 1;
    *return_vals = values;
    values[0].type = GIMP_PDB_STATUS;
    error[0] = '\0';
    memset(&analysis, 0, sizeof analysis);

    gegl_init(NULL, NULL);
    if (!known || nparams < 3)
        status = GIMP_PDB_CALLING_ERROR;
    else if (mode == GIMP_RUN_NONINTERACTIVE) {
        if (!settings_from_call(name, nparams, param, &settings)) status = GIMP_PDB_CALLING_ERROR;
    } else if (!gimp_get_data(MIRTANE_PROCEDURE, &settings) || !settings_in_range(&settings)) {
        /* No earlier run, or one of an older version that kept the trims only. */
        MirtaneSettings fresh = {
            {0, 0, 0}, MIRTANE_METHOD_PLUG_IN, MIRTANE_FULL_STRENGTH, MIRTANE_DMAX_PRINT};
        settings = fresh;
    }

    if (status == GIMP_PDB_SUCCESS) {
        gboolean analysed =
            mirtane_read_drawable(param[2].data.d_drawable, &analysis, error, sizeof error);
        /* The dialog analyses for itself, whichever method is chosen in it. */
        if (analysed && mode != GIMP_RUN_INTERACTIVE)
            analysed = mirtane_analyse(&analysis, &settings, error, sizeof error);
        if (!analysed) status = GIMP_PDB_EXECUTION_ERROR;
    }
    if (status == GIMP_PDB_SUCCESS && mode == GIMP_RUN_INTERACTIVE &&
        !mirtane_dialog_run(&analysis, &settings))
        status = GIMP_PDB_CANCEL;
    /* The dialog's last analysis is kept unless its settings changed after it. */
    if (status == GIMP_PDB_SUCCESS && !mirtane_analyse(&analysis, &settings, error, sizeof error))
        status = GIMP_PDB_EXECUTION_ERROR;
    if (status == GIMP_PDB_SUCCESS) {
        mirtane_apply_to_drawable(&analysis, &settings);
        if (mode != GIMP_RUN_NONINTERACTIVE) gimp_displays_flush();
        if (mode == GIMP_RUN_INTERACTIVE)
            gimp_set_data(MIRTANE_PROCEDURE, &settings, sizeof settings);
    }
    if (status == GIMP_PDB_EXECUTION_ERROR) {
        if (mode == GIMP_RUN_INTERACTIVE) g_message("%s", error);
        *nreturn_vals = 2;
        values[1].type = GIMP_PDB_STRING;
        values[1].data.d_string = error;
    }
    mirtane_release_drawable(&analysis);
    values[0].data.d_status = status;
}
