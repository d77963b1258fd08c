// The three tints survive between runs in the host's descriptor registry,
// stored as tint - 25 under the plug-in's unique identifier. Every failure is
// silent: the run goes on with whatever tints were set before it.
#pragma once

#include "pluginapi/PluginTypes.h"

namespace mirtane {

// Reads the stored tints into the parameter block. Returns 0 (also when
// nothing is stored yet), -30900 when the host has no basic suite, or the
// status of the host call that failed. Values read stay unlimited.
[[nodiscard]] OSErr LoadLastUsedSettings();

// Stores the parameter block's tints persistently. Same statuses.
[[nodiscard]] OSErr StoreLastUsedSettings();

}  // namespace mirtane
