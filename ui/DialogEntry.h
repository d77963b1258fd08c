// Entry points of the Win32 dialogs, called through the platform seam.
#pragma once

#include <cstdint>

namespace mirtane::ui {

// Runs the main dialog modally over the host's window. Returns 1 (OK),
// 2 (Cancel), -4 (display too small, message shown), -3 (the host failed to
// deliver preview pixels; its code is in the result slot), -2 (pane buffers
// could not be allocated) or -1 (the dialog box could not be created).
std::int32_t RunMainDialog();

// Shows the about box owned by the given host window; reports its own failure.
void ShowAboutBox(void* ownerWindow);

}  // namespace mirtane::ui
