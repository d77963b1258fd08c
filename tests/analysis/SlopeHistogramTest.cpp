#include "analysis/SlopeHistogram.h"

#include <gtest/gtest.h>

#include <cmath>

#include <vector>
#include "analysis/Rounding.h"

namespace mirtane {
namespace {

constexpr std::int32_t kColumns = 256;
constexpr std::int32_t kRows = 257;

// Total mass and touched cells of the grid.
float Mass(const SlopeHistogram& grid) {
    float total = 0.0f;
    for (std::int32_t c = 0; c < grid.Columns(); ++c) {
        for (std::int32_t r = 0; r < grid.Rows(); ++r) {
            total += grid.GetAt(c, r);
        }
    }
    return total;
}

struct Plane {
    std::int32_t width;
    std::int32_t height;
    std::vector<float> samples;
    float& At(std::int32_t x, std::int32_t y) {
        return samples[static_cast<std::size_t>(y * width + x)];
    }
};

Plane Ramp(std::int32_t width, std::int32_t height, float base, float dx, float dy) {
    Plane plane{width, height, std::vector<float>(static_cast<std::size_t>(width * height))};
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            plane.At(x, y) = base + dx * static_cast<float>(x) + dy * static_cast<float>(y);
        }
    }
    return plane;
}

PairChannel Channel(const Plane& plane, float minimum, float spread) {
    return PairChannel{plane.samples.data(), minimum, spread, 1.0f};
}

TEST(SlopeHistogramScale, ScalesOneCellAndTracksPeak) {
    SlopeHistogram grid(4, 4);
    ASSERT_EQ(grid.SetAt(2.0f, 1, 2), 0);
    ASSERT_EQ(grid.ScaleAt(3.0f, 1, 2), 0);
    EXPECT_EQ(grid.GetAt(1, 2), 6.0f);
    EXPECT_EQ(grid.Peak(), 6.0f);
    ASSERT_EQ(grid.ScaleAt(5.0f, 3, 3), 0);
    EXPECT_EQ(grid.GetAt(3, 3), 0.0f);
    EXPECT_EQ(grid.MaxColumn(), 3) << "scaling widens the bounds";
    EXPECT_EQ(grid.ScaleAt(2.0f, 4, 0), -1);
}

TEST(SlopeHistogramPairs, EqualGradientsLandInTheMiddleRow) {
    // Both channels rise along x by the same step: equal magnitudes, same
    // direction, equal normalised levels.
    const Plane p = Ramp(12, 9, 0.1f, 0.05f, 0.0f);
    SlopeHistogram grid(kColumns, kRows);
    grid.AddPairSamples(Channel(p, 0.1f, 1.0f), Channel(p, 0.1f, 1.0f), 12, 9, 0.0f, 1.0f);
    EXPECT_EQ(grid.MinRow(), 128);
    EXPECT_EQ(grid.MaxRow(), 128);
    // Centres x = 1 .. 9: each weight is the gradient magnitude 0.1.
    float rowMass = 0.0f;
    for (std::int32_t c = 0; c < kColumns; ++c) {
        rowMass += grid.GetAt(c, 128);
    }
    EXPECT_NEAR(rowMass, 9.0f * 6.0f * 0.1f, 1e-4f);
    // The column is the primary level: x = 1 has level 0.15, column 38.
    EXPECT_GT(grid.GetAt(RoundHalfUp(0.15f * 255.0f), 128), 0.0f);
}

TEST(SlopeHistogramPairs, WeakerPrimaryGradientLandsHigher) {
    const Plane p = Ramp(10, 10, 0.2f, 0.01f, 0.0f);
    const Plane q = Ramp(10, 10, 0.2f, 0.03f, 0.0f);
    SlopeHistogram grid(kColumns, kRows);
    grid.AddPairSamples(Channel(p, 0.2f, 1.0f), Channel(q, 0.2f, 1.0f), 10, 10, 0.0f, 1.0f);
    // y' = 1 - 0.02 / (0.06 + 0.02) = 0.75, row 192.
    EXPECT_EQ(grid.MinRow(), 192);
    EXPECT_EQ(grid.MaxRow(), 192);
}

TEST(SlopeHistogramPairs, DisagreeingGradientsAndMinimumLevelsContributeNothing) {
    const Plane rising = Ramp(10, 10, 0.2f, 0.02f, 0.0f);
    const Plane falling = Ramp(10, 10, 0.6f, -0.02f, 0.0f);
    const Plane across = Ramp(10, 10, 0.2f, 0.0f, 0.02f);
    SlopeHistogram grid(kColumns, kRows);
    grid.AddPairSamples(Channel(rising, 0.2f, 1.0f), Channel(falling, 0.4f, 1.0f), 10, 10, 0.0f,
                        1.0f);
    grid.AddPairSamples(Channel(rising, 0.2f, 1.0f), Channel(across, 0.2f, 1.0f), 10, 10, 0.0f,
                        1.0f);
    EXPECT_EQ(Mass(grid), 0.0f) << "opposed or perpendicular gradients";
    // The centre pixel x = 1 sits at the channel's minimum (u = 0) while its
    // gradient agrees with the other channel's.
    Plane step = Ramp(10, 10, 0.5f, 0.0f, 0.0f);
    for (std::int32_t y = 0; y < 10; ++y) {
        step.At(0, y) = 0.4f;
        step.At(2, y) = 0.6f;
    }
    grid.AddPairSamples(Channel(step, 0.5f, 1.0f), Channel(rising, 0.0f, 1.0f), 10, 10, 0.0f, 1.0f);
    EXPECT_EQ(Mass(grid), 0.0f) << "the pixel at the channel's minimum";
    grid.AddPairSamples(Channel(step, 0.0f, 1.0f), Channel(rising, 0.0f, 1.0f), 10, 10, 0.0f, 1.0f);
    EXPECT_GT(Mass(grid), 0.0f) << "the same pixel above the minimum";
}

