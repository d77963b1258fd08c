// The second analysis stage: one linear ramp per channel that moves the
// channel's shadow level onto that of the channel with the widest
// shadow-to-highlight range and stretches its range towards the widest by a
// gain limited to [0.85, 1.15].
#pragma once

#include <cstdint>

#include "analysis/ToneCurve.h"
#include "blocks/ParameterBlock.h"

namespace mirtane {

// The curves must have settings->curveLength entries; they receive the ramps
// (entries in [0, 1]; the output step is (whiteLevel - blackLevel) / (N - 1)
// from the settings). When the levels cannot be measured (a channel without
// highlight or shadow weight) every channel takes shadow level 0 and
// highlight level N, so every gain is 1 and every ramp is i * step.
// Returns 0, or -1 when the curves have no storage.
[[nodiscard]] std::int32_t BalanceChannelRanges(const float* planeR, const float* planeG,
                                                const float* planeB, std::int32_t width,
                                                std::int32_t height, ToneCurve& curveR,
                                                ToneCurve& curveG, ToneCurve& curveB,
                                                const ParameterBlock* settings);

}  // namespace mirtane
