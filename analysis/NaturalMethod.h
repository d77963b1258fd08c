// The natural restoration method: from an 8-bit RGB image, one table per
// channel that undoes a dye fade as a per-channel gain on density, applied
// as far as the picture shows evidence of a fade. It offers an alternative to
// the three-stage analysis; its tables feed the same application.
//
// Everything is read inside the picture: black letterboxes, scanner
// surrounds and white margins at the edges are found first and left out.
// Two readings follow. The black and white levels come from samples that
// agree with their neighbourhood, so that dust does not move them; a raised
// lowest black is one evidence of a fade. The neutral floor (the greyest
// blocks of shadows, mid-tones and highlights) gives the other: a tint they
// all share, as when one dye is lost while the others still reach black.
// The stronger evidence chooses the correction and its strength. For a
// raised black, the mid-tones' greys that balance the channels are read
// again, three times, in the picture as the last tables correct it: under a
// cast, a surface of the opposite colour is the greyest of the faded picture.
//
// Memory: four bytes per 8 x 8 block for the border search (its kind and
// its mean R, G, B, which the floor reuses), with the column sums of one row
// of blocks (6 bytes per image column); the levels read the image in one
// sweep of bands of four rows, keeping rolling windows of reduced cells
// (seven rows of cell means and three rows of their medians per channel,
// the medians worked out only where a local range is needed; 7.5 bytes per
// image column, 45 kB for a 6000 x 4000 image); the floor keeps the block
// medians, CIE L*a*b*, band and chroma of each block and one value per
// block to select among, about 50 bytes per block at most (about 19 MB at 24
// megapixels, under a byte per pixel); the block medians are kept for the
// second readings, whose one reader holds about 44 bytes per block again
// (the same readings and each block's last corrected colour) once the first
// reading's are freed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "analysis/NaturalResult.h"

namespace mirtane {

// pixels: width x height samples (R, G, B) of 8 bits, interleaved, rows
// rowStride bytes apart (at least 3 width). Writes result->tables (entry i
// for input i / 255, black level 0 and white level 1) and result->choice
// (levels, gains, strength).
// Images narrower or shorter than 4 samples have no whole cell, so no sample
// can be checked against its neighbourhood: every channel then takes the
// levels 0 and 255 with levelsFound false, the strength is 0 and the tables
// are the identity.
// Returns 0 on success; -1, with *result untouched, for null pixels or
// result, a width or height <= 0, a row stride below 3 width, a dmax that is
// not positive and finite, a flare outside [0, 1), or when working storage
// is not available.
[[nodiscard]] std::int32_t ComputeNaturalCurves(const std::uint8_t* pixels, std::int32_t width,
                                                std::int32_t height, std::ptrdiff_t rowStride,
                                                const NaturalSettings& settings,
                                                NaturalResult* result);

}  // namespace mirtane
