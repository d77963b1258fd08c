// The tiled output through the test host: tile order and size, progress,
// the cancel after a tile and host errors, and what reaches the document.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "hosts/testhost/TestHost.h"
#include "pipeline/ApplyToImage.h"
#include "run/HostState.h"
#include "tests/pipeline/PipelineHarness.h"

namespace mirtane {
namespace {

using harness::RandomImage;
using harness::RectIs;
using hostkit::Image;
using testhost::FaultKind;
using testhost::TestHost;

// Curves that invert every channel: every corrected sample is 255 - b.
class ApplyToImageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        harness::SetIdentityTables();
        for (int channel = 0; channel < 3; ++channel) {
            for (int i = 0; i < 256; ++i)
                harness::Table(channel)[i] = static_cast<float>(255 - i) / 255.0f;
        }
        harness::SetStartScenario([this] {
            ApplyToImage();
            lastInRect = gHost.filterRecord->inRect;
            lastOutRect = gHost.filterRecord->outRect;
            inputRate = gHost.filterRecord->inputRate;
        });
    }
    void TearDown() override { harness::SetStartScenario(nullptr); }

    // True when every sample of the rectangle is inverted (or untouched).
    static bool Inverted(const Image& before, const Image& after, int top, int left, int bottom,
                         int right, bool expectInverted) {
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                for (int p = 0; p < 3; ++p) {
                    const int expected =
                        expectInverted ? 255 - before.At(x, y, p) : before.At(x, y, p);
                    if (after.At(x, y, p) != expected) return false;
                }
            }
        }
        return true;
    }

    Rect lastInRect{};
    Rect lastOutRect{};
    Fixed inputRate = 0;
};

TEST_F(ApplyToImageTest, SquareOf350MakesFourTilesInRowMajorOrder) {
    TestHost host(&harness::PipelineEntry);
    const Image before = RandomImage(350, 350, 1);
    host.SetImage(before);
    const testhost::RunResult run = host.Run();
    ASSERT_EQ(run.result, noErr);

    const auto& requests = host.requests();
    ASSERT_GE(requests.size(), 4u);
    const int tiles[4][4] = {
        {0, 0, 175, 175}, {0, 175, 175, 350}, {175, 0, 350, 175}, {175, 175, 350, 350}};
    for (std::size_t n = 0; n < 4; ++n) {
        const testhost::Request& request = requests[n];
        EXPECT_TRUE(RectIs(request.inRect, tiles[n][0], tiles[n][1], tiles[n][2], tiles[n][3]))
            << "tile " << n;
        EXPECT_TRUE(RectIs(request.outRect, tiles[n][0], tiles[n][1], tiles[n][2], tiles[n][3]))
            << "tile " << n;
        EXPECT_EQ(request.inLoPlane, 0);
        EXPECT_EQ(request.inHiPlane, 2);
        EXPECT_EQ(request.outLoPlane, 0);
        EXPECT_EQ(request.outHiPlane, 2);
        EXPECT_EQ(request.inputRate, 0x00010000);
        EXPECT_EQ(request.inputPadding, 0);
        EXPECT_EQ(request.outputPadding, 0);
    }
    const std::vector<std::pair<std::int32_t, std::int32_t>> expectedProgress = {
        {1, 4}, {2, 4}, {3, 4}, {4, 4}};
    EXPECT_EQ(host.progress(), expectedProgress);
    EXPECT_EQ(host.abortCalls(), 4);
    // The last tile's rectangles are left for the continue selector.
    EXPECT_TRUE(RectIs(lastInRect, 175, 175, 350, 350));
    EXPECT_TRUE(RectIs(lastOutRect, 175, 175, 350, 350));
    EXPECT_EQ(inputRate, 0x00010000);
    EXPECT_TRUE(Inverted(before, host.image(), 0, 0, 350, 350, true));
    EXPECT_EQ(host.LeakReport(), "");
}

TEST_F(ApplyToImageTest, RectangleOf176ColumnsMakesTilesOf175AndOneInsideTheSelectionOnly) {
    TestHost host(&harness::PipelineEntry);
    const Image before = RandomImage(400, 300, 2);
    host.SetImage(before);
    host.SetSelection(Rect{20, 30, 120, 206});  // 100 rows, 176 columns
    ASSERT_EQ(host.Run().result, noErr);
    const auto& requests = host.requests();
    ASSERT_GE(requests.size(), 2u);
    EXPECT_TRUE(RectIs(requests[0].outRect, 20, 30, 120, 205));
    EXPECT_TRUE(RectIs(requests[1].outRect, 20, 205, 120, 206));
    const std::vector<std::pair<std::int32_t, std::int32_t>> expectedProgress = {{1, 2}, {2, 2}};
    EXPECT_EQ(host.progress(), expectedProgress);
    EXPECT_TRUE(Inverted(before, host.image(), 20, 30, 120, 206, true));
    EXPECT_TRUE(Inverted(before, host.image(), 0, 0, 20, 400, false));
    EXPECT_TRUE(Inverted(before, host.image(), 120, 0, 300, 400, false));
    EXPECT_TRUE(Inverted(before, host.image(), 20, 0, 120, 30, false));
    EXPECT_TRUE(Inverted(before, host.image(), 20, 206, 120, 400, false));
}

