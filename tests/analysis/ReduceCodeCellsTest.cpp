#include "analysis/ReduceCodeCells.h"

#include <gtest/gtest.h>

#include "NaturalImages.h"

namespace mirtane {
namespace {

using testing::RgbImage;

// Writes the 16 samples of cell (column, row) of one channel: the first
// highCount at high, the rest at low.
void FillCell(RgbImage& image, int column, int row, int channel, int low, int high, int highCount) {
    for (int k = 0; k < 16; ++k) {
        const int value = k < highCount ? high : low;
        image.At(4 * column + k % 4, 4 * row + k / 4, channel) = static_cast<std::uint8_t>(value);
    }
}

TEST(ReduceCellRow, MeanRoundsHalfUpPerChannelAndCell) {
    // Two rows of three cells, padded rows, and two spare columns that the
    // reduction must not read into its cells.
    RgbImage image(14, 8, 5);
    image.Fill(7, 7, 7);
    FillCell(image, 0, 1, 0, 10, 11, 8);     // 168: mean 10.5 goes up to 11
    FillCell(image, 1, 1, 0, 10, 11, 7);     // 167: 10.4375 goes down to 10
    FillCell(image, 2, 1, 0, 0, 1, 8);       // 8: 0.5 goes up to 1
    FillCell(image, 0, 1, 1, 0, 1, 7);       // 7: 0.4375 goes down to 0
    FillCell(image, 1, 1, 1, 255, 255, 16);  // 4080: stays 255
    FillCell(image, 2, 1, 2, 200, 0, 0);
    image.At(12, 4, 0) = image.At(13, 7, 0) = 255;
    std::uint8_t cells[3][3] = {};
    std::uint8_t* const out[3] = {cells[0], cells[1], cells[2]};
    ReduceCellRow(image.bytes.data(), image.stride, 1, 3, out);
    EXPECT_EQ(cells[0][0], 11);
    EXPECT_EQ(cells[0][1], 10);
    EXPECT_EQ(cells[0][2], 1);
    EXPECT_EQ(cells[1][0], 0);
    EXPECT_EQ(cells[1][1], 255);
    EXPECT_EQ(cells[1][2], 7);
    EXPECT_EQ(cells[2][0], 7);
    EXPECT_EQ(cells[2][2], 200);
}

}  // namespace
}  // namespace mirtane
