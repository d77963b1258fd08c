#include "analysis/NeutralFloor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "NaturalImages.h"

namespace mirtane {
namespace {

using testing::RgbImage;

NeutralFloor Measure(const RgbImage& image) {
    NeutralFloor floor;
    const PictureArea area{0, 0, image.width, image.height};
    EXPECT_EQ(MeasureNeutralFloor(image.bytes.data(), image.stride, area, &floor), 0);
    return floor;
}

// Greys from 10 to 230 down the left three quarters, colour patches on the
// right quarter (a photograph's coloured objects, none of them cyan: a red
// cast would make a cyan object the greyest surface of its tone); each
// channel of every sample is `shift(c, grey)` away from the grey.
template <typename Shift>
RgbImage GreysAndColours(Shift shift) {
    RgbImage image(160, 160);
    for (std::int32_t y = 0; y < 160; ++y) {
        const std::int32_t grey = 10 + y * 220 / 159;
        for (std::int32_t x = 0; x < 160; ++x) {
            const std::int32_t patch = y / 40;
            for (std::int32_t c = 0; c < 3; ++c) {
                std::int32_t value = grey;
                if (x >= 120) {
                    value = c == 1 + patch % 2 ? grey / 2 : grey;  // magenta, yellow
                }
                image.At(x, y, c) =
                    static_cast<std::uint8_t>(Clamp(value + shift(c, value), 0, 255));
            }
        }
    }
    return image;
}

double Chroma(const double tint[2]) { return std::hypot(tint[0], tint[1]); }

TEST(MeasureNeutralFloor, GreysHaveNoTintAndGiveNoEvidence) {
    const NeutralFloor floor = Measure(GreysAndColours([](int, int) { return 0; }));
    ASSERT_TRUE(floor.measured);
    for (int band = 0; band < 3; ++band) {
        EXPECT_LT(Chroma(floor.tint[band]), 0.5) << "band " << band;
    }
    EXPECT_EQ(TintEvidence(floor), 0.0);
    // 0.5 % of the 400 blocks lie below the black: the first row of blocks,
    // the darkest greys (10 to 21, mean 15).
    for (int c = 0; c < 3; ++c) {
        EXPECT_LE(floor.black[c], 16) << "channel " << c;
        EXPECT_GE(floor.white[c], 222) << "channel " << c;
    }
}

// Red lifted in every tone, as when the cyan dye fades: the greyest
// surfaces of shadows, mid-tones and highlights are all reddish.
TEST(MeasureNeutralFloor, ATintSharedByEveryToneIsEvidence) {
    const NeutralFloor floor = Measure(GreysAndColours(
        [](int c, int value) { return c == 0 ? static_cast<int>(10 + 0.06 * (255 - value)) : 0; }));
    for (int band = 0; band < 3; ++band) {
        EXPECT_GT(floor.tint[band][0], 2.0) << "band " << band;  // towards red: +a*
        EXPECT_GT(floor.code[band][0], floor.code[band][1]) << "band " << band;
    }
    EXPECT_EQ(TintEvidence(floor), 1.0);
}

// Blue shadows under yellow light are a scene's colour, not a fade's: the
// tints point apart.
TEST(MeasureNeutralFloor, TintsThatDifferByToneAreNoEvidence) {
    const NeutralFloor floor = Measure(GreysAndColours([](int c, int value) {
        if (value < 90) {
            return c == 2 ? 20 : 0;
        }
        return c == 2 ? -30 : 0;
    }));
    EXPECT_LT(floor.tint[0][1], -4.0);  // shadows blue: -b*
    EXPECT_GT(floor.tint[2][1], 4.0);   // highlights yellow: +b*
    EXPECT_EQ(TintEvidence(floor), 0.0);
}

// Frame-filling orange is far more saturated than any fade.
TEST(MeasureNeutralFloor, AFrameFillingColourIsNoEvidence) {
    const NeutralFloor floor = Measure(GreysAndColours([](int c, int value) {
        return c == 0 ? 255 - value : c == 1 ? 0 : -value;
    }));
    EXPECT_GT(Chroma(floor.tint[1]), 40.0);
    EXPECT_EQ(TintEvidence(floor), 0.0);
}

void SetTints(NeutralFloor& floor, const double (&tints)[3][2]) {
    floor.measured = true;
    for (int band = 0; band < 3; ++band) {
        floor.tint[band][0] = tints[band][0];
        floor.tint[band][1] = tints[band][1];
    }
}

// Worked: shadows (6, 0), mid-tones (8, 0), highlights (5, 0) agree fully;
// the shadows' chroma 6 is a third of the way from 4 to 10; no band passes
// 25. Turning the mid-tones by acos 0.85 puts both cosines half way from
// 0.75 to 0.95; highlights at chroma 28 are a fifth of the way from 25 to 40.
TEST(TintEvidence, WorkedFromTheThreeTints) {
    NeutralFloor floor;
    SetTints(floor, {{6.0, 0.0}, {8.0, 0.0}, {5.0, 0.0}});
    EXPECT_NEAR(TintEvidence(floor), 1.0 / 3.0, 1e-12);
    const double turned = 8.0 * std::sqrt(1.0 - 0.85 * 0.85);
    SetTints(floor, {{6.0, 0.0}, {8.0 * 0.85, turned}, {5.0, 0.0}});
    EXPECT_NEAR(TintEvidence(floor), 1.0 / 3.0 * 0.5, 1e-12);
    SetTints(floor, {{6.0, 0.0}, {8.0, 0.0}, {28.0, 0.0}});
    EXPECT_NEAR(TintEvidence(floor), 1.0 / 3.0 * 0.8, 1e-12);
    floor.measured = false;
    EXPECT_EQ(TintEvidence(floor), 0.0);
}

TEST(MeasureNeutralFloor, UnderThreeBlocksEitherWayNothingIsMeasured) {
    RgbImage image(23, 64);
    image.Fill(200, 100, 50);
    EXPECT_FALSE(Measure(image).measured);
}

void ExpectSameFloor(const NeutralFloor& a, const NeutralFloor& b) {
    EXPECT_EQ(a.measured, b.measured);
    for (int band = 0; band < 3; ++band) {
        EXPECT_EQ(a.tint[band][0], b.tint[band][0]) << "band " << band;
        EXPECT_EQ(a.tint[band][1], b.tint[band][1]) << "band " << band;
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(a.code[band][c], b.code[band][c]) << "band " << band << " channel " << c;
        }
    }
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(a.black[c], b.black[c]) << "channel " << c;
        EXPECT_EQ(a.white[c], b.white[c]) << "channel " << c;
    }
}

