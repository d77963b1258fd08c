// Where a pane's image lands in its place holder and at which sampling rate
// the host is asked for it. The holders here are pixel rectangles of the
// size the dialog's place holders have at the usual dialog font (the
// preview's 276 x 251 units are about 414 x 408 pixels).
#include <gtest/gtest.h>

#include "run/TrackedMemory.h"
#include "ui/ViewPane.h"

namespace mirtane::ui {
namespace {

// A 414 x 408 pixel holder at (100, 50) on the screen, in a dialog whose
// client area starts at (90, 20): its inner area is 410 x 404 pixels.
constexpr ScreenRect kPreviewHolder{100, 50, 514, 458};
constexpr DialogPoint kClientOrigin{90, 20};

class PaneLayoutTest : public ::testing::Test {
  protected:
    void TearDown() override {
        ReleasePane(pane);
        EXPECT_EQ(TrackedBlockCount(), 0u);
    }
    ViewPane pane{kPreviewPaneId};
};

TEST_F(PaneLayoutTest, SmallAreaIsShownUnscaledAndCentred) {
    ASSERT_EQ(SetUpPane(kPreviewHolder, kClientOrigin, Rect{0, 0, 80, 100}, pane), 0);
    EXPECT_EQ(pane.samplingRate, 0x10000);
    EXPECT_EQ(pane.width, 100);
    EXPECT_EQ(pane.height, 80);
    EXPECT_EQ(pane.pixelCount, 8000);
    // The holder spans client x 10 ... 424 and y 30 ... 438: centres 217, 234.
    EXPECT_EQ(pane.displayRect.left, 167);
    EXPECT_EQ(pane.displayRect.top, 194);
    EXPECT_EQ(pane.displayRect.right, 267);
    EXPECT_EQ(pane.displayRect.bottom, 274);
    EXPECT_EQ((pane.displayRect.left + pane.displayRect.right) / 2, 217);
    EXPECT_EQ((pane.displayRect.top + pane.displayRect.bottom) / 2, 234);
}

TEST_F(PaneLayoutTest, AreaAsWideAsThePaneIsShownAtHalfSize) {
    ASSERT_EQ(SetUpPane(kPreviewHolder, kClientOrigin, Rect{0, 0, 200, 410}, pane), 0);
    EXPECT_EQ(pane.samplingRate, 2 << 16);
    EXPECT_EQ(pane.width, 205);
    EXPECT_EQ(pane.height, 100);
}

TEST_F(PaneLayoutTest, AreaJustUnderHalfThePaneIsNotScaled) {
    // 204 of 410 is below half; 206 is above.
    ASSERT_EQ(SetUpPane(kPreviewHolder, kClientOrigin, Rect{0, 0, 10, 204}, pane), 0);
    EXPECT_EQ(PaneScale(pane), 1);
    ReleasePane(pane);
    ASSERT_EQ(SetUpPane(kPreviewHolder, kClientOrigin, Rect{0, 0, 10, 206}, pane), 0);
    EXPECT_EQ(PaneScale(pane), 2);
}

TEST_F(PaneLayoutTest, LargeAreaTakesTheLargerOfBothScales) {
    // Width: trunc(3410 / 410 + 0.5) = 8; height: trunc(2404 / 404 + 0.5) = 6.
    ASSERT_EQ(SetUpPane(kPreviewHolder, kClientOrigin, Rect{0, 0, 2000, 3000}, pane), 0);
    EXPECT_EQ(PaneScale(pane), 8);
    EXPECT_EQ(pane.width, 375);
    EXPECT_EQ(pane.height, 250);
    EXPECT_EQ(pane.sourceRect.right, 375);
    EXPECT_EQ(pane.sourceRect.bottom, 250);
}

TEST_F(PaneLayoutTest, OffsetAreaIsRequestedInSampledCoordinates) {
    ASSERT_EQ(SetUpPane(kPreviewHolder, kClientOrigin, Rect{7, 13, 2007, 3013}, pane), 0);
    ASSERT_EQ(PaneScale(pane), 8);
    EXPECT_EQ(pane.sourceRect.top, 0);   // 7 / 8
    EXPECT_EQ(pane.sourceRect.left, 1);  // 13 / 8
    EXPECT_EQ(pane.sourceRect.bottom, 250);
    EXPECT_EQ(pane.sourceRect.right, 376);
    EXPECT_EQ(pane.width, 375);
    EXPECT_EQ(pane.height, 250);
}

TEST_F(PaneLayoutTest, BufferIsZeroFilledAndTracked) {
    ASSERT_EQ(SetUpPane(kPreviewHolder, kClientOrigin, Rect{0, 0, 80, 100}, pane), 0);
    ASSERT_NE(pane.pixels, nullptr);
    EXPECT_EQ(TrackedBlockCount(), 1u);
    EXPECT_EQ(TrackedBytesInUse(), 100u * 80u * 3u);
    for (std::int32_t i = 0; i < pane.pixelCount * 3; ++i) {
        ASSERT_EQ(pane.pixels[i], 0) << "byte " << i;
    }
    ReleasePane(pane);
    EXPECT_EQ(pane.pixels, nullptr);
    EXPECT_EQ(TrackedBlockCount(), 0u);
    ReleasePane(pane);  // a second release is harmless
}

TEST_F(PaneLayoutTest, DegenerateHolderOrAreaFailsWithoutAllocating) {
    EXPECT_EQ(SetUpPane(ScreenRect{0, 0, 4, 100}, kClientOrigin, Rect{0, 0, 80, 100}, pane), -1);
    EXPECT_EQ(SetUpPane(kPreviewHolder, kClientOrigin, Rect{0, 0, 0, 100}, pane), -1);
    EXPECT_EQ(SetUpPane(kPreviewHolder, kClientOrigin, Rect{50, 0, 40, 100}, pane), -1);
    EXPECT_EQ(pane.pixels, nullptr);
    EXPECT_EQ(TrackedBlockCount(), 0u);
}

}  // namespace
}  // namespace mirtane::ui
