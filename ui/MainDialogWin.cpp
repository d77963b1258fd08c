// The main dialog's procedure: it routes each message to a small handler.
// The arithmetic of the sliders, the zoom and the navigator lives in the
// portable files beside this one; here are the window calls.
#include "ui/DialogWin.h"

#include <commctrl.h>
#include <windowsx.h>

#include "platform/Platform.h"
#include "resources/DialogIds.h"
#include "run/HostState.h"
#include "ui/FetchPane.h"
#include "ui/TintControls.h"
#include "ui/TrackbarRamp.h"
#include "ui/ZoomState.h"

namespace mirtane::ui {
namespace {

constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshDelayMilliseconds = 500;
constexpr int kTitleBufferSize = 255;
constexpr int kTypedTextBufferSize = 64;
constexpr int kZoomLabelBufferSize = 16;
// "MIRTANE " followed by " v1.1.4": two blanks between name and version.
constexpr const char* kDialogCaption = "MIRTANE  v1.1.4";
constexpr const char* kDialogTooLargeMessage = "Display resolution should have small fonts set";

static_assert(kScrollLineUp == TB_LINEUP && kScrollLineDown == TB_LINEDOWN &&
                  kScrollPageUp == TB_PAGEUP && kScrollPageDown == TB_PAGEDOWN &&
                  kScrollThumbPosition == TB_THUMBPOSITION && kScrollThumbTrack == TB_THUMBTRACK &&
                  kScrollTop == TB_TOP && kScrollBottom == TB_BOTTOM &&
                  kScrollEndTrack == TB_ENDTRACK,
              "trackbar scroll codes");

// Each channel's slider and edit box, in parameter-block order: cyan-red,
// magenta-green, yellow-blue.
struct ChannelControls {
    int slider;
    int edit;
};
constexpr ChannelControls kChannels[3] = {{IDC_SLIDER_CYAN_RED, IDC_EDIT_CYAN_RED},
                                          {IDC_SLIDER_MAGENTA_GREEN, IDC_EDIT_MAGENTA_GREEN},
                                          {IDC_SLIDER_YELLOW_BLUE, IDC_EDIT_YELLOW_BLUE}};

NavigatorModel gState;
DialogCursors gCursors;
HWND gSliders[3] = {};
// Set once the dialog has been ended: a paint that still arrives before the
// window goes away must not ask the host for pixels into released buffers.
bool gEnding = false;

std::int32_t& Tint(int channel) {
    ParameterBlock* block = gHost.parameterBlock;
    switch (channel) {
    case 0: return block->redTint;
    case 1: return block->greenTint;
    default: return block->blueTint;
    }
}

const Rect& FilterRect() { return gState.filterRect; }

void RestartRefreshTimer(HWND dialog) {
    SetTimer(dialog, kRefreshTimer, kRefreshDelayMilliseconds, nullptr);
}

void InvalidateBothPanes(HWND dialog) {
    InvalidatePane(dialog, kPreviewPaneId);
    InvalidatePane(dialog, kNavigatorPaneId);
}

void EndWithPanesReleased(HWND dialog, INT_PTR result) {
    gEnding = true;
    ReleasePane(gState.preview);
    ReleasePane(gState.navigator);
    KillTimer(dialog, kRefreshTimer);
    EndDialog(dialog, result);
}

void ApplyCursor() {
    switch (gState.cursor) {
    case CursorChoice::PointingHand: gCursors.current = gCursors.pointingHand; break;
    case CursorChoice::ClosedHand: gCursors.current = gCursors.closedHand; break;
    case CursorChoice::OpenHand: gCursors.current = gCursors.openHand; break;
    case CursorChoice::HostCursor: gCursors.current = gCursors.hostCursor; break;
    case CursorChoice::None: break;
    }
    SetCursor(gCursors.current);
}

// ---- Zoom ------------------------------------------------------------------

void WriteZoomLabel(HWND dialog) {
    char label[kZoomLabelBufferSize];
    FormatZoomLabel(gState.zoom.level, gState.zoom.topLevel, label, sizeof label);
    SetDlgItemTextA(dialog, IDC_EDIT_ZOOM, label);
}

void ChangeButton(HWND dialog, int id, ButtonChange change) {
    if (change != ButtonChange::Unchanged) {
        EnableWindow(GetDlgItem(dialog, id), change == ButtonChange::Enable ? TRUE : FALSE);
    }
}

// Enables first and disables last, with the focus moved in between, so that
// the focus never sits on a button that is being disabled.
void ApplyZoomButtons(HWND dialog, const ZoomButtons& buttons) {
    if (buttons.zoomIn == ButtonChange::Enable) {
        ChangeButton(dialog, IDC_BUTTON_ZOOM_IN, buttons.zoomIn);
    }
    if (buttons.zoomOut == ButtonChange::Enable) {
        ChangeButton(dialog, IDC_BUTTON_ZOOM_OUT, buttons.zoomOut);
    }
    if (buttons.focus != FocusMove::None) {
        const int target =
            buttons.focus == FocusMove::ToZoomIn ? IDC_BUTTON_ZOOM_IN : IDC_BUTTON_ZOOM_OUT;
        SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, target)),
                     TRUE);
    }
    if (buttons.zoomIn == ButtonChange::Disable) {
        ChangeButton(dialog, IDC_BUTTON_ZOOM_IN, buttons.zoomIn);
    }
    if (buttons.zoomOut == ButtonChange::Disable) {
        ChangeButton(dialog, IDC_BUTTON_ZOOM_OUT, buttons.zoomOut);
    }
}

