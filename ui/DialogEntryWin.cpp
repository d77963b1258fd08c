// Launching the two dialogs over the host's window.
#include "ui/DialogEntry.h"
#include "ui/DialogWin.h"

#include <commctrl.h>

#include "platform/Platform.h"
#include "platform/win32/DialogRegistry.h"
#include "resources/DialogIds.h"
#include "run/HostState.h"

namespace mirtane::ui {
namespace {

constexpr const char* kMainTemplate = "MIRTANE";
constexpr const char* kAboutTemplate = "ABOUTMIRTANE";
constexpr const char* kAboutFailed = "Could not display About window";

HINSTANCE Module() { return static_cast<HINSTANCE>(platform::ModuleHandle()); }

HCURSOR LoadHandCursor(int id) { return LoadCursorA(Module(), MAKEINTRESOURCEA(id)); }

}  // namespace

std::int32_t RunMainDialog() {
    const FilterRecord* record = gHost.filterRecord;
    if (record == nullptr || gHost.parameterBlock == nullptr) {
        return -1;
    }
    const HWND hostWindow =
        record->platformData != nullptr ? static_cast<HWND>(record->platformData->hwnd) : nullptr;

    // The sliders are common controls; hosts need not have registered them.
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    DialogCursors& cursors = Cursors();
    cursors.pointingHand = LoadHandCursor(IDC_CURSOR_POINTING_HAND);
    cursors.closedHand = LoadHandCursor(IDC_CURSOR_CLOSED_HAND);
    cursors.openHand = LoadHandCursor(IDC_CURSOR_OPEN_HAND);

    // The host window's class cursor would fight ours while the dialog is
    // up: take it away and give it back afterwards.
    HCURSOR savedClassCursor = nullptr;
    if (hostWindow != nullptr) {
        savedClassCursor = reinterpret_cast<HCURSOR>(GetClassLongPtrA(hostWindow, GCLP_HCURSOR));
        SetClassLongPtrA(hostWindow, GCLP_HCURSOR, 0);
    }
    // Outside the navigator the dialog shows the host's cursor; a host
    // without one gets the arrow rather than no cursor at all.
    cursors.hostCursor =
        savedClassCursor != nullptr ? savedClassCursor : LoadCursorA(nullptr, IDC_ARROW);
    if (cursors.current == nullptr) {
        cursors.current = cursors.hostCursor;
    }

    const INT_PTR result = DialogBoxParamA(Module(), kMainTemplate, hostWindow, VexaMirtaneProc, 0);

    if (hostWindow != nullptr) {
        SetClassLongPtrA(hostWindow, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(savedClassCursor));
    }
    if (result == platform::kDialogNoBuffers) {
        return platform::kDialogFailed;
    }
    return static_cast<std::int32_t>(result);
}

void ShowAboutBox(void* ownerWindow) {
    const INT_PTR result = DialogBoxParamA(Module(), kAboutTemplate, static_cast<HWND>(ownerWindow),
                                           VexaMirtaneAboutProc, 0);
    if (result == -1 || result == 0) {
        platform::ShowErrorMessage(kAboutFailed, platform::kErrorCaption);
    }
}

namespace {

// The platform layer calls the dialogs through what is registered here; the
// plug-in's module takes every object of ui/, so this runs when it loads.
[[maybe_unused]] const bool gRegistered =
    (platform::RegisterDialogs({&RunMainDialog, &ShowAboutBox}), true);

}  // namespace
}  // namespace mirtane::ui
