#include "analysis/ToneCurve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

namespace mirtane {
namespace {

std::vector<float> Ramp(std::int32_t count, float scale) {
    std::vector<float> table(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        table[static_cast<std::size_t>(i)] = scale * static_cast<float>(i * i % 97);
    }
    return table;
}

TEST(ToneCurveEvaluate, EndsReturnFirstAndLastEntryWithoutClamping) {
    const std::vector<float> table = Ramp(256, 0.05f);
    const ToneCurve curve(table.data(), 256);
    EXPECT_EQ(curve.Evaluate(0.0f), table[0]);
    EXPECT_EQ(curve.Evaluate(-3.0f), table[0]);
    EXPECT_EQ(curve.Evaluate(std::numeric_limits<float>::quiet_NaN()), table[0]);
    EXPECT_EQ(curve.Evaluate(1.0f), table[255]);
    EXPECT_EQ(curve.Evaluate(7.5f), table[255]);
    EXPECT_GT(table[255], 1.0f) << "entries outside [0, 1] are returned as they are";
}

TEST(ToneCurveEvaluate, InterpolatesLinearlyBetweenNeighbours) {
    const std::vector<float> table = Ramp(256, 0.01f);
    const ToneCurve curve(table.data(), 256);
    EXPECT_EQ(curve.Evaluate(0.5f), table[127] + (table[128] - table[127]) * 0.5f);
    // x = 0.25 gives t = 63.75.
    EXPECT_EQ(curve.Evaluate(0.25f), table[63] + (table[64] - table[63]) * 0.75f);
    // Just below 1 still interpolates between the last two entries.
    const float below = std::nextafter(1.0f, 0.0f);
    const float t = below * 255.0f;
    EXPECT_EQ(curve.Evaluate(below), table[254] + (table[255] - table[254]) * (t - 254.0f));
}

TEST(ToneCurveScratch, OutOfRangeIndicesShareOneCellThatStartsAtMinusOne) {
    // The initial value is process state, so it is read in a fresh process.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ToneCurve curve(4);
            std::exit(curve.At(-1) == -1.0f && curve.At(4) == -1.0f ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(ToneCurveScratch, WritesOutOfRangeLandInTheScratchCellAndChangeNoCurve) {
    ToneCurve first(4);
    ToneCurve second(8);
    EXPECT_EQ(&first.At(-1), &first.At(4));
    EXPECT_EQ(&first.At(-1), &second.At(100));
    first.At(4) = 42.0f;
    EXPECT_EQ(second.At(-7), 42.0f);
    for (std::int32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(first.At(i), 0.0f);
    }
    EXPECT_EQ(first.Set(1.0f, 4), -1);
    EXPECT_EQ(first.Set(1.0f, -1), -1);
    EXPECT_EQ(second.At(-7), 42.0f) << "Set out of range must not touch the scratch cell";
}

TEST(ToneCurveCopy, CopyToWritesOnlyWhatBothHold) {
    const std::vector<float> table = Ramp(6, 1.0f);
    const ToneCurve curve(table.data(), 6);
    std::vector<float> shorter(4, -5.0f);
    EXPECT_EQ(curve.CopyTo(shorter.data(), 4), 0);
    EXPECT_EQ(shorter, std::vector<float>(table.begin(), table.begin() + 4));
    std::vector<float> longer(9, -5.0f);
    EXPECT_EQ(curve.CopyTo(longer.data(), 9), 0);
    for (std::size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(longer[i], i < 6 ? table[i] : -5.0f) << "entry " << i;
    }
}

TEST(ToneCurveCopy, TableConstructorAndAssignCarryRangeAndEntries) {
    const float table[5] = {0.5f, -2.0f, 3.0f, 1.0f, 0.0f};
    const ToneCurve source(table, 5);
    EXPECT_EQ(source.MinValue(), -2.0f);
    EXPECT_EQ(source.MaxValue(), 3.0f);
    EXPECT_FALSE(source.RangeStale());
    ToneCurve copy(2);
    ASSERT_EQ(copy.Set(9.0f, 1), 0);
    EXPECT_TRUE(copy.RangeStale());
    copy.Assign(source);
    ASSERT_EQ(copy.Count(), 5);
    EXPECT_FALSE(copy.RangeStale());
    EXPECT_EQ(copy.MinValue(), -2.0f);
    for (std::int32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(copy.At(i), table[i]);
    }
}

TEST(ToneCurveRange, SetLeavesRangeStaleUntilUpdateRange) {
    ToneCurve curve(3);
    ASSERT_EQ(curve.Set(-4.0f, 2), 0);
    EXPECT_EQ(curve.MinValue(), 0.0f);
    EXPECT_TRUE(curve.RangeStale());
    EXPECT_EQ(curve.UpdateRange(), 0);
    EXPECT_EQ(curve.MinValue(), -4.0f);
    EXPECT_EQ(curve.MaxValue(), 0.0f);
    EXPECT_FALSE(curve.RangeStale());
    curve.Fill(0.25f);
    EXPECT_EQ(curve.MinValue(), 0.25f);
    EXPECT_EQ(curve.MaxValue(), 0.25f);
    EXPECT_EQ(curve.At(2), 0.25f);
    EXPECT_EQ(curve.Clear(), 0);
    EXPECT_EQ(curve.At(2), 0.0f);
}

TEST(ToneCurveRange, CurveWithoutStorageReportsFailure) {
    ToneCurve empty(0);
    EXPECT_FALSE(empty.HasStorage());
    EXPECT_EQ(empty.Clear(), -1);
    EXPECT_EQ(empty.UpdateRange(), -1);
    EXPECT_EQ(empty.Set(1.0f, 0), -1);
    empty.Fill(3.0f);
    EXPECT_EQ(empty.Count(), 0);
}

TEST(ToneCurveCompose, IdentityOuterKeepsUnitEntriesAndClampsTheRest) {
    std::vector<float> identity(256);
    for (int i = 0; i < 256; ++i) {
        identity[static_cast<std::size_t>(i)] = static_cast<float>(i) / 255.0f;
    }
    const ToneCurve outer(identity.data(), 256);
    const float entries[6] = {0.0f, 0.3f, 0.75f, 1.0f, -0.5f, 1.7f};
    ToneCurve curve(entries, 6);
    EXPECT_EQ(curve.ComposeWith(outer), 0);
    EXPECT_EQ(curve.At(0), 0.0f);
    EXPECT_NEAR(curve.At(1), 0.3f, 1e-6f);
    EXPECT_NEAR(curve.At(2), 0.75f, 1e-6f);
    EXPECT_EQ(curve.At(3), 1.0f);
    EXPECT_EQ(curve.At(4), 0.0f);
    EXPECT_EQ(curve.At(5), 1.0f);
}

TEST(ToneCurveCompose, ResultIsOuterAfterInnerAndNeverNaN) {
    const float innerTable[3] = {0.0f, 0.25f, 1.0f};
    const float outerTable[3] = {0.0f, 0.8f, 1.0f};
    ToneCurve inner(innerTable, 3);
    const ToneCurve outer(outerTable, 3);
    EXPECT_EQ(inner.ComposeWith(outer), 0);
    // Entry 1: outer(0.25) = 0 + 0.8 * 0.5.
    EXPECT_FLOAT_EQ(inner.At(1), 0.4f);
    const float nanTable[2] = {std::numeric_limits<float>::quiet_NaN(), 0.5f};
    ToneCurve withNaN(nanTable, 2);
    const float badOuter[2] = {std::numeric_limits<float>::quiet_NaN(),
                               std::numeric_limits<float>::quiet_NaN()};
    EXPECT_EQ(withNaN.ComposeWith(ToneCurve(badOuter, 2)), 0);
    EXPECT_EQ(withNaN.At(0), 0.0f);
    EXPECT_EQ(withNaN.At(1), 0.0f);
}

TEST(ToneCurveAccumulate, NormalisedRunningSumOfOnesIsAnEvenRamp) {
    ToneCurve curve(4);
    for (std::int32_t i = 0; i < 4; ++i) {
        curve.At(i) = 1.0f;
    }
    EXPECT_EQ(curve.Accumulate(Normalisation::ToUnitRange), 0);
    EXPECT_EQ(curve.At(0), 0.0f);
    EXPECT_FLOAT_EQ(curve.At(1), 1.0f / 3.0f);
    EXPECT_FLOAT_EQ(curve.At(2), 2.0f / 3.0f);
    EXPECT_EQ(curve.At(3), 1.0f);
    EXPECT_EQ(curve.MinValue(), 0.0f);
    EXPECT_EQ(curve.MaxValue(), 1.0f);
}

TEST(ToneCurveAccumulate, PlainRunningSumKeepsThePreviousMaximum) {
    ToneCurve curve(3);
    curve.Fill(50.0f);  // maximum 50
    curve.At(0) = 1.0f;
    curve.At(1) = 2.0f;
    curve.At(2) = 3.0f;
    EXPECT_EQ(curve.Accumulate(Normalisation::Keep), 0);
    EXPECT_EQ(curve.At(2), 6.0f);
    EXPECT_EQ(curve.MinValue(), 1.0f);
    EXPECT_EQ(curve.MaxValue(), 50.0f);
}

TEST(ToneCurveAccumulate, SumWithoutRangeBecomesZeroNotNaN) {
    // Everything in the first bin: every running sum equals it.
    ToneCurve curve(256);
    curve.At(0) = 0.75f;
    EXPECT_EQ(curve.Accumulate(Normalisation::ToUnitRange), 0);
    for (std::int32_t i = 0; i < 256; ++i) {
        ASSERT_EQ(curve.At(i), 0.0f) << "entry " << i;
    }
    ToneCurve empty(16);
    EXPECT_EQ(empty.Accumulate(Normalisation::ToUnitRange), 0);
    for (std::int32_t i = 0; i < 16; ++i) {
        ASSERT_EQ(empty.At(i), 0.0f) << "entry " << i;
    }
}

TEST(ToneCurvePlanes, MapPlaneRelevelsAndClampsOnlyBelow) {
    const float table[3] = {-0.5f, 0.5f, 2.0f};
    const ToneCurve curve(table, 3);
    float plane[4] = {0.2f, 0.6f, 1.0f, 0.4f};
    EXPECT_EQ(curve.MapPlane(plane, 4, 1.0f, 0.2f), 0);
    EXPECT_EQ(plane[0], 0.0f);        // entry 0 is negative
    EXPECT_FLOAT_EQ(plane[1], 0.5f);  // the middle
    EXPECT_EQ(plane[2], 2.0f);        // no upper clamp
    EXPECT_FLOAT_EQ(plane[3], 0.0f);  // -0.5 + 1.0 * 0.5 = 0
    float applied[3] = {0.75f, -1.0f, 0.5f};
    EXPECT_EQ(curve.ApplyToPlane(applied, 3), 0);
    EXPECT_FLOAT_EQ(applied[0], 1.25f);
    EXPECT_EQ(applied[1], 0.0f);
    EXPECT_EQ(applied[2], 0.5f);
}

}  // namespace
}  // namespace mirtane
