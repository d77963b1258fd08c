#include "analysis/NaturalTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

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

TEST(MeasureChannelBlack, ABlackAtOrBelowTheFlareReadsAsTheDeepestDensity) {
    for (const double black : {0.0, 0.01}) {
        const ChannelBlack measured = MeasureChannelBlack(black, 0.5, 0.01);
        EXPECT_LE(measured.ratio, 0.0);
        EXPECT_EQ(measured.density, kNaturalDeepestDensity);
    }
    // Deeper than 4 is read as 4 too: 1e-5 of the white.
    EXPECT_EQ(MeasureChannelBlack(0.5e-5, 0.5, 0.0).density, kNaturalDeepestDensity);
}

// The gains balance the blacks on the densest one, share the depth the prior
// asks for, and stay within 1 .. 2.5.
TEST(ChooseNaturalGains, BalanceTimesDepthWithinTheLimit) {
    const bool none[3] = {false, false, false};
    NaturalChoice choice;
    const double densities[3] = {0.4, 0.8, 1.05};
    ChooseNaturalGains(densities, nullptr, none, 1.5, &choice);
    EXPECT_DOUBLE_EQ(choice.depthGain, 1.5 / 1.05);
    EXPECT_DOUBLE_EQ(choice.balanceGain[0], 1.05 / 0.4);
    EXPECT_DOUBLE_EQ(choice.balanceGain[1], 1.05 / 0.8);
    EXPECT_EQ(choice.balanceGain[2], 1.0);
    EXPECT_EQ(choice.gain[0], kNaturalGainLimit);  // 2.625 x 1.43 is over the limit
    EXPECT_DOUBLE_EQ(choice.gain[1], 1.05 / 0.8 * (1.5 / 1.05));
    EXPECT_DOUBLE_EQ(choice.gain[2], 1.5 / 1.05);

    // A black already deeper than the prior asks for no depth; a channel kept
    // at the identity neither sets the densest black nor gets a gain.
    const bool flatGreen[3] = {false, true, false};
    const double deep[3] = {2.5, 4.0, 3.0};
    ChooseNaturalGains(deep, nullptr, flatGreen, 2.1, &choice);
    EXPECT_EQ(choice.depthGain, 1.0);
    EXPECT_DOUBLE_EQ(choice.gain[0], 3.0 / 2.5);
    EXPECT_EQ(choice.gain[1], 1.0);
    EXPECT_EQ(choice.gain[2], 1.0);

    // With the mid-tones' greys, each balance is the geometric mean of the
    // blacks' and the greys': red sqrt(1.2 x 0.6 / 0.2) = sqrt(3.6).
    const double greys[3] = {0.2, 0.5, 0.6};
    ChooseNaturalGains(deep, greys, flatGreen, 2.1, &choice);
    EXPECT_DOUBLE_EQ(choice.balanceGain[0], std::sqrt(3.0 / 2.5 * (0.6 / 0.2)));
    EXPECT_DOUBLE_EQ(choice.balanceGain[2], 1.0);
    EXPECT_DOUBLE_EQ(choice.gain[0], std::sqrt(3.6));
}