// A letterboxed, white-bordered scene on padded rows, its size no multiple
// of the block.
RgbImage FramedScene() {
    const RgbImage scene = testing::MakeScene(157, 101);
    RgbImage framed(157 + 2 * 21, 101 + 2 * 35, 5);
    framed.Fill(250, 250, 250);
    framed.FillRect(0, 0, framed.width, 35, 3);
    framed.FillRect(0, 35 + 101, framed.width, 35, 3);
    for (int y = 0; y < scene.height; ++y) {
        for (int x = 0; x < scene.width; ++x) {
            for (int c = 0; c < 3; ++c) {
                framed.At(21 + x, 35 + y, c) = scene.At(x, y, c);
            }
        }
    }
    return framed;
}

TEST(MeasureNeutralFloor, TheSearchsBlockMeansGiveTheSameFloor) {
    const RgbImage image = FramedScene();
    bool found = false;
    BlockMeans means;
    const PictureArea area = FindPictureArea(image.bytes.data(), image.width, image.height,
                                             image.stride, &found, &means);
    ASSERT_TRUE(found);
    ASSERT_GT(area.top, 0);
    ASSERT_GT(area.left, 0);
    NeutralFloor summed;
    NeutralFloor reused;
    ASSERT_EQ(MeasureNeutralFloor(image.bytes.data(), image.stride, area, &summed), 0);
    ASSERT_EQ(MeasureNeutralFloor(image.bytes.data(), image.stride, area, &means, &reused), 0);
    ASSERT_TRUE(summed.measured);
    ExpectSameFloor(summed, reused);
    // An area off the block grid cannot take the search's blocks: the means
    // are summed from the samples instead.
    const PictureArea shifted{area.left + 3, area.top + 5, area.width - 9, area.height - 7};
    ASSERT_EQ(MeasureNeutralFloor(image.bytes.data(), image.stride, shifted, &summed), 0);
    ASSERT_EQ(MeasureNeutralFloor(image.bytes.data(), image.stride, shifted, &means, &reused), 0);
    ExpectSameFloor(summed, reused);
}

