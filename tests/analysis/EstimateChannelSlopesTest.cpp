#include "analysis/EstimateChannelSlopes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "analysis/IntegrateSlopes.h"
#include "analysis/MeasureChannels.h"
#include "analysis/ToneCurve.h"
#include "host/ParameterBlock.h"

namespace mirtane {
namespace {

TEST(MeasureChannels, FindsRangeAndSpreadPerChannel) {
    const float r[4] = {0.2f, 0.4f, 0.6f, 0.8f};
    const float g[4] = {0.5f, 0.5f, 0.5f, 0.5f};
    const float b[4] = {1.0f, 0.0f, 0.0f, 0.0f};
    float spread[3];
    float min[3];
    float max[3];
    EXPECT_EQ(MeasureChannels(r, g, b, 2, 2, spread, min, max), 0);
    EXPECT_EQ(min[0], 0.2f);
    EXPECT_EQ(max[0], 0.8f);
    // sum(x^2) / sum(x) - min = 1.2 / 2.0 - 0.2.
    EXPECT_FLOAT_EQ(spread[0], 0.4f);
    EXPECT_FLOAT_EQ(spread[1], 0.0f);
    EXPECT_EQ(min[2], 0.0f);
    EXPECT_EQ(max[2], 1.0f);
    EXPECT_FLOAT_EQ(spread[2], 1.0f);
}

TEST(MeasureChannels, ChannelSummingToZeroLeavesSumsOfSquaresInEverySpread) {
    const float r[2] = {0.5f, 0.25f};
    const float g[2] = {0.0f, 0.0f};
    const float b[2] = {1.0f, 1.0f};
    float spread[3];
    float min[3];
    float max[3];
    EXPECT_EQ(MeasureChannels(r, g, b, 2, 1, spread, min, max), -1);
    EXPECT_EQ(spread[0], 0.3125f);
    EXPECT_EQ(spread[1], 0.0f);
    EXPECT_EQ(spread[2], 2.0f);
    EXPECT_EQ(min[0], 0.25f);
    EXPECT_EQ(max[2], 1.0f);
    EXPECT_EQ(MeasureChannels(r, g, b, 0, 1, spread, min, max), -1);
}

TEST(IntegrateSlopes, ZeroCodesGiveTheSameEvenRampForEveryChannel) {
    ToneCurve slopes[3] = {ToneCurve(256), ToneCurve(256), ToneCurve(256)};
    ToneCurve curves[3] = {ToneCurve(256), ToneCurve(256), ToneCurve(256)};
    EXPECT_EQ(IntegrateSlopes(slopes[0], curves[0], slopes[1], curves[1], slopes[2], curves[2]), 0);
    for (std::int32_t i = 0; i < 256; ++i) {
        const float expected = static_cast<float>(i + 1) / 256.0f;
        for (const ToneCurve& curve : curves) {
            ASSERT_NEAR(curve.At(i), expected, 2e-6f) << "entry " << i;
        }
    }
    EXPECT_EQ(curves[0].At(255), 1.0f);
}

TEST(IntegrateSlopes, CodesMapToPowersOfTheGradientRatio) {
    // One code per channel everywhere: the totals are 256 times the slope,
    // so each curve ends at its slope over the largest.
    const float codes[3] = {128.0f, 1.0f, 256.0f};
    ToneCurve slopes[3] = {ToneCurve(256), ToneCurve(256), ToneCurve(256)};
    ToneCurve curves[3] = {ToneCurve(256), ToneCurve(256), ToneCurve(256)};
    for (int c = 0; c < 3; ++c) {
        slopes[c].Fill(codes[c]);
    }
    EXPECT_EQ(IntegrateSlopes(slopes[0], curves[0], slopes[1], curves[1], slopes[2], curves[2]), 0);
    const auto slope = [](double code) {
        const double e = (code - 128.5) / 128.5;
        return std::pow((1.00001 + e) / (1.00001 - e), 2.0 / 3.0);
    };
    EXPECT_NEAR(slope(128.0), 0.995, 1e-3);
    EXPECT_NEAR(slope(1.0), 0.0248, 1e-4);
    EXPECT_NEAR(slope(256.0), 40.3, 0.05);
    EXPECT_EQ(curves[2].At(255), 1.0f);
    EXPECT_NEAR(curves[0].At(255), slope(128.0) / slope(256.0), 1e-5);
    EXPECT_NEAR(curves[1].At(255), slope(1.0) / slope(256.0), 1e-6);
    EXPECT_NEAR(curves[1].At(0), slope(1.0) / slope(256.0) / 256.0, 1e-8);
}

TEST(EstimateChannelSlopes, UniformImageHasNoTonalRange) {
    const std::vector<float> plane(64, 0.4f);
    ParameterBlock settings = DefaultParameterBlock();
    ToneCurve curves[3] = {ToneCurve(256), ToneCurve(256), ToneCurve(256)};
    EXPECT_EQ(EstimateChannelSlopes(plane.data(), plane.data(), plane.data(), 8, 8, curves[0],
                                    curves[1], curves[2], &settings),
              -2);
    EXPECT_EQ(settings.blackLevel, 0.4f);
    EXPECT_EQ(settings.whiteLevel, 0.4f);
    for (const ToneCurve& curve : curves) {
        EXPECT_EQ(curve.At(0), 0.4f);
        EXPECT_EQ(curve.At(255), 0.4f);
    }
}

TEST(EstimateChannelSlopes, TinyPlanesGiveIdenticalEvenRamps) {
    // Three columns: no pixel can be a centre, so every slope curve stays 0.
    const float r[9] = {0.1f, 0.5f, 0.9f, 0.2f, 0.3f, 0.4f, 0.0f, 0.7f, 0.6f};
    const float g[9] = {0.9f, 0.5f, 0.1f, 0.2f, 0.6f, 0.4f, 0.3f, 0.7f, 0.8f};
    const float b[9] = {0.3f, 0.3f, 0.3f, 0.2f, 0.95f, 0.4f, 0.1f, 0.7f, 0.6f};
    ParameterBlock settings = DefaultParameterBlock();
    ToneCurve curves[3] = {ToneCurve(256), ToneCurve(256), ToneCurve(256)};
    EXPECT_EQ(EstimateChannelSlopes(r, g, b, 3, 3, curves[0], curves[1], curves[2], &settings), 0);
    EXPECT_EQ(settings.blackLevel, 0.0f);
    EXPECT_EQ(settings.whiteLevel, 0.95f);
    for (std::int32_t i = 0; i < 256; ++i) {
        ASSERT_NEAR(curves[0].At(i), static_cast<float>(i + 1) / 256.0f, 2e-6f) << "entry " << i;
        ASSERT_EQ(curves[1].At(i), curves[0].At(i));
        ASSERT_EQ(curves[2].At(i), curves[0].At(i));
    }
}

TEST(EstimateChannelSlopes, ChannelWithWeakerEdgesIsSteepened) {
    // Vertical stripes: green and blue have the full edge contrast, red half
    // of it around the same middle level. Red's curve must rise faster than
    // green's around the stripes' levels.
    const std::int32_t width = 64;
    const std::int32_t height = 48;
    std::vector<float> r(static_cast<std::size_t>(width * height));
    std::vector<float> g(r.size());
    std::vector<float> b(r.size());
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            const float wave =
                std::sin(static_cast<float>(x) * 0.35f + static_cast<float>(y) * 0.1f);
            const std::size_t k = static_cast<std::size_t>(y * width + x);
            g[k] = 0.5f + 0.4f * wave;
            b[k] = 0.5f + 0.4f * wave;
            r[k] = 0.5f + 0.2f * wave;
        }
    }
    ParameterBlock settings = DefaultParameterBlock();
    ToneCurve curves[3] = {ToneCurve(256), ToneCurve(256), ToneCurve(256)};
    ASSERT_EQ(EstimateChannelSlopes(r.data(), g.data(), b.data(), width, height, curves[0],
                                    curves[1], curves[2], &settings),
              0);
    const auto rise = [&](const ToneCurve& curve) { return curve.At(160) - curve.At(96); };
    EXPECT_GT(rise(curves[0]), 1.3f * rise(curves[1]));
    for (const ToneCurve& curve : curves) {
        for (std::int32_t i = 1; i < 256; ++i) {
            ASSERT_GE(curve.At(i), curve.At(i - 1)) << "entry " << i;
        }
    }
}

}  // namespace
}  // namespace mirtane
