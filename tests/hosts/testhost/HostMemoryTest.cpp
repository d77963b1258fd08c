// The handle and buffer procedures the test host offers, and its accounting
// of what is left over.
#include <gtest/gtest.h>

#include <algorithm>

#include "FakePlugin.h"
#include "hosts/testhost/TestHost.h"

namespace {

using testhost::TestHost;

class HostMemoryTest : public ::testing::Test {
  protected:
    HandleProcs& handles() { return *host.record().handleProcs; }
    BufferProcs& buffers() { return *host.record().bufferProcs; }

    TestHost host{&fakeplugin::Entry};
};

TEST_F(HostMemoryTest, AHandlePointsAtTheMasterPointerOfItsBlock) {
    Handle handle = handles().newProc(16);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(handles().getSizeProc(handle), 16);
    Ptr block = handles().lockProc(handle, 1);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block, *handle);
    EXPECT_EQ(host.LiveHandles(), 1);
    EXPECT_EQ(host.LiveHandleLocks(), 1);
    handles().unlockProc(handle);
    EXPECT_EQ(host.LiveHandleLocks(), 0);
    handles().disposeProc(handle);
    EXPECT_EQ(host.LiveHandles(), 0);
    EXPECT_EQ(host.LeakReport(), "");
    EXPECT_TRUE(host.protocolErrors().empty());
}

TEST_F(HostMemoryTest, FreshBlocksAreNotZeroed) {
    Handle handle = handles().newProc(8);
    const Ptr block = handles().lockProc(handle, 1);
    EXPECT_FALSE(std::all_of(block, block + 8, [](char c) { return c == 0; }));
    handles().unlockProc(handle);
    handles().disposeProc(handle);

    BufferID id = nullptr;
    ASSERT_EQ(buffers().allocateProc(8, &id), noErr);
    const Ptr bytes = buffers().lockProc(id, 1);
    EXPECT_FALSE(std::all_of(bytes, bytes + 8, [](char c) { return c == 0; }));
    buffers().unlockProc(id);
    buffers().freeProc(id);
}

TEST_F(HostMemoryTest, LocksNestAndSurplusUnlocksAreHarmless) {
    Handle handle = handles().newProc(4);
    handles().lockProc(handle, 1);
    handles().lockProc(handle, 1);
    EXPECT_EQ(host.LiveHandleLocks(), 2);
    handles().unlockProc(handle);
    EXPECT_EQ(host.LiveHandleLocks(), 1);
    handles().unlockProc(handle);
    handles().unlockProc(handle);
    EXPECT_EQ(host.LiveHandleLocks(), 0);
    EXPECT_TRUE(host.protocolErrors().empty());
    handles().disposeProc(handle);
}

TEST_F(HostMemoryTest, ResizingKeepsTheContentAndIsRefusedWhileLocked) {
    Handle handle = handles().newProc(4);
    std::copy_n("abc", 4, *handle);
    ASSERT_EQ(handles().setSizeProc(handle, 4000), noErr);
    EXPECT_EQ(handles().getSizeProc(handle), 4000);
    EXPECT_STREQ(*handle, "abc");
    handles().lockProc(handle, 1);
    EXPECT_EQ(handles().setSizeProc(handle, 8), memFullErr);
    EXPECT_EQ(handles().getSizeProc(handle), 4000);
    handles().unlockProc(handle);
    handles().disposeProc(handle);
}

TEST_F(HostMemoryTest, CallsOnUnknownHandlesAreLoggedNotFatal) {
    Handle handle = handles().newProc(4);
    handles().disposeProc(handle);
    handles().disposeProc(handle);
    EXPECT_EQ(handles().lockProc(handle, 1), nullptr);
    handles().disposeProc(nullptr);  // ignored, as hosts do
    EXPECT_EQ(host.protocolErrors().size(), 2u);
    EXPECT_EQ(host.LiveHandles(), 0);
    EXPECT_EQ(handles().newProc(-1), nullptr);
}

TEST_F(HostMemoryTest, BuffersAreCountedAgainstTheFreeSpace) {
    host.SetBufferCapacity(1000);
    EXPECT_EQ(host.record().maxSpace, 1000);
    EXPECT_EQ(buffers().spaceProc(), 1000);
    BufferID first = nullptr;
    ASSERT_EQ(buffers().allocateProc(600, &first), noErr);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(buffers().spaceProc(), 400);
    BufferID second = reinterpret_cast<BufferID>(1);
    EXPECT_EQ(buffers().allocateProc(401, &second), memFullErr);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(buffers().allocateProc(-1, &second), memFullErr);
    EXPECT_EQ(host.LiveBuffers(), 1);

    const Ptr block = buffers().lockProc(first, 1);
    ASSERT_NE(block, nullptr);
    block[599] = 1;
    EXPECT_EQ(host.LiveBufferLocks(), 1);
    buffers().unlockProc(first);
    buffers().freeProc(first);
    EXPECT_EQ(host.LiveBuffers(), 0);
    EXPECT_EQ(buffers().spaceProc(), 1000);
    buffers().freeProc(first);
    EXPECT_EQ(host.protocolErrors().size(), 1u) << "a second free of the same buffer";
}

TEST_F(HostMemoryTest, TheLeakReportNamesEveryLeftover) {
    Handle handle = handles().newProc(24);
    handles().lockProc(handle, 1);
    BufferID id = nullptr;
    ASSERT_EQ(buffers().allocateProc(100, &id), noErr);
    const std::string report = host.LeakReport();
    EXPECT_NE(report.find("handle"), std::string::npos) << report;
    EXPECT_NE(report.find("24 bytes left over, locked 1"), std::string::npos) << report;
    EXPECT_NE(report.find("buffer"), std::string::npos) << report;
    EXPECT_NE(report.find("100 bytes left over, locked 0"), std::string::npos) << report;
}

TEST_F(HostMemoryTest, ProcedureSuitesCanBeSwitchedOff) {
    ASSERT_NE(fakeplugin::Field(host.record().bufferProcs), nullptr);
    ASSERT_NE(fakeplugin::Field(host.record().propertyProcs), nullptr);
    host.SetBufferProcsEnabled(false);
    host.SetPropertyProcsEnabled(false);
    EXPECT_EQ(fakeplugin::Field(host.record().bufferProcs), nullptr);
    EXPECT_EQ(fakeplugin::Field(host.record().propertyProcs), nullptr);
    host.SetBufferProcsEnabled(true);
    EXPECT_EQ(host.record().bufferProcs->numBufferProcs, 5);
}

}  // namespace
