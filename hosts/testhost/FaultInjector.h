// Counts the host calls that can be made to fail and decides, call by call,
// whether the next one fails. A fault is armed for the nth call of its kind
// counted from the moment it is armed (1-based) and fires once; a cancel
// (FaultKind::Abort) stays reported from its nth abortProc call on, as a host
// keeps a cancel request once the user has made it.
#pragma once

#include <array>
#include <cstdint>

#include "hosts/kit/HostHandles.h"
#include "pluginapi/PluginTypes.h"

namespace testhost {

enum class FaultKind {
    NewHandle,       // handle newProc returns null
    LockHandle,      // handle lockProc returns null
    AllocateBuffer,  // buffer allocateProc returns the chosen code
    LockBuffer,      // buffer lockProc returns null
    AdvanceState,    // advanceState returns the chosen code
    Abort,           // abortProc reports cancel
};

constexpr int kFaultKindCount = 6;

// It is the handle table's policy too: newProc and lockProc fail when a
// NewHandle or LockHandle fault fires.
class FaultInjector : public hostkit::HandleCallPolicy {
  public:
    void Arm(FaultKind kind, int nth, OSErr code);
    void Clear();

    // Counts one call of `kind` and says whether it is to fail.
    [[nodiscard]] bool NextCallFails(FaultKind kind);
    OSErr Code(FaultKind kind) const { return slots_[Index(kind)].code; }

    bool NewHandleFails() override { return NextCallFails(FaultKind::NewHandle); }
    bool LockHandleFails() override { return NextCallFails(FaultKind::LockHandle); }

    // Calls of `kind` counted since the host was made.
    int CallCount(FaultKind kind) const { return slots_[Index(kind)].calls; }

  private:
    struct Slot {
        int calls = 0;
        int failAt = 0;  // call number that fails; 0 = none armed
        bool sticky = false;
        OSErr code = 0;
    };
    static std::size_t Index(FaultKind kind) { return static_cast<std::size_t>(kind); }
    std::array<Slot, kFaultKindCount> slots_{};
};

}  // namespace testhost
