#include "analysis/ConsistentLevels.h"

#include <gtest/gtest.h>

#include "NaturalImages.h"

namespace mirtane {
namespace {

TEST(CellLocalRange, SpansTheThreeByThreeMediansWidenedBySixteen) {
    const std::uint8_t above[4] = {90, 100, 110, 250};
    const std::uint8_t own[4] = {95, 100, 100, 100};
    const std::uint8_t below[4] = {100, 80, 100, 100};
    const std::uint8_t* const rows[3] = {above, own, below};
    // Column 0 takes columns 0, 0, 1 (replicated border): 80 .. 100.
    const LocalRange first = CellLocalRange(rows, 4, 0);
    EXPECT_EQ(first.low, 64);
    EXPECT_EQ(first.high, 116);
    // Column 3 takes columns 2, 3, 3: 100 .. 250, beyond 255 once widened.
    const LocalRange last = CellLocalRange(rows, 4, 3);
    EXPECT_EQ(last.low, 84);
    EXPECT_EQ(last.high, 266);
}

// A band of one row of two cells over flat medians of 100 (range 84 .. 116)
// in every channel.
struct FlatBand {
    std::uint8_t medians[2] = {100, 100};
    testing::RgbImage image{10, 4};
    CellBand band;

    FlatBand() {
        image.Fill(100, 100, 100);
        band.pixels = image.bytes.data();
        band.rowStride = image.stride;
        band.rowCount = 4;
        band.width = 10;
        band.cellCount = 2;
        for (auto& channelRows : band.medianRows) {
            for (auto& row : channelRows) {
                row = medians;
            }
        }
    }
};

TEST(AccumulateConsistentLevels, KeepsSamplesWithinTheMarginAndDropsOthers) {
    FlatBand flat;
    flat.image.At(1, 1, 0) = 84;   // on the lower edge: kept
    flat.image.At(2, 2, 0) = 83;   // just outside: dropped
    flat.image.At(5, 0, 1) = 116;  // on the upper edge: kept
    flat.image.At(6, 3, 1) = 117;  // dropped
    // Columns 8 and 9 lie beyond the last whole cell and belong to it.
    flat.image.At(9, 3, 2) = 90;
    flat.image.At(8, 0, 2) = 0;
    SampleLevels levels;
    AccumulateConsistentLevels(flat.band, &levels);
    EXPECT_EQ(levels.black[0], 84);
    EXPECT_EQ(levels.white[0], 100);
    EXPECT_EQ(levels.black[1], 100);
    EXPECT_EQ(levels.white[1], 116);
    EXPECT_EQ(levels.black[2], 90);
    EXPECT_EQ(levels.white[2], 100);
}

TEST(AccumulateConsistentLevels, NoConsistentSampleLeavesTheChannelUnfound) {
    FlatBand flat;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 10; ++x) {
            flat.image.At(x, y, 1) = 200;
        }
    }
    SampleLevels levels;
    AccumulateConsistentLevels(flat.band, &levels);
    EXPECT_TRUE(levels.Found(0));
    EXPECT_FALSE(levels.Found(1));
    // Earlier levels are only widened.
    FlatBand other;
    other.image.At(0, 0, 0) = 110;
    AccumulateConsistentLevels(other.band, &levels);
    EXPECT_EQ(levels.black[0], 100);
    EXPECT_EQ(levels.white[0], 110);
}

}  // namespace
}  // namespace mirtane
