// The natural restoration method: from an 8-bit RGB image, one table per
// channel that undoes a dye fade as a per-channel gain on density, with the
// levels read from samples that agree with their neighbourhood so that dust
// does not move them. It offers an alternative to the three-stage analysis;
// its tables feed the same application.
//
// Memory: the image is read in one sweep of bands of four rows. Only rolling
// windows of reduced cells are kept: five rows of cell means and three rows
// of their medians per channel, 24 bytes per cell column, which is 6 bytes
// per image column (36 kB for a 6000 x 4000 image) whatever its height;
// nothing is allocated per pixel.
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
