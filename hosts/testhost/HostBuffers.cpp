#include "hosts/testhost/HostBuffers.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

#include "pluginapi/PluginConstants.h"

namespace testhost {
namespace {

constexpr int kFreshBlockPattern = 0x5A;

}  // namespace

BufferTable::BufferTable(FaultInjector& faults, std::vector<std::string>& protocolLog)
    : faults_(faults), protocolLog_(protocolLog) {}

BufferTable::~BufferTable() = default;

BufferTable::Entry* BufferTable::Find(BufferID id, const char* operation) {
    const auto found = entries_.find(id);
    if (found == entries_.end()) {
        char line[128];
        std::snprintf(line, sizeof line, "%s of an unknown buffer %p", operation,
                      static_cast<void*>(id));
        protocolLog_.emplace_back(line);
        return nullptr;
    }
    return found->second.get();
}

OSErr BufferTable::Allocate(std::int32_t size, BufferID* id) {
    if (id == nullptr) {
        protocolLog_.emplace_back("allocateProc without a place for the buffer id");
        return paramErr;
    }
    *id = nullptr;
    if (faults_.NextCallFails(FaultKind::AllocateBuffer)) {
        return faults_.Code(FaultKind::AllocateBuffer);
    }
    if (size < 0 || size > capacity_ - bytesInUse_) {
        return memFullErr;
    }
    auto entry = std::make_unique<Entry>();
    entry->block.reset(new (std::nothrow) std::uint8_t[size > 0 ? size : 1]);
    if (!entry->block) {
        return memFullErr;
    }
    std::memset(entry->block.get(), kFreshBlockPattern, static_cast<std::size_t>(size));
    entry->size = size;
    // The id is the entry's address: unique while the buffer lives.
    *id = reinterpret_cast<BufferID>(entry.get());
    bytesInUse_ += size;
    entries_.emplace(*id, std::move(entry));
    return noErr;
}

Ptr BufferTable::Lock(BufferID id, Boolean /*moveHigh*/) {
    if (faults_.NextCallFails(FaultKind::LockBuffer)) {
        return nullptr;
    }
    Entry* entry = Find(id, "buffer lockProc");
    if (entry == nullptr) {
        return nullptr;
    }
    ++entry->locks;
    return reinterpret_cast<Ptr>(entry->block.get());
}

void BufferTable::Unlock(BufferID id) {
    Entry* entry = Find(id, "buffer unlockProc");
    if (entry != nullptr && entry->locks > 0) {
        --entry->locks;
    }
}

void BufferTable::Free(BufferID id) {
    if (Find(id, "freeProc") == nullptr) {
        return;
    }
    const auto found = entries_.find(id);
    bytesInUse_ -= found->second->size;
    entries_.erase(found);
}

std::int32_t BufferTable::Space() const {
    const std::int64_t free = std::max<std::int64_t>(0, capacity_ - bytesInUse_);
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(free, std::numeric_limits<std::int32_t>::max()));
}

int BufferTable::LockCount() const {
    int locks = 0;
    for (const auto& item : entries_) {
        locks += item.second->locks;
    }
    return locks;
}

void BufferTable::AppendLeakReport(std::string& report) const {
    for (const auto& item : entries_) {
        char line[128];
        std::snprintf(line, sizeof line, "buffer %p of %d bytes left over, locked %d time(s)\n",
                      static_cast<void*>(item.first), static_cast<int>(item.second->size),
                      item.second->locks);
        report += line;
    }
}

}  // namespace testhost