TEST(SlopeHistogramPairs, TheLastTwoRowsAndColumnsAreNeverCentres) {
    // Only the last two columns carry gradients (and are not centres).
    Plane p = Ramp(8, 8, 0.3f, 0.0f, 0.0f);
    for (std::int32_t y = 0; y < 8; ++y) {
        p.At(7, y) = 0.9f;
    }
    SlopeHistogram grid(kColumns, kRows);
    grid.AddPairSamples(Channel(p, 0.0f, 1.0f), Channel(p, 0.0f, 1.0f), 8, 8, 0.0f, 1.0f);
    EXPECT_EQ(Mass(grid), 0.0f);
    // Moving the edge one column left brings centre x = 5 in.
    for (std::int32_t y = 0; y < 8; ++y) {
        p.At(6, y) = 0.9f;
    }
    grid.AddPairSamples(Channel(p, 0.0f, 1.0f), Channel(p, 0.0f, 1.0f), 8, 8, 0.0f, 1.0f);
    EXPECT_GT(Mass(grid), 0.0f);
}

TEST(SlopeHistogramPairs, PlanesSmallerThanFourContributeNothing) {
    const Plane p = Ramp(3, 10, 0.1f, 0.1f, 0.05f);
    SlopeHistogram grid(kColumns, kRows);
    grid.AddPairSamples(Channel(p, 0.0f, 1.0f), Channel(p, 0.0f, 1.0f), 3, 10, 0.0f, 1.0f);
    const Plane q = Ramp(10, 3, 0.1f, 0.05f, 0.1f);
    grid.AddPairSamples(Channel(q, 0.0f, 1.0f), Channel(q, 0.0f, 1.0f), 10, 3, 0.0f, 1.0f);
    EXPECT_EQ(Mass(grid), 0.0f);
    EXPECT_EQ(grid.MinColumn(), kColumns - 1);
}

TEST(SlopeHistogramWeightRows, NoShiftDampsByDistanceFromTheTopRow) {
    SlopeHistogram grid(kColumns, kRows);
    for (std::int32_t r : {0, 20, 128, 200, 256}) {
        ASSERT_EQ(grid.SetAt(1.0f, 100, r), 0);
    }
    grid.WeightRows(0.0f);
    EXPECT_EQ(grid.GetAt(100, 256), 1.0f);
    EXPECT_EQ(grid.GetAt(100, 128), 0.75f);
    EXPECT_FLOAT_EQ(grid.GetAt(100, 200), 1.0f - (56.0f / 256.0f) * (56.0f / 256.0f));
    EXPECT_FLOAT_EQ(grid.GetAt(100, 20), 1.0f - (236.0f / 256.0f) * (236.0f / 256.0f));
    EXPECT_FLOAT_EQ(grid.GetAt(100, 0), 0.1f);  // the floor
}

TEST(SlopeHistogramWeightRows, ShiftMovesTheCentreWithTheColumnsMassShare) {
    // Mass only in columns 10 and 200: cdf 0.5 at column 10, 1 at column 200.
    SlopeHistogram positive(kColumns, kRows);
    SlopeHistogram negative(kColumns, kRows);
    for (SlopeHistogram* grid : {&positive, &negative}) {
        ASSERT_EQ(grid->SetAt(1.0f, 10, 200), 0);
        ASSERT_EQ(grid->SetAt(1.0f, 200, 200), 0);
    }
    positive.WeightRows(0.6f);
    negative.WeightRows(-0.2f);
    // Column 10 has cdf 0.5: no shift. Column 200 has cdf 1: centre 256 +
    // 0.5 * 256 * shift.
    const float t10 = (256.0f - 200.0f) / 256.0f;
    EXPECT_FLOAT_EQ(positive.GetAt(10, 200), 1.0f - t10 * t10);
    EXPECT_FLOAT_EQ(negative.GetAt(10, 200), 1.0f - t10 * t10);
    const float tUp = (256.0f + 128.0f * 0.6f - 200.0f) / 256.0f;
    const float tDown = (256.0f - 128.0f * 0.2f - 200.0f) / 256.0f;
    EXPECT_FLOAT_EQ(positive.GetAt(200, 200), 1.0f - tUp * tUp);
    EXPECT_FLOAT_EQ(negative.GetAt(200, 200), 1.0f - tDown * tDown);
}

}  // namespace
}  // namespace mirtane
