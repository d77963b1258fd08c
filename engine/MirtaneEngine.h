/* One entry to the restoration engine for hosts of our own: the command, the
 * GEGL operation and the GIMP plug-in. The analysis is the plug-in's own,
 * run headless through a host of the plug-in interface, so its levels and
 * tables are exactly those a photo editor's filter run computes; the
 * application then corrects 8-bit, 16-bit or float pixels with them.
 *
 * Plain C so that C hosts (GEGL operations, GIMP plug-ins) can call it. The
 * plug-in serves one run at a time: calls are serialised inside. */
#ifndef MIRTANE_ENGINE_H
#define MIRTANE_ENGINE_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The correction of an image: black and white levels, and per channel (red,
 * green, blue) 256 float entries mapping a re-levelled value in [0, 1] to the
 * output in [0, 1]. */
typedef struct MirtaneCorrection {
    float blackLevel;
    float whiteLevel;
    float tables[3][256];
} MirtaneCorrection;

/* The dialog's three colour-balance trims: -25 ... 25, 0 neutral, positive
 * towards red, green and blue. */
typedef struct MirtaneTrims {
    int cyanRed;
    int magentaGreen;
    int yellowBlue;
} MirtaneTrims;

/* The smallest side the analysis accepts, as the plug-in refuses smaller images. */
#define MIRTANE_MINIMUM_SIDE 480

/* Analyses width x height pixels of 8-bit RGB, rows rowStride bytes apart,
 * each pixel bytesPerPixel bytes (3, or 4 with alpha last, which is ignored).
 * Returns 0 and fills *correction, or -1 with a one-line reason in `error`
 * (at most errorSize bytes, NUL-terminated; the plug-in's own message for an
 * image below 480 x 480). */
int mirtane_analyse_rgb8(const unsigned char* pixels, int width, int height, ptrdiff_t rowStride,
                         int bytesPerPixel, MirtaneCorrection* correction, char* error,
                         size_t errorSize);

/* The "natural" method's settings: the density of the original black
 * (MIRTANE_DMAX_PRINT for prints, MIRTANE_DMAX_SLIDE for slides) and the
 * flare, a fraction of the lowest black in linear light, in [0, 1). */
#define MIRTANE_DMAX_PRINT 2.1
#define MIRTANE_DMAX_SLIDE 3.0
#define MIRTANE_DEFAULT_FLARE 0.45

/* What the natural method chose, for a caller to report: the picture it read
 * the levels in (left, top, width, height: inside any letterbox, scanner
 * surround or margin), per channel (red, green, blue) the black and white
 * levels in code values, the black's density after the flare, the gain that
 * balances the blacks (or the mid-tones' greys), the depth gain shared by
 * all, the density gain applied, the flare in linear light, the strength,
 * 0 ... 1, and the evidence behind it; last, each channel's white as the
 * tables use it, moved toward the brightest channel's (code values). */
typedef struct MirtaneNaturalChoice {
    int area[4];
    int black[3];
    int white[3];
    double blackDensity[3];
    double balanceGain[3];
    double depthGain;
    double gain[3];
    double flare;
    double strength;
    /* The evidence: the strength a raised black asks for, the strength a
     * tint shared by the greyest surfaces of shadows, mid-tones and
     * highlights asks for (with those tints, CIE a* and b*), and which of the
     * two drove the correction (MIRTANE_EVIDENCE_...). */
    double blackStrength;
    double tintStrength;
    double tint[3][2];
    int evidence;
    double shrunkWhite[3];
} MirtaneNaturalChoice;
#define MIRTANE_EVIDENCE_RAISED_BLACK 0
#define MIRTANE_EVIDENCE_SHARED_TINT 1

/* The natural method instead of the plug-in's analysis: a per-channel gain on
 * density read from dust-proof black and white levels inside the picture (see
 * analysis/NaturalMethod.h). Same pixels as mirtane_analyse_rgb8; fills
 * *correction (black level 0, white level 1) and, when not null, *choice.
 * Returns 0, or -1 with a one-line reason in `error`. */
int mirtane_analyse_natural_rgb8(const unsigned char* pixels, int width, int height,
                                 ptrdiff_t rowStride, int bytesPerPixel, double dmax, double flare,
                                 MirtaneCorrection* correction, MirtaneNaturalChoice* choice,
                                 char* error, size_t errorSize);

/* Corrects pixels in place: the first three samples of each pixel (red,
 * green, blue); any further sample (alpha) is left untouched. Rows are
 * rowStride bytes apart in every variant.
 *   8-bit: exactly the plug-in's per-byte correction.
 *   16-bit and float: the same function evaluated at the samples' own
 *   precision: levels, the table interpolated linearly between entries, the
 *   trims' bend; 16-bit results rounded to nearest, float results in [0, 1]. */
void mirtane_apply_rgb8(unsigned char* pixels, int width, int height, ptrdiff_t rowStride,
                        int samplesPerPixel, const MirtaneCorrection* correction,
                        const MirtaneTrims* trims);
void mirtane_apply_rgb16(unsigned short* pixels, int width, int height, ptrdiff_t rowStride,
                         int samplesPerPixel, const MirtaneCorrection* correction,
                         const MirtaneTrims* trims);
void mirtane_apply_rgbf(float* pixels, int width, int height, ptrdiff_t rowStride,
                        int samplesPerPixel, const MirtaneCorrection* correction,
                        const MirtaneTrims* trims);

/* The correction at a strength: each corrected sample moved only `strength`
 * per cent of the way from its original value (0 ... 100, clamped; 100 is
 * exactly the full correction of the functions above, 0 leaves the pixels as
 * they are). The blend is per channel on the sample's own scale: 8-bit and
 * 16-bit results rounded to nearest (halves up), float results unrounded. */
#define MIRTANE_FULL_STRENGTH 100
void mirtane_apply_rgb8_at(unsigned char* pixels, int width, int height, ptrdiff_t rowStride,
                           int samplesPerPixel, const MirtaneCorrection* correction,
                           const MirtaneTrims* trims, int strength);
void mirtane_apply_rgb16_at(unsigned short* pixels, int width, int height, ptrdiff_t rowStride,
                            int samplesPerPixel, const MirtaneCorrection* correction,
                            const MirtaneTrims* trims, int strength);
void mirtane_apply_rgbf_at(float* pixels, int width, int height, ptrdiff_t rowStride,
                           int samplesPerPixel, const MirtaneCorrection* correction,
                           const MirtaneTrims* trims, int strength);

/* The 8-bit correction at a strength as one table per channel (red, green,
 * blue): tables[c][b] is what mirtane_apply_rgb8_at makes of byte b in
 * channel c. Lets other tools apply the correction (a lookup-table image, a
 * .cube file). */
void mirtane_byte_tables(const MirtaneCorrection* correction, const MirtaneTrims* trims,
                         int strength, unsigned char tables[3][256]);

/* The 8-bit rendering of a 16-bit sample that the analysis of a deeper image
 * sees: round(v * 255 / 65535), halves up. Exact in integers, and the
 * inverse of the usual v = b * 257 widening, so an 8-bit image widened to 16
 * bits analyses exactly as itself. */
unsigned char mirtane_sample16_to_8(unsigned short value);

#ifdef __cplusplus
}
#endif

#endif