TEST_F(ApplyToImageTest, RowPaddingOfTheHostBufferIsSkipped) {
    TestHost host(&harness::PipelineEntry);
    const Image before = RandomImage(200, 190, 3);
    host.SetImage(before);
    host.SetRowPadding(7);
    ASSERT_EQ(host.Run().result, noErr);
    EXPECT_TRUE(Inverted(before, host.image(), 0, 0, 190, 200, true));
}

TEST_F(ApplyToImageTest, EmptyRectangleMakesNoRequestAndNoProgress) {
    TestHost host(&harness::PipelineEntry);
    const Image before = RandomImage(300, 300, 4);
    host.SetImage(before);
    host.SetSelection(Rect{50, 60, 50, 200});
    ASSERT_EQ(host.Run().result, noErr);
    EXPECT_TRUE(host.requests().empty());
    EXPECT_TRUE(host.progress().empty());
    EXPECT_EQ(host.abortCalls(), 0);
    EXPECT_EQ(host.image().pixels, before.pixels);
}

TEST_F(ApplyToImageTest, CancelAfterTheSecondTileKeepsTwoTilesAndMakesNoThirdRequest) {
    TestHost host(&harness::PipelineEntry);
    const Image before = RandomImage(350, 350, 5);
    host.SetImage(before);
    host.InjectFault(FaultKind::Abort, 2);
    const testhost::RunResult run = host.Run();
    EXPECT_EQ(run.result, userCanceledErr);
    EXPECT_EQ(run.failedSelector, filterSelectorStart);
    ASSERT_EQ(host.requests().size(), 2u);
    const std::vector<std::pair<std::int32_t, std::int32_t>> expectedProgress = {{1, 4}, {2, 4}};
    EXPECT_EQ(host.progress(), expectedProgress);
    EXPECT_TRUE(Inverted(before, host.image(), 0, 0, 175, 350, true));
    EXPECT_TRUE(Inverted(before, host.image(), 175, 0, 350, 350, false));
    EXPECT_EQ(host.LeakReport(), "");
}

TEST_F(ApplyToImageTest, HostErrorStopsAtOnceWithTheTileUntouched) {
    constexpr OSErr kHostError = -4321;
    TestHost host(&harness::PipelineEntry);
    const Image before = RandomImage(350, 350, 6);
    host.SetImage(before);
    host.InjectFault(FaultKind::AdvanceState, 2, kHostError);
    const testhost::RunResult run = host.Run();
    EXPECT_EQ(run.result, kHostError);
    ASSERT_EQ(host.requests().size(), 2u);
    const std::vector<std::pair<std::int32_t, std::int32_t>> expectedProgress = {{1, 4}};
    EXPECT_EQ(host.progress(), expectedProgress);
    EXPECT_EQ(host.abortCalls(), 1);
    EXPECT_TRUE(Inverted(before, host.image(), 0, 0, 175, 175, true));
    EXPECT_TRUE(Inverted(before, host.image(), 0, 175, 175, 350, false));
    EXPECT_TRUE(Inverted(before, host.image(), 175, 0, 350, 350, false));
}

TEST_F(ApplyToImageTest, TilesOfAnOffsetSelectionAreCountedFromItsCorner) {
    TestHost host(&harness::PipelineEntry);
    host.SetImage(RandomImage(600, 500, 7));
    host.SetSelection(Rect{10, 20, 361, 371});  // 351 x 351: 3 x 3 tiles
    ASSERT_EQ(host.Run().result, noErr);
    const auto& requests = host.requests();
    ASSERT_GE(requests.size(), 9u);
    EXPECT_TRUE(RectIs(requests[0].outRect, 10, 20, 185, 195));
    EXPECT_TRUE(RectIs(requests[2].outRect, 10, 370, 185, 371));
    EXPECT_TRUE(RectIs(requests[8].outRect, 360, 370, 361, 371));
    ASSERT_EQ(host.progress().size(), 9u);
    EXPECT_EQ(host.progress().back(), (std::pair<std::int32_t, std::int32_t>{9, 9}));
}

}  // namespace
}  // namespace mirtane
