// Sliders and edit boxes: tints 0 ... 50, shown as -25 ... 25.
#include <gtest/gtest.h>

#include <limits>

#include "ui/TintControls.h"

namespace mirtane::ui {
namespace {

TEST(SliderScroll, LinesAndPagesStepFromTheCurrentTint) {
    EXPECT_EQ(ApplyScrollCode(kScrollLineUp, 0, 25).tint, 24);
    EXPECT_EQ(ApplyScrollCode(kScrollLineDown, 0, 25).tint, 26);
    EXPECT_EQ(ApplyScrollCode(kScrollPageUp, 0, 25).tint, 20);
    EXPECT_EQ(ApplyScrollCode(kScrollPageDown, 0, 25).tint, 30);
}

TEST(SliderScroll, HomeAndEndGiveTheEnds) {
    const ScrollResult top = ApplyScrollCode(kScrollTop, 0, 31);
    EXPECT_EQ(top.tint, 0);
    EXPECT_EQ(ShownValue(top.tint), -25);
    const ScrollResult bottom = ApplyScrollCode(kScrollBottom, 0, 31);
    EXPECT_EQ(bottom.tint, 50);
    EXPECT_EQ(ShownValue(bottom.tint), 25);
}

TEST(SliderScroll, ThumbCodesTakeThePositionAndOnlyTrackingRestartsTheTimer) {
    const ScrollResult tracked = ApplyScrollCode(kScrollThumbTrack, 42, 25);
    EXPECT_EQ(tracked.tint, 42);
    EXPECT_TRUE(tracked.restartTimer);
    const ScrollResult positioned = ApplyScrollCode(kScrollThumbPosition, 7, 25);
    EXPECT_EQ(positioned.tint, 7);
    EXPECT_FALSE(positioned.restartTimer);
    EXPECT_FALSE(ApplyScrollCode(kScrollLineDown, 0, 25).restartTimer);
}

TEST(SliderScroll, StepsStopAtTheEnds) {
    EXPECT_EQ(ApplyScrollCode(kScrollPageUp, 0, 3).tint, 0);
    EXPECT_EQ(ApplyScrollCode(kScrollLineUp, 0, 0).tint, 0);
    EXPECT_EQ(ApplyScrollCode(kScrollPageDown, 0, 48).tint, 50);
    EXPECT_EQ(ApplyScrollCode(kScrollThumbTrack, 300, 25).tint, 50);
}

TEST(SliderScroll, EndOfTrackAndUnknownCodesKeepTheTint) {
    EXPECT_EQ(ApplyScrollCode(kScrollEndTrack, 40, 17).tint, 17);
    EXPECT_EQ(ApplyScrollCode(99, 40, 17).tint, 17);
    // A tint from outside the dialog's range is brought into it.
    EXPECT_EQ(ApplyScrollCode(kScrollEndTrack, 0, 80).tint, 50);
}

TEST(TypedValue, ValuesInRangeAreTakenAsTheyAre) {
    for (std::int32_t typed = -25; typed <= 25; ++typed) {
        const TypedResult result = ApplyTypedValue(typed);
        EXPECT_EQ(result.tint, typed + 25);
        EXPECT_FALSE(result.writeBack) << typed;
    }
}

TEST(TypedValue, ThirtyGivesTheTopAndRewritesTheBox) {
    const TypedResult result = ApplyTypedValue(ReadTypedValue("30"));
    EXPECT_EQ(result.tint, 50);
    EXPECT_TRUE(result.writeBack);
    EXPECT_EQ(result.shown, 25);
}

TEST(TypedValue, LargeValuesNeverWrapToTheOtherEnd) {
    for (const char* text :
         {"26", "40000", "65511", "99999", "2147483647", "2147483648", "99999999999999999999999"}) {
        const TypedResult result = ApplyTypedValue(ReadTypedValue(text));
        EXPECT_EQ(result.tint, 50) << text;
        EXPECT_TRUE(result.writeBack) << text;
        EXPECT_EQ(result.shown, 25) << text;
    }
}

TEST(TypedValue, NegativeValuesBelowTheRangeGiveTheBottom) {
    for (const char* text : {"-26", "-30", "-40000", "-99999999999999"}) {
        const TypedResult result = ApplyTypedValue(ReadTypedValue(text));
        EXPECT_EQ(result.tint, 0) << text;
        EXPECT_TRUE(result.writeBack) << text;
        EXPECT_EQ(result.shown, -25) << text;
    }
}

TEST(TypedValue, EmptyOrNonNumericTextIsNeutralAndLeftAlone) {
    for (const char* text : {"", " ", "-", "+", "abc", "12x", "1 2", "--3"}) {
        EXPECT_EQ(ReadTypedValue(text), 0) << '"' << text << '"';
        const TypedResult result = ApplyTypedValue(ReadTypedValue(text));
        EXPECT_EQ(result.tint, 25) << '"' << text << '"';
        EXPECT_FALSE(result.writeBack) << '"' << text << '"';
    }
    EXPECT_EQ(ReadTypedValue(nullptr), 0);
}

TEST(TypedValue, ReadsSignsAndSurroundingBlanks) {
    EXPECT_EQ(ReadTypedValue("-7"), -7);
    EXPECT_EQ(ReadTypedValue("+7"), 7);
    EXPECT_EQ(ReadTypedValue("  12  "), 12);
    EXPECT_EQ(ReadTypedValue("007"), 7);
    EXPECT_EQ(ReadTypedValue("99999999999"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(ReadTypedValue("-99999999999"), std::numeric_limits<std::int32_t>::min());
}

}  // namespace
}  // namespace mirtane::ui
