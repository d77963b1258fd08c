// The engine entry for hosts of our own: the plug-in's analysis read out
// headless, and the application at 8-bit, 16-bit and float precision.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "analysis/NaturalMethod.h"
#include "engine/AnalyseInPlace.h"
#include "engine/MirtaneEngine.h"
#include "tests/host/PluginRunFixture.h"

namespace mirtane {
namespace {

MirtaneCorrection BentCorrection() {
    MirtaneCorrection correction{};
    correction.blackLevel = 0.06f;
    correction.whiteLevel = 0.93f;
    for (int i = 0; i < 256; ++i) {
        const float x = static_cast<float>(i) / 255.0f;
        correction.tables[0][i] = x * x;
        correction.tables[1][i] = std::sqrt(x);
        correction.tables[2][i] = 0.5f * x + 0.25f * x * x;
    }
    return correction;
}

TEST(Sample16To8, RoundsToNearestAndUndoesTheUsualWidening) {
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(mirtane_sample16_to_8(static_cast<unsigned short>(b * 257)), b);
    }
    // 128.5 levels of 8 bits lie at 33024.5 in 16 bits.
    EXPECT_EQ(mirtane_sample16_to_8(33024), 128);
    EXPECT_EQ(mirtane_sample16_to_8(33025), 129);
    EXPECT_EQ(mirtane_sample16_to_8(65535), 255);
    EXPECT_EQ(mirtane_sample16_to_8(0), 0);
}

TEST(ApplyCorrection, DeeperSamplesFollowTheEightBitCorrectionWithinOneLevel) {
    const MirtaneCorrection correction = BentCorrection();
    const MirtaneTrims trims = {7, -12, 25};
    std::vector<unsigned char> bytes(256 * 4);
    std::vector<unsigned short> words(256 * 4);
    std::vector<float> floats(256 * 4);
    for (int b = 0; b < 256; ++b) {
        for (int c = 0; c < 4; ++c) {
            bytes[b * 4 + c] = static_cast<unsigned char>(b);
            words[b * 4 + c] = static_cast<unsigned short>(b * 257);
            floats[b * 4 + c] = static_cast<float>(b) / 255.0f;
        }
    }
    mirtane_apply_rgb8(bytes.data(), 256, 1, 256 * 4, 4, &correction, &trims);
    mirtane_apply_rgb16(words.data(), 256, 1, 256 * 4 * 2, 4, &correction, &trims);
    mirtane_apply_rgbf(floats.data(), 256, 1, 256 * 4 * 4, 4, &correction, &trims);
    int differing = 0;
    for (int b = 0; b < 256; ++b) {
        for (int c = 0; c < 3; ++c) {
            const int byte = bytes[b * 4 + c];
            const double word = words[b * 4 + c] / 257.0;
            const double value = floats[b * 4 + c] * 255.0;
            EXPECT_LE(std::fabs(word - byte), 1.0) << "byte " << b << " channel " << c;
            EXPECT_LE(std::fabs(value - byte), 1.0) << "byte " << b << " channel " << c;
            EXPECT_GE(floats[b * 4 + c], 0.0f);
            EXPECT_LE(floats[b * 4 + c], 1.0f);
            differing += std::lround(word) != byte;
        }
        // The fourth sample is alpha: never touched.
        EXPECT_EQ(bytes[b * 4 + 3], b);
        EXPECT_EQ(words[b * 4 + 3], b * 257);
    }
    EXPECT_LT(differing, 3 * 256 / 4) << "16-bit results should mostly round to the 8-bit ones";
}

TEST(ApplyCorrection, SixteenBitsKeepLevelsBetweenTheBytes) {
    // A smooth ramp of 4096 16-bit levels must not collapse onto 256 values:
    // the table is interpolated between its entries.
    MirtaneCorrection correction = BentCorrection();
    correction.blackLevel = 0.0f;
    correction.whiteLevel = 1.0f;
    std::vector<unsigned short> ramp(4096 * 3);
    for (int i = 0; i < 4096; ++i) {
        for (int c = 0; c < 3; ++c)
            ramp[i * 3 + c] = static_cast<unsigned short>(i * 16);
    }
    mirtane_apply_rgb16(ramp.data(), 4096, 1, 4096 * 3 * 2, 3, &correction, nullptr);
    std::vector<bool> seen(65536, false);
    int distinct = 0;
    for (int i = 0; i < 4096; ++i) {
        const unsigned short v = ramp[i * 3 + 1];
        distinct += !seen[v];
        seen[v] = true;
    }
    EXPECT_GT(distinct, 2000);
}

TEST(ApplyCorrection, LargeSixteenBitPicturesGiveEachSampleWhatASmallOneGivesIt) {
    // Above 65536 pixels the 16-bit application looks results up in a table
    // of every value; a row of 300 pixels alone is worked out sample by
    // sample. Both must agree on every sample, at any strength, with alpha
    // and row padding left alone.
    const MirtaneCorrection correction = BentCorrection();
    const MirtaneTrims trims = {-9, 4, 13};
    const int width = 300;
    const int height = 300;
    const int rowSamples = width * 4 + 5;
    std::vector<unsigned short> source(static_cast<std::size_t>(rowSamples) * height);
    std::uint32_t state = 12345;
    for (unsigned short& v : source) {
        state = state * 1664525u + 1013904223u;
        v = static_cast<unsigned short>(state >> 16);
    }
    for (int strength : {MIRTANE_FULL_STRENGTH, 40}) {
        std::vector<unsigned short> whole = source;
        mirtane_apply_rgb16_at(whole.data(), width, height, rowSamples * 2, 4, &correction, &trims,
                               strength);
        std::vector<unsigned short> byRows = source;
        for (int y = 0; y < height; ++y) {
            mirtane_apply_rgb16_at(byRows.data() + static_cast<std::size_t>(y) * rowSamples, width,
                                   1, rowSamples * 2, 4, &correction, &trims, strength);
        }
        ASSERT_EQ(whole, byRows) << "strength " << strength;
        for (int y = 0; y < height; ++y) {
            const std::size_t row = static_cast<std::size_t>(y) * rowSamples;
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(whole[row + x * 4 + 3], source[row + x * 4 + 3]);
            for (int pad = width * 4; pad < rowSamples; ++pad)
                ASSERT_EQ(whole[row + pad], source[row + pad]);
        }
        EXPECT_NE(whole, source);
    }
}

class EngineAnalysisTest : public PluginRunTest {};

TEST_F(EngineAnalysisTest, GivesThePluginsCurvesWithOrWithoutAlpha) {
    const hostkit::Image photo = MakeTestPhoto(500, 484, 5);
    const std::vector<std::uint8_t> before = photo.pixels;
    MirtaneCorrection packed{};
    char error[256] = "";
    ASSERT_EQ(mirtane_analyse_rgb8(photo.pixels.data(), 500, 484, 500 * 3, 3, &packed, error,
                                   sizeof error),
              0)
        << error;
    EXPECT_LT(packed.blackLevel, packed.whiteLevel);
    EXPECT_EQ(photo.pixels, before) << "packed pixels are read where they lie, never written";

    std::vector<unsigned char> withAlpha(static_cast<std::size_t>(500) * 484 * 4 + 64 * 484);
    const std::ptrdiff_t stride = 500 * 4 + 64;  // padded rows
    for (int y = 0; y < 484; ++y) {
        for (int x = 0; x < 500; ++x) {
            for (int c = 0; c < 3; ++c)
                withAlpha[y * stride + x * 4 + c] = photo.At(x, y, c);
            withAlpha[y * stride + x * 4 + 3] = static_cast<unsigned char>(x ^ y);
        }
    }
    MirtaneCorrection fromAlpha{};
    ASSERT_EQ(mirtane_analyse_rgb8(withAlpha.data(), 500, 484, stride, 4, &fromAlpha, error,
                                   sizeof error),
              0);
    EXPECT_EQ(std::memcmp(&packed, &fromAlpha, sizeof packed), 0);
    EXPECT_EQ(TrackedBlockCount(), 0u);
}

// The command analyses its decoded picture where it lies: the run must leave
// every byte as it was, report its stages, and give the C entry's curves.
TEST_F(EngineAnalysisTest, InPlaceAnalysisLeavesThePixelsAndGivesTheSameCurves) {
    const hostkit::Image photo = MakeTestPhoto(512, 490, 9);
    std::vector<std::uint8_t> pixels = photo.pixels;
    std::vector<std::int32_t> stages;
    MirtaneCorrection inPlace{};
    std::string reason;
    ASSERT_EQ(engine::AnalysePackedRgb8(
                  pixels.data(), 512, 490,
                  [&stages](std::int32_t done, std::int32_t total) {
                      if (total == 3) stages.push_back(done);
                  },
                  inPlace, reason),
              0)
        << reason;
    EXPECT_EQ(pixels, photo.pixels);
    EXPECT_EQ(stages, (std::vector<std::int32_t>{1, 2, 0}));
    MirtaneCorrection copied{};
    char error[256] = "";
    ASSERT_EQ(mirtane_analyse_rgb8(photo.pixels.data(), 512, 490, 512 * 3, 3, &copied, error,
                                   sizeof error),
              0);
    EXPECT_EQ(std::memcmp(&inPlace, &copied, sizeof copied), 0);
    EXPECT_EQ(TrackedBlockCount(), 0u);

    std::vector<std::uint8_t> small(static_cast<std::size_t>(479) * 600 * 3, 128);
    EXPECT_EQ(engine::AnalysePackedRgb8(small.data(), 479, 600, nullptr, inPlace, reason), -1);
    EXPECT_FALSE(reason.empty());
}

TEST_F(EngineAnalysisTest, AppliesExactlyWhatThePluginWrites) {
    const hostkit::Image original = host.image();
    ASSERT_EQ(host.Run().result, noErr);
    MirtaneCorrection correction{};
    char error[256] = "";
    ASSERT_EQ(mirtane_analyse_rgb8(original.pixels.data(), original.width, original.height,
                                   original.width * 3, 3, &correction, error, sizeof error),
              0);
    std::vector<unsigned char> pixels = original.pixels;
    const MirtaneTrims neutral = {0, 0, 0};
    mirtane_apply_rgb8(pixels.data(), original.width, original.height, original.width * 3, 3,
                       &correction, &neutral);
    EXPECT_EQ(pixels, host.image().pixels);
}

TEST_F(EngineAnalysisTest, SmallImagesAreRefusedWithThePluginsMessage) {
    const hostkit::Image photo = MakeTestPhoto(479, 600);
    MirtaneCorrection correction{};
    char error[256] = "";
    EXPECT_EQ(mirtane_analyse_rgb8(photo.pixels.data(), 479, 600, 479 * 3, 3, &correction, error,
                                   sizeof error),
              -1);
    EXPECT_STREQ(error,
                 "Image must be at least 480x480.  Use your imaging application to increase the "
                 "image size.");
    char tiny[8] = "";
    EXPECT_EQ(
        mirtane_analyse_rgb8(photo.pixels.data(), 479, 600, 100, 3, &correction, tiny, sizeof tiny),
        -1);
    EXPECT_STREQ(tiny, "invalid");  // cut to the buffer, always terminated
    EXPECT_EQ(TrackedBlockCount(), 0u);
}

TEST_F(EngineAnalysisTest, TheNaturalMethodGivesItsTablesAtLevelsZeroAndOne) {
    const hostkit::Image photo = MakeTestPhoto(97, 61, 8);
    NaturalResult direct;
    ASSERT_EQ(ComputeNaturalCurves(photo.pixels.data(), 97, 61, 97 * 3, NaturalSettings{}, &direct),
              0);

    std::vector<unsigned char> withAlpha(static_cast<std::size_t>(97) * 61 * 4, 9);
    for (int i = 0; i < 97 * 61; ++i)
        std::memcpy(&withAlpha[i * 4], &photo.pixels[i * 3], 3);
    for (const int bytesPerPixel : {3, 4}) {
        MirtaneCorrection correction{};
        MirtaneNaturalChoice choice{};
        char error[128] = "";
        const unsigned char* pixels = bytesPerPixel == 3 ? photo.pixels.data() : withAlpha.data();
        ASSERT_EQ(mirtane_analyse_natural_rgb8(pixels, 97, 61, 97 * bytesPerPixel, bytesPerPixel,
                                               MIRTANE_DMAX_PRINT, MIRTANE_DEFAULT_FLARE,
                                               &correction, &choice, error, sizeof error),
                  0)
            << error;
        EXPECT_EQ(correction.blackLevel, 0.0f);
        EXPECT_EQ(correction.whiteLevel, 1.0f);
        EXPECT_EQ(std::memcmp(correction.tables, direct.tables, sizeof correction.tables), 0);
        EXPECT_EQ(choice.black[1], direct.choice.black[1]);
        EXPECT_EQ(choice.gain[2], direct.choice.gain[2]);
        EXPECT_EQ(choice.strength, direct.choice.strength);
    }
}

TEST(NaturalEngine, RefusesSettingsOutsideTheirRange) {
    const std::vector<unsigned char> pixels(16 * 16 * 3, 100);
    MirtaneCorrection correction{};
    char error[128] = "";
    EXPECT_EQ(mirtane_analyse_natural_rgb8(pixels.data(), 16, 16, 48, 3, 0.0, 0.45, &correction,
                                           nullptr, error, sizeof error),
              -1);
    EXPECT_STREQ(error, "the black density (dmax) must be a positive number");
    EXPECT_EQ(mirtane_analyse_natural_rgb8(pixels.data(), 16, 16, 48, 3, 2.1, 1.0, &correction,
                                           nullptr, error, sizeof error),
              -1);
    EXPECT_STREQ(error, "the flare must lie in [0, 1)");
}

TEST(Strength, FullStrengthIsTheFullCorrectionAndNoneLeavesThePixels) {
    const MirtaneCorrection correction = BentCorrection();
    const MirtaneTrims trims = {3, 0, -9};
    std::vector<unsigned char> ramp(256 * 3);
    std::vector<unsigned short> words(256 * 3);
    for (int b = 0; b < 256 * 3; ++b) {
        ramp[b] = static_cast<unsigned char>(b / 3);
        words[b] = static_cast<unsigned short>((b / 3) * 257 + 100);
    }
    std::vector<unsigned char> full = ramp, atFull = ramp, atNone = ramp;
    mirtane_apply_rgb8(full.data(), 256, 1, 256 * 3, 3, &correction, &trims);
    mirtane_apply_rgb8_at(atFull.data(), 256, 1, 256 * 3, 3, &correction, &trims, 100);
    mirtane_apply_rgb8_at(atNone.data(), 256, 1, 256 * 3, 3, &correction, &trims, 0);
    EXPECT_EQ(atFull, full);
    EXPECT_EQ(atNone, ramp);
    std::vector<unsigned short> fullWords = words, noneWords = words, overWords = words;
    mirtane_apply_rgb16(fullWords.data(), 256, 1, 256 * 6, 3, &correction, &trims);
    mirtane_apply_rgb16_at(noneWords.data(), 256, 1, 256 * 6, 3, &correction, &trims, 0);
    mirtane_apply_rgb16_at(overWords.data(), 256, 1, 256 * 6, 3, &correction, &trims, 250);
    EXPECT_EQ(noneWords, words);
    EXPECT_EQ(overWords, fullWords) << "strengths above 100 are the full correction";
}

TEST(Strength, HalfStrengthLiesHalfWayRoundedToNearest) {
    const MirtaneCorrection correction = BentCorrection();
    unsigned char full[3][256];
    unsigned char half[3][256];
    mirtane_byte_tables(&correction, nullptr, 100, full);
    mirtane_byte_tables(&correction, nullptr, 50, half);
    std::vector<unsigned char> pixels(256 * 3);
    for (int b = 0; b < 256 * 3; ++b)
        pixels[b] = static_cast<unsigned char>(b / 3);
    std::vector<unsigned char> applied = pixels;
    mirtane_apply_rgb8_at(applied.data(), 256, 1, 256 * 3, 3, &correction, nullptr, 50);
    int moved = 0;
    for (int b = 0; b < 256; ++b) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(half[c][b], static_cast<int>(std::floor((b + full[c][b]) / 2.0 + 0.5)))
                << "channel " << c << " byte " << b;
            EXPECT_EQ(applied[b * 3 + c], half[c][b]) << "channel " << c << " byte " << b;
            moved += half[c][b] != b;
        }
    }
    EXPECT_GT(moved, 300) << "the bent correction moves most levels";
}

}  // namespace
}  // namespace mirtane
