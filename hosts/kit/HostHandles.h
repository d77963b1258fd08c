// A host's handles: a handle points at a master pointer, which points at
// the block. Every live handle and every lock on it is counted so that a run
// can be checked for leftovers. Calls on handles the table does not know are
// refused and written to the protocol log instead of crashing.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "pluginapi/PluginTypes.h"

namespace hostkit {

// Decides, call by call, whether newProc or lockProc is to fail: a test host
// answers from its fault injection. A host whose calls fail only for want of
// memory has none.
class HandleCallPolicy {
  public:
    [[nodiscard]] virtual bool NewHandleFails() = 0;
    [[nodiscard]] virtual bool LockHandleFails() = 0;

  protected:
    ~HandleCallPolicy() = default;
};

class HandleTable {
  public:
    // `policy` may be null: then no call is made to fail.
    HandleTable(std::vector<std::string>& protocolLog, HandleCallPolicy* policy = nullptr);
    ~HandleTable();
    HandleTable(const HandleTable&) = delete;
    HandleTable& operator=(const HandleTable&) = delete;

    // newProc: null for a negative or unreasonably large size, or when the
    // policy fails the call. New blocks hold a fill pattern, not zeros.
    Handle New(std::int32_t size);
    // The host's own handles (descriptors it hands out): no fault applies.
    Handle Create(std::int32_t size);
    // disposeProc: a locked handle may be disposed; null is ignored.
    void Dispose(Handle handle);
    // getSizeProc: 0 for an unknown handle.
    std::int32_t Size(Handle handle);
    // setSizeProc: the block may move; a locked handle cannot be resized
    // (-108), as its block must stay where the caller holds it.
    [[nodiscard]] OSErr Resize(Handle handle, std::int32_t newSize);
    // lockProc: locks nest; null when the policy fails the call.
    Ptr Lock(Handle handle, Boolean moveHigh);
    // unlockProc: unlocking a handle that is not locked does nothing.
    void Unlock(Handle handle);
    // When set, a block moves to a new address whenever its last lock is
    // released, as in hosts with a compacting memory manager.
    void SetMovesBlocks(bool moves) { movesBlocks_ = moves; }

    bool Contains(Handle handle) const { return entries_.count(handle) != 0; }
    int LiveCount() const { return static_cast<int>(entries_.size()); }
    int LockCount() const;
    // One line per live handle; nothing when none is live.
    void AppendLeakReport(std::string& report) const;

  private:
    struct Entry {
        char* master = nullptr;  // the master pointer: Handle == &master
        std::int32_t size = 0;
        int locks = 0;
    };
    Entry* Find(Handle handle, const char* operation);
    Handle Make(std::int32_t size);
    void MoveBlock(Entry& entry);

    std::vector<std::string>& protocolLog_;
    HandleCallPolicy* policy_;
    std::map<Handle, std::unique_ptr<Entry>> entries_;
    bool movesBlocks_ = false;
};

}  // namespace hostkit
