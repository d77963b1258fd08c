// The third analysis stage: one common equalisation curve from the three
// channels' centre-weighted distributions, shaped per channel with a toe and
// a shoulder at the channel's own black and white points, then raised to
// the gamma exponent.
#pragma once

#include <cstdint>

#include "analysis/ToneCurve.h"
#include "blocks/ParameterBlock.h"

namespace mirtane {

// white and black bound the histograms only. The curves must have
// settings->curveLength entries and receive the stage's curves, entries in
// [0, 1]. A channel whose analysed samples all fall into bin 0 (or that has
// none) adds nothing to the common curve and takes its toe and shoulder from
// it alone. Returns 0, or -1 when working storage is not available.
[[nodiscard]] std::int32_t EqualiseChannels(const float* planeR, const float* planeG,
                                            const float* planeB, float white, float black,
                                            std::int32_t width, std::int32_t height,
                                            ToneCurve& curveR, ToneCurve& curveG, ToneCurve& curveB,
                                            const ParameterBlock* settings);

}  // namespace mirtane