void OnZoom(HWND dialog, bool zoomIn) {
    const ZoomButtons buttons = zoomIn ? ZoomIn(FilterRect(), gState.zoom, gState.preview)
                                       : ZoomOut(FilterRect(), gState.zoom, gState.preview);
    ApplyZoomButtons(dialog, buttons);
    WriteZoomLabel(dialog);
    InvalidateBothPanes(dialog);
}

// ---- Initialisation --------------------------------------------------------

bool DialogFitsTheScreen(HWND dialog) {
    RECT client{};
    GetClientRect(dialog, &client);
    return client.right - client.left <= GetSystemMetrics(SM_CXSCREEN) &&
           client.bottom - client.top <= GetSystemMetrics(SM_CYSCREEN);
}

void SetUpSliders(HWND dialog) {
    for (int channel = 0; channel < 3; ++channel) {
        const int edit = kChannels[channel].edit;
        SetDlgItemInt(dialog, edit, static_cast<UINT>(ShownValue(Tint(channel))), TRUE);
        SendDlgItemMessageA(dialog, edit, EM_SETSEL, 0, -1);
    }
    for (int channel = 0; channel < 3; ++channel) {
        const int slider = kChannels[channel].slider;
        SendDlgItemMessageA(dialog, slider, TBM_SETRANGE, FALSE,
                            MAKELPARAM(kTintMinimum, kTintMaximum));
        SendDlgItemMessageA(dialog, slider, TBM_SETPAGESIZE, 0, kTintPageStep);
        SendDlgItemMessageA(dialog, slider, TBM_SETLINESIZE, 0, kTintLineStep);
        SendDlgItemMessageA(dialog, slider, TBM_SETTICFREQ, kTintOffset, 0);
        SendDlgItemMessageA(dialog, slider, TBM_SETPOS, TRUE, Tint(channel));
    }
    for (int channel = 0; channel < 3; ++channel) {
        gSliders[channel] = GetDlgItem(dialog, kChannels[channel].slider);
    }
}

BOOL OnInitDialog(HWND dialog) {
    gEnding = false;
    if (!DialogFitsTheScreen(dialog)) {
        platform::ShowErrorMessage(kDialogTooLargeMessage, platform::kErrorCaption);
        EndDialog(dialog, platform::kDialogMessageShown);
        return FALSE;
    }

    char title[kTitleBufferSize] = {};
    if (LoadStringA(static_cast<HINSTANCE>(platform::ModuleHandle()), IDS_TITLE_TEXT, title,
                    kTitleBufferSize) > 0) {
        SetDlgItemTextA(dialog, IDC_TITLE_TEXT, title);
    }
    SetWindowTextA(dialog, kDialogCaption);

    gState.filterRect = gHost.filterRecord->filterRect;
    gState.preview = ViewPane{kPreviewPaneId};
    gState.navigator = ViewPane{kNavigatorPaneId};
    gState.drag = DragState{};
    if (SetUpPane(dialog, FilterRect(), gState.preview) != 0 ||
        SetUpPane(dialog, FilterRect(), gState.navigator) != 0) {
        gEnding = true;
        ReleasePane(gState.preview);
        ReleasePane(gState.navigator);
        EndDialog(dialog, platform::kDialogNoBuffers);
        return FALSE;
    }

    BuildZoomTable(FilterRect(), gState.zoom, gState.preview);
    const ZoomButtons buttons = ResetView(FilterRect(), gState.zoom, gState.preview);
    WriteZoomLabel(dialog);
    ApplyZoomButtons(dialog, buttons);
    InvalidateBothPanes(dialog);

    SetUpSliders(dialog);

    CheckRadioButton(dialog, IDC_RADIO_BEFORE, IDC_RADIO_AFTER, IDC_RADIO_AFTER);
    gState.showCorrected = true;

    SetFocus(GetDlgItem(dialog, IDC_SLIDER_CYAN_RED));
    return FALSE;  // the focus is set
}

