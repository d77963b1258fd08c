#include "analysis/PictureArea.h"

#include <gtest/gtest.h>

#include "GeneratedScenes.h"
#include "NaturalImages.h"

namespace mirtane {
namespace {

using testing::RgbImage;

PictureArea Find(const RgbImage& image, bool* found) {
    return FindPictureArea(image.bytes.data(), image.width, image.height, image.stride, found);
}

// Mid-grey texture with some colour: nothing in it is border-like.
RgbImage Picture(std::int32_t width, std::int32_t height) {
    RgbImage image(width, height);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            image.At(x, y, 0) = static_cast<std::uint8_t>(60 + (x * 7 + y * 3) % 120);
            image.At(x, y, 1) = static_cast<std::uint8_t>(80 + (x * 5) % 100);
            image.At(x, y, 2) = static_cast<std::uint8_t>(70 + (y * 11) % 90);
        }
    }
    return image;
}

TEST(FindPictureArea, APictureWithoutBordersIsWhole) {
    const RgbImage image = Picture(203, 157);
    bool found = false;
    const PictureArea area = Find(image, &found);
    EXPECT_TRUE(found);
    EXPECT_EQ(area.left, 0);
    EXPECT_EQ(area.top, 0);
    EXPECT_EQ(area.width, 203);
    EXPECT_EQ(area.height, 157);
}

// Bands of 24 rows above and below (3 blocks), a grey caption across a third
// of the width in the lower one: the bands and the block row where each
// meets the picture are left out.
TEST(FindPictureArea, ALetterboxWithACaptionIsLeftOut) {
    RgbImage image = Picture(160, 160);
    image.FillRect(0, 0, 160, 24, 3);
    image.FillRect(0, 136, 160, 24, 3);
    image.FillRect(50, 144, 55, 8, 200);
    bool found = false;
    const PictureArea area = Find(image, &found);
    EXPECT_EQ(area.top, 32);
    EXPECT_EQ(area.height, 160 - 32 - 32);
    EXPECT_EQ(area.left, 0);
    EXPECT_EQ(area.width, 160);
}

TEST(FindPictureArea, AWhiteMarginOnEverySideIsLeftOut) {
    RgbImage image(200, 160);
    image.Fill(246, 244, 240);
    const RgbImage inner = Picture(152, 112);
    for (std::int32_t y = 0; y < 112; ++y) {
        for (std::int32_t x = 0; x < 152; ++x) {
            for (std::int32_t c = 0; c < 3; ++c) {
                image.At(x + 24, y + 24, c) = inner.At(x, y, c);
            }
        }
    }
    bool found = false;
    const PictureArea area = Find(image, &found);
    EXPECT_EQ(area.left, 32);
    EXPECT_EQ(area.top, 32);
    EXPECT_EQ(area.width, 200 - 64);
    EXPECT_EQ(area.height, 160 - 64);
}

// A night scene is dark to its edges: at most a quarter goes from each side.
TEST(FindPictureArea, ADarkPhotographKeepsAtLeastHalfOfEachSide) {
    RgbImage image(160, 96);
    image.Fill(10, 12, 20);
    bool found = false;
    const PictureArea area = Find(image, &found);
    EXPECT_EQ(area.left, 40);
    EXPECT_EQ(area.width, 80);
    EXPECT_EQ(area.top, 24);
    EXPECT_EQ(area.height, 48);
}

TEST(FindPictureArea, ImagesUnderThreeBlocksAreTakenWhole) {
    RgbImage image(23, 200);
    image.Fill(0, 0, 0);
    bool found = true;
    const PictureArea area = Find(image, &found);
    EXPECT_FALSE(found);
    EXPECT_EQ(area.width, 23);
    EXPECT_EQ(area.height, 200);
}

TEST(FindPictureArea, KeepsTheRoundedMeansOfEveryWholeBlock) {
    // Padded rows; the last 5 columns and 3 rows make no whole block.
    RgbImage image(8 * 7 + 5, 8 * 4 + 3, 7);
    testing::Lcg random(3);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            for (int c = 0; c < 3; ++c) {
                image.At(x, y, c) = static_cast<std::uint8_t>(random.Next() * 256);
            }
        }
    }
    bool found = false;
    BlockMeans means;
    const PictureArea area = FindPictureArea(image.bytes.data(), image.width, image.height,
                                             image.stride, &found, &means);
    bool plainFound = false;
    const PictureArea plain = Find(image, &plainFound);
    EXPECT_EQ(found, plainFound);
    EXPECT_EQ(area.left, plain.left);
    EXPECT_EQ(area.top, plain.top);
    EXPECT_EQ(area.width, plain.width);
    EXPECT_EQ(area.height, plain.height);
    ASSERT_TRUE(found);
    ASSERT_NE(means.rgb, nullptr);
    ASSERT_EQ(means.columns, 7);
    ASSERT_EQ(means.rows, 4);
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 7; ++column) {
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int y = 0; y < 8; ++y) {
                    for (int x = 0; x < 8; ++x) {
                        sum += image.At(8 * column + x, 8 * row + y, c);
                    }
                }
                EXPECT_EQ(means.rgb[(row * 7 + column) * 3 + c], (sum + 32) / 64)
                    << "block " << column << ", " << row << " channel " << c;
            }
        }
    }
    // Too few blocks: no search, and no means.
    RgbImage small(23, 64);
    FindPictureArea(small.bytes.data(), small.width, small.height, small.stride, &found, &means);
    EXPECT_FALSE(found);
    EXPECT_EQ(means.rgb, nullptr);
}

}  // namespace
}  // namespace mirtane
