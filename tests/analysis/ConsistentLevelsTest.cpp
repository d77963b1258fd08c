#include "analysis/ConsistentLevels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

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

// A band of one row of 200 cells, flat 100 in every channel: wide enough
// that whole groups of cells lying within the levels are passed over.
struct WideBand {
    static constexpr int kCells = 200;
    std::vector<std::uint8_t> medians[3][3];
    testing::RgbImage image{4 * kCells + 3, 4};
    CellBand band;

    explicit WideBand(std::uint8_t median = 100) {
        image.Fill(100, 100, 100);
        band.pixels = image.bytes.data();
        band.rowStride = image.stride;
        band.rowCount = 4;
        band.width = image.width;
        band.cellCount = kCells;
        for (int c = 0; c < 3; ++c) {
            for (int d = 0; d < 3; ++d) {
                medians[c][d].assign(kCells, median);
                band.medianRows[c][d] = medians[c][d].data();
            }
        }
    }
};

TEST(AccumulateConsistentLevels, FindsSamplesBeyondTheLevelsAnywhereInAWideBand) {
    WideBand wide;
    wide.image.At(4 * 70 + 2, 3, 0) = 90;    // a consistent sample deep in the band
    wide.image.At(4 * 101, 0, 1) = 101;      // one code above the white so far
    wide.image.At(4 * 150 + 1, 2, 2) = 0;    // a speck: dropped
    wide.image.At(4 * 199 + 6, 1, 2) = 112;  // beyond the last whole cell
    wide.image.At(4 * 180 + 3, 3, 0) = 255;  // a speck: dropped
    SampleLevels levels;
    AccumulateConsistentLevels(wide.band, &levels);
    EXPECT_EQ(levels.black[0], 90);
    EXPECT_EQ(levels.white[0], 100);
    EXPECT_EQ(levels.black[1], 100);
    EXPECT_EQ(levels.white[1], 101);
    EXPECT_EQ(levels.black[2], 100);
    EXPECT_EQ(levels.white[2], 112);
}

// Medians on demand: the rows start as zeros (a range of -16 .. 16, which
// would drop every sample) and are filled with 100 where the levels ask.
struct Requests {
    WideBand* wide = nullptr;
    std::vector<std::array<std::int32_t, 3>> asked;
};

std::int32_t FillMedians(void* context, std::int32_t channel, std::int32_t first,
                         std::int32_t end) {
    auto* requests = static_cast<Requests*>(context);
    requests->asked.push_back({channel, first, end});
    for (auto& row : requests->wide->medians[channel]) {
        std::fill(row.begin() + first, row.begin() + end, std::uint8_t{100});
    }
    return end;
}

TEST(AccumulateConsistentLevels, AsksForMediansAroundCellsBeyondTheLevelsOnly) {
    WideBand wide(0);
    Requests requests;
    requests.wide = &wide;
    wide.band.prepareMedians = FillMedians;
    wide.band.context = &requests;
    wide.image.At(4 * 70 + 2, 3, 0) = 90;
    SampleLevels levels;
    for (int c = 0; c < 3; ++c) {
        levels.black[c] = 100;
        levels.white[c] = 100;
    }
    AccumulateConsistentLevels(wide.band, &levels);
    EXPECT_EQ(levels.black[0], 90);
    ASSERT_EQ(requests.asked.size(), 1u);
    EXPECT_EQ(requests.asked[0], (std::array<std::int32_t, 3>{0, 69, 72}));
    // At the first cell the columns are clamped to the row.
    wide.image.At(1, 0, 1) = 95;
    AccumulateConsistentLevels(wide.band, &levels);
    EXPECT_EQ(levels.black[1], 95);
    ASSERT_EQ(requests.asked.size(), 2u);
    EXPECT_EQ(requests.asked[1], (std::array<std::int32_t, 3>{1, 0, 2}));
}

}  // namespace
}  // namespace mirtane
