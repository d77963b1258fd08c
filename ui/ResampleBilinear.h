// Bilinear resampling of interleaved 8-bit RGB pixels.
#pragma once

#include <cstdint>

#include "pipeline/PixelLayout.h"

namespace mirtane::ui {

// Resamples a sourceWidth x sourceHeight image (rows sourceRowBytes apart,
// red, green and blue of each pixel laid out as `sourceLayout`; fields left 0
// mean 3 bytes per pixel) into destinationWidth x destinationHeight pixels
// (3 bytes per pixel, rows destinationRowBytes apart). Destination pixel (i, j) samples the
// source at (i * stepY, j * stepX), the steps being the single-precision size
// ratios; each byte is floor(interpolated + 0.5). Along the last source row
// and column the sample is the nearest pixel. Equal sizes copy exactly.
// Nothing is written when either size is empty or a pointer is null.
void ResampleBilinear(const std::uint8_t* source, std::int32_t sourceWidth,
                      std::int32_t sourceHeight, std::int32_t sourceRowBytes,
                      std::uint8_t* destination, std::int32_t destinationWidth,
                      std::int32_t destinationHeight, std::int32_t destinationRowBytes,
                      PixelLayout sourceLayout = {});

}  // namespace mirtane::ui
