// The common equalisation curve of the third analysis stage.
#pragma once

#include <cstdint>

#include "analysis/ToneCurve.h"

namespace mirtane {

// Turns a non-decreasing percentile curve, in place, into the weighting curve
// W: its slope follows the density of the input, compressed (the smaller of
// the normalised square root and fifth root of the density), made
// single-peaked by the lower of a forward and a backward envelope that damp
// the middle of the distribution (by up to 0.5625), smoothed over 41 bins
// and accumulated. W is non-decreasing, W[0] = 0 and W[N - 1] = 1 (up to
// rounding). A flat input has no density to follow; W is then the identity
// ramp i / (N - 1). Returns 0, or -1 when working storage is not available.
[[nodiscard]] std::int32_t BuildWeightingCurve(ToneCurve& curve);

}  // namespace mirtane