// ---- Sliders and edit boxes --------------------------------------------------

BOOL OnSliderScroll(HWND dialog, WPARAM wParam, LPARAM lParam) {
    const HWND slider = reinterpret_cast<HWND>(lParam);
    const int channel = slider == gSliders[0] ? 0 : (slider == gSliders[1] ? 1 : 2);
    const ScrollResult result =
        ApplyScrollCode(LOWORD(wParam), static_cast<std::int16_t>(HIWORD(wParam)), Tint(channel));
    Tint(channel) = result.tint;
    if (result.restartTimer) {
        RestartRefreshTimer(dialog);
    }
    SetDlgItemInt(dialog, kChannels[channel].edit, static_cast<UINT>(ShownValue(result.tint)),
                  TRUE);
    return TRUE;
}

void OnTintEdited(HWND dialog, int channel) {
    char text[kTypedTextBufferSize] = {};
    GetDlgItemTextA(dialog, kChannels[channel].edit, text, kTypedTextBufferSize);
    const TypedResult result = ApplyTypedValue(ReadTypedValue(text));
    Tint(channel) = result.tint;
    if (result.writeBack) {
        SetDlgItemInt(dialog, kChannels[channel].edit, static_cast<UINT>(result.shown), TRUE);
    }
    SendDlgItemMessageA(dialog, kChannels[channel].slider, TBM_SETPOS, TRUE, result.tint);
    RestartRefreshTimer(dialog);
}

void OnDefaults(HWND dialog) {
    for (int channel = 0; channel < 3; ++channel) {
        Tint(channel) = kTintOffset;
    }
    for (const ChannelControls& controls : kChannels) {
        SetDlgItemInt(dialog, controls.edit, 0, TRUE);
    }
}

// ---- Commands ----------------------------------------------------------------

int ChannelOfEdit(int id) {
    for (int channel = 0; channel < 3; ++channel) {
        if (kChannels[channel].edit == id) {
            return channel;
        }
    }
    return -1;
}

BOOL OnCommand(HWND dialog, WPARAM wParam) {
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    const int channel = ChannelOfEdit(id);
    if (channel >= 0) {
        if (code == EN_CHANGE) {
            OnTintEdited(dialog, channel);
        }
        return TRUE;
    }
    if (id == IDC_BUTTON_UPDATE) {
        OpenUpdatePage();
        return TRUE;
    }
    if (code != BN_CLICKED) {
        return TRUE;
    }
    switch (id) {
    case IDC_BUTTON_OK: EndWithPanesReleased(dialog, platform::kDialogConfirmed); break;
    case IDC_BUTTON_CANCEL: EndWithPanesReleased(dialog, platform::kDialogCancelled); break;
    case IDC_BUTTON_HELP: return OpenHelpPage() ? TRUE : FALSE;
    case IDC_BUTTON_DEFAULTS: OnDefaults(dialog); break;
    case IDC_BUTTON_ZOOM_OUT: OnZoom(dialog, false); break;
    case IDC_BUTTON_ZOOM_IN: OnZoom(dialog, true); break;
    case IDC_RADIO_BEFORE:
        gState.showCorrected = IsDlgButtonChecked(dialog, IDC_RADIO_BEFORE) != BST_CHECKED;
        InvalidatePane(dialog, kPreviewPaneId);
        break;
    case IDC_RADIO_AFTER:
        gState.showCorrected = IsDlgButtonChecked(dialog, IDC_RADIO_AFTER) == BST_CHECKED;
        InvalidatePane(dialog, kPreviewPaneId);
        break;
    default: break;  // the logo and the rest: nothing to do
    }
    return TRUE;
}

// ---- Timer and painting --------------------------------------------------------

BOOL OnTimer(HWND dialog) {
    InvalidateBothPanes(dialog);
    KillTimer(dialog, kRefreshTimer);
    return FALSE;
}

