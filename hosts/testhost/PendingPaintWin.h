// Whether a window still has something to draw: an update region in the
// window itself or in one of its visible child windows. Once the window's
// thread is back in its message loop and none is left, the window has drawn
// itself; the dialog drivers wait for that before they act on a dialog.
#pragma once

#include <windows.h>

namespace testhost {

bool HasPendingPaint(HWND window);

}  // namespace testhost
