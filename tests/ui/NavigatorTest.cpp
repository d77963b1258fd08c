// The red view frame on the navigator and the mouse rules that move the
// view. The setting throughout: a 3000 x 2000 area, a 375 x 250 preview at
// rate 8, and a navigator at rate 14 (214 x 142 pixels) placed at client
// (520, 40).
#include <gtest/gtest.h>

#include "ui/NavigatorMouse.h"

namespace mirtane::ui {
namespace {

class NavigatorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        model.filterRect = Rect{0, 0, 2000, 3000};
        model.preview.controlId = kPreviewPaneId;
        model.preview.width = 375;
        model.preview.height = 250;
        model.navigator.controlId = kNavigatorPaneId;
        model.navigator.samplingRate = 14 << 16;
        model.navigator.width = 214;
        model.navigator.height = 142;
        model.navigator.sourceRect = Rect{0, 0, 142, 214};
        model.navigator.displayRect = Rect{40, 520, 182, 734};
        BuildZoomTable(model.filterRect, model.zoom, model.preview);
        ResetView(model.filterRect, model.zoom, model.preview);
        Paint();
    }

    // What every paint does: the frame is recomputed from the preview source.
    void Paint() {
        model.drag.viewFrame = ViewFrameRect(model.filterRect, model.preview, model.navigator);
    }

    // Full zoom (rate 1) with the view's top-left at image (1000, 1500).
    void ZoomToTopLevelAt(std::int32_t top, std::int32_t left) {
        model.zoom.level = model.zoom.topLevel;
        model.zoom.origin = ViewOrigin{top, left};
        UpdatePreviewSource(model.filterRect, model.zoom, model.preview);
        Paint();
    }

    NavigatorModel model;
};

TEST_F(NavigatorTest, WholeAreaFrameCoversTheNavigator) {
    const Rect& frame = model.drag.viewFrame;
    EXPECT_EQ(frame.top, 40);
    EXPECT_EQ(frame.left, 520);
    EXPECT_EQ(frame.bottom, 182);
    EXPECT_EQ(frame.right, 734);
}

TEST_F(NavigatorTest, ZoomedFrameShowsTheViewScaledDown) {
    ZoomToTopLevelAt(1000, 1500);
    const Rect& frame = model.drag.viewFrame;
    EXPECT_EQ(frame.top, 40 + 1000 / 14);
    EXPECT_EQ(frame.left, 520 + 1500 / 14);
    EXPECT_EQ(frame.bottom - frame.top, 1250 / 14 - 1000 / 14);
    EXPECT_EQ(frame.right - frame.left, 1875 / 14 - 1500 / 14);
}

TEST_F(NavigatorTest, FrameIsRelativeToAnOffsetFilterArea) {
    model.filterRect = Rect{140, 280, 2140, 3280};
    BuildZoomTable(model.filterRect, model.zoom, model.preview);
    ZoomToTopLevelAt(1140, 1780);
    EXPECT_EQ(model.drag.viewFrame.top, 40 + 1000 / 14);
    EXPECT_EQ(model.drag.viewFrame.left, 520 + 1500 / 14);
}

TEST_F(NavigatorTest, NavigatorPointsMapToImagePoints) {
    const ImagePoint p = NavigatorToImage(DialogPoint{620, 90}, model.filterRect, model.navigator);
    EXPECT_EQ(p.x, 1400);
    EXPECT_EQ(p.y, 700);
    model.filterRect = Rect{10, 20, 2010, 3020};
    const ImagePoint q = NavigatorToImage(DialogPoint{520, 40}, model.filterRect, model.navigator);
    EXPECT_EQ(q.x, 20);
    EXPECT_EQ(q.y, 10);
}

TEST_F(NavigatorTest, PressInsideTheNavigatorStartsADragShowingTheUnprocessedImage) {
    const MouseActions actions = OnLeftButtonDown(model, DialogPoint{600, 100});
    EXPECT_TRUE(model.drag.dragging);
    EXPECT_TRUE(actions.captureMouse);
    EXPECT_TRUE(actions.invalidatePanes);
    EXPECT_FALSE(model.showCorrected);
    // At level 0 the frame covers the whole navigator: the frame is grabbed.
    EXPECT_EQ(model.cursor, CursorChoice::ClosedHand);
}

TEST_F(NavigatorTest, PressOutsideTheNavigatorDoesNothing) {
    const MouseActions actions = OnLeftButtonDown(model, DialogPoint{100, 100});
    EXPECT_FALSE(model.drag.dragging);
    EXPECT_FALSE(actions.captureMouse);
    EXPECT_FALSE(actions.invalidatePanes);
    EXPECT_TRUE(model.showCorrected);
}

TEST_F(NavigatorTest, ClickBesideTheFrameCentresTheViewThere) {
    ZoomToTopLevelAt(0, 0);
    const DialogPoint click{620, 90};  // image (1400, 700)
    ASSERT_FALSE(Contains(model.drag.viewFrame, click));
    OnLeftButtonDown(model, click);
    EXPECT_EQ(model.cursor, CursorChoice::PointingHand);
    const MouseActions actions = OnLeftButtonUp(model, click, /*afterSelected=*/true);
    EXPECT_TRUE(actions.invalidatePanes);
    EXPECT_TRUE(actions.releaseCapture);
    EXPECT_FALSE(model.drag.dragging);
    EXPECT_TRUE(model.showCorrected);
    EXPECT_EQ(model.cursor, CursorChoice::OpenHand);
    // (700 - 125, 1400 - 187), moved to even coordinates.
    EXPECT_EQ(model.zoom.origin.top, 574);
    EXPECT_EQ(model.zoom.origin.left, 1212);
    EXPECT_EQ(model.preview.sourceRect.left, 1212);
}

