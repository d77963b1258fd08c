// Recording the tints into the host's actions and replaying them. Descriptors
// hold tint - 25 under 'Rd  ', 'Grn ' and 'Bl  '.
#pragma once

#include <cstdint>

#include "pluginapi/PluginTypes.h"

namespace mirtane {

// Reads a replayed descriptor, when the host passes one: its tints override
// the parameter block's, and `showDialog` becomes 1 only when the host asks
// for the dialog (playInfo 1). Returns the close status of the descriptor, 0
// when there is nothing to read, or -1715 when `showDialog` or the scripting
// parameters are missing. An unknown key stops the reading without undoing
// the values already read.
[[nodiscard]] OSErr ReadScriptParameters(std::uint8_t* showDialog);

// Records the tints into a new descriptor handed to the host. Returns 0, or
// -1715 without scripting parameters or write procedures.
[[nodiscard]] OSErr WriteScriptParameters();

}  // namespace mirtane
