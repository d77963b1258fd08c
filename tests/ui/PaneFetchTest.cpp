// A pane's round trip through a host: the request it makes, the pixels it
// keeps, the correction of the preview, and the drawing through the host's
// displayPixels. The test host plays the host.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "hosts/testhost/DisplayPixels.h"
#include "hosts/testhost/TestHost.h"
#include "pipeline/ApplyCurves.h"
#include "run/HostState.h"
#include "run/TrackedMemory.h"
#include "ui/DisplayPane.h"
#include "ui/FetchPane.h"

namespace mirtane::ui {
namespace {

void PI_CDECL NoSelectors(std::int16_t, void*, std::intptr_t*, std::int16_t*) {}

constexpr int kImageWidth = 96;
constexpr int kImageHeight = 64;

std::uint8_t PatternSample(int x, int y, int plane) {
    switch (plane) {
    case 0: return static_cast<std::uint8_t>(x * 3 + y);
    case 1: return static_cast<std::uint8_t>(y * 5);
    default: return static_cast<std::uint8_t>((x ^ y) * 7);
    }
}

hostkit::Image PatternImage() {
    hostkit::Image image = hostkit::MakeImage(kImageWidth, kImageHeight);
    for (int y = 0; y < kImageHeight; ++y) {
        for (int x = 0; x < kImageWidth; ++x) {
            for (int plane = 0; plane < 3; ++plane) {
                image.At(x, y, plane) = PatternSample(x, y, plane);
            }
        }
    }
    return image;
}

class PaneFetchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host.SetImage(PatternImage());
        host.SetSampling(testhost::Sampling::Point);
        for (int channel = 0; channel < 3; ++channel) {
            for (int i = 0; i < 256; ++i) {
                const float x = static_cast<float>(i) / 255.0f;
                tables[channel][i] = channel == 1 ? x * x : x;
            }
            block.curveTables[channel] = tables[channel];
        }
        block.redTint = 40;
        block.greenTint = 25;
        block.blueTint = 3;
        block.blackLevel = 0.05f;
        block.whiteLevel = 0.9f;
        gHost.filterRecord = &host.record();
        gHost.resultSlot = &result;
        gHost.parameterBlock = &block;
    }

    void TearDown() override {
        ReleasePane(pane);
        EXPECT_EQ(TrackedBlockCount(), 0u);
        gHost = HostState{};
    }

    // A pane of 12 x 10 samples at rate 2, from sampled (row 2, column 3).
    void MakePane(std::int32_t controlId) {
        pane.controlId = controlId;
        pane.sourceRect = Rect{2, 3, 12, 15};
        pane.samplingRate = 2 << 16;
        pane.width = 12;
        pane.height = 10;
        pane.pixelCount = 120;
        pane.pixels = static_cast<std::uint8_t*>(TrackedAlloc(120 * 3));
        ASSERT_NE(pane.pixels, nullptr);
    }

    // The host's sample for buffer pixel (x, y): point sampling at rate 2.
    std::uint8_t Expected(int x, int y, int plane) const {
        return PatternSample((3 + x) * 2, (2 + y) * 2, plane);
    }

    std::uint8_t Pixel(int x, int y, int plane) const {
        return pane.pixels[(y * 12 + x) * 3 + plane];
    }

    std::uint8_t Corrected(std::uint8_t b, int plane) const {
        const std::int32_t tints[3] = {block.redTint, block.greenTint, block.blueTint};
        return CorrectSample(b, tables[plane], block.blackLevel,
                             NormalisationScale(block.blackLevel, block.whiteLevel),
                             TintFactor(tints[plane]));
    }

    testhost::TestHost host{&NoSelectors};
    std::int16_t result = 0;
    ParameterBlock block{};
    float tables[3][256] = {};
    ViewPane pane;
};

TEST_F(PaneFetchTest, RequestsTheSourceRectAtTheRateWithNoOutput) {
    MakePane(kNavigatorPaneId);
    ASSERT_EQ(FetchPane(pane, false), kFetchSucceeded);
    ASSERT_FALSE(host.requests().empty());
    const testhost::Request& request = host.requests().back();
    EXPECT_EQ(request.inRect.top, 2);
    EXPECT_EQ(request.inRect.left, 3);
    EXPECT_EQ(request.inRect.bottom, 12);
    EXPECT_EQ(request.inRect.right, 15);
    EXPECT_EQ(request.inputRate, 2 << 16);
    EXPECT_EQ(request.outRect.right - request.outRect.left, 0);
    EXPECT_EQ(request.outRect.bottom - request.outRect.top, 0);
    EXPECT_EQ(request.inLoPlane, 0);
    EXPECT_EQ(request.inHiPlane, 2);
    EXPECT_EQ(request.inputPadding, 0);
    EXPECT_EQ(request.result, noErr);
    EXPECT_EQ(result, noErr);
}

