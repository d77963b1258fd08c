#include "analysis/IntegrateSlopes.h"

#include <cmath>

namespace mirtane {

namespace {

// Two thirds as a float constant (0.6666666865348816).
constexpr float kSlopeExponent = 2.0f / 3.0f;

void RunningSlopeSum(const ToneCurve& slope, ToneCurve& sum, std::int32_t n, float middle) {
    float total = 0.0f;
    for (std::int32_t i = 0; i < n; ++i) {
        const float e = (slope.At(i) - middle) / middle;
        const float ratio = (1.00001f + e) / (1.00001f - e);
        const float g = static_cast<float>(
            std::pow(static_cast<double>(ratio), static_cast<double>(kSlopeExponent)));
        total = i == 0 ? g : total + g;
        sum.At(i) = total;
    }
}

}  // namespace

std::int32_t IntegrateSlopes(const ToneCurve& slopeR, ToneCurve& curveR, const ToneCurve& slopeG,
                             ToneCurve& curveG, const ToneCurve& slopeB, ToneCurve& curveB) {
    const std::int32_t n = slopeR.Count();
    if (n <= 0) {
        return 0;
    }
    const float middle = static_cast<float>(n + 1) * 0.5f;
    ToneCurve sumR(n);
    ToneCurve sumG(n);
    ToneCurve sumB(n);
    if (!sumR.HasStorage() || !sumG.HasStorage() || !sumB.HasStorage()) {
        return -1;
    }
    RunningSlopeSum(slopeR, sumR, n, middle);
    RunningSlopeSum(slopeG, sumG, n, middle);
    RunningSlopeSum(slopeB, sumB, n, middle);
    float peak = sumR.At(n - 1);
    if (sumG.At(n - 1) > peak) {
        peak = sumG.At(n - 1);
    }
    if (sumB.At(n - 1) > peak) {
        peak = sumB.At(n - 1);
    }
    const float scale = 1.0f / peak;
    for (std::int32_t i = 0; i < n; ++i) {
        curveR.At(i) = scale * sumR.At(i);
        curveG.At(i) = scale * sumG.At(i);
        curveB.At(i) = scale * sumB.At(i);
    }
    return 0;
}

}  // namespace mirtane
