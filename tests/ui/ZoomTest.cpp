// The zoom levels of the preview, their labels, and how a view origin
// becomes the host request of the preview pane.
#include <gtest/gtest.h>

#include <string>

#include "ui/ZoomState.h"

namespace mirtane::ui {
namespace {

ViewPane PreviewOfSize(std::int16_t width, std::int16_t height) {
    ViewPane preview{kPreviewPaneId};
    preview.width = width;
    preview.height = height;
    return preview;
}

std::string Label(std::int32_t level, std::int32_t topLevel) {
    char text[32];
    FormatZoomLabel(level, topLevel, text, sizeof text);
    return text;
}

// A 3000 x 2000 area in a 375 x 250 preview: ratio 8.
class LargeAreaTest : public ::testing::Test {
  protected:
    void SetUp() override {
        BuildZoomTable(area, zoom, preview);
        ResetView(area, zoom, preview);
    }
    const Rect area{0, 0, 2000, 3000};
    ViewPane preview = PreviewOfSize(375, 250);
    ZoomState zoom;
};

TEST_F(LargeAreaTest, TableHasFourPowerOfTwoLevels) {
    EXPECT_EQ(zoom.topLevel, 3);
    const std::int16_t widths[] = {3000, 1500, 750, 375};
    const std::int16_t heights[] = {2000, 1000, 500, 250};
    for (int level = 0; level <= 3; ++level) {
        EXPECT_EQ(zoom.viewWidth[level], widths[level]) << "level " << level;
        EXPECT_EQ(zoom.viewHeight[level], heights[level]) << "level " << level;
    }
    EXPECT_EQ(zoom.stepX[1], 750);
    EXPECT_EQ(zoom.stepY[1], 500);
    EXPECT_EQ(zoom.stepX[3], 187);  // (750 - 375) / 2, truncated
    for (int level = 4; level < kZoomLevelCount; ++level) {
        EXPECT_EQ(zoom.viewWidth[level], 0);
        EXPECT_EQ(zoom.stepX[level], 0);
    }
}

TEST_F(LargeAreaTest, LevelsAreLabelledAndSampledByPowersOfTwo) {
    const char* labels[] = {"12.5%", "25%", "50%", "100%"};
    const std::int32_t factors[] = {8, 4, 2, 1};
    for (int level = 0; level <= 3; ++level) {
        zoom.level = static_cast<std::int16_t>(level);
        UpdatePreviewSource(area, zoom, preview);
        EXPECT_EQ(Label(level, zoom.topLevel), labels[level]);
        EXPECT_EQ(preview.samplingRate, factors[level] << 16) << "level " << level;
        EXPECT_EQ(preview.sourceRect.right - preview.sourceRect.left, 375);
        EXPECT_EQ(preview.sourceRect.bottom - preview.sourceRect.top, 250);
    }
}

TEST_F(LargeAreaTest, InitialViewIsTheWholeArea) {
    EXPECT_EQ(zoom.level, 0);
    EXPECT_EQ(zoom.origin.top, 0);
    EXPECT_EQ(zoom.origin.left, 0);
    EXPECT_EQ(preview.samplingRate, 8 << 16);
    EXPECT_EQ(preview.sourceRect.top, 0);
    EXPECT_EQ(preview.sourceRect.left, 0);
    EXPECT_EQ(preview.sourceRect.bottom, 250);
    EXPECT_EQ(preview.sourceRect.right, 375);
}

TEST_F(LargeAreaTest, ZoomingInKeepsTheViewCentred) {
    const ZoomButtons buttons = ZoomIn(area, zoom, preview);
    EXPECT_EQ(zoom.level, 1);
    EXPECT_EQ(zoom.origin.top, 500);
    EXPECT_EQ(zoom.origin.left, 750);
    EXPECT_EQ(buttons.zoomOut, ButtonChange::Enable);
    EXPECT_EQ(buttons.zoomIn, ButtonChange::Unchanged);
    EXPECT_EQ(buttons.focus, FocusMove::None);
    EXPECT_EQ(preview.samplingRate, 4 << 16);
    EXPECT_EQ(preview.sourceRect.top, 125);
    EXPECT_EQ(preview.sourceRect.left, 187);
    // The view's centre is the area's centre.
    EXPECT_EQ(zoom.origin.left + zoom.viewWidth[1] / 2, 1500);
    EXPECT_EQ(zoom.origin.top + zoom.viewHeight[1] / 2, 1000);
}

TEST_F(LargeAreaTest, TopLevelDisablesZoomInAndBottomLevelDisablesZoomOut) {
    ZoomIn(area, zoom, preview);
    ZoomIn(area, zoom, preview);
    ZoomButtons buttons = ZoomIn(area, zoom, preview);
    EXPECT_EQ(zoom.level, 3);
    EXPECT_EQ(buttons.zoomIn, ButtonChange::Disable);
    EXPECT_EQ(buttons.focus, FocusMove::ToZoomOut);
    EXPECT_EQ(preview.samplingRate, 1 << 16);

    ZoomOut(area, zoom, preview);
    ZoomOut(area, zoom, preview);
    buttons = ZoomOut(area, zoom, preview);
    EXPECT_EQ(zoom.level, 0);
    EXPECT_EQ(buttons.zoomOut, ButtonChange::Disable);
    EXPECT_EQ(buttons.zoomIn, ButtonChange::Enable);
    EXPECT_EQ(buttons.focus, FocusMove::ToZoomIn);
    EXPECT_EQ(zoom.origin.top, 0);
    EXPECT_EQ(zoom.origin.left, 0);
}

TEST_F(LargeAreaTest, ZoomingOutAtTheRightEdgeKeepsTheViewInsideTheImage) {
    zoom.level = 3;
    zoom.origin = ViewOrigin{900, 3000 - 375};
    UpdatePreviewSource(area, zoom, preview);
    for (int level = 2; level >= 0; --level) {
        ZoomOut(area, zoom, preview);
        ASSERT_EQ(zoom.level, level);
        const std::int32_t factor = preview.samplingRate >> 16;
        EXPECT_LE(zoom.origin.left + zoom.viewWidth[level], area.right) << "level " << level;
        EXPECT_GE(zoom.origin.left, area.left);
        EXPECT_LE(preview.sourceRect.right * factor, area.right) << "level " << level;
        EXPECT_LE(preview.sourceRect.bottom * factor, area.bottom) << "level " << level;
    }
}

TEST_F(LargeAreaTest, ViewsOutsideTheAreaAreMovedBackInside) {
    zoom.level = 2;
    zoom.origin = ViewOrigin{-300, 5000};
    UpdatePreviewSource(area, zoom, preview);
    EXPECT_EQ(zoom.origin.top, 0);
    EXPECT_EQ(zoom.origin.left, 3000 - 750);
    EXPECT_EQ(preview.sourceRect.left, (3000 - 750) / 2);
}

TEST_F(LargeAreaTest, OddOriginsMoveToTheEvenCoordinatesAboveAndLeft) {
    zoom.level = 3;
    zoom.origin = ViewOrigin{7, 13};
    UpdatePreviewSource(area, zoom, preview);
    EXPECT_EQ(zoom.origin.top, 6);
    EXPECT_EQ(zoom.origin.left, 12);
    EXPECT_EQ(preview.sourceRect.top, 6);
    EXPECT_EQ(preview.sourceRect.left, 12);
    EXPECT_EQ(preview.sourceRect.bottom, 256);
    EXPECT_EQ(preview.sourceRect.right, 387);
}

TEST(Zoom, RatioOfFiveNeedsThreeLevels) {
    const Rect area{0, 0, 1250, 1875};
    ViewPane preview = PreviewOfSize(375, 250);
    ZoomState zoom;
    BuildZoomTable(area, zoom, preview);
    EXPECT_EQ(zoom.topLevel, 3);
    ResetView(area, zoom, preview);
    EXPECT_EQ(preview.samplingRate, 5 << 16);
    EXPECT_EQ(Label(0, zoom.topLevel), "12.5%");
    const std::int32_t factors[] = {5, 4, 2, 1};
    for (int level = 1; level <= 3; ++level) {
        ZoomIn(area, zoom, preview);
        EXPECT_EQ(preview.samplingRate, factors[level] << 16) << "level " << level;
    }
}

TEST(Zoom, AreaShownOneToOneHasASingleLevel) {
    const Rect area{0, 0, 80, 100};
    ViewPane preview = PreviewOfSize(100, 80);
    ZoomState zoom;
    BuildZoomTable(area, zoom, preview);
    EXPECT_EQ(zoom.topLevel, 0);
    ZoomButtons buttons = ResetView(area, zoom, preview);
    EXPECT_EQ(buttons.zoomOut, ButtonChange::Disable);
    EXPECT_EQ(Label(zoom.level, zoom.topLevel), "100%");
    const Rect initialSource = preview.sourceRect;

    buttons = ZoomIn(area, zoom, preview);
    EXPECT_EQ(zoom.level, 0);
    EXPECT_EQ(buttons.zoomIn, ButtonChange::Disable);
    EXPECT_EQ(buttons.zoomOut, ButtonChange::Enable);

    buttons = ZoomOut(area, zoom, preview);
    EXPECT_EQ(zoom.level, 0);
    EXPECT_EQ(buttons.zoomIn, ButtonChange::Enable);
    EXPECT_EQ(buttons.zoomOut, ButtonChange::Disable);
    EXPECT_EQ(zoom.origin.top, 0);
    EXPECT_EQ(zoom.origin.left, 0);
    EXPECT_EQ(preview.sourceRect.left, initialSource.left);
    EXPECT_EQ(preview.sourceRect.right, initialSource.right);
    EXPECT_EQ(preview.samplingRate, 1 << 16);
}

TEST(Zoom, HugeRatiosStopAtLevelFourteen) {
    const Rect area{0, 0, 2, 32000};
    ViewPane preview = PreviewOfSize(1, 1);
    ZoomState zoom;
    BuildZoomTable(area, zoom, preview);
    EXPECT_EQ(zoom.topLevel, 14);
    EXPECT_EQ(zoom.viewWidth[14], 1);
    EXPECT_EQ(zoom.viewWidth[1], 1 << 13);
    EXPECT_EQ(zoom.viewWidth[0], 32000);
}

TEST(ZoomLabel, EveryDistanceFromTheTopLevel) {
    const char* expected[] = {"100%",  "50%",   "25%",   "12.5%", "6.25%", "3.12%",
                              "1.56%", "0.78%", "0.39%", "0.20%", "0.10%", "0.10%"};
    for (int distance = 0; distance < 12; ++distance) {
        EXPECT_EQ(Label(0, distance), expected[distance]) << "distance " << distance;
    }
    EXPECT_EQ(Label(2, 5), "12.5%");
}

TEST(ZoomLabel, ShortBufferIsTruncatedAndTerminated) {
    char text[4] = {'x', 'x', 'x', 'x'};
    FormatZoomLabel(0, 3, text, sizeof text);
    EXPECT_STREQ(text, "12.");
}

}  // namespace
}  // namespace mirtane::ui
