// The work of each selector. PluginMain records the host's pointers in gHost
// and calls these; each reports failure through the host result slot.
#pragma once

#include "pluginapi/FilterRecord.h"

namespace mirtane {

void HandleAbout(const AboutRecord* about);
void HandleParameters();
void HandlePrepare();
void HandleStart();
void HandleContinue();
void HandleFinish();

// Empties inRect, outRect and maskRect: the host has nothing left to deliver.
void ClearHostRects();

// Releases everything a failed selector may have left: work memory, both
// handles, pending requests.
void RunErrorEpilogue();

}  // namespace mirtane
