// The allocator against a minimal buffer suite that logs every call, so the
// order of host calls and the fallbacks can be checked directly.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "run/HostState.h"
#include "run/TrackedBuffer.h"
#include "run/TrackedMemory.h"

namespace mirtane {
namespace {

struct BufferLog {
    std::vector<std::string> calls;
    std::vector<std::vector<char>> storage;
    int failAllocateWith = 0;  // status returned by every allocate when non-zero
    bool failLock = false;
    bool dirtyBuffers = true;  // hand out non-zero memory to prove zero filling
};
BufferLog* gLog = nullptr;

std::string Name(BufferID id) { return std::to_string(reinterpret_cast<std::intptr_t>(id)); }

OSErr Allocate(std::int32_t size, BufferID* id) {
    if (gLog->failAllocateWith != 0) {
        gLog->calls.push_back("allocate-failed");
        return static_cast<OSErr>(gLog->failAllocateWith);
    }
    gLog->storage.emplace_back(static_cast<std::size_t>(size), gLog->dirtyBuffers ? '\x5A' : 0);
    *id = reinterpret_cast<BufferID>(static_cast<std::intptr_t>(gLog->storage.size()));
    gLog->calls.push_back("allocate " + Name(*id));
    return noErr;
}
Ptr Lock(BufferID id, Boolean) {
    gLog->calls.push_back("lock " + Name(id));
    if (gLog->failLock) {
        return nullptr;
    }
    return gLog->storage[reinterpret_cast<std::intptr_t>(id) - 1].data();
}
void Unlock(BufferID id) { gLog->calls.push_back("unlock " + Name(id)); }
void Free(BufferID id) { gLog->calls.push_back("free " + Name(id)); }
std::int32_t Space() { return 1 << 30; }

class TrackedMemoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        gLog = &log;
        procs = BufferProcs{2, 5, Allocate, Lock, Unlock, Free, Space};
        std::memset(&record, 0, sizeof record);
        record.bufferProcs = &procs;
        gHost.filterRecord = &record;
        gHost.resultSlot = &result;
        gHost.dataSlot = &data;
    }
    void TearDown() override {
        ReleaseAllTracked();
        EXPECT_EQ(TrackedBlockCount(), 0u);
        gHost = HostState{};
        gLog = nullptr;
    }
    static bool AllZero(const void* block, std::size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(block);
        for (std::size_t i = 0; i < size; ++i) {
            if (bytes[i] != 0) {
                return false;
            }
        }
        return true;
    }

    BufferLog log;
    BufferProcs procs{};
    FilterRecord record{};
    std::int16_t result = 0;
    std::intptr_t data = 0;
};

TEST_F(TrackedMemoryTest, HostBuffersComeFirstAndAreZeroFilled) {
    void* block = TrackedAlloc(64);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block, log.storage[0].data());
    EXPECT_TRUE(AllZero(block, 64));
    EXPECT_EQ(result, noErr);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"allocate 1", "lock 1"}));
}

TEST_F(TrackedMemoryTest, WithoutBufferProcsEveryBlockComesFromTheZeroFilledHeap) {
    record.bufferProcs = nullptr;
    void* block = TrackedAlloc(1000);
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(AllZero(block, 1000));
    EXPECT_EQ(result, noErr);
    EXPECT_TRUE(log.calls.empty());
    EXPECT_EQ(TrackedBlockCount(), 1u);
}

TEST_F(TrackedMemoryTest, UnclearedBlocksKeepTheHostsBytesAndAreTrackedAlike) {
    void* uncleared = TrackedAllocUncleared(64);
    void* cleared = TrackedAlloc(64);
    ASSERT_NE(uncleared, nullptr);
    ASSERT_NE(cleared, nullptr);
    EXPECT_EQ(uncleared, log.storage[0].data());
    EXPECT_EQ(static_cast<const char*>(uncleared)[63], '\x5A')
        << "the host's bytes were overwritten";
    EXPECT_TRUE(AllZero(cleared, 64));
    EXPECT_EQ(TrackedBlockCount(), 2u);
    EXPECT_EQ(TrackedBytesInUse(), 128u);
    TrackedFree(uncleared);
    EXPECT_EQ(log.calls.back(), "free 1");
    record.bufferProcs = nullptr;
    void* heap = TrackedAllocUncleared(100);
    EXPECT_NE(heap, nullptr);
    EXPECT_EQ(TrackedBlockCount(), 2u);
    ReleaseAllTracked();
    EXPECT_EQ(TrackedBlockCount(), 0u);
}

TEST_F(TrackedMemoryTest, ReleaseAllFreesNewestFirstWithUnlockBeforeFree) {
    ASSERT_NE(TrackedAlloc(8), nullptr);
    ASSERT_NE(TrackedAlloc(8), nullptr);
    ASSERT_NE(TrackedAlloc(8), nullptr);
    log.calls.clear();
    ReleaseAllTracked();
    EXPECT_EQ(log.calls, (std::vector<std::string>{"unlock 3", "free 3", "unlock 2", "free 2",
                                                   "unlock 1", "free 1"}));
    EXPECT_EQ(TrackedBlockCount(), 0u);
}

