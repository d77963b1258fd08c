// Module-level state of the plug-in: what the host handed over at the top of
// the current PluginMain call, and the two blocks while their handles are
// locked. The host serves one run at a time on one thread, so plain globals
// are all that is needed.
#pragma once

#include <cstdint>

#include "blocks/ParameterBlock.h"
#include "pluginapi/FilterRecord.h"
#include "pluginapi/PluginConstants.h"
#include "run/CurrentRun.h"

namespace mirtane {

// The per-run block the entry point keeps in the host's data slot; only the
// selector handlers (host/ParameterBlock.h) look inside it.
struct GlobalsBlock;

struct HostState {
    FilterRecord* filterRecord = nullptr;
    std::intptr_t* dataSlot = nullptr;
    std::int16_t* resultSlot = nullptr;
    ParameterBlock* parameterBlock = nullptr;
    GlobalsBlock* globalsBlock = nullptr;
};

extern HostState gHost;

// Or-s a host status into the result slot, as the allocator does with the
// host's own failure codes.
inline void OrHostResult(std::int16_t code) {
    if (gHost.resultSlot != nullptr) {
        *gHost.resultSlot = static_cast<std::int16_t>(*gHost.resultSlot | code);
    }
}

}  // namespace mirtane
