/* The GIMP 3 plug-in "Filters > Colors > Mirtane...": shared declarations of
 * its two parts (the procedure and the dialog).
 *
 * GIMP 3 runs GEGL operations as non-destructive filters, so the plug-in does
 * no pixel work of its own: it puts the GEGL operation mirtane:restore on the
 * drawable as a filter (GimpDrawableFilter) with the settings chosen. GIMP
 * then corrects 8-bit, 16-bit and float layers at their own precision, inside
 * the selection, and keeps the filter editable in the layer's effects. */
#ifndef MIRTANE_GIMP3_H
#define MIRTANE_GIMP3_H

#include <libgimp/gimp.h>

#define MIRTANE_PROCEDURE "plug-in-mirtane"
#define MIRTANE_BINARY "mirtane-gimp3"
#define MIRTANE_OPERATION "mirtane:restore"
#define MIRTANE_FILTER_NAME "Mirtane"

/* Creates the mirtane:restore filter of `drawable` (not yet on the
 * drawable) with the settings of `config`. NULL with a one-line reason in
 * `error` when GIMP cannot make it (the operation not installed). */
GimpDrawableFilter* mirtane_filter_new(GimpDrawable* drawable, GimpProcedureConfig* config,
                                       gchar* error, gsize error_size);

/* Gives `filter` the settings of `config` and makes GIMP render it again. */
void mirtane_filter_configure(GimpDrawableFilter* filter, GimpProcedureConfig* config);

/* The dialog: the method, the strength, the black density of the natural
 * method and the three trims, with the filter previewed on the canvas while
 * they change (a Preview toggle shows the drawable as it was). TRUE when
 * confirmed: the filter is then on the drawable with the chosen settings,
 * which `config` holds. FALSE when cancelled: the filter is removed. */
gboolean mirtane_dialog_run(GimpProcedure* procedure, GimpProcedureConfig* config,
                            GimpDrawable* drawable, GimpDrawableFilter* filter);

#endif
