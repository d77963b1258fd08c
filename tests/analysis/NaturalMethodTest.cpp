#include "analysis/NaturalMethod.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "GeneratedScenes.h"
#include "NaturalImages.h"
#include "analysis/Rounding.h"

namespace mirtane {
namespace {

using testing::MeanAbsoluteDifference;

// A fifth of an 8-bit code.
constexpr float kDustTableTolerance = 0.2f / 255.0f;
using testing::RgbImage;

NaturalResult Analyse(const RgbImage& image, const NaturalSettings& settings = {}) {
    NaturalResult result;
    const std::int32_t status = ComputeNaturalCurves(image.bytes.data(), image.width, image.height,
                                                     image.stride, settings, &result);
    EXPECT_EQ(status, 0);
    return result;
}

void ExpectSameTables(const NaturalResult& a, const NaturalResult& b) {
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(a.choice.black[c], b.choice.black[c]) << "channel " << c;
        EXPECT_EQ(a.choice.white[c], b.choice.white[c]) << "channel " << c;
        for (int i = 0; i < 256; ++i) {
            ASSERT_EQ(a.tables[c][i], b.tables[c][i]) << "channel " << c << " level " << i;
        }
    }
}

// The levels by the definition, over whole planes: reduce, 5 x 5 median,
// 3 x 3 range widened by 16, then every sample against its cell's range.
void PlainLevels(const RgbImage& image, int black[3], int white[3]) {
    const int columns = image.width / 4;
    const int rows = image.height / 4;
    for (int c = 0; c < 3; ++c) {
        std::vector<int> reduced(columns * rows);
        std::vector<int> median(columns * rows);
        for (int i = 0; i < rows; ++i) {
            for (int j = 0; j < columns; ++j) {
                int sum = 0;
                for (int k = 0; k < 16; ++k) {
                    sum += image.At(4 * j + k % 4, 4 * i + k / 4, c);
                }
                reduced[i * columns + j] = (sum + 8) >> 4;
            }
        }
        for (int i = 0; i < rows; ++i) {
            for (int j = 0; j < columns; ++j) {
                std::vector<int> window;
                for (int d = -2; d <= 2; ++d) {
                    for (int e = -2; e <= 2; ++e) {
                        const int row = Clamp(i + d, 0, rows - 1);
                        window.push_back(reduced[row * columns + Clamp(j + e, 0, columns - 1)]);
                    }
                }
                std::sort(window.begin(), window.end());
                median[i * columns + j] = window[12];
            }
        }
        black[c] = 256;
        white[c] = -1;
        for (int y = 0; y < image.height; ++y) {
            for (int x = 0; x < image.width; ++x) {
                const int i = std::min(y / 4, rows - 1);
                const int j = std::min(x / 4, columns - 1);
                int low = 255;
                int high = 0;
                for (int d = -1; d <= 1; ++d) {
                    for (int e = -1; e <= 1; ++e) {
                        const int m = median[Clamp(i + d, 0, rows - 1) * columns +
                                             Clamp(j + e, 0, columns - 1)];
                        low = std::min(low, m);
                        high = std::max(high, m);
                    }
                }
                const int v = image.At(x, y, c);
                if (v >= low - 16 && v <= high + 16) {
                    black[c] = std::min(black[c], v);
                    white[c] = std::max(white[c], v);
                }
            }
        }
        if (black[c] > white[c]) {
            black[c] = 0;
            white[c] = 255;
        }
    }
}

// A 32 x 32 grey of 100 with a real dark patch of 60 over 4 x 4 cells, a
// 3-pixel speck of 0 and one of 255. The dark speck's cell reduces to
// (13 * 100 + 8) >> 4 = 81, the bright one's to (1300 + 765 + 8) >> 4 = 129;
// each is one cell in its 5 x 5 window, so the median there is 100 and the
// range 84 .. 116 rejects both specks. Cell (5, 5) of the patch sees 16 patch
// cells out of 25, so its median is 60 and the patch's samples lie in range.
TEST(ComputeNaturalCurves, DropsAThreePixelSpeckAndKeepsARealExtreme) {
    RgbImage image(32, 32);
    image.Fill(100, 100, 100);
    image.FillRect(16, 16, 16, 16, 60);
    image.Speck(5, 5, 0);
    image.Speck(25, 5, 255);
    const NaturalResult result = Analyse(image);
    for (int c = 0; c < 3; ++c) {
        EXPECT_TRUE(result.choice.levelsFound[c]);
        EXPECT_EQ(result.choice.black[c], 60);
        EXPECT_EQ(result.choice.white[c], 100);
    }
}

// Specks leave the levels exactly as they were. The greys of the neutral
// floor are a mean over the greyest blocks after a median, which a speck can
// nudge by a fraction of a code, so the tables may move as little. The
// greys are chosen again in the picture as corrected, so a nudge can carry
// over: the picture has a few hundred blocks, as real ones have thousands.
TEST(ComputeNaturalCurves, DustSpecksDoNotChangeTheLevelsAndBarelyTheTables) {
    const RgbImage faded = testing::Fade(testing::MakeScene(192, 128));
    RgbImage dusty = faded;
    const int places[][2] = {{6, 80}, {100, 40}, {180, 120}, {140, 10}, {40, 60}};
    for (const auto& place : places) {
        dusty.Speck(place[0], place[1], 0);
        dusty.Speck(place[0] + 2, place[1] - 3 > 0 ? place[1] - 3 : place[1] + 2, 255);
    }
    const NaturalResult clean = Analyse(faded);
    const NaturalResult withDust = Analyse(dusty);
    EXPECT_GT(clean.choice.black[1], 0) << "the specks reach beyond the faded levels";
    EXPECT_GT(clean.choice.strength, 0.0);
    EXPECT_EQ(withDust.choice.strength, clean.choice.strength);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(withDust.choice.black[c], clean.choice.black[c]) << "channel " << c;
        EXPECT_EQ(withDust.choice.white[c], clean.choice.white[c]) << "channel " << c;
        for (int i = 0; i < 256; ++i) {
            ASSERT_NEAR(withDust.tables[c][i], clean.tables[c][i], kDustTableTolerance)
                << "channel " << c << " level " << i;
        }
    }
}

