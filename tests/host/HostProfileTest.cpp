// The plug-in under the habits of hosts that shipped: every profile that can
// complete a run gives exactly the bytes of the well-behaved host for the
// same document and trims, leaves nothing behind, and survives a failure of
// every host service at every call; a host without advanceState is refused.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "hosts/testhost/HostProfiles.h"
#include "hosts/testhost/ScriptingHost.h"
#include "hosts/testhost/TestHost.h"
#include "platform/headless/HeadlessPlatform.h"
#include "run/HostState.h"
#include "run/TrackedMemory.h"
#include "tests/host/PluginRunFixture.h"

namespace mirtane {
namespace {

using hostkit::Image;
using testhost::FaultKind;
using testhost::HostProfile;
using testhost::TestHost;

struct Document {
    std::string name;
    int width;
    int height;
    Rect selection;  // empty: the whole image
    std::int32_t tints[3];
};

const Document kDocuments[] = {
    {"smallest", 480, 480, {0, 0, 0, 0}, {25, 25, 25}},
    {"odd-size-trimmed", 517, 493, {0, 0, 0, 0}, {31, 25, 18}},
    {"selection", 600, 520, {37, 51, 401, 333}, {20, 44, 25}},
};

bool HasSelection(const Document& document) {
    return document.selection.bottom > document.selection.top;
}

struct Outcome {
    testhost::RunResult run;
    Image image;
    std::string leaks;
    std::size_t trackedBlocks = 0;
    std::vector<std::string> protocolErrors;
};

// One interactive run of the plug-in in a fresh host with scripting, under
// `profile`; the dialog sets the document's trims.
Outcome RunUnder(const HostProfile& profile, const Document& document) {
    platform::headless::ResetHeadlessPlatform();
    platform::headless::SetMessagesEchoed(false);
    platform::headless::SetMainDialogHandler([&document] {
        gHost.parameterBlock->redTint = document.tints[0];
        gHost.parameterBlock->greenTint = document.tints[1];
        gHost.parameterBlock->blueTint = document.tints[2];
        return 1;
    });
    TestHost host(&PluginMain);
    testhost::ScriptingHost scripting(host);
    scripting.SetInteractive();
    host.SetImage(MakeTestPhoto(document.width, document.height, 11));
    if (HasSelection(document)) {
        host.SetSelection(document.selection);
    }
    host.SetHostQuirks(profile.quirks);
    Outcome outcome;
    outcome.run = host.Run();
    static_cast<void>(scripting.TakeRecorded());  // the host stores the step and frees it
    outcome.image = host.image();
    outcome.leaks = host.LeakReport();
    outcome.trackedBlocks = TrackedBlockCount();
    outcome.protocolErrors = host.protocolErrors();
    platform::headless::ResetHeadlessPlatform();
    return outcome;
}

std::string ProfileName(const testing::TestParamInfo<HostProfile>& info) {
    std::string name(info.param.name);
    for (char& c : name) {
        if (c == '-') c = '_';
    }
    return name;
}

class HostProfileTest : public testing::TestWithParam<HostProfile> {};

}  // namespace
}  // namespace mirtane

namespace testhost {
void PrintTo(const HostProfile& profile, std::ostream* out) { *out << profile.name; }
}  // namespace testhost

namespace mirtane {
namespace {

TEST_P(HostProfileTest, GivesTheBytesOfTheWellBehavedHostOrTheNamedRefusal) {
    const HostProfile& profile = GetParam();
    const HostProfile& reference = *testhost::FindHostProfile("well-behaved");
    for (const Document& document : kDocuments) {
        SCOPED_TRACE(document.name);
        const Outcome expected = RunUnder(reference, document);
        ASSERT_EQ(expected.run.result, noErr);
        const Outcome outcome = RunUnder(profile, document);
        EXPECT_EQ(outcome.leaks, "");
        EXPECT_EQ(outcome.trackedBlocks, 0u);
        EXPECT_EQ(outcome.protocolErrors, std::vector<std::string>{});
        if (!profile.runsComplete) {
            EXPECT_EQ(outcome.run.result, filterBadParameters);
            EXPECT_EQ(outcome.run.failedSelector, filterSelectorStart);
            EXPECT_EQ(outcome.image.pixels,
                      MakeTestPhoto(document.width, document.height, 11).pixels)
                << "a refused run must not touch the image";
            continue;
        }
        ASSERT_EQ(outcome.run.result, noErr);
        EXPECT_TRUE(outcome.image.pixels == expected.image.pixels)
            << "the output differs from the well-behaved host's";
    }
}

// Every host service the profile offers fails at every call of a run: the
// run ends with a code or falls back, and nothing is left behind either way.
TEST_P(HostProfileTest, SurvivesAFailureOfEveryServiceAtEveryCall) {
    const HostProfile& profile = GetParam();
    platform::headless::ResetHeadlessPlatform();
    platform::headless::SetMessagesEchoed(false);
    TestHost host(&PluginMain);
    const Image original = MakeTestPhoto(480, 480, 3);
    host.SetImage(original);
    host.SetHostQuirks(profile.quirks);

    const FaultKind kinds[] = {FaultKind::NewHandle,      FaultKind::LockHandle,
                               FaultKind::AllocateBuffer, FaultKind::LockBuffer,
                               FaultKind::AdvanceState,   FaultKind::Abort};
    int callsPerRun[6] = {};
    for (int i = 0; i < 6; ++i)
        callsPerRun[i] = host.CallCount(kinds[i]);
    const testhost::RunResult clean = host.Run();
    ASSERT_EQ(clean.result, profile.runsComplete ? noErr : filterBadParameters);
    for (int i = 0; i < 6; ++i)
        callsPerRun[i] = host.CallCount(kinds[i]) - callsPerRun[i];
    EXPECT_GE(callsPerRun[1], 2) << "the handles are locked in every run";

    int runs = 0;
    for (int i = 0; i < 6; ++i) {
        for (int nth = 1; nth <= callsPerRun[i]; ++nth) {
            host.SetImage(original);
            host.ClearLog();
            host.ClearFaults();
            host.InjectFault(kinds[i], nth, -5000);
            const testhost::RunResult run = host.Run();
            host.ClearFaults();
            ++runs;
            SCOPED_TRACE("fault kind " + std::to_string(i) + ", call " + std::to_string(nth));
            EXPECT_EQ(host.LeakReport(), "");
            EXPECT_EQ(TrackedBlockCount(), 0u);
            EXPECT_EQ(host.parametersHandle(), nullptr);
            EXPECT_EQ(host.dataSlot(), 0);
            EXPECT_EQ(host.protocolErrors(), std::vector<std::string>{});
            if (kinds[i] == FaultKind::AdvanceState) EXPECT_EQ(run.result, -5000);
            if (kinds[i] == FaultKind::Abort) EXPECT_EQ(run.result, userCanceledErr);
        }
    }
    EXPECT_GT(runs, 0);
    platform::headless::ResetHeadlessPlatform();
}

INSTANTIATE_TEST_SUITE_P(EveryProfile, HostProfileTest, testing::ValuesIn(testhost::HostProfiles()),
                         ProfileName);

}  // namespace
}  // namespace mirtane
