#include "analysis/ShapeChannelCurve.h"

#include <cstdint>

#include "analysis/Rounding.h"

namespace mirtane {

namespace {

constexpr float kToeLevel = 0.13671875f;       // 35 / 256
constexpr float kShoulderLevel = 0.86328125f;  // 221 / 256
constexpr float kWeightingShare = 0.2f;
constexpr float kChannelShare = 0.8f;

// Smallest i >= 1 with curve[i] != curve[0], or n.
std::int32_t FirstRise(const ToneCurve& curve, std::int32_t n) {
    for (std::int32_t i = 1; i < n; ++i) {
        if (curve.At(i) != curve.At(0)) {
            return i;
        }
    }
    return n;
}

// Largest i <= n - 2 with curve[i] != curve[n - 1], or -1.
std::int32_t LastRise(const ToneCurve& curve, std::int32_t n) {
    for (std::int32_t i = n - 2; i >= 0; --i) {
        if (curve.At(i) != curve.At(n - 1)) {
            return i;
        }
    }
    return -1;
}

std::int32_t BlendIndex(std::int32_t weightingIndex, std::int32_t channelIndex) {
    return TruncateToInt(kWeightingShare * static_cast<float>(weightingIndex) +
                         kChannelShare * static_cast<float>(channelIndex) + 0.5f);
}

}  // namespace

void ShapeChannelCurve(ToneCurve& channel, const ToneCurve& weighting) {
    const std::int32_t n = channel.Count();
    if (n <= 0) {
        return;
    }
    const std::int32_t firstRiseW = FirstRise(weighting, n);
    const std::int32_t firstRiseP = FirstRise(channel, n);
    const std::int32_t lastRiseW = LastRise(weighting, n);
    const std::int32_t lastRiseP = LastRise(channel, n);

    std::int32_t a = BlendIndex(firstRiseW, firstRiseP);
    if (a > n - 1) {
        a = n - 1;
    }
    while (weighting.At(a) > kToeLevel && a > 0) {
        --a;
    }
    const float wa = weighting.At(a);
    for (std::int32_t i = 0; i <= a; ++i) {
        channel.At(i) = 0.0f;
    }
    for (std::int32_t i = a; i < n; ++i) {
        const float w = weighting.At(i);
        if (w < 3.0f * wa) {
            const float t = (w - wa) * (1.0f / (2.0f * wa));
            channel.At(i) = w * (2.0f * t - t * t);
        } else {
            channel.At(i) = w;
        }
    }

    std::int32_t b = BlendIndex(lastRiseW, lastRiseP);
    if (b < 0) {
        b = 0;
    }
    if (b > n - 1) {
        b = n - 1;
    }
    while (weighting.At(b) < kShoulderLevel && b < n - 1) {
        ++b;
    }
    const float wb = weighting.At(b);
    const float q = 1.0f - 3.0f * (1.0f - wb);
    for (std::int32_t i = b; i < n; ++i) {
        channel.At(i) = 1.0f;
    }
    for (std::int32_t i = b; i >= 1; --i) {
        const float p = channel.At(i);
        if (p > q) {
            const float s = (wb - p) * (1.0f / (2.0f * (1.0f - wb)));
            channel.At(i) = 1.0f - (1.0f - p) * (2.0f * s - s * s);
        }
    }
}

}  // namespace mirtane