TEST(ComputeNaturalCurves, StreamedLevelsMatchThePlainDefinition) {
    testing::Lcg random(11);
    for (const auto& [width, height] : {std::pair{4, 4}, std::pair{7, 5}, std::pair{9, 13},
                                        std::pair{30, 9}, std::pair{41, 37}, std::pair{64, 23}}) {
        RgbImage image = testing::MakeScene(width, height);
        for (int k = 0; k < width * height / 20; ++k) {
            const int x = static_cast<int>(random.Next() * width);
            const int y = static_cast<int>(random.Next() * height);
            image.At(x, y, k % 3) = static_cast<std::uint8_t>(random.Next() * 256);
        }
        int black[3];
        int white[3];
        PlainLevels(image, black, white);
        const NaturalResult result = Analyse(image);
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(result.choice.black[c], black[c])
                << width << " x " << height << " channel " << c;
            EXPECT_EQ(result.choice.white[c], white[c])
                << width << " x " << height << " channel " << c;
        }
    }
}

// The fade follows the method's own model (density kept in part, a stain,
// flare near the prior), so the restoration should come close: within a
// fifth of the fade's own error (measured 4.6 against 40.1 codes).
TEST(ComputeNaturalCurves, RestoresAFadedSceneTowardItsOriginal) {
    const RgbImage original = testing::MakeScene(128, 96);
    const RgbImage faded = testing::Fade(original);
    const NaturalResult result = Analyse(faded);
    EXPECT_EQ(result.choice.strength, 1.0);
    for (int c = 0; c < 3; ++c) {
        EXPECT_GT(result.choice.gain[c], 1.0) << "channel " << c;
    }
    EXPECT_EQ(testing::FirstEntryOutOfOrder(result.tables), -1);
    const RgbImage restored = testing::ApplyTables(faded, result.tables);
    EXPECT_LT(MeanAbsoluteDifference(restored, original),
              0.2 * MeanAbsoluteDifference(faded, original));

    // A slide's deeper black asks for proportionally more depth.
    const NaturalResult slide =
        Analyse(faded, NaturalSettings{kNaturalSlideDmax, kNaturalDefaultFlare});
    EXPECT_NEAR(slide.choice.depthGain / result.choice.depthGain,
                kNaturalSlideDmax / kNaturalPrintDmax, 1e-12);
}

