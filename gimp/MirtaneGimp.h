/* The GIMP 2.10 plug-in "Filters > Colors > Mirtane...": shared declarations
 * of its three parts (procedure, pixels, dialog). */
#ifndef MIRTANE_GIMP_H
#define MIRTANE_GIMP_H

#include <libgimp/gimp.h>

#include "engine/MirtaneEngine.h"

#define MIRTANE_PROCEDURE "plug-in-mirtane"
#define MIRTANE_BINARY "mirtane-gimp"
#define MIRTANE_TRIM_LIMIT 25

/* The analysis of a whole drawable, at the precision it is read in. */
typedef struct {
    gint32 drawable;
    const Babl* format; /* the drawable's own format: R'G'B'(A) u8, u16 or float */
    MirtaneCorrection correction;
} MirtaneAnalysis;

/* Analyses the whole drawable (whatever the selection), as the plug-in
 * analyses a whole document. FALSE with a one-line reason in `error`. */
gboolean mirtane_analyse_drawable(gint32 drawable, MirtaneAnalysis* analysis, gchar* error,
                                  gsize error_size);

/* Corrects `pixels` in place: width x height pixels of `format`, rows
 * packed. The format is one of those mirtane_pixel_format() returns. */
void mirtane_correct_pixels(const MirtaneAnalysis* analysis, const Babl* format, guchar* pixels,
                            gint width, gint height, const MirtaneTrims* trims);

/* The format in which the drawable's pixels are read and corrected. */
const Babl* mirtane_pixel_format(gint32 drawable);

/* Writes the correction into the drawable inside the selection (through
 * the shadow buffer, with undo), reporting progress. */
void mirtane_apply_to_drawable(const MirtaneAnalysis* analysis, const MirtaneTrims* trims);

/* The dialog: three trims with sliders and entries, a live preview, Reset,
 * OK and Cancel. TRUE when confirmed; `trims` then holds the choice. */
gboolean mirtane_dialog_run(const MirtaneAnalysis* analysis, MirtaneTrims* trims);

#endif
