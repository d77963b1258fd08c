/* The GIMP 2.10 plug-in "Filters > Colors > Mirtane...": shared declarations
 * of its three parts (procedure, pixels, dialog). */
#ifndef MIRTANE_GIMP_H
#define MIRTANE_GIMP_H

#include <libgimp/gimp.h>

#include "engine/MirtaneEngine.h"

/* plug-in-mirtane takes the three trims (the plug-in's analysis at full
 * strength); plug-in-mirtane-method also the method and the strength. */
#define MIRTANE_PROCEDURE "plug-in-mirtane"
#define MIRTANE_METHOD_PROCEDURE "plug-in-mirtane-method"
#define MIRTANE_BINARY "mirtane-gimp"
#define MIRTANE_TRIM_LIMIT 25

/* The analysis methods, as the command and the GEGL operation name them. */
enum { MIRTANE_METHOD_PLUG_IN = 0, MIRTANE_METHOD_NATURAL = 1 };

/* What a run applies; kept between interactive runs. */
typedef struct {
    MirtaneTrims trims;
    gint method;   /* MIRTANE_METHOD_PLUG_IN or MIRTANE_METHOD_NATURAL */
    gint strength; /* per cent, 0 ... MIRTANE_FULL_STRENGTH */
    gdouble dmax;  /* natural method: density of the original black, 0.5 ... 4.0 */
} MirtaneSettings;

#define MIRTANE_DMAX_LOWEST 0.5
#define MIRTANE_DMAX_HIGHEST 4.0

/* A whole drawable read for the analysis, and the correction of the method
 * last analysed, applied at the precision the drawable is read in. */
typedef struct {
    gint32 drawable;
    const Babl* format; /* the drawable's own format: R'G'B'(A) u8, u16 or float */
    guchar* rgb;        /* its 8-bit rendering, width x height x 3, what the analysis sees */
    gint width;
    gint height;
    gint method;  /* the method `correction` comes from */
    gdouble dmax; /* and, for the natural method, the black density */
    MirtaneCorrection correction;
} MirtaneAnalysis;

/* Reads the whole drawable (whatever the selection), as the plug-in reads a
 * whole document. FALSE with a one-line reason in `error`; release it with
 * mirtane_release_drawable either way. */
gboolean mirtane_read_drawable(gint32 drawable, MirtaneAnalysis* analysis, gchar* error,
                               gsize error_size);
void mirtane_release_drawable(MirtaneAnalysis* analysis);

/* Works out the correction of the read drawable by settings' method (and
 * black density). FALSE with a one-line reason in `error` (the plug-in's
 * analysis refuses pictures under 480 x 480). */
gboolean mirtane_analyse(MirtaneAnalysis* analysis, const MirtaneSettings* settings, gchar* error,
                         gsize error_size);

/* Corrects `pixels` in place at settings' trims and strength: width x
 * height pixels of `format` (u8, u16 or float R'G'B'(A)), rows packed. */
void mirtane_correct_pixels(const MirtaneAnalysis* analysis, const Babl* format, guchar* pixels,
                            gint width, gint height, const MirtaneSettings* settings);

/* The format in which the drawable's pixels are read and corrected. */
const Babl* mirtane_pixel_format(gint32 drawable);

/* Writes the correction into the drawable inside the selection (through
 * the shadow buffer, with undo), reporting progress. */
void mirtane_apply_to_drawable(const MirtaneAnalysis* analysis, const MirtaneSettings* settings);

/* The dialog: the method, the strength and the three trims, a live preview
 * of the whole layer (zoomable), Help (Mirtane's own help page), Reset, OK
 * and Cancel. TRUE when confirmed; `settings` then holds the choice and
 * `analysis` the chosen method's correction. */
gboolean mirtane_dialog_run(MirtaneAnalysis* analysis, MirtaneSettings* settings);

#endif
