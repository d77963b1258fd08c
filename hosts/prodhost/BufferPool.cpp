#include "hosts/prodhost/BufferPool.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <limits>

namespace prodhost {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Below this a block is not worth a huge page of its own.
constexpr std::size_t kHugePageThreshold = kHugePage;

std::size_t RoundUp(std::size_t value, std::size_t multiple) {
    return (value + multiple - 1) / multiple * multiple;
}

void* MapBlock(std::size_t size) {
    void* address = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (address == MAP_FAILED) {
        return nullptr;
    }
    if (size >= kHugePageThreshold) {
        // Advice only: without transparent huge pages the block works the same.
        static_cast<void>(madvise(address, size, MADV_HUGEPAGE));
    }
    return address;
}

}  // namespace

std::uint64_t DefaultPoolCapacity() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    const std::uint64_t half =
        pages > 0 && pageSize > 0
            ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize) / 2
            : std::uint64_t{1} << 30;
    return std::min<std::uint64_t>(half, std::numeric_limits<std::int32_t>::max());
}

BufferPool::BufferPool(std::uint64_t capacity) : capacity_(capacity) {}

BufferPool::~BufferPool() {
    for (const Block& block : blocks_) {
        munmap(block.address, block.size);
    }
}

void* BufferPool::Take(std::size_t bytes) {
    const std::size_t wanted = std::max<std::size_t>(bytes, 1);
    Block* best = nullptr;
    for (Block& block : blocks_) {
        const bool fits = !block.lent && block.size >= wanted && block.size / 2 <= wanted;
        if (fits && (best == nullptr || block.size < best->size)) {
            best = &block;
        }
    }
    if (best == nullptr) {
        const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        const std::size_t size = RoundUp(wanted, wanted >= kHugePageThreshold ? kHugePage : page);
        if (bytesLent_ + size > capacity_) {
            return nullptr;
        }
        void* address = MapBlock(size);
        if (address == nullptr) {
            return nullptr;
        }
        blocks_.push_back(Block{address, size, false});
        bytesMapped_ += size;
        best = &blocks_.back();
    } else if (bytesLent_ + best->size > capacity_) {
        return nullptr;
    }
    best->lent = true;
    bytesLent_ += best->size;
    return best->address;
}

bool BufferPool::Give(void* address) {
    for (Block& block : blocks_) {
        if (block.address == address && block.lent) {
            block.lent = false;
            bytesLent_ -= block.size;
            return true;
        }
    }
    return false;
}

bool BufferPool::Lent(const void* address) const {
    return std::any_of(blocks_.begin(), blocks_.end(), [address](const Block& block) {
        return block.address == address && block.lent;
    });
}

int BufferPool::BlocksLent() const {
    return static_cast<int>(std::count_if(blocks_.begin(), blocks_.end(),
                                          [](const Block& block) { return block.lent; }));
}

}  // namespace prodhost