TEST_F(PaneFetchTest, KeepsTheHostSamplesExactly) {
    host.SetRowPadding(7);
    MakePane(kNavigatorPaneId);
    ASSERT_EQ(FetchPane(pane, true), kFetchSucceeded);  // the navigator is never corrected
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 12; ++x) {
            for (int plane = 0; plane < 3; ++plane) {
                ASSERT_EQ(Pixel(x, y, plane), Expected(x, y, plane))
                    << "x " << x << " y " << y << " plane " << plane;
            }
        }
    }
}

TEST_F(PaneFetchTest, PreviewIsCorrectedOnlyWhenAfterIsShown) {
    MakePane(kPreviewPaneId);
    ASSERT_EQ(FetchPane(pane, false), kFetchSucceeded);
    EXPECT_EQ(Pixel(4, 5, 0), Expected(4, 5, 0));

    ASSERT_EQ(FetchPane(pane, true), kFetchSucceeded);
    int changed = 0;
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 12; ++x) {
            for (int plane = 0; plane < 3; ++plane) {
                const std::uint8_t raw = Expected(x, y, plane);
                ASSERT_EQ(Pixel(x, y, plane), Corrected(raw, plane))
                    << "x " << x << " y " << y << " plane " << plane;
                changed += Pixel(x, y, plane) != raw ? 1 : 0;
            }
        }
    }
    EXPECT_GT(changed, 100);  // the settings above do change the image
}

TEST_F(PaneFetchTest, HostErrorIsKeptAndEndsTheFetch) {
    MakePane(kPreviewPaneId);
    std::memset(pane.pixels, 0x5A, 120 * 3);
    host.InjectFault(testhost::FaultKind::AdvanceState, 1, -1234);
    EXPECT_EQ(FetchPane(pane, true), kFetchFailed);
    EXPECT_EQ(result, -1234);
    for (int i = 0; i < 120 * 3; ++i) {
        ASSERT_EQ(pane.pixels[i], 0x5A) << "byte " << i;
    }
}

TEST_F(PaneFetchTest, MaskIsRequestedWithThePixelsUnlessFloating) {
    host.SetMask(std::vector<std::uint8_t>(kImageWidth * kImageHeight, 255));
    MakePane(kPreviewPaneId);
    ASSERT_EQ(FetchPane(pane, false), kFetchSucceeded);
    const testhost::Request& request = host.requests().back();
    EXPECT_EQ(request.maskRect.top, 2);
    EXPECT_EQ(request.maskRect.right, 15);
    EXPECT_EQ(request.maskRate, 2 << 16);
    const void* maskData = host.record().maskData;  // the record is packed: copy before comparing
    EXPECT_NE(maskData, nullptr);

    host.record().isFloating = 1;
    host.record().maskRect = Rect{0, 0, 0, 0};
    ASSERT_EQ(FetchPane(pane, false), kFetchSucceeded);
    EXPECT_EQ(host.requests().back().maskRect.right, 0);
}

TEST_F(PaneFetchTest, MissingAdvanceStateFailsWithoutTouchingTheBuffer) {
    MakePane(kPreviewPaneId);
    host.record().advanceState = nullptr;
    EXPECT_EQ(FetchPane(pane, false), kFetchFailed);
    EXPECT_EQ(result, filterBadParameters);
}

TEST_F(PaneFetchTest, DrawingHandsTheBufferToTheHostAtTheDisplayRect) {
    MakePane(kPreviewPaneId);
    pane.displayRect = Rect{30, 40, 40, 52};
    ASSERT_EQ(FetchPane(pane, false), kFetchSucceeded);
    host.SetDisplayPixels(&testhost::DisplayPixels);
    testhost::ResetDisplay(200, 100);
    int deviceContext = 0;
    DisplayPane(pane, &deviceContext);

    ASSERT_EQ(testhost::DisplayCalls().size(), 1u);
    const testhost::DisplayCall& call = testhost::DisplayCalls()[0];
    EXPECT_EQ(call.result, noErr);
    EXPECT_EQ(call.destinationRow, 30);
    EXPECT_EQ(call.destinationColumn, 40);
    EXPECT_EQ(call.sourceRect.bottom, 10);
    EXPECT_EQ(call.sourceRect.right, 12);
    EXPECT_EQ(call.imageMode, plugInModeRGBColor);
    EXPECT_FALSE(call.masked);
    EXPECT_EQ(call.platformContext, &deviceContext);

    const hostkit::Image& surface = testhost::DisplaySurface();
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 12; ++x) {
            for (int plane = 0; plane < 3; ++plane) {
                ASSERT_EQ(surface.At(40 + x, 30 + y, plane), Expected(x, y, plane))
                    << "x " << x << " y " << y;
            }
        }
    }
    EXPECT_EQ(surface.At(39, 30, 0), 0);
    EXPECT_EQ(surface.At(52, 39, 0), 0);
    EXPECT_EQ(surface.At(40, 40, 0), 0);
}

