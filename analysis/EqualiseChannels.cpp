#include "analysis/EqualiseChannels.h"

#include <cmath>

#include "analysis/AccumulateCentreWeightedHistogram.h"
#include "analysis/BuildWeightingCurve.h"
#include "analysis/CombinePercentileCurves.h"
#include "analysis/ShapeChannelCurve.h"

namespace mirtane {

std::int32_t EqualiseChannels(const float* planeR, const float* planeG, const float* planeB,
                              float white, float black, std::int32_t width, std::int32_t height,
                              ToneCurve& curveR, ToneCurve& curveG, ToneCurve& curveB,
                              const ParameterBlock* settings) {
    const std::int32_t n = settings->curveLength;
    ToneCurve* const curves[3] = {&curveR, &curveG, &curveB};
    const float* const planes[3] = {planeR, planeG, planeB};
    if (BuildPercentileCurves(planes, white, black, width, height, curves) != 0) {
        return -1;
    }

    ToneCurve combined(n);
    if (!combined.HasStorage()) {
        return -1;
    }
    CombinePercentileCurves(combined, curveR, curveG, curveB);
    if (BuildWeightingCurve(combined) != 0) {
        return -1;
    }
    for (ToneCurve* curve : curves) {
        ShapeChannelCurve(*curve, combined);
    }

    const double gamma = settings->gammaExponent;
    for (std::int32_t i = 0; i < n; ++i) {
        for (ToneCurve* curve : curves) {
            float& entry = curve->At(i);
            entry = static_cast<float>(std::pow(static_cast<double>(entry), gamma));
        }
    }
    return 0;
}

}  // namespace mirtane
