// What the pipeline and the dialog may know of the run in progress: the filter
// record the host handed over, the settings block while its handle is locked,
// and the result slot. The state itself is run/HostState.h's, which only the
// entry point and the selector handlers (host/) fill.
#pragma once

#include <cstdint>

#include "blocks/ParameterBlock.h"
#include "pluginapi/FilterRecord.h"

namespace mirtane {

// The filter record of the current PluginMain call; null outside one.
FilterRecord* CurrentFilterRecord();
// The settings block while its handle is locked; null otherwise.
ParameterBlock* CurrentParameterBlock();

// The code in the host's result slot (0 without a slot), and its replacement.
std::int16_t HostResult();
void SetHostResult(std::int16_t code);

// The plane count the checks and the application use: `planes` for a flat
// image, `inLayerPlanes` for a layer.
std::int16_t DocumentPlaneCount();

}  // namespace mirtane
