// A channel's copy of the weighting curve with a toe at the channel's black
// point and a shoulder at its white point.
#pragma once

#include "analysis/ToneCurve.h"

namespace mirtane {

// channel holds the channel's percentile curve P on input; weighting is W
// (non-decreasing, same length N). The toe starts at index a, drawn 0.2 / 0.8
// between the first rises of W and P and moved down until W[a] <= 35/256;
// entries 0 .. a become 0 and W is blended in over W < 3 W[a]. The shoulder
// starts at b, drawn likewise between the last rises and moved up until W[b]
// >= 221/256; entries b .. N - 1 become 1 and the curve is bent towards 1
// above 1 - 3 (1 - W[b]). Entry 0 is never bent by the shoulder. A curve
// without a rise (first rise N, last rise -1) takes both from W alone.
void ShapeChannelCurve(ToneCurve& channel, const ToneCurve& weighting);

}  // namespace mirtane
