#include "run/TrackedMemory.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "run/HostState.h"

namespace mirtane {
namespace {

enum class BlockSource { HostBuffer, Heap };
enum class Contents { Cleared, Undefined };

struct AllocationRecord {
    AllocationRecord* next = nullptr;
    AllocationRecord* previous = nullptr;
    void* block = nullptr;
    BufferID bufferId = nullptr;
    BlockSource source = BlockSource::Heap;
    std::uint64_t size = 0;
};

// Oldest record at the head, newest at the tail.
struct AllocationList {
    AllocationRecord* head = nullptr;
    AllocationRecord* tail = nullptr;
    std::size_t count = 0;
    std::uint64_t bytesInUse = 0;
    std::uint64_t highWaterMark = 0;
};

AllocationList gAllocations;

BufferProcs* HostBufferProcs() {
    return gHost.filterRecord != nullptr ? gHost.filterRecord->bufferProcs : nullptr;
}

void ReleaseBlock(const AllocationRecord& record) {
    if (record.source == BlockSource::Heap) {
        std::free(record.block);
        return;
    }
    BufferProcs* procs = HostBufferProcs();
    if (procs == nullptr) {
        return;  // the host took its buffer suite away; nothing we can give back
    }
    procs->unlockProc(record.bufferId);
    procs->freeProc(record.bufferId);
}

// Records a block; false when the record itself cannot be allocated.
bool AppendRecord(void* block, BufferID bufferId, BlockSource source, std::uint64_t size) {
    auto* record = new (std::nothrow) AllocationRecord;
    if (record == nullptr) {
        return false;
    }
    record->block = block;
    record->bufferId = bufferId;
    record->source = source;
    record->size = size;
    record->previous = gAllocations.tail;
    if (gAllocations.tail != nullptr) {
        gAllocations.tail->next = record;
    } else {
        gAllocations.head = record;
    }
    gAllocations.tail = record;
    ++gAllocations.count;
    gAllocations.bytesInUse += size;
    if (gAllocations.bytesInUse > gAllocations.highWaterMark) {
        gAllocations.highWaterMark = gAllocations.bytesInUse;
    }
    return true;
}

void Unlink(AllocationRecord* record) {
    if (record->previous != nullptr) {
        record->previous->next = record->next;
    } else {
        gAllocations.head = record->next;
    }
    if (record->next != nullptr) {
        record->next->previous = record->previous;
    } else {
        gAllocations.tail = record->previous;
    }
    --gAllocations.count;
    gAllocations.bytesInUse -= record->size;
}

// Host buffers first. Null when the host has none to give, has failed, or
// the result slot already holds an error (then a buffer it delivered anyway
// goes straight back, rather than being lost).
void* AllocateHostBuffer(std::uint64_t size, Contents contents) {
    BufferProcs* procs = HostBufferProcs();
    if (procs == nullptr) {
        return nullptr;
    }
    BufferID bufferId = nullptr;
    const OSErr status = procs->allocateProc(static_cast<std::int32_t>(size), &bufferId);
    OrHostResult(status);
    if (HostResult() != noErr) {
        if (status == noErr && bufferId != nullptr) {
            procs->freeProc(bufferId);
        }
        return nullptr;
    }
    Ptr address = procs->lockProc(bufferId, 1);
    if (address == nullptr) {
        procs->freeProc(bufferId);
        OrHostResult(memFullErr);
        return nullptr;
    }
    if (contents == Contents::Cleared) {
        std::memset(address, 0, static_cast<std::size_t>(size));
    }
    if (!AppendRecord(address, bufferId, BlockSource::HostBuffer, size)) {
        procs->unlockProc(bufferId);
        procs->freeProc(bufferId);
        OrHostResult(memFullErr);
        return nullptr;
    }
    return address;
}

void* Allocate(std::uint64_t size, Contents contents) {
    // The host's allocator takes a signed 32-bit size; anything larger is
    // refused outright instead of wrapping round to a small block.
    if (size > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
        OrHostResult(memFullErr);
        return nullptr;
    }
    if (void* hostBlock = AllocateHostBuffer(size, contents)) {
        return hostBlock;
    }
    const std::size_t bytes = size == 0 ? 1 : static_cast<std::size_t>(size);
    void* block = contents == Contents::Cleared ? std::calloc(bytes, 1) : std::malloc(bytes);
    if (block == nullptr) {
        OrHostResult(memFullErr);
        return nullptr;
    }
    if (!AppendRecord(block, nullptr, BlockSource::Heap, size)) {
        std::free(block);
        OrHostResult(memFullErr);
        return nullptr;
    }
    return block;
}

}  // namespace

void* TrackedAlloc(std::uint64_t size) { return Allocate(size, Contents::Cleared); }

void* TrackedAllocUncleared(std::uint64_t size) { return Allocate(size, Contents::Undefined); }

void TrackedFree(void* address) {
    if (address == nullptr) {
        return;
    }
    AllocationRecord* record = gAllocations.head;
    while (record != nullptr && record->block != address) {
        record = record->next;
    }
    if (record == nullptr) {
        return;
    }
    Unlink(record);
    ReleaseBlock(*record);
    delete record;
}

void ReleaseAllTracked() {
    while (gAllocations.tail != nullptr) {
        TrackedFree(gAllocations.tail->block);
    }
}

std::size_t TrackedBlockCount() { return gAllocations.count; }
std::uint64_t TrackedBytesInUse() { return gAllocations.bytesInUse; }
std::uint64_t TrackedHighWaterMark() { return gAllocations.highWaterMark; }
void ResetTrackedHighWaterMark() { gAllocations.highWaterMark = gAllocations.bytesInUse; }

}  // namespace mirtane
