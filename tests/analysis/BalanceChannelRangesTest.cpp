#include "analysis/BalanceChannelRanges.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "analysis/MeasureToneLevels.h"
#include "analysis/ToneCurve.h"
#include "host/ParameterBlock.h"

namespace mirtane {
namespace {

constexpr std::int32_t kWidth = 40;
constexpr std::int32_t kHeight = 30;

// A diagonal gradient through [0, 1] with a ripple, so every level occurs.
std::vector<float> Gradient() {
    std::vector<float> plane(static_cast<std::size_t>(kWidth * kHeight));
    for (std::int32_t y = 0; y < kHeight; ++y) {
        for (std::int32_t x = 0; x < kWidth; ++x) {
            const float t =
                (static_cast<float>(x) / (kWidth - 1) + static_cast<float>(y) / (kHeight - 1)) *
                0.5f;
            plane[static_cast<std::size_t>(y * kWidth + x)] = std::fmin(
                1.0f, std::fmax(0.0f, t + 0.05f * std::sin(static_cast<float>(x * 7 + y * 3))));
        }
    }
    return plane;
}

struct Ramps {
    ToneCurve r{kCurveLength};
    ToneCurve g{kCurveLength};
    ToneCurve b{kCurveLength};
};

TEST(BalanceChannelRanges, IdenticalChannelsGetIdentityRamps) {
    const std::vector<float> plane = Gradient();
    const ParameterBlock settings = DefaultParameterBlock();
    Ramps ramps;
    EXPECT_EQ(BalanceChannelRanges(plane.data(), plane.data(), plane.data(), kWidth, kHeight,
                                   ramps.r, ramps.g, ramps.b, &settings),
              0);
    for (std::int32_t i = 0; i < kCurveLength; ++i) {
        const float expected = static_cast<float>(i) / 255.0f;
        ASSERT_NEAR(ramps.r.At(i), expected, 1e-6f) << "entry " << i;
        ASSERT_EQ(ramps.g.At(i), ramps.r.At(i)) << "entry " << i;
        ASSERT_EQ(ramps.b.At(i), ramps.r.At(i)) << "entry " << i;
    }
}

TEST(BalanceChannelRanges, NarrowChannelIsStretchedByAtMostTheGainLimit) {
    // Green spans a fifth of red's range around the middle; blue equals red.
    const std::vector<float> red = Gradient();
    std::vector<float> green(red.size());
    for (std::size_t k = 0; k < red.size(); ++k) {
        green[k] = 0.5f + 0.2f * (red[k] - 0.5f);
    }
    const ParameterBlock settings = DefaultParameterBlock();
    Ramps ramps;
    EXPECT_EQ(BalanceChannelRanges(red.data(), green.data(), red.data(), kWidth, kHeight, ramps.r,
                                   ramps.g, ramps.b, &settings),
              0);
    // Red stays the reference (blue ties and the earlier channel wins).
    EXPECT_NEAR(ramps.r.At(100), 100.0f / 255.0f, 1e-6f);
    EXPECT_EQ(ramps.b.At(100), ramps.r.At(100));
    bool sawInterior = false;
    for (std::int32_t i = 1; i < kCurveLength; ++i) {
        const float previous = ramps.g.At(i - 1);
        const float current = ramps.g.At(i);
        ASSERT_GE(current, previous) << "entry " << i;
        ASSERT_GE(current, 0.0f);
        ASSERT_LE(current, 1.0f);
        if (previous > 0.0f && current < 1.0f) {
            sawInterior = true;
            ASSERT_NEAR(current - previous, 1.15f / 255.0f, 1e-5f) << "entry " << i;
        }
    }
    EXPECT_TRUE(sawInterior);
}

TEST(BalanceChannelRanges, UnmeasurableLevelsGivePlainRampsWithTheLevelsStep) {
    // Green is 0 everywhere: all its samples fall into bin 0, it has no
    // percentile curve and so no highlight weight.
    const std::vector<float> plane = Gradient();
    const std::vector<float> dark(plane.size(), 0.0f);
    ParameterBlock settings = DefaultParameterBlock();
    settings.blackLevel = 0.2f;
    settings.whiteLevel = 0.7f;
    Ramps ramps;
    EXPECT_EQ(BalanceChannelRanges(plane.data(), dark.data(), plane.data(), kWidth, kHeight,
                                   ramps.r, ramps.g, ramps.b, &settings),
              0);
    const float step = static_cast<float>((static_cast<double>(0.7f) - 0.2f) / 255.0);
    for (std::int32_t i = 0; i < kCurveLength; ++i) {
        const float expected = static_cast<float>(i) * step;
        for (const ToneCurve* ramp : {&ramps.r, &ramps.g, &ramps.b}) {
            ASSERT_NEAR(ramp->At(i), expected, 1e-6f) << "entry " << i;
            ASSERT_TRUE(std::isfinite(ramp->At(i)));
        }
    }
}

TEST(MeasureToneLevels, SamplesAtWhiteReadTheLastPercentileAndShadowFailureKeepsHighlights) {
    const std::vector<float> white(100, 1.0f);
    ToneCurve percentile(256);
    percentile.At(255) = 1.0f;
    float shadow[3] = {-1.0f, -1.0f, -1.0f};
    float highlight[3] = {-1.0f, -1.0f, -1.0f};
    EXPECT_EQ(MeasureToneLevels(white.data(), white.data(), white.data(), 10, 10, 0.0f, 1.0f,
                                percentile, percentile, percentile, shadow, highlight),
              -1);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(highlight[c], 256.0f);
        EXPECT_EQ(shadow[c], -1.0f);
    }
}

TEST(MeasureToneLevels, RowAtNineTenthsCountsForLevelsButTheFirstTenthDoesNot) {
    // Percentile = bin / 255, so levels follow the samples.
    ToneCurve percentile(256);
    for (std::int32_t i = 0; i < 256; ++i) {
        percentile.At(i) = static_cast<float>(i) / 255.0f;
    }
    const auto measure = [&](const std::vector<float>& plane, float levels[3], float shadows[3]) {
        return MeasureToneLevels(plane.data(), plane.data(), plane.data(), 10, 10, 0.0f, 1.0f,
                                 percentile, percentile, percentile, shadows, levels);
    };
    std::vector<float> base(100);
    for (std::size_t k = 0; k < base.size(); ++k) {
        base[k] = 0.2f + 0.006f * static_cast<float>(k % 97);
    }
    float baseHigh[3];
    float baseLow[3];
    ASSERT_EQ(measure(base, baseHigh, baseLow), 0);
    std::vector<float> lastRow = base;
    std::vector<float> firstRow = base;
    for (std::int32_t x = 0; x < 10; ++x) {
        lastRow[static_cast<std::size_t>(90 + x)] = 0.95f;   // row 9 = 0.9 * 10
        firstRow[static_cast<std::size_t>(10 + x)] = 0.95f;  // row 1 = 0.1 * 10
    }
    float high[3];
    float low[3];
    ASSERT_EQ(measure(lastRow, high, low), 0);
    EXPECT_GT(high[0], baseHigh[0]);
    ASSERT_EQ(measure(firstRow, high, low), 0);
    EXPECT_EQ(high[0], baseHigh[0]);
    EXPECT_EQ(low[0], baseLow[0]);
    EXPECT_EQ(MeasureToneLevels(base.data(), base.data(), base.data(), 10, 0, 0.0f, 1.0f,
                                percentile, percentile, percentile, low, high),
              -1);
}

}  // namespace
}  // namespace mirtane
