#include <gtest/gtest.h>

#include <cmath>

#include "analysis/SlopeHistogram.h"
#include "analysis/ToneCurve.h"

namespace mirtane {
namespace {

constexpr std::int32_t kColumns = 256;
constexpr std::int32_t kRows = 257;
constexpr float kFraction = 0.05f;
constexpr float kUnset = -7.0f;  // an entry value no code can take

void FillCurve(ToneCurve& curve, float value) {
    for (std::int32_t i = 0; i < curve.Count(); ++i) {
        curve.At(i) = value;
    }
}

TEST(ExtractCurveSingleCell, OneOccupiedCellCodesEveryEntry) {
    SlopeHistogram grid(kColumns, kRows);
    ASSERT_EQ(grid.AddAt(3.0f, 100, 77), 0);
    ToneCurve curve(kColumns);
    EXPECT_EQ(grid.ExtractCurve(curve, kFraction), 0);
    for (std::int32_t i = 0; i < kColumns; ++i) {
        ASSERT_EQ(curve.At(i), 77.0f) << "entry " << i;
    }
}

TEST(ExtractCurveSingleCell, CodeIsNeverZero) {
    SlopeHistogram grid(kColumns, kRows);
    ASSERT_EQ(grid.AddAt(3.0f, 40, 0), 0);
    ToneCurve curve(kColumns);
    EXPECT_EQ(grid.ExtractCurve(curve, kFraction), 0);
    EXPECT_EQ(curve.At(40), 1.0f);
    EXPECT_EQ(curve.At(0), 1.0f);
    EXPECT_EQ(curve.At(255), 1.0f);
}

TEST(ExtractCurveSingleCell, ColumnZeroCountsAsMassButNotAsMoment) {
    SlopeHistogram grid(kColumns, kRows);
    ASSERT_EQ(grid.AddAt(3.0f, 0, 200), 0);
    ToneCurve curve(kColumns);
    EXPECT_EQ(grid.ExtractCurve(curve, kFraction), 0);
    EXPECT_EQ(curve.At(0), 1.0f) << "moment 0 over the cell's mass, raised to 1";
    EXPECT_EQ(curve.At(255), 1.0f);
}

TEST(ExtractCurveSingleCell, NegativeMeanRowStillGivesCodeOne) {
    // Negative cells enter the moment but not the mass.
    SlopeHistogram grid(kColumns, kRows);
    ASSERT_EQ(grid.SetAt(1.0f, 60, 0), 0);
    ASSERT_EQ(grid.SetAt(-1.0f, 60, 100), 0);
    ToneCurve curve(kColumns);
    EXPECT_EQ(grid.ExtractCurve(curve, kFraction), 0);
    EXPECT_EQ(curve.At(60), 1.0f);
    EXPECT_EQ(curve.At(200), 1.0f);
}

TEST(ExtractCurveSingleCell, EmptyHistogramCopiesEntryZeroEverywhere) {
    const SlopeHistogram grid(kColumns, kRows);
    ToneCurve curve(kColumns);
    for (std::int32_t i = 0; i < kColumns; ++i) {
        curve.At(i) = static_cast<float>(i) + 5.0f;
    }
    EXPECT_EQ(grid.ExtractCurve(curve, kFraction), 0);
    for (std::int32_t i = 0; i < kColumns; ++i) {
        ASSERT_EQ(curve.At(i), 5.0f) << "entry " << i;
    }
}

TEST(ExtractCurveWindow, UniformMassUsesThirteenColumnsAroundEachColumn) {
    // Equal mass in every column, at a row that varies with the column, so
    // that the mean row tells which columns the window held.
    const auto rowOf = [](std::int32_t c) { return 60 + (c * 37) % 90; };
    SlopeHistogram grid(kColumns, kRows);
    for (std::int32_t c = 0; c < kColumns; ++c) {
        ASSERT_EQ(grid.AddAt(1.0f, c, rowOf(c)), 0);
    }
    ToneCurve curve(kColumns);
    EXPECT_EQ(grid.ExtractCurve(curve, kFraction), 0);
    for (std::int32_t j = 7; j <= 249; ++j) {
        double sum = 0.0;
        for (std::int32_t c = j - 6; c <= j + 6; ++c) {
            sum += rowOf(c);
        }
        const float expected = std::floor(static_cast<float>(sum / 13.0) + 0.5f);
        ASSERT_EQ(curve.At(j), expected) << "column " << j;
    }
}

TEST(ExtractCurveSupport, EndColumnsWithTooLittleMassTakeTheOutermostCode) {
    // Heavy columns 100 .. 150 at rows 50 .. 100 and a trace at column 250.
    // The windows of columns 150 .. 250 reach the last occupied column but
    // hold less than 2 % of the mass, so they are filled from column 149.
    SlopeHistogram grid(kColumns, kRows);
    for (std::int32_t c = 100; c <= 150; ++c) {
        ASSERT_EQ(grid.AddAt(10.0f, c, c - 50), 0);
    }
    ASSERT_EQ(grid.AddAt(0.001f, 250, 250), 0);
    ToneCurve curve(kColumns);
    FillCurve(curve, kUnset);
    EXPECT_EQ(grid.ExtractCurve(curve, kFraction), 0);
    EXPECT_EQ(curve.At(149), 99.0f);
    for (std::int32_t i = 150; i < kColumns; ++i) {
        ASSERT_EQ(curve.At(i), 99.0f) << "entry " << i;
    }
}

TEST(ExtractCurveZeroMass, EmptyColumnsBetweenHeavyNeighboursGetNoCode) {
    // Columns 51 .. 53 are empty; 50 and 54 each hold more than the upper
    // bound, so the searches stop just short of them.
    SlopeHistogram grid(kColumns, kRows);
    ASSERT_EQ(grid.AddAt(40.0f, 50, 30), 0);
    ASSERT_EQ(grid.AddAt(40.0f, 54, 90), 0);
    ToneCurve curve(kColumns);
    FillCurve(curve, kUnset);
    EXPECT_EQ(grid.ExtractCurve(curve, kFraction), 0);
    EXPECT_EQ(curve.At(50), 30.0f);
    EXPECT_EQ(curve.At(51), kUnset);
    EXPECT_EQ(curve.At(52), kUnset);
    EXPECT_EQ(curve.At(53), kUnset);
    EXPECT_EQ(curve.At(54), 90.0f);
    EXPECT_EQ(curve.At(0), 30.0f);
    EXPECT_EQ(curve.At(255), 90.0f);
}

TEST(ExtractCurveZeroMass, BalancingThatStepsOverAnEmptyGapLeavesNoCode) {
    // Column 40 holds between the half and the upper share, 41 .. 45 are
    // empty, 46 holds more than the upper share, 200 holds the rest. For
    // column 41 the left side is heavier, the right edge is pinned, and the
    // balancing steps the left edge over the empty column onto 41: the window
    // 41 .. 45 is empty. Both edges stay pinned for later columns, whose
    // windows again reach column 40.
    SlopeHistogram grid(kColumns, kRows);
    ASSERT_EQ(grid.AddAt(29.4f, 40, 20), 0);
    ASSERT_EQ(grid.AddAt(40.0f, 46, 150), 0);
    ASSERT_EQ(grid.AddAt(1000.0f, 200, 128), 0);
    ToneCurve curve(kColumns);
    FillCurve(curve, kUnset);
    EXPECT_EQ(grid.ExtractCurve(curve, kFraction), 0);
    EXPECT_EQ(curve.At(40), 20.0f);
    EXPECT_EQ(curve.At(41), kUnset);
    EXPECT_EQ(curve.At(42), 20.0f);
    EXPECT_EQ(curve.At(45), 20.0f);
}

TEST(ExtractCurveCodes, EveryCodeLiesBetweenOneAndTheLastRow) {
    SlopeHistogram grid(kColumns, kRows);
    std::uint32_t state = 12345u;
    for (int k = 0; k < 3000; ++k) {
        state = state * 1664525u + 1013904223u;
        const std::int32_t column = static_cast<std::int32_t>((state >> 8) % kColumns);
        const std::int32_t row =
            (k % 3 == 0)
                ? 0
                : (k % 3 == 1 ? kRows - 1 : static_cast<std::int32_t>((state >> 20) % kRows));
        ASSERT_EQ(grid.AddAt(static_cast<float>((state >> 4) % 100) / 10.0f, column, row), 0);
    }
    grid.WeightRows(0.6f);
    ToneCurve curve(kColumns);
    EXPECT_EQ(grid.ExtractCurve(curve, kFraction), 0);
    for (std::int32_t i = 0; i < kColumns; ++i) {
        ASSERT_GE(curve.At(i), 1.0f) << "entry " << i;
        ASSERT_LE(curve.At(i), static_cast<float>(kRows - 1)) << "entry " << i;
        ASSERT_EQ(curve.At(i), std::floor(curve.At(i))) << "entry " << i;
    }
}

}  // namespace
}  // namespace mirtane
