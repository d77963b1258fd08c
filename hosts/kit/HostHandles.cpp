#include "hosts/kit/HostHandles.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "pluginapi/PluginConstants.h"

namespace hostkit {
namespace {

// Blocks a host hands out are not cleared; a recognisable pattern makes a
// plug-in that relies on zeros fail visibly.
constexpr int kFreshBlockPattern = 0xA5;
constexpr std::int32_t kLargestHandle = 256 * 1024 * 1024;

char* AllocateBlock(std::int32_t size) {
    return static_cast<char*>(std::malloc(size > 0 ? static_cast<std::size_t>(size) : 1));
}

}  // namespace

HandleTable::HandleTable(std::vector<std::string>& protocolLog, HandleCallPolicy* policy)
    : protocolLog_(protocolLog), policy_(policy) {}

HandleTable::~HandleTable() {
    for (auto& item : entries_) {
        std::free(item.second->master);
    }
}

HandleTable::Entry* HandleTable::Find(Handle handle, const char* operation) {
    const auto found = entries_.find(handle);
    if (found == entries_.end()) {
        char line[128];
        std::snprintf(line, sizeof line, "%s of an unknown handle %p", operation,
                      static_cast<void*>(handle));
        protocolLog_.emplace_back(line);
        return nullptr;
    }
    return found->second.get();
}

Handle HandleTable::Make(std::int32_t size) {
    if (size < 0 || size > kLargestHandle) {
        return nullptr;
    }
    auto entry = std::make_unique<Entry>();
    entry->master = AllocateBlock(size);
    if (entry->master == nullptr) {
        return nullptr;
    }
    std::memset(entry->master, kFreshBlockPattern, static_cast<std::size_t>(size));
    entry->size = size;
    Handle handle = &entry->master;
    entries_.emplace(handle, std::move(entry));
    return handle;
}

Handle HandleTable::New(std::int32_t size) {
    if (policy_ != nullptr && policy_->NewHandleFails()) {
        return nullptr;
    }
    if (size < 0) {
        protocolLog_.emplace_back("newProc asked for a negative size");
    }
    return Make(size);
}

Handle HandleTable::Create(std::int32_t size) { return Make(size); }

void HandleTable::Dispose(Handle handle) {
    if (handle == nullptr) {
        return;
    }
    if (Find(handle, "disposeProc") == nullptr) {
        return;
    }
    const auto found = entries_.find(handle);
    std::free(found->second->master);
    entries_.erase(found);
}

std::int32_t HandleTable::Size(Handle handle) {
    const Entry* entry = Find(handle, "getSizeProc");
    return entry != nullptr ? entry->size : 0;
}

OSErr HandleTable::Resize(Handle handle, std::int32_t newSize) {
    Entry* entry = Find(handle, "setSizeProc");
    if (entry == nullptr) {
        return paramErr;
    }
    if (newSize < 0 || newSize > kLargestHandle || entry->locks > 0) {
        return memFullErr;
    }
    char* block = AllocateBlock(newSize);
    if (block == nullptr) {
        return memFullErr;
    }
    std::memset(block, kFreshBlockPattern, static_cast<std::size_t>(newSize));
    std::memcpy(block, entry->master, static_cast<std::size_t>(std::min(entry->size, newSize)));
    std::free(entry->master);
    entry->master = block;  // the block moves, as it may on any host
    entry->size = newSize;
    return 0;
}

Ptr HandleTable::Lock(Handle handle, Boolean /*moveHigh*/) {
    if (policy_ != nullptr && policy_->LockHandleFails()) {
        return nullptr;
    }
    Entry* entry = Find(handle, "lockProc");
    if (entry == nullptr) {
        return nullptr;
    }
    ++entry->locks;
    return entry->master;
}

void HandleTable::Unlock(Handle handle) {
    Entry* entry = Find(handle, "unlockProc");
    if (entry != nullptr && entry->locks > 0) {
        --entry->locks;
        if (entry->locks == 0 && movesBlocks_) {
            MoveBlock(*entry);
        }
    }
}

// Moves an unlocked block as a compacting memory manager would: the contents
// go to a new address and the old one is freed, so any pointer the plug-in
// kept from an earlier lock now points into freed memory.
void HandleTable::MoveBlock(Entry& entry) {
    char* moved = AllocateBlock(entry.size);
    if (moved == nullptr) {
        return;  // a host short of memory leaves the block where it is
    }
    std::memcpy(moved, entry.master, static_cast<std::size_t>(entry.size));
    std::free(entry.master);
    entry.master = moved;
}

int HandleTable::LockCount() const {
    int locks = 0;
    for (const auto& item : entries_) {
        locks += item.second->locks;
    }
    return locks;
}

void HandleTable::AppendLeakReport(std::string& report) const {
    for (const auto& item : entries_) {
        char line[128];
        std::snprintf(line, sizeof line, "handle %p of %d bytes left over, locked %d time(s)\n",
                      static_cast<void*>(item.first), static_cast<int>(item.second->size),
                      item.second->locks);
        report += line;
    }
}

}  // namespace hostkit
