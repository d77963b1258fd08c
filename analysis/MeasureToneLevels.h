// The shadow and highlight level of each channel, judged by every pixel's
// percentile rank in all three channels together.
#pragma once

#include <cstdint>

#include "analysis/ToneCurve.h"

namespace mirtane {

// The curves hold the channels' percentile curves (N entries each). Over the
// level window (upper bounds included) each pixel of centre weight P > 0
// looks up, per channel, its bin position J = (x - black) * N / (white -
// black) and the percentile p of bin floor(J) (limited to [0, N - 1]). The
// highlight weight of red is P p_R^2 min(p_R, p_G)^2 min(p_R, p_B), green and
// blue alike with their partners in the order (red, blue) and (green, red);
// the shadow weights use 1 - p. The levels are the weighted means of J, in
// bin positions (0 .. N).
// Returns -1 when height <= 0, the red curve is empty or another curve is
// shorter than it, or some channel has no highlight weight
// (nothing written), or no shadow weight (highlight levels written); 0
// otherwise.
[[nodiscard]] std::int32_t MeasureToneLevels(const float* planeR, const float* planeG,
                                             const float* planeB, std::int32_t width,
                                             std::int32_t height, float black, float white,
                                             const ToneCurve& curveR, const ToneCurve& curveG,
                                             const ToneCurve& curveB, float shadowLevels[3],
                                             float highlightLevels[3]);

}  // namespace mirtane
