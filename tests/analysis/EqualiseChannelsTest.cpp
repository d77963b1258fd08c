#include "analysis/EqualiseChannels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "analysis/BuildWeightingCurve.h"
#include "analysis/CombinePercentileCurves.h"
#include "analysis/ShapeChannelCurve.h"
#include "analysis/ToneCurve.h"
#include "host/ParameterBlock.h"

namespace mirtane {
namespace {

constexpr std::int32_t kN = kCurveLength;
constexpr float kToeLevel = 35.0f / 256.0f;
constexpr float kShoulderLevel = 221.0f / 256.0f;

void FillIdentity(ToneCurve& curve) {
    for (std::int32_t i = 0; i < curve.Count(); ++i) {
        curve.At(i) = static_cast<float>(i) / static_cast<float>(curve.Count() - 1);
    }
}

void ExpectNonDecreasing(const ToneCurve& curve, const char* what) {
    for (std::int32_t i = 1; i < curve.Count(); ++i) {
        ASSERT_GE(curve.At(i), curve.At(i - 1)) << what << " entry " << i;
    }
}

std::vector<float> Plane(std::int32_t width, std::int32_t height, float (*level)(float, float)) {
    std::vector<float> plane(static_cast<std::size_t>(width * height));
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            plane[static_cast<std::size_t>(y * width + x)] =
                level(static_cast<float>(x) / static_cast<float>(width),
                      static_cast<float>(y) / static_cast<float>(height));
        }
    }
    return plane;
}

TEST(CombinePercentileCurves, WeightsSquaresOfTheThreeCurves) {
    const float r[2] = {0.0f, 1.0f};
    const float g[2] = {0.5f, 1.0f};
    const float b[2] = {1.0f, 1.0f};
    ToneCurve combined(2);
    CombinePercentileCurves(combined, ToneCurve(r, 2), ToneCurve(g, 2), ToneCurve(b, 2));
    EXPECT_FLOAT_EQ(combined.At(0), static_cast<float>(std::sqrt(0.46 * 0.25 + 0.18)));
    EXPECT_EQ(combined.At(1), 1.0f);
}

TEST(BuildWeightingCurve, EvenDensityGivesARisingCurveFromZeroToOne) {
    ToneCurve curve(kN);
    FillIdentity(curve);
    EXPECT_EQ(BuildWeightingCurve(curve), 0);
    EXPECT_EQ(curve.At(0), 0.0f);
    EXPECT_NEAR(curve.At(kN - 1), 1.0f, 1e-6f);
    ExpectNonDecreasing(curve, "weighting");
    // The middle is damped more than the tails: the curve is steeper near the
    // ends than in the middle.
    const float middleSlope = curve.At(138) - curve.At(118);
    const float tailSlope = curve.At(60) - curve.At(40);
    EXPECT_GT(tailSlope, middleSlope);
}

TEST(BuildWeightingCurve, ConcentratedDensityStaysSinglePeaked) {
    // Two separated steps: the envelope keeps one peak, so the slope of the
    // result never dips between two rises.
    ToneCurve curve(kN);
    for (std::int32_t i = 0; i < kN; ++i) {
        curve.At(i) = (i >= 60 ? 0.4f : 0.0f) + (i >= 190 ? 0.6f : 0.0f);
    }
    EXPECT_EQ(BuildWeightingCurve(curve), 0);
    ExpectNonDecreasing(curve, "weighting");
    std::vector<float> slope(kN - 1);
    for (std::int32_t i = 0; i + 1 < kN; ++i) {
        slope[static_cast<std::size_t>(i)] = curve.At(i + 1) - curve.At(i);
    }
    const auto peak = std::max_element(slope.begin(), slope.end()) - slope.begin();
    for (std::int32_t i = 1; i <= peak; ++i) {
        ASSERT_GE(slope[static_cast<std::size_t>(i)] + 1e-7f,
                  slope[static_cast<std::size_t>(i - 1)])
            << i;
    }
    for (std::int32_t i = static_cast<std::int32_t>(peak) + 1; i < kN - 1; ++i) {
        ASSERT_LE(slope[static_cast<std::size_t>(i)],
                  slope[static_cast<std::size_t>(i - 1)] + 1e-7f)
            << i;
    }
}

TEST(BuildWeightingCurve, FlatCurveBecomesTheIdentityRamp) {
    ToneCurve curve(kN);
    EXPECT_EQ(BuildWeightingCurve(curve), 0);
    for (std::int32_t i = 0; i < kN; ++i) {
        ASSERT_EQ(curve.At(i), static_cast<float>(i) / 255.0f) << "entry " << i;
    }
}

TEST(ShapeChannelCurve, SingleBinChannelDrawsToeAndShoulderTowardsThatBin) {
    // Percentile rises only at bin 100: first rise 100, last rise 99. With
    // the identity as weighting curve the toe starts at 80 and moves down to
    // 34 (34 / 255 <= 35 / 256); the shoulder starts at 130 and moves up to
    // 221 (221 / 255 >= 221 / 256).
    ToneCurve weighting(kN);
    FillIdentity(weighting);
    ToneCurve channel(kN);
    for (std::int32_t i = 100; i < kN; ++i) {
        channel.At(i) = 1.0f;
    }
    ShapeChannelCurve(channel, weighting);
    for (std::int32_t i = 0; i <= 34; ++i) {
        ASSERT_EQ(channel.At(i), 0.0f) << "entry " << i;
    }
    for (std::int32_t i = 221; i < kN; ++i) {
        ASSERT_EQ(channel.At(i), 1.0f) << "entry " << i;
    }
    ExpectNonDecreasing(channel, "shaped");
    const float wa = weighting.At(34);
    const float w50 = weighting.At(50);
    const float t = (w50 - wa) / (2.0f * wa);
    EXPECT_NEAR(channel.At(50), w50 * (2.0f * t - t * t), 1e-6f);
    EXPECT_EQ(channel.At(110), weighting.At(110)) << "between toe and shoulder the curve is W";
    const float wb = weighting.At(221);
    const float w200 = weighting.At(200);
    const float s = (wb - w200) / (2.0f * (1.0f - wb));
    EXPECT_NEAR(channel.At(200), 1.0f - (1.0f - w200) * (2.0f * s - s * s), 1e-6f);
    EXPECT_EQ(channel.At(150), weighting.At(150))
        << "at or below 1 - 3 (1 - W[b]) the shoulder keeps W";
}

