#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "analysis/AccumulateCentreWeightedHistogram.h"
#include "analysis/CentreWeight.h"
#include "analysis/ToneCurve.h"

namespace mirtane {
namespace {

float Total(const ToneCurve& curve) {
    float total = 0.0f;
    for (std::int32_t i = 0; i < curve.Count(); ++i) {
        total += curve.At(i);
    }
    return total;
}

TEST(CentreWeight, PeaksAtTheCentreAndVanishesBeyondTheEdges) {
    // Row factor peaks at a = 0.5: i = 0.5 h; column factor at j = 0.5 w.
    EXPECT_DOUBLE_EQ(CentreWeight(50, 50, 100, 100), 0.0625);
    EXPECT_EQ(CentreWeight(-10, 50, 100, 100), 0.0);
    EXPECT_EQ(CentreWeight(110, 50, 100, 100), 0.0);
    EXPECT_EQ(CentreWeight(50, -15, 100, 100), 0.0);
    EXPECT_EQ(CentreWeight(50, 115, 100, 100), 0.0);
    EXPECT_GT(CentreWeight(0, 0, 100, 100), 0.0);
    // The window's corners: about 0.0216.
    EXPECT_NEAR(CentreWeight(11, 11, 100, 100), 0.0216, 2e-3);
    EXPECT_EQ(CentreWeight(23, 71, 97, 61), CentreRowFactor(23, 61) * CentreColumnFactor(71, 97));
}

TEST(CentreWeightWindow, LowerBoundIsExcludedByBothUpperBoundOnlyByTheHistogram) {
    const IndexRange histogram = WindowRange(10, UpperBound::Excluded);
    const IndexRange levels = WindowRange(10, UpperBound::Included);
    EXPECT_EQ(histogram.first, 2);
    EXPECT_EQ(histogram.last, 8);
    EXPECT_EQ(levels.first, 2);
    EXPECT_EQ(levels.last, 9);
    // 0.9 * 7 = 6.3 is not a whole number: both stop at 6.
    EXPECT_EQ(WindowRange(7, UpperBound::Excluded).last, 6);
    EXPECT_EQ(WindowRange(7, UpperBound::Included).last, 6);
    EXPECT_EQ(WindowRange(1, UpperBound::Excluded).last, -1);
    EXPECT_EQ(WindowRange(2, UpperBound::Excluded).first, 1);
    EXPECT_EQ(WindowRange(2, UpperBound::Excluded).last, 1);
    EXPECT_LT(WindowRange(0, UpperBound::Included).last,
              WindowRange(0, UpperBound::Included).first);
}

TEST(CentreWeightedHistogram, SamplesLandInTheNearestBinHalvesUp) {
    const std::int32_t side = 5;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float samples[6] = {0.5f, -0.2f, 0.0f, 1.0f, 3.0f, nan};
    const std::int32_t bins[6] = {128, 0, 0, 255, 255, 0};
    for (int k = 0; k < 6; ++k) {
        const std::vector<float> plane(side * side, samples[k]);
        ToneCurve histogram(256);
        ASSERT_EQ(
            AccumulateCentreWeightedHistogram(plane.data(), 1.0f, 0.0f, side, side, histogram), 0);
        EXPECT_GT(histogram.At(bins[k]), 0.0f) << "sample " << k;
        EXPECT_EQ(Total(histogram), histogram.At(bins[k])) << "sample " << k;
        EXPECT_TRUE(histogram.RangeStale());
    }
}

TEST(CentreWeightedHistogram, BordersAreLeftOutAndConstantPlanesFillOneBin) {
    const std::int32_t width = 20;
    const std::int32_t height = 10;
    std::vector<float> plane(width * height, 0.3f);
    // Rows 0..1 and 9, columns 0..1 and 18..19 are outside; make them bright.
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            if (y <= 1 || y >= 9 || x <= 1 || x >= 18) {
                plane[static_cast<std::size_t>(y * width + x)] = 1.0f;
            }
        }
    }
    ToneCurve histogram(256);
    ASSERT_EQ(AccumulateCentreWeightedHistogram(plane.data(), 1.0f, 0.0f, width, height, histogram),
              0);
    EXPECT_EQ(histogram.At(255), 0.0f);
    double expected = 0.0;
    for (std::int32_t i = 2; i <= 8; ++i) {
        for (std::int32_t j = 3; j <= 17; ++j) {
            expected += CentreWeight(i, j, width, height);
        }
    }
    // 0.3 * 255 = 76.5: bin 77.
    EXPECT_NEAR(histogram.At(77), expected, 1e-5);
    EXPECT_EQ(Total(histogram), histogram.At(77));
    // Without clearing, a second pass doubles every bin.
    const float once = histogram.At(77);
    ASSERT_EQ(AccumulateCentreWeightedHistogram(plane.data(), 1.0f, 0.0f, width, height, histogram),
              0);
    EXPECT_FLOAT_EQ(histogram.At(77), 2.0f * once);
}

TEST(CentreWeightedHistogram, EmptyRangeIsRefusedAndEmptyPlanesAddNothing) {
    std::vector<float> plane(25, 0.5f);
    ToneCurve histogram(256);
    EXPECT_EQ(AccumulateCentreWeightedHistogram(plane.data(), 0.5f, 0.5f, 5, 5, histogram), -1);
    EXPECT_EQ(AccumulateCentreWeightedHistogram(plane.data(), 0.0f, 1.0f, 5, 5, histogram), -1);
    EXPECT_EQ(AccumulateCentreWeightedHistogram(plane.data(), 1.0f, 0.0f, 0, 5, histogram), 0);
    EXPECT_EQ(AccumulateCentreWeightedHistogram(plane.data(), 1.0f, 0.0f, 5, -1, histogram), 0);
    EXPECT_EQ(AccumulateCentreWeightedHistogram(plane.data(), 1.0f, 0.0f, 5, 1, histogram), 0);
    EXPECT_EQ(Total(histogram), 0.0f);
}

}  // namespace
}  // namespace mirtane
