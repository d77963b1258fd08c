/* The GIMP 2.10 procedure plug-in-mirtane: registers "Filters > Colors >
 * Mirtane..." and a PDB procedure taking the three trims for scripts, runs
 * the analysis over the whole drawable (as the filter analyses a whole
 * document) and writes the correction inside the selection, with undo. */
#include <string.h>

#include "MirtaneGimp.h"

static void query(void);
static void run(const gchar* name, gint nparams, const GimpParam* param, gint* nreturn_vals,
                GimpParam** return_vals);

const GimpPlugInInfo PLUG_IN_INFO = {NULL, NULL, query, run};

MAIN()

static void query(void) {
    static const GimpParamDef arguments[] = {
        {GIMP_PDB_INT32, "run-mode",
         "The run mode { RUN-INTERACTIVE (0), RUN-NONINTERACTIVE (1) }"},
        {GIMP_PDB_IMAGE, "image", "Input image (unused)"},
        {GIMP_PDB_DRAWABLE, "drawable", "Input drawable"},
        {GIMP_PDB_INT32, "cyan-red", "Cyan (-25) to red (25) trim, 0 neutral"},
        {GIMP_PDB_INT32, "magenta-green", "Magenta (-25) to green (25) trim, 0 neutral"},
        {GIMP_PDB_INT32, "yellow-blue", "Yellow (-25) to blue (25) trim, 0 neutral"},
    };

    gimp_install_procedure(MIRTANE_PROCEDURE, "Restore faded and colour-cast photographs",
                           "Works out one tone curve per colour channel from the picture "
                           "alone, restoring contrast, channel balance and tonal range; "
                           "three colour-balance trims adjust the result. The whole "
                           "drawable is analysed; the correction is written inside the "
                           "selection. Needs at least 480 x 480 pixels.",
                           "Mirtane", "Mirtane", "2026", "_Mirtane...", "RGB*", GIMP_PLUGIN,
                           G_N_ELEMENTS(arguments), 0, arguments, NULL);
    gimp_plugin_menu_register(MIRTANE_PROCEDURE, "<Image>/Filters/Colors");
}

static gboolean trims_in_range(const MirtaneTrims* trims) {
    return ABS(trims->cyanRed) <= MIRTANE_TRIM_LIMIT &&
           ABS(trims->magentaGreen) <= MIRTANE_TRIM_LIMIT &&
           ABS(trims->yellowBlue) <= MIRTANE_TRIM_LIMIT;
}

static void run(const gchar* name, gint nparams, const GimpParam* param, gint* nreturn_vals,
                GimpParam** return_vals) {
    static GimpParam values[2];
    GimpRunMode mode = param[0].data.d_int32;
    MirtaneTrims trims = {0, 0, 0};
    MirtaneAnalysis analysis;
    gchar error[256] = "";
    GimpPDBStatusType status = GIMP_PDB_SUCCESS;

    *nreturn_vals = 1;
    *return_vals = values;
    values[0].type = GIMP_PDB_STATUS;

    gegl_init(NULL, NULL);
    if (strcmp(name, MIRTANE_PROCEDURE) != 0 || nparams < 3)
        status = GIMP_PDB_CALLING_ERROR;
    else if (mode == GIMP_RUN_NONINTERACTIVE) {
        if (nparams != 6)
            status = GIMP_PDB_CALLING_ERROR;
        else {
            trims.cyanRed = param[3].data.d_int32;
            trims.magentaGreen = param[4].data.d_int32;
            trims.yellowBlue = param[5].data.d_int32;
            if (!trims_in_range(&trims)) status = GIMP_PDB_CALLING_ERROR;
        }
    } else
        gimp_get_data(MIRTANE_PROCEDURE, &trims); /* the last trims, if any */

    if (status == GIMP_PDB_SUCCESS &&
        !mirtane_analyse_drawable(param[2].data.d_drawable, &analysis, error, sizeof error)) {
        status = GIMP_PDB_EXECUTION_ERROR;
        if (mode == GIMP_RUN_INTERACTIVE) g_message("%s", error);
        *nreturn_vals = 2;
        values[1].type = GIMP_PDB_STRING;
        values[1].data.d_string = error;
    }
    if (status == GIMP_PDB_SUCCESS && mode == GIMP_RUN_INTERACTIVE &&
        !mirtane_dialog_run(&analysis, &trims))
        status = GIMP_PDB_CANCEL;
    if (status == GIMP_PDB_SUCCESS) {
        mirtane_apply_to_drawable(&analysis, &trims);
        if (mode != GIMP_RUN_NONINTERACTIVE) gimp_displays_flush();
        if (mode == GIMP_RUN_INTERACTIVE) gimp_set_data(MIRTANE_PROCEDURE, &trims, sizeof trims);
    }
    values[0].data.d_status = status;
}
