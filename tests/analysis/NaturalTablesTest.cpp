#include "analysis/NaturalTables.h"

#include <gtest/gtest.h>

#include "NaturalImages.h"

namespace mirtane {
namespace {

// The expected figures were worked out separately in double from the
// method's formulas (lin is the sRGB transfer to linear light).
constexpr double kArithmeticTolerance = 1e-12;
constexpr double kTableTolerance = 1e-7;  // float storage of values up to 1

NaturalResult WithLevels(std::int32_t r0, std::int32_t g0, std::int32_t b0, std::int32_t r1,
                         std::int32_t g1, std::int32_t b1) {
    NaturalResult result;
    result.choice.black[0] = r0;
    result.choice.black[1] = g0;
    result.choice.black[2] = b0;
    result.choice.white[0] = r1;
    result.choice.white[1] = g1;
    result.choice.white[2] = b1;
    return result;
}

TEST(NaturalStrength, RampsFromEightToTwentyFourCodes) {
    EXPECT_EQ(NaturalStrength(0), 0.0);
    EXPECT_EQ(NaturalStrength(8), 0.0);
    EXPECT_EQ(NaturalStrength(12), 0.25);
    EXPECT_EQ(NaturalStrength(16), 0.5);
    EXPECT_EQ(NaturalStrength(24), 1.0);
    EXPECT_EQ(NaturalStrength(255), 1.0);
}

TEST(ChannelDensityGain, NonPositiveRatioMeansNoGainAndNoFloor) {
    const DensityGain density = ChannelDensityGain(0.0, 0.5, 0.0, kNaturalPrintDmax);
    EXPECT_EQ(density.ratio, 0.0);
    EXPECT_EQ(density.gain, 1.0);
    EXPECT_EQ(density.floor, 0.0);
}

// Levels black (40, 30, 20), white (230, 220, 200), dmax 2.1, flare 0.45.
// Whites shrink toward 230 by a fifth of the gap: 230, 222, 206.
// lin(20/255) = 0.0069954102, so the flare is 0.45 of it, 0.0031479346.
// Red: lin(40/255) = 0.0212190104, lin(230/255) = 0.7912979403;
// ratio = (0.0212190 - 0.0031479) / (0.7912979 - 0.0031479) = 0.0229284726,
// density 1.6396248757, gain 2.1 / 1.6396 = 1.2807807634, floor 10^-2.1.
// Blue: ratio 0.0062656486 has density 2.203 > 2.1: gain 1, floor = ratio.
// Strength (20 - 8) / 16 = 0.75.
TEST(BuildNaturalTables, FlareGainAndStrengthWorkedForOneChannel) {
    NaturalResult result = WithLevels(40, 30, 20, 230, 220, 200);
    BuildNaturalTables(NaturalSettings{}, &result);
    const NaturalChoice& choice = result.choice;
    EXPECT_EQ(choice.shrunkWhite[0], 230.0);
    EXPECT_NEAR(choice.shrunkWhite[1], 222.0, kArithmeticTolerance);
    EXPECT_NEAR(choice.shrunkWhite[2], 206.0, kArithmeticTolerance);
    EXPECT_NEAR(choice.flareLight, 0.0031479345842694243, kArithmeticTolerance);
    EXPECT_EQ(choice.strength, 0.75);

    const DensityGain red =
        ChannelDensityGain(0.021219010376003555, 0.7912979403326302, choice.flareLight, 2.1);
    EXPECT_NEAR(red.ratio, 0.02292847257493243, kArithmeticTolerance);
    EXPECT_NEAR(red.gain, 1.2807807634200346, kArithmeticTolerance);
    EXPECT_NEAR(red.floor, 0.0079432823472428121, kArithmeticTolerance);
    EXPECT_NEAR(choice.gain[0], red.gain, kArithmeticTolerance);
    EXPECT_NEAR(choice.gain[1], 1.1236300423289753, kArithmeticTolerance);
    EXPECT_EQ(choice.gain[2], 1.0);

    const struct {
        int code;
        double red;
        double blue;
    } expected[] = {{0, 0.0, 0.0},
                    {40, 0.039215686275, 0.163206619051},
                    {64, 0.176728229018, 0.286706695661},
                    {128, 0.471802911461, 0.590423448129},
                    {200, 0.822065177826, 0.924249049768},
                    {230, 0.975490196078, 0.975490196078},
                    {255, 1.0, 1.0}};
    for (const auto& entry : expected) {
        EXPECT_NEAR(result.tables[0][entry.code], entry.red, kTableTolerance)
            << "code " << entry.code;
        EXPECT_NEAR(result.tables[2][entry.code], entry.blue, kTableTolerance)
            << "code " << entry.code;
    }
}

TEST(BuildNaturalTables, TablesRiseWithinTheUnitRangeForEveryPrior) {
    const NaturalSettings priors[] = {{kNaturalPrintDmax, kNaturalDefaultFlare},
                                      {kNaturalSlideDmax, kNaturalDefaultFlare},
                                      {kNaturalPrintDmax, 0.0},
                                      {0.5, 0.99}};
    const NaturalResult levels[] = {WithLevels(40, 30, 20, 230, 220, 200),
                                    WithLevels(0, 60, 90, 255, 140, 91),
                                    WithLevels(120, 121, 122, 130, 250, 123)};
    for (const NaturalSettings& settings : priors) {
        for (NaturalResult result : levels) {
            BuildNaturalTables(settings, &result);
            for (int c = 0; c < 3; ++c) {
                EXPECT_GE(result.tables[c][0], 0.0f);
                EXPECT_LE(result.tables[c][255], 1.0f);
                for (int i = 1; i < 256; ++i) {
                    ASSERT_GE(result.tables[c][i], result.tables[c][i - 1])
                        << "channel " << c << " level " << i << " dmax " << settings.dmax;
                }
            }
        }
    }
}

// A flat channel (black = white) carries nothing about its fade. Shrinking
// its white toward a brighter channel would otherwise open a range where
// there is none and stretch a flat colour to black.
TEST(BuildNaturalTables, FlatChannelsKeepTheIdentity) {
    NaturalResult result = WithLevels(200, 100, 50, 200, 100, 50);
    BuildNaturalTables(NaturalSettings{}, &result);
    EXPECT_EQ(result.choice.strength, 1.0);
    for (int c = 0; c < 3; ++c) {
        EXPECT_TRUE(result.choice.identity[c]);
    }
    EXPECT_EQ(testing::FirstNonIdentityEntry(result.tables), -1);
}

}  // namespace
}  // namespace mirtane
