// The preview and navigator panes on the dialog window.
#include "ui/DialogWin.h"

#include "run/HostState.h"
#include "ui/DisplayPane.h"

namespace mirtane::ui {
namespace {

constexpr int kPaneFrameOutset = 2;

ViewPane* PaneById(std::int32_t paneId) {
    NavigatorModel& state = DialogState();
    if (paneId == kPreviewPaneId) {
        return &state.preview;
    }
    if (paneId == kNavigatorPaneId) {
        return &state.navigator;
    }
    return nullptr;
}

RECT ToRect(const Rect& rect) { return RECT{rect.left, rect.top, rect.right, rect.bottom}; }

}  // namespace

std::int32_t SetUpPane(HWND dialog, const Rect& filterRect, ViewPane& pane) {
    const HWND holder = GetDlgItem(dialog, pane.controlId);
    RECT window{};
    if (holder == nullptr || !GetWindowRect(holder, &window)) {
        return -1;
    }
    POINT clientOrigin{0, 0};
    if (!ClientToScreen(dialog, &clientOrigin)) {
        return -1;
    }
    return SetUpPane(ScreenRect{window.left, window.top, window.right, window.bottom},
                     DialogPoint{clientOrigin.x, clientOrigin.y}, filterRect, pane);
}

void DrawPane(HDC deviceContext, std::int32_t paneId) {
    const ViewPane* pane = PaneById(paneId);
    if (pane == nullptr) {
        return;
    }
    RECT frame = ToRect(pane->displayRect);
    InflateRect(&frame, kPaneFrameOutset, kPaneFrameOutset);
    FrameRect(deviceContext, &frame, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    DisplayPane(*pane, deviceContext);
}

void InvalidatePane(HWND dialog, std::int32_t paneId) {
    const ViewPane* pane = PaneById(paneId);
    if (pane == nullptr || HostResult() != noErr) {
        return;
    }
    const RECT area = ToRect(pane->displayRect);
    InvalidateRect(dialog, &area, FALSE);
}

void DrawViewFrame(HDC deviceContext) {
    NavigatorModel& state = DialogState();
    state.drag.viewFrame = ViewFrameRect(state.filterRect, state.preview, state.navigator);
    const RECT frame = ToRect(state.drag.viewFrame);
    const HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    if (red == nullptr) {
        return;
    }
    FrameRect(deviceContext, &frame, red);
    DeleteObject(red);
}

}  // namespace mirtane::ui
