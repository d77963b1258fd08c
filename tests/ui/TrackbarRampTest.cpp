// The colour ramps in the slider channels.
#include <gtest/gtest.h>

#include "ui/TrackbarRamp.h"

namespace mirtane::ui {
namespace {

TEST(TrackbarRamp, EachSliderRunsBetweenItsNamedColours) {
    RampEnds ends;
    ASSERT_TRUE(RampEndsForSlider(10, ends));
    EXPECT_EQ(ends.start.red, 0);
    EXPECT_EQ(ends.start.green, 255);
    EXPECT_EQ(ends.start.blue, 255);
    EXPECT_EQ(ends.end.red, 255);
    EXPECT_EQ(ends.end.green, 0);
    EXPECT_EQ(ends.end.blue, 0);
    ASSERT_TRUE(RampEndsForSlider(11, ends));
    EXPECT_EQ(ends.start.red, 255);
    EXPECT_EQ(ends.start.blue, 255);
    EXPECT_EQ(ends.end.green, 255);
    ASSERT_TRUE(RampEndsForSlider(12, ends));
    EXPECT_EQ(ends.start.green, 255);
    EXPECT_EQ(ends.end.blue, 255);
    EXPECT_EQ(ends.end.red, 0);
    EXPECT_FALSE(RampEndsForSlider(20, ends));
    EXPECT_FALSE(RampEndsForSlider(13, ends));
}

TEST(TrackbarRamp, FirstStripeIsTheStartColourAndTheLastFallsShortOfTheEnd) {
    RampEnds ends;
    ASSERT_TRUE(RampEndsForSlider(10, ends));
    const RampStripe first = TrackbarRampStripe(0, 10, 110, ends);
    EXPECT_EQ(first.colour.red, 0);
    EXPECT_EQ(first.colour.green, 255);
    EXPECT_EQ(first.colour.blue, 255);
    const RampStripe last = TrackbarRampStripe(kRampStripeCount - 1, 10, 110, ends);
    EXPECT_EQ(last.colour.red, 254);
    EXPECT_EQ(last.colour.green, 1);
    EXPECT_EQ(last.colour.blue, 1);
    const RampStripe middle = TrackbarRampStripe(127, 10, 110, ends);
    EXPECT_EQ(middle.colour.red, 127);
    EXPECT_EQ(middle.colour.green, 128);
}

TEST(TrackbarRamp, StripesTileTheChannelFromLeftToRight) {
    RampEnds ends;
    ASSERT_TRUE(RampEndsForSlider(12, ends));
    for (std::int32_t width : {0, 1, 17, 100, 137, 255, 256, 300, 1000}) {
        const std::int32_t left = 8;
        std::int32_t expectedLeft = left;
        for (std::int32_t i = 0; i < kRampStripeCount; ++i) {
            const RampStripe stripe = TrackbarRampStripe(i, left, left + width, ends);
            ASSERT_EQ(stripe.left, expectedLeft) << "width " << width << " stripe " << i;
            ASSERT_GE(stripe.right, stripe.left) << "width " << width << " stripe " << i;
            expectedLeft = stripe.right;
        }
        // Single-precision steps may leave the last column out, never more.
        EXPECT_GE(expectedLeft, left + width - 1) << "width " << width;
        EXPECT_LE(expectedLeft, left + width) << "width " << width;
    }
}

TEST(TrackbarRamp, ChannelAsWideAsTheStripeCountHasOnePixelStripes) {
    RampEnds ends;
    ASSERT_TRUE(RampEndsForSlider(11, ends));
    for (std::int32_t i = 0; i < kRampStripeCount; ++i) {
        const RampStripe stripe = TrackbarRampStripe(i, 0, 255, ends);
        ASSERT_EQ(stripe.left, i);
        ASSERT_EQ(stripe.right, i + 1);
    }
}

}  // namespace
}  // namespace mirtane::ui