// Under testing::Fade's cast, the original colour whose faded copy is the
// neutral grey `code`: per channel, the original code that fades closest to it.
std::array<std::uint8_t, 3> FadesToGrey(std::uint8_t code) {
    RgbImage ramp(256, 1);
    for (std::int32_t v = 0; v < 256; ++v) {
        ramp.At(v, 0, 0) = ramp.At(v, 0, 1) = ramp.At(v, 0, 2) = static_cast<std::uint8_t>(v);
    }
    const RgbImage faded = testing::Fade(ramp);
    std::array<std::uint8_t, 3> original{};
    for (std::int32_t c = 0; c < 3; ++c) {
        std::int32_t best = 0;
        for (std::int32_t v = 1; v < 256; ++v) {
            if (std::abs(faded.At(v, 0, c) - code) < std::abs(faded.At(best, 0, c) - code)) {
                best = v;
            }
        }
        original[c] = static_cast<std::uint8_t>(best);
    }
    return original;
}

// A cast makes a surface of its opposite colour the greyest of the faded
// picture: here a third of it fades to an exact grey, beside true greys that
// now carry the cast. Read in the faded picture alone, those surfaces say the
// channels faded alike; read again in the picture as corrected, the true
// greys are found and the gains' balance comes close to the fade's own
// (testing::Fade keeps 0.6, 0.75 and 0.5 of the density: red needs 1.25
// times green's gain, blue 1.5 times). Measured: 1 % and 4 % off, against
// 9 % and 14 % when the greys are read once.
TEST(ComputeNaturalCurves, GreysAreFoundInThePictureAsCorrected) {
    RgbImage original(240, 180);
    const std::array<std::uint8_t, 3> opposite = FadesToGrey(120);
    for (std::int32_t y = 0; y < 180; ++y) {
        for (std::int32_t x = 0; x < 240; ++x) {
            const auto grey = static_cast<std::uint8_t>(30 + x * 200 / 240);
            for (std::int32_t c = 0; c < 3; ++c) {
                original.At(x, y, c) = y < 60 ? grey : y < 120 ? opposite[c] : grey;
            }
        }
    }
    original.FillRect(0, 120, 48, 60, 0);
    original.FillRect(192, 120, 48, 60, 255);
    const NaturalResult result = Analyse(testing::Fade(original));
    const NaturalChoice& choice = result.choice;
    ASSERT_EQ(choice.evidence, NaturalEvidence::RaisedBlack);
    ASSERT_EQ(choice.strength, 1.0);
    EXPECT_NEAR(choice.gain[0] / choice.gain[1], 1.25, 1.25 * 0.05);
    EXPECT_NEAR(choice.gain[2] / choice.gain[1], 1.5, 1.5 * 0.05);
    EXPECT_EQ(testing::FirstEntryOutOfOrder(result.tables), -1);
}

// Greys from black to white down the left three quarters and colour patches
// on the right quarter (magenta and yellow), the way most photographs hold
// some neutral surfaces in every tone.
RgbImage GreysAndPatches(std::int32_t width, std::int32_t height) {
    RgbImage image(width, height);
    for (std::int32_t y = 0; y < height; ++y) {
        const std::int32_t grey = y * 255 / (height - 1);
        for (std::int32_t x = 0; x < width; ++x) {
            const std::int32_t patch = y * 4 / height;
            for (std::int32_t c = 0; c < 3; ++c) {
                const bool weak = x >= width * 3 / 4 && c == 1 + patch % 2;
                image.At(x, y, c) = static_cast<std::uint8_t>(weak ? grey / 2 : grey);
            }
        }
    }
    return image;
}

