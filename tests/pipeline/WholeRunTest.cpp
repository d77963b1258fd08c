// Whole filter runs of the plug-in through the test host, seen from the
// pipeline: the intake's requests, the output tiles, a cancel between tiles
// and host errors at every request, with nothing left allocated afterwards.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "host/PluginMain.h"
#include "hosts/testhost/TestHost.h"
#include "platform/headless/HeadlessPlatform.h"
#include "run/TrackedMemory.h"

namespace mirtane {
namespace {

using hostkit::Image;
using testhost::FaultKind;
using testhost::TestHost;

constexpr int kIntakeRequests =
    2;  // the whole image, three planes at once, and the closing empty request

bool RectIs(const Rect& rect, int top, int left, int bottom, int right) {
    return rect.top == top && rect.left == left && rect.bottom == bottom && rect.right == right;
}

// A faded photograph-like image: gradients with noise, squeezed into the
// middle of the range so that the analysis has something to restore.
Image FadedImage(int width, int height) {
    Image image = hostkit::MakeImage(width, height);
    std::mt19937 random(21);
    std::uniform_int_distribution<int> noise(-5, 5);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int base[3] = {70 + 90 * x / width, 80 + 70 * y / height,
                                 100 + 40 * ((x / 31 + y / 23) % 2)};
            for (int p = 0; p < 3; ++p)
                image.At(x, y, p) = static_cast<std::uint8_t>(base[p] + noise(random));
        }
    }
    return image;
}

bool SameInside(const Image& a, const Image& b, int top, int left, int bottom, int right) {
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            for (int p = 0; p < 3; ++p) {
                if (a.At(x, y, p) != b.At(x, y, p)) return false;
            }
        }
    }
    return true;
}

class WholeRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::headless::ResetHeadlessPlatform();
        platform::headless::SetMessagesEchoed(false);
    }
    void TearDown() override { platform::headless::ResetHeadlessPlatform(); }

    static void ExpectNothingLeft(const TestHost& host) {
        EXPECT_EQ(host.LeakReport(), "");
        EXPECT_EQ(TrackedBlockCount(), 0u);
    }
};

TEST_F(WholeRunTest, ReadsTheImageThenWritesTilesInRowMajorOrder) {
    TestHost host(&PluginMain);
    const Image original = FadedImage(500, 480);
    host.SetImage(original);
    const testhost::RunResult run = host.Run();
    ASSERT_EQ(run.result, noErr);

    const auto& requests = host.requests();
    ASSERT_GE(requests.size(), static_cast<std::size_t>(kIntakeRequests + 9));
    EXPECT_TRUE(RectIs(requests[0].inRect, 0, 0, 480, 500));
    EXPECT_EQ(requests[0].inLoPlane, 0);
    EXPECT_EQ(requests[0].inHiPlane, 2);
    EXPECT_TRUE(RectIs(requests[1].inRect, 0, 0, 0, 0));
    const int tileRows[] = {0, 175, 350, 480};
    const int tileColumns[] = {0, 175, 350, 500};
    for (int k = 0; k < 3; ++k) {
        for (int m = 0; m < 3; ++m) {
            const testhost::Request& tile =
                requests[static_cast<std::size_t>(kIntakeRequests + 3 * k + m)];
            EXPECT_TRUE(RectIs(tile.outRect, tileRows[k], tileColumns[m], tileRows[k + 1],
                               tileColumns[m + 1]))
                << "tile " << k << ", " << m;
            EXPECT_EQ(tile.outLoPlane, 0);
            EXPECT_EQ(tile.outHiPlane, 2);
        }
    }
    std::vector<std::pair<std::int32_t, std::int32_t>> expectedProgress = {{1, 3}, {2, 3}, {0, 3}};
    for (int n = 1; n <= 9; ++n)
        expectedProgress.emplace_back(n, 9);
    EXPECT_EQ(host.progress(), expectedProgress);
    EXPECT_NE(host.image().pixels, original.pixels) << "the faded image was not corrected";
    ExpectNothingLeft(host);
}

TEST_F(WholeRunTest, SelectionLimitsTheOutputButNotTheIntake) {
    TestHost host(&PluginMain);
    const Image original = FadedImage(520, 490);
    host.SetImage(original);
    host.SetSelection(Rect{100, 120, 300, 400});
    ASSERT_EQ(host.Run().result, noErr);
    const auto& requests = host.requests();
    ASSERT_GE(requests.size(), static_cast<std::size_t>(kIntakeRequests + 4));
    EXPECT_TRUE(RectIs(requests[0].inRect, 0, 0, 490, 520));
    EXPECT_TRUE(RectIs(requests[kIntakeRequests].outRect, 100, 120, 275, 295));
    EXPECT_TRUE(RectIs(requests[kIntakeRequests + 3].outRect, 275, 295, 300, 400));
    const Image& after = host.image();
    EXPECT_TRUE(SameInside(after, original, 0, 0, 100, 520));
    EXPECT_TRUE(SameInside(after, original, 300, 0, 490, 520));
    EXPECT_TRUE(SameInside(after, original, 100, 0, 300, 120));
    EXPECT_TRUE(SameInside(after, original, 100, 400, 300, 520));
    EXPECT_FALSE(SameInside(after, original, 100, 120, 300, 400));
    ExpectNothingLeft(host);
}

TEST_F(WholeRunTest, CancelAfterTheSecondTileKeepsTwoCorrectedTiles) {
    const Image original = FadedImage(500, 480);
    TestHost complete(&PluginMain);
    complete.SetImage(original);
    ASSERT_EQ(complete.Run().result, noErr);
    const Image corrected = complete.image();

    TestHost host(&PluginMain);
    host.SetImage(original);
    // The intake asks before each of its three planes; the fifth abort test
    // follows the second tile.
    host.InjectFault(FaultKind::Abort, 3 + 2);
    const testhost::RunResult run = host.Run();
    EXPECT_EQ(run.result, userCanceledErr);
    EXPECT_EQ(host.requests().size(), static_cast<std::size_t>(kIntakeRequests + 2))
        << "no third tile request";
    const Image& after = host.image();
    EXPECT_TRUE(SameInside(after, corrected, 0, 0, 175, 350));
    EXPECT_TRUE(SameInside(after, original, 0, 350, 175, 500));
    EXPECT_TRUE(SameInside(after, original, 175, 0, 480, 500));
    ExpectNothingLeft(host);
    EXPECT_EQ(host.parametersHandle(), nullptr);
    EXPECT_EQ(host.dataSlot(), 0);
}

TEST_F(WholeRunTest, HostErrorAtAnyRequestReachesTheHostUnchanged) {
    constexpr OSErr kHostError = -5150;
    const Image original = FadedImage(480, 480);  // 3 x 3 tiles
    for (int nth = 1; nth <= kIntakeRequests + 9; ++nth) {
        TestHost host(&PluginMain);
        host.SetImage(original);
        host.InjectFault(FaultKind::AdvanceState, nth, kHostError);
        const testhost::RunResult run = host.Run();
        EXPECT_EQ(run.result, kHostError) << "request " << nth;
        EXPECT_EQ(run.failedSelector, filterSelectorStart) << "request " << nth;
        EXPECT_EQ(host.requests().size(), static_cast<std::size_t>(nth)) << "request " << nth;
        ExpectNothingLeft(host);
        EXPECT_EQ(host.parametersHandle(), nullptr);
        EXPECT_TRUE(RectIs(host.record().inRect, 0, 0, 0, 0));
        EXPECT_TRUE(RectIs(host.record().outRect, 0, 0, 0, 0));
    }
}

}  // namespace
}  // namespace mirtane
