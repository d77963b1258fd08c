// The navigator: the red frame that shows the preview's view on the small
// whole-image pane, and the mouse rules that drag the frame or centre the
// view where the user clicks.
#pragma once

#include <cstdint>

#include "pluginapi/PluginTypes.h"
#include "ui/ViewPane.h"
#include "ui/ZoomState.h"

namespace mirtane::ui {

// A point in image coordinates.
struct ImagePoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

enum class CursorChoice { None, PointingHand, ClosedHand, OpenHand, HostCursor };

struct DragState {
    bool dragging = false;
    bool moved = false;     // the view moved during the current drag
    ImagePoint grabOffset;  // grabbed image point minus the view origin
    DialogPoint previous;   // pointer position of the last message
    Rect viewFrame{};       // the red frame as last drawn, dialog coordinates
};

// Everything the mouse rules read and change: the dialog's panes, zoom,
// drag state, the Before/After flag and the chosen cursor.
struct NavigatorModel {
    Rect filterRect{};
    ViewPane preview;
    ViewPane navigator;
    ZoomState zoom;
    DragState drag;
    bool showCorrected = true;
    CursorChoice cursor = CursorChoice::None;
};

// What the window side must do after a mouse message. The current cursor
// (model.cursor) is always applied afterwards.
struct MouseActions {
    bool invalidatePanes = false;  // the preview, then the navigator
    bool captureMouse = false;
    bool releaseCapture = false;
};

// The view in dialog coordinates on the navigator: the preview's source
// rectangle scaled up to image coordinates, made relative to the filter
// area, scaled down by the navigator's scale and placed at the navigator's
// displayRect (negative offsets count as 0).
Rect ViewFrameRect(const Rect& filterRect, const ViewPane& preview, const ViewPane& navigator);

// The image point under a dialog point on the navigator:
// F.left + s * (x - D.left), F.top + s * (y - D.top). Computed in 32 bits,
// so pointers far outside the navigator during a drag do not wrap around.
ImagePoint NavigatorToImage(const DialogPoint& point, const Rect& filterRect,
                            const ViewPane& navigator);

// Left button pressed. Inside the navigator a drag starts: the preview shows
// the unprocessed image until release, and the grab is either the pointed
// spot of the frame (closed hand) or the middle of the view (pointing hand).
MouseActions OnLeftButtonDown(NavigatorModel& model, const DialogPoint& point);

// Pointer moved; `leftButtonOnly` when the left button is the only button or
// modifier down. During a drag the view follows the pointer (limited to the
// navigator's right and bottom edges); otherwise only the cursor changes:
// open hand over the frame, pointing hand over the navigator, else the
// host's cursor.
MouseActions OnMouseMove(NavigatorModel& model, const DialogPoint& point, bool leftButtonOnly);

// Left button released; `afterSelected` tells whether the "After" button is
// checked. A release beside the frame centres the view there; a release on
// it shows the corrected preview again when After is selected.
MouseActions OnLeftButtonUp(NavigatorModel& model, const DialogPoint& point, bool afterSelected);

}  // namespace mirtane::ui
