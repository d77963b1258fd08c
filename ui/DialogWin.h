// Shared between the Win32 files of the dialogs: the two exported dialog
// procedures, the dialog's module-level state, the pane operations that
// need a window, and the shell actions.
#pragma once

#include <windows.h>

#include <cstdint>

#include "ui/NavigatorMouse.h"

// The dialog procedures, exported by name from the plug-in.
extern "C" INT_PTR CALLBACK VexaMirtaneProc(HWND dialog, UINT message, WPARAM wParam,
                                            LPARAM lParam) noexcept;
extern "C" INT_PTR CALLBACK VexaMirtaneAboutProc(HWND dialog, UINT message, WPARAM wParam,
                                                 LPARAM lParam) noexcept;

namespace mirtane::ui {

// The cursors of the main dialog: the three hands from the plug-in's
// resources, the host window's own cursor, and the one every cursor request
// in the dialog receives.
struct DialogCursors {
    HCURSOR pointingHand = nullptr;
    HCURSOR closedHand = nullptr;
    HCURSOR openHand = nullptr;
    HCURSOR hostCursor = nullptr;
    HCURSOR current = nullptr;
};
DialogCursors& Cursors();

// The panes, zoom, drag state and Before/After flag of the main dialog.
// A dialog procedure gets no context pointer, so this lives at module level
// and is rebuilt at every initialisation.
NavigatorModel& DialogState();

// Lays out the pane in its place-holder control (the pane's controlId) and
// allocates its buffer. 0, or -1 on failure.
[[nodiscard]] std::int32_t SetUpPane(HWND dialog, const Rect& filterRect, ViewPane& pane);

// Draws a black frame 2 pixels outside the pane's image and has the host
// draw the image. Ids other than the preview's and the navigator's draw
// nothing.
void DrawPane(HDC deviceContext, std::int32_t paneId);

// Marks the pane's image for repainting without erasing. Does nothing for
// other ids or while the host result holds an error.
void InvalidatePane(HWND dialog, std::int32_t paneId);

// Computes the view frame, remembers it for the mouse rules and draws it in
// red on the navigator.
void DrawViewFrame(HDC deviceContext);

// Opens the help page named by the registry; shows a message and returns
// false when it cannot.
bool OpenHelpPage();

// Opens the project's releases page when the build names one, otherwise the
// installed help page at its section on versions and updates; says "Help
// location could not be determined" when no help page is installed.
void OpenUpdatePage();

}  // namespace mirtane::ui