// The cyan dye lost half its density; magenta and yellow held, so green and
// blue still reach black and the lowest black is 0: only the tint that every
// grey now shares tells of the fade.
RgbImage FadeRedOnly(const RgbImage& original) {
    RgbImage faded = original;
    for (std::int32_t y = 0; y < original.height; ++y) {
        for (std::int32_t x = 0; x < original.width; ++x) {
            const double light = std::max(SrgbToLinear(original.At(x, y, 0) / 255.0), 1e-3);
            const double seen = std::pow(light, 0.5);
            faded.At(x, y, 0) = static_cast<std::uint8_t>(RoundHalfUp(255.0 * LinearToSrgb(seen)));
        }
    }
    return faded;
}

TEST(ComputeNaturalCurves, AFadeOfOneDyeIsFoundByItsTintAndCorrected) {
    const RgbImage original = GreysAndPatches(192, 160);
    const RgbImage faded = FadeRedOnly(original);
    const NaturalResult result = Analyse(faded);
    const NaturalChoice& choice = result.choice;
    EXPECT_EQ(choice.blackStrength, 0.0);
    EXPECT_EQ(choice.evidence, NaturalEvidence::SharedTint);
    EXPECT_GT(choice.strength, 0.5);
    EXPECT_GT(choice.gain[0], 1.3);
    EXPECT_LT(choice.gain[1], 1.05);
    EXPECT_LT(choice.gain[2], 1.05);
    EXPECT_EQ(testing::FirstEntryOutOfOrder(result.tables), -1);
    const RgbImage restored = testing::ApplyTables(faded, result.tables);
    EXPECT_LT(MeanAbsoluteDifference(restored, original),
              0.5 * MeanAbsoluteDifference(faded, original));
}

// A sunset: black silhouettes, an orange sky, a pale sun. Deep blacks in
// every channel and no grey that shares the sky's warmth: nothing to undo.
TEST(ComputeNaturalCurves, LeavesAnUnfadedSunsetAlone) {
    RgbImage sunset(192, 144);
    for (std::int32_t y = 0; y < 144; ++y) {
        for (std::int32_t x = 0; x < 192; ++x) {
            const double v = y / 143.0;
            sunset.At(x, y, 0) = static_cast<std::uint8_t>(250 - 40 * v);
            sunset.At(x, y, 1) = static_cast<std::uint8_t>(170 - 90 * v);
            sunset.At(x, y, 2) = static_cast<std::uint8_t>(70 + 30 * v);
        }
    }
    sunset.FillRect(0, 100, 192, 44, 0);      // the land
    sunset.FillRect(120, 70, 30, 30, 0);      // a tree
    sunset.FillRect(40, 30, 24, 24, 0);       // the sun ...
    for (std::int32_t y = 30; y < 54; ++y) {  // ... pale yellow
        for (std::int32_t x = 40; x < 64; ++x) {
            sunset.At(x, y, 0) = 255;
            sunset.At(x, y, 1) = 240;
            sunset.At(x, y, 2) = 190;
        }
    }
    const NaturalResult result = Analyse(sunset);
    EXPECT_EQ(result.choice.strength, 0.0);
    EXPECT_EQ(testing::FirstNonIdentityEntry(result.tables), -1);
}

// A black letterbox with a caption, as film scans have, holds the darkest
// samples of the scan: read with it, the blacks would say "not faded".
TEST(ComputeNaturalCurves, ALetterboxDoesNotChangeTheCurvesOfThePictureInIt) {
    const RgbImage faded = testing::Fade(testing::MakeScene(160, 120));
    RgbImage boxed(160, 120 + 2 * 32);
    boxed.Fill(2, 2, 2);
    for (std::int32_t y = 0; y < 120; ++y) {
        for (std::int32_t x = 0; x < 160; ++x) {
            for (std::int32_t c = 0; c < 3; ++c) {
                boxed.At(x, y + 32, c) = faded.At(x, y, c);
            }
        }
    }
    boxed.FillRect(40, 160, 60, 8, 230);  // a caption
    const NaturalResult inBox = Analyse(boxed);
    // The bands and the block row where each meets the picture are left out:
    // the picture's rows 8 to 111 are read, exactly as if cropped so.
    EXPECT_EQ(inBox.choice.area.top, 40);
    EXPECT_EQ(inBox.choice.area.height, 120 - 16);
    RgbImage cropped(160, 104);
    for (std::int32_t y = 0; y < 104; ++y) {
        for (std::int32_t x = 0; x < 160; ++x) {
            for (std::int32_t c = 0; c < 3; ++c) {
                cropped.At(x, y, c) = faded.At(x, y + 8, c);
            }
        }
    }
    const NaturalResult alone = Analyse(cropped);
    EXPECT_EQ(alone.choice.strength, 1.0);
    EXPECT_EQ(inBox.choice.strength, 1.0);  // the letterbox's black of 2 would give 0
    ExpectSameTables(inBox, alone);
}

