#include "hosts/testhost/FaultInjector.h"

namespace testhost {

void FaultInjector::Arm(FaultKind kind, int nth, OSErr code) {
    Slot& slot = slots_[Index(kind)];
    slot.failAt = nth > 0 ? slot.calls + nth : 0;
    slot.sticky = kind == FaultKind::Abort;
    slot.code = code;
}

void FaultInjector::Clear() {
    for (Slot& slot : slots_) {
        slot.failAt = 0;
        slot.code = 0;
    }
}

bool FaultInjector::NextCallFails(FaultKind kind) {
    Slot& slot = slots_[Index(kind)];
    ++slot.calls;
    if (slot.failAt == 0) {
        return false;
    }
    return slot.sticky ? slot.calls >= slot.failAt : slot.calls == slot.failAt;
}

}  // namespace testhost
