// Turns three curves of slope codes into three jointly scaled channel curves.
#pragma once

#include <cstdint>

#include "analysis/ToneCurve.h"

namespace mirtane {

// With n the red slope curve's length and m = (n + 1) / 2, entry i of a
// channel curve is the running sum of the slopes ((1.00001 + e) / (1.00001 -
// e))^(2/3), e = (code_i - m) / m, scaled by one common factor so that the
// largest of the three final sums is 1. Each curve starts at its first slope,
// not at 0, and rises. 0, or -1 when working storage is not available.
std::int32_t IntegrateSlopes(const ToneCurve& slopeR, ToneCurve& curveR, const ToneCurve& slopeG,
                             ToneCurve& curveG, const ToneCurve& slopeB, ToneCurve& curveB);

}  // namespace mirtane