TEST(ComputeNaturalCurves, LeavesAnUnfadedImageWithTrueBlacksAlone) {
    const NaturalResult result = Analyse(testing::MakeScene(64, 48));
    EXPECT_EQ(result.choice.strength, 0.0);
    EXPECT_EQ(testing::FirstNonIdentityEntry(result.tables), -1);
}

TEST(ComputeNaturalCurves, LeavesUniformImagesAlone) {
    using Colour = std::array<std::uint8_t, 3>;
    for (const Colour& colour : {Colour{128, 128, 128}, Colour{200, 100, 50}}) {
        RgbImage image(17, 12);
        image.Fill(colour[0], colour[1], colour[2]);
        const NaturalResult result = Analyse(image);
        EXPECT_EQ(result.choice.black[1], colour[1]);
        EXPECT_EQ(result.choice.white[1], colour[1]);
        EXPECT_EQ(testing::FirstNonIdentityEntry(result.tables), -1);
    }
}

// Under 4 samples in either direction there is no whole cell to judge a
// sample by: no level is found and the tables stay the identity.
TEST(ComputeNaturalCurves, ImagesWithoutAWholeCellGetTheIdentity) {
    for (const auto& [width, height] : {std::pair{1, 1}, std::pair{3, 100}, std::pair{100, 3}}) {
        RgbImage image(width, height, 1);
        image.Fill(90, 60, 40);
        const NaturalResult result = Analyse(image);
        for (int c = 0; c < 3; ++c) {
            EXPECT_FALSE(result.choice.levelsFound[c]) << width << " x " << height;
            EXPECT_EQ(result.choice.black[c], 0);
            EXPECT_EQ(result.choice.white[c], 255);
        }
        EXPECT_EQ(result.choice.strength, 0.0);
        EXPECT_EQ(testing::FirstNonIdentityEntry(result.tables), -1);
    }
    RgbImage smallest(4, 4);
    smallest.Fill(90, 60, 40);
    EXPECT_TRUE(Analyse(smallest).choice.levelsFound[0]);
}

TEST(ComputeNaturalCurves, RejectsBadInputAndLeavesTheResultAlone) {
    RgbImage image(8, 8);
    image.Fill(50, 50, 50);
    const std::uint8_t* pixels = image.bytes.data();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    NaturalResult result;
    result.choice.strength = -7.0;
    const NaturalSettings good;
    EXPECT_EQ(ComputeNaturalCurves(nullptr, 8, 8, 24, good, &result), -1);
    EXPECT_EQ(ComputeNaturalCurves(pixels, 8, 8, 24, good, nullptr), -1);
    EXPECT_EQ(ComputeNaturalCurves(pixels, 0, 8, 24, good, &result), -1);
    EXPECT_EQ(ComputeNaturalCurves(pixels, 8, -1, 24, good, &result), -1);
    EXPECT_EQ(ComputeNaturalCurves(pixels, 8, 8, 23, good, &result), -1);
    for (const NaturalSettings& bad :
         {NaturalSettings{0.0, 0.45}, NaturalSettings{-2.1, 0.45}, NaturalSettings{nan, 0.45},
          NaturalSettings{infinity, 0.45}, NaturalSettings{2.1, -0.01}, NaturalSettings{2.1, 1.0},
          NaturalSettings{2.1, nan}}) {
        EXPECT_EQ(ComputeNaturalCurves(pixels, 8, 8, 24, bad, &result), -1)
            << bad.dmax << " " << bad.flare;
    }
    EXPECT_EQ(result.choice.strength, -7.0);
}

}  // namespace
}  // namespace mirtane