TEST_F(NavigatorTest, DraggingTheFrameMovesTheViewWithThePointer) {
    ZoomToTopLevelAt(1000, 1500);
    const DialogPoint grab{640, 120};  // image (1680, 1120), inside the frame
    ASSERT_TRUE(Contains(model.drag.viewFrame, grab));
    OnLeftButtonDown(model, grab);
    EXPECT_EQ(model.drag.grabOffset.x, 180);
    EXPECT_EQ(model.drag.grabOffset.y, 120);

    const MouseActions actions = OnMouseMove(model, DialogPoint{650, 120}, /*leftButtonOnly=*/true);
    EXPECT_TRUE(actions.invalidatePanes);
    EXPECT_TRUE(model.drag.moved);
    EXPECT_EQ(model.cursor, CursorChoice::ClosedHand);
    // Ten navigator pixels are 140 image pixels, less ten at the preview's
    // own rate of 1.
    EXPECT_EQ(model.zoom.origin.left, 1630);
    EXPECT_EQ(model.zoom.origin.top, 1000);
    EXPECT_EQ(model.preview.sourceRect.left, 1630);

    Paint();
    OnLeftButtonUp(model, DialogPoint{650, 120}, /*afterSelected=*/true);
    EXPECT_EQ(model.zoom.origin.left, 1630);
    EXPECT_FALSE(model.drag.moved);
}

TEST_F(NavigatorTest, DraggingPastTheRightAndBottomEdgesStopsAtTheImageEdge) {
    ZoomToTopLevelAt(1000, 1500);
    OnLeftButtonDown(model, DialogPoint{640, 120});
    OnMouseMove(model, DialogPoint{2000, 1500}, true);
    EXPECT_EQ(model.zoom.origin.left + model.zoom.viewWidth[3], 2999);  // 2625 made even
    EXPECT_EQ(model.zoom.origin.top + model.zoom.viewHeight[3], 2000);
    Paint();
    OnLeftButtonUp(model, DialogPoint{2000, 1500}, true);
    EXPECT_GE(model.zoom.origin.left + model.zoom.viewWidth[3], 2999);
    EXPECT_LE(model.zoom.origin.left + model.zoom.viewWidth[3], 3000);
    EXPECT_EQ(model.zoom.origin.top + model.zoom.viewHeight[3], 2000);
}

TEST_F(NavigatorTest, DraggingFarPastTheLeftAndTopEdgesStopsAtTheImageEdge) {
    // 2400 pixels left of a navigator at rate 14 is 33600 image pixels: past
    // what 16 bits hold, which must not turn into a jump to the right.
    ZoomToTopLevelAt(1000, 1500);
    OnLeftButtonDown(model, DialogPoint{640, 120});
    OnMouseMove(model, DialogPoint{520 - 2400, 40 - 2400}, true);
    EXPECT_EQ(model.zoom.origin.left, 0);
    EXPECT_EQ(model.zoom.origin.top, 0);
    EXPECT_EQ(model.preview.sourceRect.left, 0);
    EXPECT_EQ(model.preview.sourceRect.top, 0);
}

TEST_F(NavigatorTest, MovesWithOtherButtonsOnlyChooseTheCursor) {
    ZoomToTopLevelAt(1000, 1500);
    const ViewOrigin before = model.zoom.origin;
    OnMouseMove(model, DialogPoint{640, 120}, false);
    EXPECT_EQ(model.cursor, CursorChoice::OpenHand);
    OnMouseMove(model, DialogPoint{530, 45}, false);
    EXPECT_EQ(model.cursor, CursorChoice::PointingHand);
    OnMouseMove(model, DialogPoint{734, 182}, false);  // the edges count as inside
    EXPECT_EQ(model.cursor, CursorChoice::PointingHand);
    OnMouseMove(model, DialogPoint{735, 182}, false);
    EXPECT_EQ(model.cursor, CursorChoice::HostCursor);
    // A left-button move without a drag changes nothing.
    const MouseActions actions = OnMouseMove(model, DialogPoint{640, 120}, true);
    EXPECT_FALSE(actions.invalidatePanes);
    EXPECT_EQ(model.cursor, CursorChoice::HostCursor);
    EXPECT_EQ(model.zoom.origin.top, before.top);
    EXPECT_EQ(model.zoom.origin.left, before.left);
}

TEST_F(NavigatorTest, ReleaseOnTheFrameWithBeforeSelectedLeavesThePreviewUnprocessed) {
    ZoomToTopLevelAt(1000, 1500);
    OnLeftButtonDown(model, DialogPoint{640, 120});
    const MouseActions actions =
        OnLeftButtonUp(model, DialogPoint{640, 120}, /*afterSelected=*/false);
    EXPECT_FALSE(model.showCorrected);
    EXPECT_FALSE(actions.invalidatePanes);
    EXPECT_TRUE(actions.releaseCapture);
    EXPECT_EQ(model.zoom.origin.left, 1500);
}

TEST_F(NavigatorTest, ReleaseWithoutADragDoesNothing) {
    const MouseActions actions = OnLeftButtonUp(model, DialogPoint{640, 120}, true);
    EXPECT_FALSE(actions.releaseCapture);
    EXPECT_FALSE(actions.invalidatePanes);
}

}  // namespace
}  // namespace mirtane::ui
