#include "analysis/BuildWeightingCurve.h"

#include <algorithm>
#include <cmath>

namespace mirtane {

namespace {

constexpr std::int32_t kSmoothingRadius = 20;
// 1 / 41 formed once in single precision.
constexpr float kSmoothingFactor = 1.0f / static_cast<float>(2 * kSmoothingRadius + 1);
constexpr float kSmoothingCutOff = 1e-22f;
constexpr float kFifthRoot = 0.2f;

// Scales every entry by 1 / (sum of the entries), sum and reciprocal in
// float. False when the sum is not positive.
bool NormaliseBySum(ToneCurve& curve) {
    float sum = 0.0f;
    for (std::int32_t i = 0; i < curve.Count(); ++i) {
        sum += curve.At(i);
    }
    if (!(sum > 0.0f)) {
        return false;
    }
    const float reciprocal = 1.0f / sum;
    for (std::int32_t i = 0; i < curve.Count(); ++i) {
        curve.At(i) *= reciprocal;
    }
    return true;
}

// (u^2 - u + 1)^2: 1 at u = 0 and u = 1, 0.5625 at u = 0.5.
float MiddleDamping(float u) {
    const float w = u * u - u + 1.0f;
    return w * w;
}

void FillIdentity(ToneCurve& curve) {
    const float last = static_cast<float>(curve.Count() - 1);
    for (std::int32_t i = 0; i < curve.Count(); ++i) {
        curve.At(i) = static_cast<float>(i) / last;
    }
}

}  // namespace

std::int32_t BuildWeightingCurve(ToneCurve& curve) {
    const std::int32_t n = curve.Count();
    ToneCurve density(n);
    ToneCurve squareRoot(n);
    ToneCurve fifthRoot(n);
    ToneCurve envelope(n);
    if (!curve.HasStorage() || !density.HasStorage() || !squareRoot.HasStorage() ||
        !fifthRoot.HasStorage() || !envelope.HasStorage()) {
        return -1;
    }

    density.At(0) = 0.0f;
    for (std::int32_t i = 1; i < n; ++i) {
        density.At(i) = curve.At(i) - curve.At(i - 1);
    }
    for (std::int32_t i = 0; i < n; ++i) {
        const float d = density.At(i);
        squareRoot.At(i) = std::sqrt(d);
        fifthRoot.At(i) =
            static_cast<float>(std::pow(static_cast<double>(d), static_cast<double>(kFifthRoot)));
    }
    if (!NormaliseBySum(squareRoot) || !NormaliseBySum(fifthRoot)) {
        // A flat curve (no channel had a percentile curve) has no density.
        FillIdentity(curve);
        return 0;
    }
    for (std::int32_t i = 0; i < n; ++i) {
        curve.At(i) = std::min(squareRoot.At(i), fifthRoot.At(i));
    }

    float total = 0.0f;
    for (std::int32_t i = 0; i < n; ++i) {
        total += curve.At(i);
    }
    // Forward envelope: u is the share of the total at or beyond i.
    envelope.At(0) = 0.0f;
    float seen = 0.0f;
    for (std::int32_t i = 1; i < n; ++i) {
        const float u = (total - seen) / total;
        envelope.At(i) = std::max(MiddleDamping(u) * curve.At(i), envelope.At(i - 1));
        seen = seen + curve.At(i);
    }
    // Backward envelope: u is the share at or before i.
    float best = curve.At(n - 1);
    seen = 0.0f;
    for (std::int32_t i = n - 1; i >= 0; --i) {
        const float u = (total - seen) / total;
        const float damped = MiddleDamping(u) * curve.At(i);
        if (!(damped < best)) {
            best = damped;
        }
        seen = seen + curve.At(i);
        curve.At(i) = std::min(envelope.At(i), best);
    }

    envelope.Assign(curve);
    for (std::int32_t k = 0; k < n; ++k) {
        double sum = 0.0;
        for (std::int32_t t = k - kSmoothingRadius; t <= k + kSmoothingRadius; ++t) {
            sum += envelope.At(std::clamp(t, 0, n - 1));
        }
        float v = static_cast<float>(sum) * kSmoothingFactor;
        if (v <= kSmoothingCutOff) {
            v = 0.0f;
        }
        curve.At(k) = v;
    }
    curve.Accumulate(Normalisation::ToUnitRange);
    return 0;
}

}  // namespace mirtane
