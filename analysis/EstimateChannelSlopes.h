// The first analysis stage: per-channel slope curves from the agreement of
// the channels' gradients, and the black and white levels of the image.
#pragma once

#include <cstdint>

#include "analysis/ToneCurve.h"
#include "blocks/ParameterBlock.h"

namespace mirtane {

// Sets settings->blackLevel and whiteLevel to the smallest and largest sample
// over the three planes. Then, for each channel, gathers the pair samples
// against the two other channels into a curveLength x slopeGridHeight slope
// histogram, extracts one slope code per intensity and integrates the codes;
// the three channel curves are scaled jointly so that the highest ends at 1.
// Returns 0; -2 when white <= black (the channel curves are then filled with
// the black level); -1 when working storage is not available.
[[nodiscard]] std::int32_t EstimateChannelSlopes(const float* planeR, const float* planeG,
                                                 const float* planeB, std::int32_t width,
                                                 std::int32_t height, ToneCurve& curveR,
                                                 ToneCurve& curveG, ToneCurve& curveB,
                                                 ParameterBlock* settings);

}  // namespace mirtane
