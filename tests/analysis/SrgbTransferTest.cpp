#include "analysis/SrgbTransfer.h"

#include <gtest/gtest.h>

#include <limits>

namespace mirtane {
namespace {

constexpr double kTransferTolerance = 1e-12;

TEST(SrgbTransfer, KnownValuesOnBothSidesOfTheKnee) {
    EXPECT_EQ(SrgbToLinear(0.0), 0.0);
    EXPECT_EQ(SrgbToLinear(1.0), 1.0);
    EXPECT_NEAR(SrgbToLinear(10.0 / 255.0), 0.003035269835488375, kTransferTolerance);
    EXPECT_NEAR(SrgbToLinear(0.5), 0.21404114048223255, kTransferTolerance);
    EXPECT_NEAR(LinearToSrgb(0.5), 0.7353569830524495, kTransferTolerance);
}

TEST(SrgbTransfer, InverseReturnsEveryCodeAndClampsOutsideTheUnitRange) {
    for (int i = 0; i < 256; ++i) {
        EXPECT_NEAR(LinearToSrgb(SrgbToLinear(i / 255.0)), i / 255.0, kTransferTolerance)
            << "code " << i;
    }
    EXPECT_EQ(LinearToSrgb(-0.25), 0.0);
    EXPECT_EQ(LinearToSrgb(std::numeric_limits<double>::quiet_NaN()), 0.0);
    EXPECT_EQ(LinearToSrgb(4.0), 1.0);
}

}  // namespace
}  // namespace mirtane
