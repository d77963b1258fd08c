// Every host service the plug-in uses fails, at every call a run reaches:
// the run must end with the right code and leave nothing behind, and
// failures the allocator can make up for must not change a single byte.
#include "tests/host/PluginRunFixture.h"

namespace mirtane {
namespace {

using testhost::FaultKind;

constexpr OSErr kHostError = -5000;

class FaultInjectionTest : public PluginRunTest {
  protected:
    void SetUp() override {
        PluginRunTest::SetUp();
        original = host.image();
        const int before[] = {
            host.CallCount(FaultKind::NewHandle), host.CallCount(FaultKind::LockHandle),
            host.CallCount(FaultKind::AllocateBuffer), host.CallCount(FaultKind::LockBuffer),
            host.CallCount(FaultKind::Abort)};
        ASSERT_EQ(host.Run().result, noErr);
        corrected = host.image().pixels;
        pluginRequests = static_cast<int>(host.requests().size());
        const FaultKind kinds[] = {FaultKind::NewHandle, FaultKind::LockHandle,
                                   FaultKind::AllocateBuffer, FaultKind::LockBuffer,
                                   FaultKind::Abort};
        for (int i = 0; i < 5; ++i) {
            callsPerRun[i] = host.CallCount(kinds[i]) - before[i];
        }
    }

    int CallsPerRun(FaultKind kind) const {
        return callsPerRun[kind == FaultKind::Abort ? 4 : static_cast<int>(kind)];
    }

    testhost::RunResult RunWithFault(FaultKind kind, int nth, OSErr code = memFullErr) {
        host.SetImage(original);
        host.ClearLog();
        host.ClearFaults();
        host.InjectFault(kind, nth, code);
        const testhost::RunResult run = host.Run();
        host.ClearFaults();
        return run;
    }

    hostkit::Image original;
    std::vector<std::uint8_t> corrected;
    int pluginRequests = 0;
    int callsPerRun[5] = {};
};

TEST_F(FaultInjectionTest, ACleanRunReachesEveryKindOfCall) {
    EXPECT_EQ(CallsPerRun(FaultKind::NewHandle), 2);
    EXPECT_GE(CallsPerRun(FaultKind::LockHandle), 6);
    EXPECT_EQ(CallsPerRun(FaultKind::AllocateBuffer), 5);  // three tables, float plane, work buffer
    EXPECT_EQ(CallsPerRun(FaultKind::Abort), 3 + 9);       // before each plane, after each tile
    EXPECT_EQ(pluginRequests, 1 + 1 + 9);                  // whole image, empty request, tiles
}

TEST_F(FaultInjectionTest, FailedHandlesEndTheRunAndLeaveNothing) {
    for (FaultKind kind : {FaultKind::NewHandle, FaultKind::LockHandle}) {
        for (int nth = 1; nth <= CallsPerRun(kind); ++nth) {
            const testhost::RunResult run = RunWithFault(kind, nth);
            EXPECT_NE(run.result, noErr) << "kind " << static_cast<int>(kind) << " call " << nth;
            ExpectNothingLeftBehind();
        }
    }
}

TEST_F(FaultInjectionTest, FailedHostBuffersFallBackToTheHeapWithoutChangingTheResult) {
    for (FaultKind kind : {FaultKind::AllocateBuffer, FaultKind::LockBuffer}) {
        for (int nth = 1; nth <= CallsPerRun(FaultKind::AllocateBuffer); ++nth) {
            const testhost::RunResult run = RunWithFault(kind, nth);
            EXPECT_EQ(run.result, noErr) << "kind " << static_cast<int>(kind) << " call " << nth;
            EXPECT_EQ(host.image().pixels, corrected);
            ExpectNothingLeftBehind();
        }
    }
}

TEST_F(FaultInjectionTest, HostErrorsFromAdvanceStateReachTheHostUnchanged) {
    for (int nth = 1; nth <= pluginRequests; ++nth) {
        const testhost::RunResult run = RunWithFault(FaultKind::AdvanceState, nth, kHostError);
        EXPECT_EQ(run.result, kHostError) << "request " << nth;
        EXPECT_EQ(run.failedSelector, filterSelectorStart);
        ExpectNothingLeftBehind();
    }
}

TEST_F(FaultInjectionTest, CancelAtAnyPointIsAUserCancel) {
    for (int nth = 1; nth <= CallsPerRun(FaultKind::Abort); ++nth) {
        const testhost::RunResult run = RunWithFault(FaultKind::Abort, nth);
        EXPECT_EQ(run.result, userCanceledErr) << "abort call " << nth;
        ExpectNothingLeftBehind();
    }
}

TEST_F(FaultInjectionTest, CancelDuringIntakeLeavesTheImageUntouched) {
    RunWithFault(FaultKind::Abort, 2);
    EXPECT_EQ(host.image().pixels, original.pixels);
}

}  // namespace
}  // namespace mirtane
