// Ownership of one tracked block (see TrackedMemory.h): freed when its owner
// goes out of scope, handed on by moving. ReleaseAllTracked stays the safety
// net of a failed run, which the host interface may end between selectors
// with blocks still recorded.
#pragma once

#include <cstdint>
#include <utility>

#include "run/TrackedMemory.h"

namespace mirtane {

class TrackedBuffer {
  public:
    TrackedBuffer() = default;
    // A zero-filled block of `size` bytes; empty when it cannot be had (the
    // host result slot then says why, as TrackedAlloc does).
    static TrackedBuffer Cleared(std::uint64_t size) { return TrackedBuffer(TrackedAlloc(size)); }
    // A block whose contents are undefined, for buffers written in full
    // before they are read.
    static TrackedBuffer Uncleared(std::uint64_t size) {
        return TrackedBuffer(TrackedAllocUncleared(size));
    }

    TrackedBuffer(TrackedBuffer&& other) noexcept : address_(other.release()) {}
    TrackedBuffer& operator=(TrackedBuffer&& other) noexcept {
        if (this != &other) {
            TrackedFree(address_);
            address_ = other.release();
        }
        return *this;
    }
    TrackedBuffer(const TrackedBuffer&) = delete;
    TrackedBuffer& operator=(const TrackedBuffer&) = delete;
    ~TrackedBuffer() { TrackedFree(address_); }

    explicit operator bool() const { return address_ != nullptr; }
    void* get() const { return address_; }
    std::uint8_t* bytes() const { return static_cast<std::uint8_t*>(address_); }

    // Frees the block now; the buffer is empty afterwards.
    void reset() { TrackedFree(release()); }
    // Gives up ownership without freeing.
    void* release() { return std::exchange(address_, nullptr); }

  private:
    explicit TrackedBuffer(void* address) : address_(address) {}
    void* address_ = nullptr;
};

}  // namespace mirtane
