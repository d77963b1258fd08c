#include "hosts/testhost/PendingPaintWin.h"

namespace testhost {
namespace {

BOOL CALLBACK FindUnpaintedChild(HWND child, LPARAM context) {
    if (IsWindowVisible(child) && GetUpdateRect(child, nullptr, FALSE)) {
        *reinterpret_cast<bool*>(context) = true;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

bool HasPendingPaint(HWND window) {
    if (GetUpdateRect(window, nullptr, FALSE)) {
        return true;
    }
    // EnumChildWindows visits the children's children as well.
    bool pending = false;
    EnumChildWindows(window, &FindUnpaintedChild, reinterpret_cast<LPARAM>(&pending));
    return pending;
}

}  // namespace testhost
