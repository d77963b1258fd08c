// Work memory of a run. Blocks come from the host's buffer procedures when it
// offers them, else from the heap, and every block is recorded so that finish
// and the error epilogue can release whatever a run left allocated.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mirtane {

// Returns a zero-filled block of `size` bytes, or null. On failure -108 is
// or-ed into the host result slot. A failed host allocation or lock that the
// heap makes up for still leaves its status in the result slot; the caller's
// next host request overwrites it. Sizes above the host interface's 32-bit
// limit fail with -108.
void* TrackedAlloc(std::uint64_t size);

// As TrackedAlloc, but the contents of the block are whatever the host or
// the heap left there: for large blocks the caller writes in full before it
// reads them, where clearing would only cost a pass over memory and, on
// fresh pages, faulting in pages that are never used.
void* TrackedAllocUncleared(std::uint64_t size);

// Releases a block from TrackedAlloc or TrackedAllocUncleared. Null and unknown addresses are
// ignored.
void TrackedFree(void* address);

// Releases every recorded block, newest first.
void ReleaseAllTracked();

// Bookkeeping for tests and benchmarks.
std::size_t TrackedBlockCount();
std::uint64_t TrackedBytesInUse();
std::uint64_t TrackedHighWaterMark();
void ResetTrackedHighWaterMark();

}  // namespace mirtane
