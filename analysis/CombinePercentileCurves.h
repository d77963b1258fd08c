// The percentile curve of the three channels together.
#pragma once

#include "analysis/ToneCurve.h"

namespace mirtane {

// combined[i] = sqrt(0.36 R[i]^2 + 0.46 G[i]^2 + 0.18 B[i]^2), evaluated in
// double and stored as float, for every entry of combined. The weights sum
// to 1, so three curves running 0 .. 1 give a combined curve running 0 .. 1.
void CombinePercentileCurves(ToneCurve& combined, const ToneCurve& curveR, const ToneCurve& curveG,
                             const ToneCurve& curveB);

}  // namespace mirtane
