#include "analysis/BalanceChannelRanges.h"

#include "analysis/AccumulateCentreWeightedHistogram.h"
#include "analysis/MeasureToneLevels.h"

namespace mirtane {

namespace {

constexpr float kHighestGain = 1.15f;
constexpr float kLowestGain = 0.85f;

}  // namespace

std::int32_t BalanceChannelRanges(const float* planeR, const float* planeG, const float* planeB,
                                  std::int32_t width, std::int32_t height, ToneCurve& curveR,
                                  ToneCurve& curveG, ToneCurve& curveB,
                                  const ParameterBlock* settings) {
    ToneCurve* const curves[3] = {&curveR, &curveG, &curveB};
    const float* const planes[3] = {planeR, planeG, planeB};
    if (BuildPercentileCurves(planes, 1.0f, 0.0f, width, height, curves) != 0) {
        return -1;
    }

    const std::int32_t n = settings->curveLength;
    float shadow[3] = {};
    float highlight[3] = {};
    if (MeasureToneLevels(planeR, planeG, planeB, width, height, 0.0f, 1.0f, curveR, curveG, curveB,
                          shadow, highlight) != 0) {
        // Levels that could not be measured fall back to the full range of
        // bin positions, which makes every ramp the plain i * step.
        for (int c = 0; c < 3; ++c) {
            shadow[c] = 0.0f;
            highlight[c] = static_cast<float>(n);
        }
    }

    float range[3];
    for (int c = 0; c < 3; ++c) {
        range[c] = highlight[c] - shadow[c];
    }
    int reference = 0;
    for (int c = 1; c < 3; ++c) {
        if (range[c] > range[reference]) {
            reference = c;
        }
    }
    float gain[3];
    for (int c = 0; c < 3; ++c) {
        float g = range[reference] / range[c];
        if (!(g < kHighestGain)) {
            g = kHighestGain;
        }
        if (!(g > kLowestGain)) {
            g = kLowestGain;
        }
        gain[c] = g;
    }

    const double step = static_cast<float>(
        (static_cast<double>(settings->whiteLevel) - settings->blackLevel) / (n - 1));
    const double referenceShadow = shadow[reference];
    for (std::int32_t i = 0; i < n; ++i) {
        for (int c = 0; c < 3; ++c) {
            // The ramp value is one expression rounded to float once.
            float v = static_cast<float>(
                ((i - static_cast<double>(shadow[c])) * gain[c] + referenceShadow) * step);
            if (v > 1.0f) {
                v = 1.0f;
            } else if (v < 0.0f) {
                v = 0.0f;
            }
            curves[c]->At(i) = v;
        }
    }
    for (ToneCurve* curve : curves) {
        static_cast<void>(curve->UpdateRange());  // the storage exists
    }
    return 0;
}

}  // namespace mirtane
