// The host's buffer procedures: blocks identified by an opaque id, usable
// only while locked. Every live buffer and lock is counted, and allocations
// are limited by a settable amount of free space (spaceProc).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "hosts/testhost/FaultInjector.h"
#include "pluginapi/PluginSuites.h"

namespace testhost {

class BufferTable {
  public:
    BufferTable(FaultInjector& faults, std::vector<std::string>& protocolLog);
    ~BufferTable();
    BufferTable(const BufferTable&) = delete;
    BufferTable& operator=(const BufferTable&) = delete;

    // allocateProc: 0 and a new id; -108 when the size exceeds the free space
    // (or is negative); the fault's code when an AllocateBuffer fault fires.
    // On failure the id is set to null.
    [[nodiscard]] OSErr Allocate(std::int32_t size, BufferID* id);
    // lockProc: locks nest; null for an unknown id or when a LockBuffer fault
    // fires. Fresh buffers hold a fill pattern, not zeros.
    Ptr Lock(BufferID id, Boolean moveHigh);
    // unlockProc: unlocking a buffer that is not locked does nothing.
    void Unlock(BufferID id);
    // freeProc: a locked buffer may be freed.
    void Free(BufferID id);
    // spaceProc: bytes still available.
    std::int32_t Space() const;

    void SetCapacity(std::int64_t bytes) { capacity_ = bytes; }
    int LiveCount() const { return static_cast<int>(entries_.size()); }
    int LockCount() const;
    std::int64_t BytesInUse() const { return bytesInUse_; }
    void AppendLeakReport(std::string& report) const;

  private:
    struct Entry {
        std::unique_ptr<std::uint8_t[]> block;
        std::int32_t size = 0;
        int locks = 0;
    };
    Entry* Find(BufferID id, const char* operation);

    FaultInjector& faults_;
    std::vector<std::string>& protocolLog_;
    std::map<BufferID, std::unique_ptr<Entry>> entries_;
    std::int64_t capacity_ = std::int64_t{1} << 30;
    std::int64_t bytesInUse_ = 0;
};

}  // namespace testhost
