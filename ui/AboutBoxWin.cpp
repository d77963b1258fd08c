// The about box's procedure.
#include "resources/DialogIds.h"
#include "resources/PluginIdentity.h"
#include "ui/DialogWin.h"

// Month and year of the release's build time (see cmake/BuildTime.cmake), as
// the help page shows them too.
#ifndef MIRTANE_BUILD_MONTH
#error "MIRTANE_BUILD_MONTH must be defined by the build"
#endif

namespace mirtane::ui {
namespace {

constexpr const char* kVersionLine = "Version " MIRTANE_VERSION_TEXT "  (" MIRTANE_BUILD_MONTH ")";

BOOL OnAboutInit(HWND dialog) {
    SetDlgItemTextA(dialog, IDC_ABOUT_VERSION, kVersionLine);
    // The update button comes first in the tab order and would take Enter
    // for itself; OK is the button Enter is meant to press.
    SetFocus(GetDlgItem(dialog, IDC_ABOUT_OK));
    return FALSE;
}

BOOL OnAboutCommand(HWND dialog, WPARAM wParam) {
    if (HIWORD(wParam) != 0) {
        return FALSE;
    }
    switch (LOWORD(wParam)) {
    case IDC_ABOUT_OK: EndDialog(dialog, IDOK); return TRUE;
    case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
    case IDC_BUTTON_UPDATE: OpenUpdatePage(); return TRUE;
    case IDC_LOGO: return TRUE;
    default: return FALSE;
    }
}

}  // namespace
}  // namespace mirtane::ui

extern "C" INT_PTR CALLBACK VexaMirtaneAboutProc(HWND dialog, UINT message, WPARAM wParam,
                                                 LPARAM /*lParam*/) noexcept {
    try {
        switch (message) {
        case WM_INITDIALOG: return mirtane::ui::OnAboutInit(dialog);
        case WM_COMMAND: return mirtane::ui::OnAboutCommand(dialog, wParam);
        default: return FALSE;
        }
    } catch (...) {
        return FALSE;
    }
}