// Tables that multiply the codes of one channel from `first` to `last` by
// `factor` and leave the rest as they are.
void ScaleCodes(float (&tables)[3][kNaturalTableLength], int channel, int first, int last,
                float factor) {
    for (int c = 0; c < 3; ++c) {
        for (int v = 0; v < kNaturalTableLength; ++v) {
            tables[c][v] = static_cast<float>(v) / 255.0f;
            if (c == channel && v >= first && v <= last) {
                tables[c][v] = std::min(1.0f, tables[c][v] * factor);
            }
        }
    }
}

// A reader keeps each block's colour from one reading to the next and works
// out again only the blocks whose corrected colour changed: every reading in
// a run of them, some changing a few blocks, some none, some all, is the
// reading a reader starting afresh makes.
TEST(MidToneGreyReader, EachReadingIsTheOneAFreshReaderMakes) {
    const RgbImage image = testing::MakeScene(192, 128);
    const PictureArea area{0, 0, image.width, image.height};
    NeutralFloor measured;
    std::vector<std::uint8_t> medians;
    ASSERT_EQ(
        MeasureNeutralFloor(image.bytes.data(), image.stride, area, nullptr, &measured, &medians),
        0);
    ASSERT_TRUE(measured.measured);
    float tables[3][kNaturalTableLength];
    MidToneGreyReader reader(medians);
    const struct {
        int channel, first, last;
        float factor;
    } steps[] = {{0, 0, 255, 1.0f}, {0, 100, 140, 1.3f}, {0, 100, 140, 1.3f},
                 {2, 0, 255, 0.7f}, {2, 0, 120, 0.7f},   {0, 0, 255, 1.0f}};
    double previousRed = -1.0;
    int changes = 0;
    for (const auto& step : steps) {
        ScaleCodes(tables, step.channel, step.first, step.last, step.factor);
        NeutralFloor kept = measured;
        NeutralFloor fresh = measured;
        ASSERT_EQ(reader.Reread(tables, &kept), 0);
        ASSERT_EQ(MidToneGreyReader(medians).Reread(tables, &fresh), 0);
        ExpectSameFloor(kept, fresh);
        changes += fresh.code[1][0] != previousRed ? 1 : 0;
        previousRed = fresh.code[1][0];
    }
    EXPECT_GE(changes, 4);  // the tables did move the greys
}

// Ten rows of ten blocks: two rows of dark red, five of mid-grey with a faint
// green tint, three of bright blue. The shadows are the blocks up to the
// lightness of the 20th darkest (the dark red), the highlights those from the
// 80th on (the bright blue), each band with its own tint.
TEST(MeasureNeutralFloor, EachBandIsTheFifthsOfTheBlocksByLightness) {
    RgbImage image(80, 80);
    for (int y = 0; y < 80; ++y) {
        const int row = y / 8;
        for (int x = 0; x < 80; ++x) {
            const int r = row < 2 ? 60 : row < 7 ? 118 : 190;
            const int g = row < 2 ? 30 : row < 7 ? 122 : 200;
            const int b = row < 2 ? 30 : row < 7 ? 118 : 240;
            image.At(x, y, 0) = static_cast<std::uint8_t>(r);
            image.At(x, y, 1) = static_cast<std::uint8_t>(g);
            image.At(x, y, 2) = static_cast<std::uint8_t>(b);
        }
    }
    const NeutralFloor floor = Measure(image);
    ASSERT_TRUE(floor.measured);
    EXPECT_EQ(floor.code[0][0], 60.0);
    EXPECT_EQ(floor.code[1][1], 122.0);
    EXPECT_EQ(floor.code[2][2], 240.0);
    EXPECT_GT(floor.tint[0][0], 10.0);   // red: +a*
    EXPECT_LT(floor.tint[1][0], 0.0);    // green: -a*
    EXPECT_LT(floor.tint[2][1], -10.0);  // blue: -b*
}

}  // namespace
}  // namespace mirtane
