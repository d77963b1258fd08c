// The selectors and the start selector's checks, driven through the test host.
#include <cstring>

#include "host/ParameterBlock.h"
#include "platform/DialogResult.h"
#include "tests/host/PluginRunFixture.h"

namespace mirtane {
namespace {

using platform::headless::RecordedMessages;

constexpr const char* kScreenMessage = "Display resolution must at least be 800x600";
constexpr const char* kImageMessage =
    "Image must be at least 480x480.  Use your imaging application to increase the image size.";
constexpr const char* kPlanesMessage =
    "This plug-in needs three channels. Do you have a blank or adjustment layer selected?";

class SelectorTest : public PluginRunTest {
  protected:
    ParameterBlock ReadParameterBlock() {
        ParameterBlock block{};
        Handle handle = host.parametersHandle();
        std::memcpy(&block, host.handles().Lock(handle, 1), sizeof block);
        host.handles().Unlock(handle);
        return block;
    }
    void SetRedTint(std::int32_t tint) {
        Handle handle = host.parametersHandle();
        reinterpret_cast<ParameterBlock*>(host.handles().Lock(handle, 1))->redTint = tint;
        host.handles().Unlock(handle);
    }
    void ExpectRefusedWith(const char* message) {
        const testhost::RunResult run = host.Run();
        EXPECT_EQ(run.result, userCanceledErr);
        EXPECT_EQ(run.failedSelector, filterSelectorStart);
        ASSERT_EQ(RecordedMessages().size(), 1u);
        EXPECT_EQ(RecordedMessages()[0].text, message);
        EXPECT_EQ(RecordedMessages()[0].caption, "MIRTANE Plug-In - ERROR");
        EXPECT_TRUE(host.requests().empty()) << "a refused document must not be read";
        ExpectNothingLeftBehind();
    }
};

TEST_F(SelectorTest, UnknownSelectorsAreBadParametersAndLeaveNothingAllocated) {
    for (std::int16_t selector : {std::int16_t{6}, std::int16_t{-1}, std::int16_t{32767}}) {
        EXPECT_EQ(host.CallSelector(filterSelectorPrepare), noErr);
        EXPECT_EQ(host.CallSelector(selector), filterBadParameters) << "selector " << selector;
        ExpectNothingLeftBehind();
    }
}

TEST_F(SelectorTest, PrepareWithBothHandlesKeepsTheSettings) {
    ASSERT_EQ(host.CallSelector(filterSelectorParameters), noErr);
    SetRedTint(40);
    ASSERT_EQ(host.CallSelector(filterSelectorPrepare), noErr);
    EXPECT_EQ(ReadParameterBlock().redTint, 40);
    EXPECT_EQ(host.record().bufferSpace, 0);
    EXPECT_EQ(host.LiveHandleLocks(), 0);
}

TEST_F(SelectorTest, ParametersResetsAnExistingBlockToTheDefaults) {
    ASSERT_EQ(host.CallSelector(filterSelectorParameters), noErr);
    SetRedTint(40);
    ASSERT_EQ(host.CallSelector(filterSelectorParameters), noErr);
    const ParameterBlock block = ReadParameterBlock();
    EXPECT_EQ(block.redTint, 25);
    EXPECT_EQ(block.greenTint, 25);
    EXPECT_EQ(block.blueTint, 25);
    EXPECT_EQ(block.curveLength, 256);
    EXPECT_EQ(block.slopeGridHeight, 257);
    std::uint32_t gammaBits = 0;
    std::memcpy(&gammaBits, &block.gammaExponent, 4);
    EXPECT_EQ(gammaBits, 0x3F333333u);
    EXPECT_EQ(block.blackLevel, 0.0f);
    EXPECT_EQ(block.whiteLevel, 1.0f);
}

TEST_F(SelectorTest, AFailedGlobalsHandleReachesTheHostAsBadParameters) {
    // The parameters handle is the first newProc, the globals handle the
    // second; the epilogue's lock then finds a handle missing.
    host.InjectFault(testhost::FaultKind::NewHandle, 2);
    EXPECT_EQ(host.CallSelector(filterSelectorParameters), filterBadParameters);
    ExpectNothingLeftBehind();
}

TEST_F(SelectorTest, FinishDisposesBothHandles) {
    const testhost::RunResult run = host.Run();
    EXPECT_EQ(run.result, noErr);
    ExpectNothingLeftBehind();
}

TEST_F(SelectorTest, ScreenIsCheckedBeforeTheImage) {
    platform::headless::SetScreenSize(800, 599);
    host.SetImage(hostkit::MakeImage(100, 100));
    ExpectRefusedWith(kScreenMessage);
}

TEST_F(SelectorTest, NarrowScreenIsRefused) {
    platform::headless::SetScreenSize(799, 600);
    ExpectRefusedWith(kScreenMessage);
}

TEST_F(SelectorTest, SmallestScreenAndImagePass) {
    platform::headless::SetScreenSize(800, 600);
    host.SetImage(MakeTestPhoto(480, 480));
    EXPECT_EQ(host.Run().result, noErr);
    EXPECT_TRUE(RecordedMessages().empty());
    ExpectNothingLeftBehind();
}

TEST_F(SelectorTest, ImagesBelow480InEitherDirectionAreRefused) {
    host.SetImage(MakeTestPhoto(479, 480));
    ExpectRefusedWith(kImageMessage);
    platform::headless::ClearRecordedMessages();
    host.ClearLog();
    host.SetImage(MakeTestPhoto(480, 479));
    ExpectRefusedWith(kImageMessage);
}

TEST_F(SelectorTest, DocumentsWithoutExactlyThreePlanesAreRefused) {
    host.record().planes = 4;
    ExpectRefusedWith(kPlanesMessage);
}

TEST_F(SelectorTest, LayersTakeTheirPlaneCountFromTheLayerPlanes) {
    host.record().filterCase = filterCaseEditableTransparencyNoSelection;
    host.record().inLayerPlanes = 2;
    ExpectRefusedWith(kPlanesMessage);
}

TEST_F(SelectorTest, WatchCursorIsSuspendedAndResumedOnlyOnTheApplicationPath) {
    EXPECT_EQ(host.Run().result, noErr);
    EXPECT_EQ(host.watchSuspension(), 0);
    host.SetImage(hostkit::MakeImage(100, 100));
    static_cast<void>(host.Run());
    EXPECT_EQ(host.watchSuspension(), 1);
}

TEST_F(SelectorTest, HostsThatRejectTheWatchPropertyStillRun) {
    host.SetHostSignature(FourCharCode("NDP."));
    EXPECT_EQ(host.Run().result, noErr);
    ExpectNothingLeftBehind();
}

TEST_F(SelectorTest, ProgressRunsThroughTheThreeStepsThenTheTiles) {
    ASSERT_EQ(host.Run().result, noErr);
    const auto& progress = host.progress();
    ASSERT_GE(progress.size(), 3u + 9u);
    EXPECT_EQ(progress[0], std::make_pair(1, 3));
    EXPECT_EQ(progress[1], std::make_pair(2, 3));
    EXPECT_EQ(progress[2], std::make_pair(0, 3));
    EXPECT_EQ(progress.back(), std::make_pair(9, 9));  // 480 x 480 in 175-pixel tiles
}

TEST_F(SelectorTest, TileSizesLeftZeroByTheHostBecome175) {
    host.record().inTileWidth = 64;
    ASSERT_EQ(host.Run().result, noErr);
    EXPECT_EQ(host.record().inTileWidth, 64);
    EXPECT_EQ(host.record().inTileHeight, 175);
    EXPECT_EQ(host.record().outTileWidth, 175);
    EXPECT_EQ(host.record().absTileHeight, 175);
}

// A cancel is a failed run: the error epilogue disposes of the parameters
// handle, so tints moved in the dialog can reach no host and no later run
// (the start selector therefore does not put the old tints back).
TEST_F(SelectorTest, CancelledDialogDisposesTheSettingsAndLeavesTheImageUntouched) {
    ASSERT_EQ(host.CallSelector(filterSelectorParameters), noErr);
    SetRedTint(40);
    const std::vector<std::uint8_t> before = host.image().pixels;
    platform::headless::SetMainDialogHandler([] {
        gHost.parameterBlock->redTint = 3;
        return platform::kDialogCancelled;
    });
    ASSERT_EQ(host.CallSelector(filterSelectorPrepare), noErr);
    EXPECT_EQ(host.CallSelector(filterSelectorStart), userCanceledErr);
    EXPECT_EQ(host.parametersHandle(), nullptr);
    EXPECT_EQ(host.image().pixels, before);
    ExpectNothingLeftBehind();
}

TEST_F(SelectorTest, DialogFailuresEndTheRunWithTheirCodes) {
    const struct {
        std::int32_t dialogCode;
        OSErr expected;
    } cases[] = {{-4, userCanceledErr},
                 {-2, memFullErr},
                 {-1, memFullErr},
                 {0, memFullErr},
                 {7, memFullErr}};
    for (const auto& c : cases) {
        platform::headless::SetMainDialogHandler([&] { return c.dialogCode; });
        const std::vector<std::uint8_t> before = host.image().pixels;
        EXPECT_EQ(host.Run().result, c.expected) << "dialog code " << c.dialogCode;
        EXPECT_EQ(host.image().pixels, before);
        ExpectNothingLeftBehind();
    }
}

TEST_F(SelectorTest, DialogReportingAHostFailureLeavesTheHostsCode) {
    platform::headless::SetMainDialogHandler([] {
        *gHost.resultSlot = -4242;
        return -3;
    });
    EXPECT_EQ(host.Run().result, -4242);
    ExpectNothingLeftBehind();
}

TEST_F(SelectorTest, UniformBlackImagePassesThroughUnchanged) {
    // The analysis finds no tonal range; the run must not divide by zero.
    host.SetImage(hostkit::MakeImage(480, 480, 3, 0));
    ASSERT_EQ(host.Run().result, noErr);
    for (std::uint8_t sample : host.image().pixels) {
        ASSERT_EQ(sample, 0);
    }
}

TEST_F(SelectorTest, AboutShowsTheAboutBoxAndTouchesNothingElse) {
    EXPECT_EQ(host.CallSelector(filterSelectorAbout), noErr);
    EXPECT_EQ(platform::headless::AboutBoxCount(), 1);
    EXPECT_EQ(host.LiveHandles(), 0);
}

TEST_F(SelectorTest, ContinueEmptiesTheRectangles) {
    host.record().inRect = Rect{0, 0, 10, 10};
    host.record().maskRect = Rect{0, 0, 10, 10};
    EXPECT_EQ(host.CallSelector(filterSelectorContinue), noErr);
    EXPECT_TRUE(RectIsEmpty(host.record().inRect));
    EXPECT_TRUE(RectIsEmpty(host.record().maskRect));
}

}  // namespace
}  // namespace mirtane
