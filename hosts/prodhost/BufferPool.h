// Memory for a run of the production host: the plug-in's buffers and the
// host's own staging areas. Blocks handed back are kept and handed out again
// (a later request of up to the block's size, down to half of it, takes the
// smallest fitting one), so work memory is faulted in once per process, not
// once per request. Large blocks are mapped on huge-page boundaries and
// marked for transparent huge pages, which cuts the page faults of a 100 MB
// plane from about 25 000 to about 50. Nothing is filled: a block holds
// whatever it last held, as host buffers do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace prodhost {

class BufferPool {
  public:
    explicit BufferPool(std::uint64_t capacity);
    ~BufferPool();
    BufferPool(const BufferPool&) = delete;
    BufferPool& operator=(const BufferPool&) = delete;

    // A block of at least `bytes` bytes, or null when the capacity would be
    // exceeded or the system has no memory left.
    void* Take(std::size_t bytes);
    // Returns a block from Take; false (and nothing done) for any other address.
    bool Give(void* block);
    // True when `block` was handed out by Take and not given back.
    bool Lent(const void* block) const;

    std::uint64_t BytesLent() const { return bytesLent_; }
    std::uint64_t BytesMapped() const { return bytesMapped_; }
    std::uint64_t capacity() const { return capacity_; }
    int BlocksLent() const;

  private:
    struct Block {
        void* address = nullptr;
        std::size_t size = 0;  // bytes usable (the mapped size)
        bool lent = false;
    };

    std::vector<Block> blocks_;
    std::uint64_t capacity_;
    std::uint64_t bytesLent_ = 0;
    std::uint64_t bytesMapped_ = 0;
};

// Capacity for a host on this machine: half the physical memory, at most
// what the interface's signed 32-bit sizes can describe in total.
std::uint64_t DefaultPoolCapacity();

}  // namespace prodhost