BOOL OnPaint(HWND dialog) {
    if (!GetUpdateRect(dialog, nullptr, FALSE)) {
        return FALSE;
    }
    PAINTSTRUCT paint{};
    const HDC deviceContext = BeginPaint(dialog, &paint);
    if (gEnding) {
        EndPaint(dialog, &paint);
        return FALSE;
    }
    if (FetchPane(gState.navigator, false) != kFetchSucceeded) {
        EndPaint(dialog, &paint);
        EndWithPanesReleased(dialog, platform::kDialogHostFailed);
        return FALSE;
    }
    DrawPane(deviceContext, kNavigatorPaneId);
    DrawViewFrame(deviceContext);
    if (FetchPane(gState.preview, gState.showCorrected) != kFetchSucceeded) {
        EndPaint(dialog, &paint);
        EndWithPanesReleased(dialog, platform::kDialogHostFailed);
        return FALSE;
    }
    DrawPane(deviceContext, kPreviewPaneId);
    EndPaint(dialog, &paint);
    return FALSE;
}

// ---- Trackbar channels ---------------------------------------------------------

void PaintRamp(HDC deviceContext, const RECT& channel, const RampEnds& ends) {
    for (std::int32_t i = 0; i < kRampStripeCount; ++i) {
        const RampStripe stripe = TrackbarRampStripe(i, channel.left, channel.right, ends);
        const RECT area{stripe.left, channel.top, stripe.right, channel.bottom};
        const HBRUSH brush =
            CreateSolidBrush(RGB(stripe.colour.red, stripe.colour.green, stripe.colour.blue));
        if (brush == nullptr) {
            continue;
        }
        FillRect(deviceContext, &area, brush);
        DeleteObject(brush);
    }
}

void AnswerNotification(HWND dialog, LRESULT answer) {
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, answer);
}

BOOL OnNotify(HWND dialog, LPARAM lParam) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    RampEnds ends;
    if (header == nullptr || header->code != NM_CUSTOMDRAW ||
        !RampEndsForSlider(static_cast<std::int32_t>(header->idFrom), ends)) {
        return TRUE;
    }
    auto* draw = reinterpret_cast<NMCUSTOMDRAW*>(lParam);
    if (draw->dwDrawStage == CDDS_PREPAINT) {
        AnswerNotification(dialog, CDRF_NOTIFYITEMDRAW);
    } else if (draw->dwDrawStage == CDDS_ITEMPREPAINT) {
        if (draw->dwItemSpec == TBCD_CHANNEL) {
            PaintRamp(draw->hdc, draw->rc, ends);
            DrawEdge(draw->hdc, &draw->rc, EDGE_SUNKEN, BF_RECT);
            AnswerNotification(dialog, CDRF_SKIPDEFAULT);
        } else {
            AnswerNotification(dialog, CDRF_DODEFAULT);
        }
    }
    return TRUE;
}

// ---- Mouse and cursor ----------------------------------------------------------

void ApplyMouseActions(HWND dialog, const MouseActions& actions) {
    if (actions.captureMouse) {
        SetCapture(dialog);
    }
    if (actions.invalidatePanes) {
        InvalidateBothPanes(dialog);
    }
    if (actions.releaseCapture) {
        ReleaseCapture();
    }
    ApplyCursor();
}

DialogPoint PointOf(LPARAM lParam) {
    return DialogPoint{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

BOOL OnMouse(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    const DialogPoint point = PointOf(lParam);
    MouseActions actions;
    switch (message) {
    case WM_LBUTTONDOWN: actions = OnLeftButtonDown(gState, point); break;
    case WM_MOUSEMOVE: actions = OnMouseMove(gState, point, wParam == MK_LBUTTON); break;
    default:
        actions = OnLeftButtonUp(gState, point,
                                 IsDlgButtonChecked(dialog, IDC_RADIO_AFTER) == BST_CHECKED);
        break;
    }
    ApplyMouseActions(dialog, actions);
    return TRUE;
}

BOOL OnSetCursor(HWND dialog) {
    SetCursor(gCursors.current);
    // Answer TRUE to the control that asked, so it does not set its own.
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
    return TRUE;
}

BOOL RouteMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog);
    case WM_HSCROLL: return OnSliderScroll(dialog, wParam, lParam);
    case WM_COMMAND: return OnCommand(dialog, wParam);
    case WM_TIMER: return OnTimer(dialog);
    case WM_PAINT: return OnPaint(dialog);
    case WM_NOTIFY: return OnNotify(dialog, lParam);
    case WM_SETCURSOR: return OnSetCursor(dialog);
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: return OnMouse(dialog, message, wParam, lParam);
    default: return FALSE;
    }
}

}  // namespace

DialogCursors& Cursors() { return gCursors; }

NavigatorModel& DialogState() { return gState; }

}  // namespace mirtane::ui

extern "C" INT_PTR CALLBACK VexaMirtaneProc(HWND dialog, UINT message, WPARAM wParam,
                                            LPARAM lParam) noexcept {
    try {
        return mirtane::ui::RouteMessage(dialog, message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind into the window manager.
        return FALSE;
    }
}
