// A histogram of one plane in which each pixel counts with its centre weight.
#pragma once

#include <cstdint>

#include "analysis/ToneCurve.h"

namespace mirtane {

// Adds the centre weight of every pixel of the histogram window (strict upper
// bounds) to the bin nearest to (x - black) * (N - 1) / (white - black), N the
// histogram's entry count, halves going up; samples at or below black land in
// bin 0, at or above white in bin N - 1, NaN in bin 0. Adds to what the bins
// hold. Returns -1 and adds nothing when white <= black, else 0.
[[nodiscard]] std::int32_t AccumulateCentreWeightedHistogram(const float* plane, float white,
                                                             float black, std::int32_t width,
                                                             std::int32_t height,
                                                             ToneCurve& histogram);

// Clears each curve and fills it with its plane's percentile curve: the
// normalised running sum of the plane's centre-weighted histogram over
// [black, white] (all zeros when the histogram has no weight beyond bin 0, or
// when white <= black adds nothing). Returns -1 when a curve has no storage.
[[nodiscard]] std::int32_t BuildPercentileCurves(const float* const (&planes)[3], float white,
                                                 float black, std::int32_t width,
                                                 std::int32_t height,
                                                 ToneCurve* const (&curves)[3]);

}  // namespace mirtane