TEST(ShapeChannelCurve, SearchesStayInsideTheCurve) {
    // A weighting curve that is above the toe level from entry 1 and below
    // the shoulder level until the last entry.
    ToneCurve weighting(kN);
    for (std::int32_t i = 1; i < kN - 1; ++i) {
        weighting.At(i) = 0.5f;
    }
    weighting.At(kN - 1) = 1.0f;
    ToneCurve channel(kN);
    for (std::int32_t i = 200; i < kN; ++i) {
        channel.At(i) = 1.0f;
    }
    ShapeChannelCurve(channel, weighting);
    EXPECT_EQ(channel.At(0), 0.0f);
    EXPECT_EQ(channel.At(kN - 1), 1.0f);
    for (std::int32_t i = 0; i < kN; ++i) {
        ASSERT_TRUE(channel.At(i) >= 0.0f && channel.At(i) <= 1.0f) << "entry " << i;
    }
    EXPECT_LT(kToeLevel, kShoulderLevel);
}

TEST(EqualiseChannels, IdenticalChannelsGetIdenticalCurvesFromZeroToOne) {
    const std::vector<float> plane =
        Plane(48, 40, [](float x, float y) { return 0.2f + 0.5f * x * x + 0.2f * y; });
    const ParameterBlock settings = DefaultParameterBlock();
    ToneCurve r(kN);
    ToneCurve g(kN);
    ToneCurve b(kN);
    EXPECT_EQ(EqualiseChannels(plane.data(), plane.data(), plane.data(), 1.0f, 0.0f, 48, 40, r, g,
                               b, &settings),
              0);
    for (std::int32_t i = 0; i < kN; ++i) {
        ASSERT_EQ(g.At(i), r.At(i)) << "entry " << i;
        ASSERT_EQ(b.At(i), r.At(i)) << "entry " << i;
    }
    EXPECT_EQ(r.At(0), 0.0f);
    EXPECT_EQ(r.At(kN - 1), 1.0f);
    ExpectNonDecreasing(r, "equalised");
    // The plane holds levels 0.2 .. 0.9: the toe and shoulder pull the
    // curve's ends towards them.
    EXPECT_EQ(r.At(40), 0.0f);
    EXPECT_EQ(r.At(240), 1.0f);
}

TEST(EqualiseChannels, ChannelsWithoutPercentileCurveFollowTheIdentityWeighting) {
    // Every analysed sample in bin 0, in every channel: the combined curve is
    // flat, W is the identity and each channel is shaped from W alone.
    const std::vector<float> plane(48 * 40, 0.0f);
    const ParameterBlock settings = DefaultParameterBlock();
    ToneCurve r(kN);
    ToneCurve g(kN);
    ToneCurve b(kN);
    EXPECT_EQ(EqualiseChannels(plane.data(), plane.data(), plane.data(), 1.0f, 0.0f, 48, 40, r, g,
                               b, &settings),
              0);
    ToneCurve identity(kN);
    FillIdentity(identity);
    ToneCurve expected(kN);
    ShapeChannelCurve(expected, identity);
    for (std::int32_t i = 0; i < kN; ++i) {
        const float value = static_cast<float>(std::pow(
            static_cast<double>(expected.At(i)), static_cast<double>(kDefaultGammaExponent)));
        ASSERT_EQ(r.At(i), value) << "entry " << i;
        ASSERT_TRUE(std::isfinite(g.At(i)));
        ASSERT_EQ(b.At(i), value) << "entry " << i;
    }
    EXPECT_EQ(r.At(34), 0.0f);
    EXPECT_EQ(r.At(35) > 0.0f, true);
    EXPECT_EQ(r.At(221), 1.0f);
}

TEST(EqualiseChannels, OneUndefinedChannelStillGetsAFiniteRisingCurve) {
    const std::vector<float> plane =
        Plane(48, 40, [](float x, float y) { return 0.1f + 0.8f * x * (0.5f + 0.5f * y); });
    const std::vector<float> dark(plane.size(), 0.0f);
    const ParameterBlock settings = DefaultParameterBlock();
    ToneCurve r(kN);
    ToneCurve g(kN);
    ToneCurve b(kN);
    EXPECT_EQ(EqualiseChannels(plane.data(), dark.data(), plane.data(), 1.0f, 0.0f, 48, 40, r, g, b,
                               &settings),
              0);
    for (std::int32_t i = 0; i < kN; ++i) {
        ASSERT_TRUE(std::isfinite(g.At(i)) && g.At(i) >= 0.0f && g.At(i) <= 1.0f) << "entry " << i;
    }
    ExpectNonDecreasing(g, "undefined channel");
    EXPECT_EQ(g.At(kN - 1), 1.0f);
}

}  // namespace
}  // namespace mirtane