TEST_F(PaneFetchTest, MaskedDrawingShowsTheCheckerboardWhereNothingIsSelected) {
    std::vector<std::uint8_t> mask(kImageWidth * kImageHeight, 255);
    for (int y = 0; y < kImageHeight; ++y) {
        for (int x = 0; x < kImageWidth / 2; ++x) {
            mask[y * kImageWidth + x] = 0;  // left half unselected
        }
    }
    host.SetMask(mask);
    MakePane(kPreviewPaneId);
    pane.sourceRect = Rect{0, 18, 10, 30};  // sampled columns 18..29 = pixels 36..58
    pane.displayRect = Rect{0, 0, 10, 12};
    ASSERT_EQ(FetchPane(pane, false), kFetchSucceeded);
    host.SetDisplayPixels(&testhost::DisplayPixels);
    testhost::ResetDisplay(64, 64);
    DisplayPane(pane, &result);
    ASSERT_EQ(testhost::DisplayCalls().size(), 1u);
    EXPECT_TRUE(testhost::DisplayCalls()[0].masked);
    const hostkit::Image& surface = testhost::DisplaySurface();
    // Columns 0..5 show pixels 36..46 (unselected): the light checker square.
    EXPECT_EQ(surface.At(2, 2, 0), 255);
    EXPECT_EQ(surface.At(2, 2, 1), 255);
    // Columns 6..11 show pixels 48..58 (selected): the image itself.
    EXPECT_EQ(surface.At(7, 3, 1), Pixel(7, 3, 1));
}

TEST(PanePixelMap, SixteenBitModesAreDescribedByTheirEightBitCounterparts) {
    const std::pair<std::int16_t, std::int32_t> modes[] = {
        {plugInModeRGBColor, plugInModeRGBColor},
        {plugInModeRGB48, plugInModeRGBColor},
        {plugInModeGray16, plugInModeGrayScale},
        {plugInModeLab48, plugInModeLabColor},
        {plugInModeCMYK64, plugInModeCMYKColor},
        {plugInModeDeepMultichannel, plugInModeMultichannel},
        {plugInModeDuotone16, plugInModeDuotone},
        {plugInModeGrayScale, plugInModeGrayScale}};
    for (const auto& [hostMode, mapMode] : modes) {
        EXPECT_EQ(EightBitImageMode(hostMode), mapMode) << hostMode;
    }
}

TEST(PanePixelMap, DescribesTheBufferAndTheHostMask) {
    std::uint8_t pixels[6 * 4 * 3] = {};
    ViewPane pane{kPreviewPaneId};
    pane.width = 6;
    pane.height = 4;
    pane.pixels = pixels;
    FilterRecord record{};
    record.imageMode = plugInModeRGB48;
    PSPixelMask mask{};
    PSPixelMap map = DescribePanePixels(pane, record, mask);
    EXPECT_EQ(map.version, 1);
    EXPECT_EQ(map.bounds.top, 0);
    EXPECT_EQ(map.bounds.left, 0);
    EXPECT_EQ(map.bounds.bottom, 4);
    EXPECT_EQ(map.bounds.right, 6);
    EXPECT_EQ(map.imageMode, plugInModeRGBColor);
    EXPECT_EQ(map.rowBytes, 18);
    EXPECT_EQ(map.colBytes, 3);
    EXPECT_EQ(map.planeBytes, 1);
    EXPECT_EQ(map.baseAddr, pixels);
    EXPECT_EQ(map.mat, nullptr);
    EXPECT_EQ(map.masks, nullptr);
    EXPECT_EQ(map.maskPhaseRow, 1);
    EXPECT_EQ(map.maskPhaseCol, 1);

    std::uint8_t maskBytes[32] = {};
    record.haveMask = 1;
    record.maskData = maskBytes;
    record.maskRowBytes = 8;
    map = DescribePanePixels(pane, record, mask);
    ASSERT_EQ(map.masks, &mask);
    EXPECT_EQ(mask.next, nullptr);
    EXPECT_EQ(mask.maskData, maskBytes);
    EXPECT_EQ(mask.rowBytes, 8);
    EXPECT_EQ(mask.colBytes, 1);
    EXPECT_EQ(mask.maskDescription, 0);
}

TEST(PanePixelMap, NothingIsDrawnWithoutACallbackOrABuffer) {
    FilterRecord record{};
    gHost.filterRecord = &record;
    std::uint8_t pixels[3] = {};
    ViewPane pane{kPreviewPaneId};
    pane.width = 1;
    pane.height = 1;
    pane.pixels = pixels;
    DisplayPane(pane, nullptr);  // no displayPixels: must not crash
    testhost::ResetDisplay(4, 4);
    record.displayPixels = &testhost::DisplayPixels;
    pane.pixels = nullptr;
    DisplayPane(pane, nullptr);
    EXPECT_TRUE(testhost::DisplayCalls().empty());
    gHost = HostState{};
}

}  // namespace
}  // namespace mirtane::ui
