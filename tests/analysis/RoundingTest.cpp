#include "analysis/Rounding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

namespace mirtane {
namespace {

float FloatFromBits(std::uint32_t bits) {
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// The engine meets values in [0, 2^20): every 61st float of that range (all
// exponents, spread mantissas), then every half k + 0.5 and its two
// neighbours, where rounding decides.
constexpr float kDomainEnd = 1048576.0f;  // 2^20

TEST(Rounding, FloorAndHalfUpMatchTheLibraryFloorAcrossTheDomain) {
    std::uint32_t endBits;
    std::memcpy(&endBits, &kDomainEnd, sizeof endBits);
    for (std::uint32_t bits = 0; bits < endBits; bits += 61) {
        const float v = FloatFromBits(bits);
        ASSERT_EQ(FloorToInt(v), static_cast<std::int32_t>(std::floor(v))) << "v " << v;
        ASSERT_EQ(RoundHalfUp(v), static_cast<std::int32_t>(std::floor(v + 0.5f))) << "v " << v;
        ASSERT_EQ(RoundHalfUpNonNegative(v), RoundHalfUp(v)) << "v " << v;
        ASSERT_EQ(TruncateToInt(v), FloorToInt(v)) << "v " << v;  // not negative here
    }
}

TEST(Rounding, HalvesGoUpAndTheValueJustBelowGoesDown) {
    for (std::int32_t k = 1; k < (1 << 20); ++k) {
        const double half = k + 0.5;
        ASSERT_EQ(RoundHalfUp(half), k + 1) << "k " << k;
        ASSERT_EQ(RoundHalfUpNonNegative(half), k + 1) << "k " << k;
        ASSERT_EQ(RoundHalfUp(std::nextafter(half, 0.0)), k) << "k " << k;
        ASSERT_EQ(RoundHalfUpNonNegative(std::nextafter(half, 0.0)), k) << "k " << k;
        // k + 0.5 is exact in single precision below 2^23.
        const float halfF = static_cast<float>(k) + 0.5f;
        ASSERT_EQ(RoundHalfUp(halfF), k + 1) << "k " << k;
        ASSERT_EQ(RoundHalfUpNonNegative(halfF), k + 1) << "k " << k;
        ASSERT_EQ(RoundHalfUp(std::nextafter(halfF, 0.0f)), k) << "k " << k;
        ASSERT_EQ(RoundHalfUpNonNegative(std::nextafter(halfF, 0.0f)), k) << "k " << k;
    }
}

// The rounding is floor(v + 0.5) as written, not the nearest integer: for the
// largest value below one half the sum rounds up to 1 in the argument's own
// precision, and both helpers keep that.
TEST(Rounding, JustBelowOneHalfRoundsUpAsTheSumDoes) {
    EXPECT_EQ(RoundHalfUp(std::nextafter(0.5f, 0.0f)), 1);
    EXPECT_EQ(RoundHalfUpNonNegative(std::nextafter(0.5f, 0.0f)), 1);
    EXPECT_EQ(RoundHalfUp(std::nextafter(0.5, 0.0)), 1);
    EXPECT_EQ(RoundHalfUp(0.25f), 0);
    EXPECT_EQ(RoundHalfUp(0.5f), 1);
}

TEST(Rounding, NegativeValuesFloorDownAndTruncateTowardZero) {
    EXPECT_EQ(FloorToInt(-0.25f), -1);
    EXPECT_EQ(TruncateToInt(-0.25f), 0);
    EXPECT_EQ(RoundHalfUp(-0.5f), 0);
    EXPECT_EQ(RoundHalfUp(-1.5), -1);
    EXPECT_EQ(RoundHalfUp(-1.75f), -2);
    EXPECT_EQ(TruncateToInt(-1.75), -1);
    // At the edge of its domain the shortcut still agrees.
    EXPECT_EQ(RoundHalfUpNonNegative(-0.5f), RoundHalfUp(-0.5f));
}

TEST(Rounding, ClampKeepsValuesInsideAndLimitsTheRest) {
    EXPECT_EQ(Clamp(5, 0, 10), 5);
    EXPECT_EQ(Clamp(-1, 0, 10), 0);
    EXPECT_EQ(Clamp(11, 0, 10), 10);
    EXPECT_EQ(Clamp(0.5f, 0.0f, 1.0f), 0.5f);
    EXPECT_EQ(Clamp(-0.25f, 0.0f, 1.0f), 0.0f);
}

}  // namespace
}  // namespace mirtane
