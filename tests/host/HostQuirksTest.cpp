// Hosts that call the plug-in in ways the interface does not promise:
// documents it cannot read, selectors out of order, rectangles and tile
// sizes of any kind, odd signatures, a preset result slot. No crash, nothing
// leaked, and the same bytes wherever a run can complete.
#include <string>

#include "platform/headless/HeadlessPlatform.h"
#include "tests/host/PluginRunFixture.h"

namespace mirtane {
namespace {

using platform::headless::RecordedMessages;

constexpr const char* kNotEightBitRgb =
    "This plug-in needs an 8-bit RGB image. Convert the image to RGB with 8 bits per channel.";

class HostQuirksTest : public PluginRunTest {
  protected:
    void SetUp() override {
        PluginRunTest::SetUp();
        original = host.image();
        ASSERT_EQ(host.Run().result, noErr);
        corrected = host.image();
        host.SetImage(original);
        host.ClearLog();
        platform::headless::ClearRecordedMessages();
    }

    hostkit::Image original;
    hostkit::Image corrected;
};

TEST_F(HostQuirksTest, DocumentsOtherThanEightBitRgbAreRefusedWithAMessage) {
    struct Case {
        std::int16_t mode;
        std::int32_t depth;
    };
    // RGB48 and RGB96 with the depth filled or not, 16- and 32-bit depth in
    // RGB mode, and Lab, which also has three planes.
    const Case cases[] = {{11, 16}, {11, 0}, {16, 32}, {3, 16}, {3, 32}, {9, 8}};
    for (const Case& c : cases) {
        host.SetImage(original);
        host.record().imageMode = c.mode;
        host.record().depth = c.depth;
        platform::headless::ClearRecordedMessages();
        const testhost::RunResult run = host.Run();
        SCOPED_TRACE("mode " + std::to_string(c.mode) + ", depth " + std::to_string(c.depth));
        EXPECT_EQ(run.result, userCanceledErr);
        ASSERT_EQ(RecordedMessages().size(), 1u);
        EXPECT_EQ(RecordedMessages()[0].text, kNotEightBitRgb);
        EXPECT_EQ(host.image().pixels, original.pixels);
        ExpectNothingLeftBehind();
    }
}

TEST_F(HostQuirksTest, HostsThatLeaveModeAndDepthZeroAreTrustedByThePlaneCount) {
    host.record().imageMode = 0;
    host.record().depth = 0;
    ASSERT_EQ(host.Run().result, noErr);
    EXPECT_EQ(host.image().pixels, corrected.pixels);
}

TEST_F(HostQuirksTest, AboutAndEverySelectorClearAPresetResultSlot) {
    testhost::HostQuirks quirks;
    quirks.presetResult = true;
    host.SetHostQuirks(quirks);
    EXPECT_EQ(host.CallSelector(filterSelectorAbout), noErr);
    ASSERT_EQ(host.Run().result, noErr);
    EXPECT_EQ(host.image().pixels, corrected.pixels);
}

TEST_F(HostQuirksTest, SelectorsOutOfOrderNeitherCrashNorLeak) {
    // Continue and finish with no run begun.
    EXPECT_EQ(host.CallSelector(filterSelectorContinue), noErr);
    EXPECT_EQ(host.CallSelector(filterSelectorFinish), filterBadParameters);
    ExpectNothingLeftBehind();

    // Start without prepare: no blocks to lock.
    EXPECT_EQ(host.CallSelector(filterSelectorStart), filterBadParameters);
    ExpectNothingLeftBehind();

    // Finish after a failed start (a host that calls it anyway).
    host.InjectFault(testhost::FaultKind::AdvanceState, 1, -5000);
    EXPECT_EQ(host.CallSelector(filterSelectorPrepare), noErr);
    EXPECT_EQ(host.CallSelector(filterSelectorStart), -5000);
    host.ClearFaults();
    EXPECT_EQ(host.CallSelector(filterSelectorFinish), filterBadParameters);
    ExpectNothingLeftBehind();
    EXPECT_EQ(host.image().pixels, original.pixels);

    // Start twice in one run: the second start corrects the corrected image;
    // whatever it allocated is released at finish.
    host.SetImage(original);
    EXPECT_EQ(host.CallSelector(filterSelectorPrepare), noErr);
    EXPECT_EQ(host.CallSelector(filterSelectorStart), noErr);
    EXPECT_EQ(host.CallSelector(filterSelectorStart), noErr);
    EXPECT_EQ(host.CallSelector(filterSelectorContinue), noErr);
    EXPECT_EQ(host.CallSelector(filterSelectorFinish), noErr);
    ExpectNothingLeftBehind();
}

TEST_F(HostQuirksTest, AFilterRectangleReachingPastTheImageCorrectsTheImageInside) {
    // The host pads nothing: a request outside the image fails.
    host.record().filterRect = Rect{-40, -30, 530, 520};
    host.record().filterCase = filterCaseFlatImageWithSelection;
    const testhost::RunResult run = host.Run();
    ASSERT_EQ(run.result, noErr);
    EXPECT_EQ(host.image().pixels, corrected.pixels);
    for (const testhost::Request& request : host.requests()) {
        EXPECT_GE(request.outRect.top, 0);
        EXPECT_GE(request.outRect.left, 0);
        EXPECT_LE(request.outRect.bottom, 480);
        EXPECT_LE(request.outRect.right, 480);
    }
    ExpectNothingLeftBehind();
}

TEST_F(HostQuirksTest, AnyTileSizeTheHostSuggestsGivesTheSameBytes) {
    for (const std::int16_t side : {std::int16_t{1}, std::int16_t{7}, std::int16_t{1024},
                                    std::int16_t{480}, std::int16_t{-5}, std::int16_t{-32768}}) {
        host.SetImage(original);
        FilterRecord& record = host.record();
        record.inTileHeight = record.inTileWidth = side;
        record.outTileHeight = record.outTileWidth = side;
        record.absTileHeight = record.absTileWidth = side;
        ASSERT_EQ(host.Run().result, noErr) << side;
        EXPECT_EQ(host.image().pixels, corrected.pixels) << side;
        ExpectNothingLeftBehind();
    }
}

TEST_F(HostQuirksTest, AnyHostSignatureGivesTheSameBytes) {
    // 'spHO' and 'PMIG' are strings copied byte by byte; 0 is no signature.
    for (const OSType signature : {OSType{0x7370484F}, OSType{0x504D4947}, OSType{0}}) {
        host.SetImage(original);
        host.SetHostSignature(signature);
        ASSERT_EQ(host.Run().result, noErr) << signature;
        EXPECT_EQ(host.image().pixels, corrected.pixels) << signature;
        ExpectNothingLeftBehind();
    }
}

TEST_F(HostQuirksTest, AHostWithoutHandleProceduresIsRefusedBeforeAnythingIsMade) {
    host.record().handleProcs = nullptr;
    const testhost::RunResult run = host.Run();
    EXPECT_EQ(run.result, filterBadParameters);
    EXPECT_EQ(run.failedSelector, filterSelectorPrepare);
    EXPECT_EQ(host.image().pixels, original.pixels);
    EXPECT_EQ(TrackedBlockCount(), 0u);
    EXPECT_EQ(host.dataSlot(), 0);
}

}  // namespace
}  // namespace mirtane
