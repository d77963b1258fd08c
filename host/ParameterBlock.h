// The settings block (blocks/ParameterBlock.h) kept in the host's parameters
// handle and the per-run block kept in the host's data slot, with the
// operations on their handles.
#pragma once

#include <cstdint>

#include "blocks/ParameterBlock.h"

namespace mirtane {

// Per-run bookkeeping.
struct GlobalsBlock {
    std::uint8_t showDialog;
    float* curveStorage[3];  // red, green, blue blocks from TrackedAlloc
};

// The settings every run starts from: neutral tints, gamma 0.7, 256-entry
// curves, a 257-row slope grid, no tables, levels 0 and 1.
ParameterBlock DefaultParameterBlock();

// Each operation reads the filter record, data slot and result slot recorded
// by PluginMain and reports failure in the result slot.
void CreateParameterHandle();
void CreateGlobalsHandle();
void LockHandles();
void UnlockHandles();
void DisposeHandles();
void SetParameterDefaults();
void InitGlobals();

// Both handles locked for the guard's lifetime: LockHandles when made,
// UnlockHandles when gone, whatever happened in between (a failed lock
// included, as UnlockHandles copes with handles that were never locked).
class LockedHandles {
  public:
    LockedHandles() { LockHandles(); }
    ~LockedHandles() { UnlockHandles(); }
    LockedHandles(const LockedHandles&) = delete;
    LockedHandles& operator=(const LockedHandles&) = delete;
};

}  // namespace mirtane
