// Faults the test host injects: which call fails, with what, and for how long.
#include <gtest/gtest.h>

#include "FakePlugin.h"
#include "hosts/testhost/TestHost.h"

namespace {

using testhost::FaultKind;
using testhost::TestHost;

class FaultInjectionTest : public ::testing::Test {
  protected:
    ~FaultInjectionTest() override { fakeplugin::Install(nullptr); }
    HandleProcs& handles() { return *host.record().handleProcs; }
    BufferProcs& buffers() { return *host.record().bufferProcs; }

    TestHost host{&fakeplugin::Entry};
};

TEST_F(FaultInjectionTest, OnlyTheNthCallCountedFromArmingFails) {
    Handle before = handles().newProc(1);
    host.InjectFault(FaultKind::NewHandle, 2);
    Handle first = handles().newProc(1);
    Handle second = handles().newProc(1);
    Handle third = handles().newProc(1);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(second, nullptr);
    EXPECT_NE(third, nullptr);
    EXPECT_EQ(host.CallCount(FaultKind::NewHandle), 4);
    EXPECT_EQ(host.LiveHandles(), 3);
    for (Handle handle : {before, first, third}) {
        handles().disposeProc(handle);
    }
}

TEST_F(FaultInjectionTest, LockFaultsReturnNullAndLeaveNothingLocked) {
    Handle handle = handles().newProc(4);
    host.InjectFault(FaultKind::LockHandle, 1);
    EXPECT_EQ(handles().lockProc(handle, 1), nullptr);
    EXPECT_EQ(host.LiveHandleLocks(), 0);
    EXPECT_NE(handles().lockProc(handle, 1), nullptr);
    handles().unlockProc(handle);
    handles().disposeProc(handle);

    BufferID id = nullptr;
    ASSERT_EQ(buffers().allocateProc(4, &id), noErr);
    host.InjectFault(FaultKind::LockBuffer, 1);
    EXPECT_EQ(buffers().lockProc(id, 1), nullptr);
    EXPECT_EQ(host.LiveBufferLocks(), 0);
    EXPECT_EQ(host.LiveBuffers(), 1) << "a failed lock does not free the buffer";
    buffers().freeProc(id);
}

TEST_F(FaultInjectionTest, AllocationFaultsAnswerTheChosenCode) {
    host.InjectFault(FaultKind::AllocateBuffer, 1, -1234);
    BufferID id = reinterpret_cast<BufferID>(1);
    EXPECT_EQ(buffers().allocateProc(16, &id), -1234);
    EXPECT_EQ(id, nullptr);
    EXPECT_EQ(host.LiveBuffers(), 0);
    EXPECT_EQ(buffers().allocateProc(16, &id), noErr);
    buffers().freeProc(id);
}

TEST_F(FaultInjectionTest, AFailedAdvanceStateStillWritesBackTheFinishedOutput) {
    host.SetImage(hostkit::MakeImage(4, 4, 3, 50));
    host.InjectFault(FaultKind::AdvanceState, 2, -5000);
    fakeplugin::InstallStartOnly([](FilterRecord& record, std::int16_t* result) {
        record.outRect = Rect{0, 0, 1, 1};
        record.outLoPlane = 0;
        record.outHiPlane = 2;
        ASSERT_EQ(record.advanceState(), noErr);
        static_cast<std::uint8_t*>(record.outData)[0] = 7;
        record.outRect = Rect{1, 1, 2, 2};
        *result = record.advanceState();
        EXPECT_EQ(fakeplugin::Field(record.outData), nullptr);
    });
    EXPECT_EQ(host.CallSelector(filterSelectorStart), -5000);
    EXPECT_EQ(host.image().At(0, 0, 0), 7);
    ASSERT_EQ(host.requests().size(), 2u);
    EXPECT_EQ(host.requests()[1].result, -5000);
}

TEST_F(FaultInjectionTest, ACancelStaysReportedFromItsNthCallOn) {
    host.InjectFault(FaultKind::Abort, 3);
    std::vector<int> answers;
    for (int i = 0; i < 4; ++i) {
        answers.push_back(host.record().abortProc());
    }
    EXPECT_EQ(answers, (std::vector<int>{0, 0, 1, 1}));
    EXPECT_EQ(host.abortCalls(), 4);
}

TEST_F(FaultInjectionTest, ClearingDisarmsEveryKind) {
    host.InjectFault(FaultKind::NewHandle, 1);
    host.InjectFault(FaultKind::Abort, 1);
    host.ClearFaults();
    Handle handle = handles().newProc(1);
    EXPECT_NE(handle, nullptr);
    EXPECT_EQ(host.record().abortProc(), 0);
    handles().disposeProc(handle);
}

}  // namespace
