// Copying host pixels into a pane buffer. The dialog always requests the
// buffer's own size, so the exact copy matters most; the interpolation and
// the edge rule are checked on small worked examples.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ui/ResampleBilinear.h"

namespace mirtane::ui {
namespace {

TEST(ResampleBilinear, EqualSizesCopyExactlyAndSkipRowPadding) {
    constexpr int kWidth = 7, kHeight = 5, kSourceRowBytes = kWidth * 3 + 5;
    std::vector<std::uint8_t> source(kSourceRowBytes * kHeight, 0xEE);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth * 3; ++x) {
            source[y * kSourceRowBytes + x] = static_cast<std::uint8_t>(y * 37 + x * 11);
        }
    }
    std::vector<std::uint8_t> destination(kWidth * 3 * kHeight, 0);
    ResampleBilinear(source.data(), kWidth, kHeight, kSourceRowBytes, destination.data(), kWidth,
                     kHeight, kWidth * 3);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth * 3; ++x) {
            ASSERT_EQ(destination[y * kWidth * 3 + x], source[y * kSourceRowBytes + x])
                << "row " << y << " byte " << x;
        }
    }
}

// A 2 x 2 source doubled to 4 x 4: steps of 0.5 in both directions.
class DoublingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // Red 0, 100 / 200, 50; green 0, 1 / 0, 1; blue constant 9.
        const std::uint8_t pixels[2][2][3] = {{{0, 0, 9}, {100, 1, 9}}, {{200, 0, 9}, {50, 1, 9}}};
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 2; ++x) {
                for (int c = 0; c < 3; ++c) {
                    source[y * 6 + x * 3 + c] = pixels[y][x][c];
                }
            }
        }
        ResampleBilinear(source, 2, 2, 6, destination, 4, 4, 12);
    }
    std::uint8_t At(int row, int column, int channel) const {
        return destination[row * 12 + column * 3 + channel];
    }
    std::uint8_t source[12] = {};
    std::uint8_t destination[48] = {};
};

TEST_F(DoublingTest, InteriorSamplesInterpolateBothWays) {
    EXPECT_EQ(At(0, 0, 0), 0);
    EXPECT_EQ(At(0, 1, 0), 50);   // halfway along the top row
    EXPECT_EQ(At(1, 0, 0), 100);  // halfway down the left column
    // Top 50, bottom 125, halfway between: 87.5 rounds up.
    EXPECT_EQ(At(1, 1, 0), 88);
    EXPECT_EQ(At(0, 1, 1), 1);  // 0.5 rounds half up
    EXPECT_EQ(At(3, 3, 2), 9);
}

TEST_F(DoublingTest, SamplesOnTheLastRowOrColumnTakeTheNearestPixel) {
    // Column 2 maps onto the last source column: no interpolation at all,
    // not even down the rows.
    EXPECT_EQ(At(1, 2, 0), 100);
    EXPECT_EQ(At(1, 3, 0), 100);
    EXPECT_EQ(At(2, 1, 0), 200);
    EXPECT_EQ(At(3, 3, 0), 50);
}

TEST(ResampleBilinear, HalvingPicksTheTopLeftOfEachBlock) {
    std::uint8_t source[4 * 4 * 3];
    for (int i = 0; i < 48; ++i) {
        source[i] = static_cast<std::uint8_t>(i * 5);
    }
    std::uint8_t destination[2 * 2 * 3] = {};
    ResampleBilinear(source, 4, 4, 12, destination, 2, 2, 6);
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 2; ++column) {
            for (int c = 0; c < 3; ++c) {
                EXPECT_EQ(destination[row * 6 + column * 3 + c],
                          source[row * 2 * 12 + column * 2 * 3 + c]);
            }
        }
    }
}

TEST(ResampleBilinear, EmptySizesOrMissingDataWriteNothing) {
    std::uint8_t source[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    std::uint8_t destination[12] = {};
    ResampleBilinear(source, 0, 2, 6, destination, 2, 2, 6);
    ResampleBilinear(source, 2, 2, 6, destination, 2, 0, 6);
    ResampleBilinear(nullptr, 2, 2, 6, destination, 2, 2, 6);
    for (std::uint8_t byte : destination) {
        EXPECT_EQ(byte, 0);
    }
}

TEST(ResampleBilinear, ReadsWiderHostPixelsAsTheSamePicture) {
    // A host that delivers four bytes a pixel (the fourth unused) must give
    // the pane exactly what packed pixels give, at the same and at another size.
    constexpr int kWidth = 6, kHeight = 5;
    std::vector<std::uint8_t> packed(kWidth * kHeight * 3);
    std::vector<std::uint8_t> wide(kWidth * kHeight * 4, 0xEE);
    for (int i = 0; i < kWidth * kHeight; ++i) {
        for (int channel = 0; channel < 3; ++channel) {
            const auto value = static_cast<std::uint8_t>(i * 41 + channel * 90);
            packed[i * 3 + channel] = value;
            wide[i * 4 + channel] = value;
        }
    }
    for (const int size : {kWidth, 4, 9}) {
        std::vector<std::uint8_t> fromPacked(size * size * 3, 0);
        std::vector<std::uint8_t> fromWide(size * size * 3, 1);
        ResampleBilinear(packed.data(), kWidth, kHeight, kWidth * 3, fromPacked.data(), size, size,
                         size * 3);
        ResampleBilinear(wide.data(), kWidth, kHeight, kWidth * 4, fromWide.data(), size, size,
                         size * 3, PixelLayout{4, 1});
        EXPECT_EQ(fromWide, fromPacked) << "size " << size;
    }
}

}  // namespace
}  // namespace mirtane::ui