TEST_F(TrackedMemoryTest, FreeingUnknownOrAlreadyFreedAddressesChangesNothing) {
    void* block = TrackedAlloc(8);
    int stranger = 0;
    TrackedFree(&stranger);
    TrackedFree(nullptr);
    EXPECT_EQ(TrackedBlockCount(), 1u);
    TrackedFree(block);
    log.calls.clear();
    TrackedFree(block);
    EXPECT_TRUE(log.calls.empty());
    EXPECT_EQ(TrackedBlockCount(), 0u);
}

TEST_F(TrackedMemoryTest, FreeingFromTheMiddleKeepsTheListIntact) {
    void* a = TrackedAlloc(8);
    void* b = TrackedAlloc(8);
    void* c = TrackedAlloc(8);
    TrackedFree(b);
    log.calls.clear();
    ReleaseAllTracked();
    EXPECT_EQ(log.calls, (std::vector<std::string>{"unlock 3", "free 3", "unlock 1", "free 1"}));
    static_cast<void>(a);
    static_cast<void>(c);
}

TEST_F(TrackedMemoryTest, FailedLockGivesTheBufferBackAndFallsBackToTheHeap) {
    log.failLock = true;
    void* block = TrackedAlloc(32);
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(AllZero(block, 32));
    EXPECT_EQ(result, memFullErr);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"allocate 1", "lock 1", "free 1"}));
}

TEST_F(TrackedMemoryTest, FailedHostAllocationLeavesItsStatusAndUsesTheHeap) {
    log.failAllocateWith = -1234;
    void* block = TrackedAlloc(32);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(result, -1234);
}

TEST_F(TrackedMemoryTest, BufferDeliveredWhileTheSlotHoldsAnErrorIsGivenBack) {
    result = userCanceledErr;
    void* block = TrackedAlloc(16);
    ASSERT_NE(block, nullptr);
    EXPECT_NE(block, log.storage[0].data());  // the heap block, not the host's
    EXPECT_EQ(log.calls, (std::vector<std::string>{"allocate 1", "free 1"}));
    EXPECT_EQ(result, userCanceledErr);
}

TEST_F(TrackedMemoryTest, SizesBeyondTheHostsThirtyTwoBitArgumentFailCleanly) {
    // 4 x 32767 x 32767 bytes: the float plane of the largest document a host
    // can describe, which must not wrap round to a small block.
    const std::uint64_t size = 4ull * 32767ull * 32767ull;
    EXPECT_EQ(TrackedAlloc(size), nullptr);
    EXPECT_EQ(result, memFullErr);
    EXPECT_TRUE(log.calls.empty());
    EXPECT_EQ(TrackedBlockCount(), 0u);
}

TEST_F(TrackedMemoryTest, HighWaterMarkFollowsThePeakOfLiveBytes) {
    ResetTrackedHighWaterMark();
    void* a = TrackedAlloc(100);
    void* b = TrackedAlloc(50);
    TrackedFree(a);
    ASSERT_NE(TrackedAlloc(20), nullptr);
    EXPECT_EQ(TrackedHighWaterMark(), 150u);
    EXPECT_EQ(TrackedBytesInUse(), 70u);
    static_cast<void>(b);
}

TEST_F(TrackedMemoryTest, AnOwnedBufferIsFreedOnceWhereverItsOwnershipEnds) {
    {
        TrackedBuffer first = TrackedBuffer::Cleared(64);
        ASSERT_TRUE(first);
        EXPECT_TRUE(AllZero(first.get(), 64));
        TrackedBuffer moved = std::move(first);  // ownership moves, nothing is freed
        EXPECT_FALSE(first);
        EXPECT_EQ(TrackedBlockCount(), 1u);
        moved = TrackedBuffer::Uncleared(32);  // the old block goes before the new one is kept
        EXPECT_EQ(TrackedBlockCount(), 1u);
        EXPECT_EQ(log.calls, (std::vector<std::string>{"allocate 1", "lock 1", "allocate 2",
                                                       "lock 2", "unlock 1", "free 1"}));
    }
    EXPECT_EQ(TrackedBlockCount(), 0u);  // the scope's end freed the second
    EXPECT_EQ(log.calls.back(), "free 2");

    TrackedBuffer kept = TrackedBuffer::Cleared(16);
    void* address = kept.release();  // handed on: the buffer no longer frees it
    EXPECT_FALSE(kept);
    kept.reset();
    EXPECT_EQ(TrackedBlockCount(), 1u);
    TrackedFree(address);
    EXPECT_EQ(TrackedBlockCount(), 0u);
}

TEST_F(TrackedMemoryTest, AFailedAllocationGivesAnEmptyBufferThatFreesNothing) {
    log.failAllocateWith = memFullErr;
    record.bufferProcs = nullptr;
    {
        TrackedBuffer huge = TrackedBuffer::Cleared(8ull << 32);  // over the interface's limit
        EXPECT_FALSE(huge);
        EXPECT_EQ(result, memFullErr);
    }
    EXPECT_EQ(TrackedBlockCount(), 0u);
}

}  // namespace
}  // namespace mirtane