// Levels black (40, 30, 20), white (230, 220, 200), dmax 2.1, flare 0.45.
// Whites shrink toward 230 by a fifth of the gap: 230, 222, 206.
// lin(20/255) = 0.0069954102, so the flare is 0.45 of it, 0.0031479346.
// Flare-free blacks relative to their whites: red 0.0229284726 (density
// 1.6396248757), green 0.0135225142 (1.8689425531), blue 0.0062656486
// (2.2030339632, the densest, deeper than 2.1: no depth gain). Balance gains
// 2.2030 / 1.6396 = 1.3436207244 and 1.1787595930; blue keeps 1.
// Strength (20 - 8) / 16 = 0.75.
TEST(BuildNaturalTables, FlareGainAndStrengthWorkedForOneChannel) {
    NaturalResult result = WithLevels(40, 30, 20, 230, 220, 200);
    BuildNaturalTables(NaturalSettings{}, nullptr, &result);
    const NaturalChoice& choice = result.choice;
    EXPECT_EQ(choice.shrunkWhite[0], 230.0);
    EXPECT_NEAR(choice.shrunkWhite[1], 222.0, kArithmeticTolerance);
    EXPECT_NEAR(choice.shrunkWhite[2], 206.0, kArithmeticTolerance);
    EXPECT_NEAR(choice.flareLight, 0.0031479345842694243, kArithmeticTolerance);
    EXPECT_EQ(choice.strength, 0.75);
    EXPECT_NEAR(choice.blackDensity[0], 1.6396248756831937, kArithmeticTolerance);
    EXPECT_NEAR(choice.blackDensity[1], 1.8689425530553445, kArithmeticTolerance);
    EXPECT_NEAR(choice.blackDensity[2], 2.203033963169442, kArithmeticTolerance);
    EXPECT_EQ(choice.depthGain, 1.0);
    EXPECT_NEAR(choice.gain[0], 1.343620724375439, kArithmeticTolerance);
    EXPECT_NEAR(choice.gain[1], 1.178759592994405, kArithmeticTolerance);
    EXPECT_EQ(choice.gain[2], 1.0);

    const struct {
        int code;
        double red;
        double blue;
    } expected[] = {{0, 0.0, 0.0},
                    {40, 0.039215686275, 0.163206619051},
                    {64, 0.167089638203, 0.286706695661},
                    {128, 0.459465694875, 0.590423448129},
                    {200, 0.816744706965, 0.924249049768},
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
            BuildNaturalTables(settings, nullptr, &result);
            EXPECT_EQ(testing::FirstEntryOutOfOrder(result.tables), -1) << "dmax " << settings.dmax;
        }
    }
}

// A flat channel (black = white) carries nothing about its fade. Shrinking
// its white toward a brighter channel would otherwise open a range where
// there is none and stretch a flat colour to black.
TEST(BuildNaturalTables, FlatChannelsKeepTheIdentity) {
    NaturalResult result = WithLevels(200, 100, 50, 200, 100, 50);
    BuildNaturalTables(NaturalSettings{}, nullptr, &result);
    EXPECT_EQ(result.choice.strength, 1.0);
    for (int c = 0; c < 3; ++c) {
        EXPECT_TRUE(result.choice.identity[c]);
    }
    EXPECT_EQ(testing::FirstNonIdentityEntry(result.tables), -1);
}

// The tint correction: levels and greys of the floor, each channel's greys
// made as dense as the densest channel's. Every table rises within [0, 1]
// whatever the floor, and the densest channel keeps gain 1.
TEST(BuildTintTables, TablesRiseWithinTheUnitRangeAndTheDensestChannelKeepsItsGain) {
    NeutralFloor floor;
    floor.measured = true;
    const std::int32_t blacks[][3] = {{30, 6, 7}, {0, 0, 0}, {120, 121, 122}};
    const std::int32_t whites[][3] = {{199, 183, 185}, {255, 255, 255}, {130, 250, 123}};
    const double greys[][3] = {{150.0, 100.0, 110.0}, {128.0, 128.0, 128.0}, {125.0, 200.0, 122.5}};
    for (int k = 0; k < 3; ++k) {
        for (int c = 0; c < 3; ++c) {
            floor.black[c] = blacks[k][c];
            floor.white[c] = whites[k][c];
            floor.code[1][c] = greys[k][c];
        }
        for (const double strength : {0.0, 0.4, 1.0}) {
            NaturalResult result;
            BuildTintTables(NaturalSettings{}, floor, strength, &result);
            EXPECT_EQ(result.choice.strength, strength);
            EXPECT_EQ(*std::min_element(result.choice.gain, result.choice.gain + 3), 1.0);
            EXPECT_EQ(testing::FirstEntryOutOfOrder(result.tables), -1) << "floor " << k;
            if (strength == 0.0) {
                EXPECT_EQ(testing::FirstNonIdentityEntry(result.tables), -1);
            }
        }
    }
    // The first floor is the nurses' kind of fade: red greys far lighter than
    // green's, so red gets the largest gain.
    for (int c = 0; c < 3; ++c) {
        floor.black[c] = blacks[0][c];
        floor.white[c] = whites[0][c];
        floor.code[1][c] = greys[0][c];
    }
    NaturalResult result;
    BuildTintTables(NaturalSettings{}, floor, 1.0, &result);
    EXPECT_GT(result.choice.gain[0], result.choice.gain[2]);
    EXPECT_EQ(result.choice.gain[1], 1.0);
}

}  // namespace
}  // namespace mirtane
