// The results of the main dialog, as RunMainDialog reports them to the start
// selector. ui/ ends the dialog with them, the headless layer's handler
// returns them, and host/ acts on them.
#pragma once

#include <cstdint>

namespace mirtane::platform {

enum DialogResult : std::int32_t {
    kDialogConfirmed = 1,
    kDialogCancelled = 2,
    // The dialog ends with 0 when its pane buffers are missing; the system
    // also answers 0 for an unusable owner window. RunMainDialog reports
    // either as kDialogFailed.
    kDialogNoBuffers = 0,
    kDialogFailed = -2,
    // A host call failed; the host's code is already in the result slot.
    kDialogHostFailed = -3,
    // The dialog told the user why it cannot run (it does not fit the screen).
    kDialogMessageShown = -4,
};

}  // namespace mirtane::platform
