// The scenarios of the view: zooming (zoom), the unprocessed preview of
// "Before" (before) and moving the view with the navigator (navigator).
#include "hosts/testhost/ScriptedDialogEngineWin.h"

#include <cstddef>
#include <string>

#include "hosts/testhost/DisplayPixels.h"
#include "resources/DialogIds.h"

namespace testhost::dialogscript {

void ScriptedDialogEngine::BuildZoom() {
    Add("zoom in to the top", [this] {
        zoomLabel_ = Text(IDC_EDIT_ZOOM);
        Command(IDC_BUTTON_ZOOM_IN);
        Expect(Text(IDC_EDIT_ZOOM) != zoomLabel_, "\"+\" changes the zoom label",
               zoomLabel_ + " -> " + Text(IDC_EDIT_ZOOM));
        Expect(Enabled(IDC_BUTTON_ZOOM_OUT), "\"-\" is enabled after \"+\"", "");
        for (int i = 0; i < kMaximumZoomSteps && Enabled(IDC_BUTTON_ZOOM_IN); ++i) {
            Command(IDC_BUTTON_ZOOM_IN);
        }
        ExpectText("the top level is shown 1:1", Text(IDC_EDIT_ZOOM), "100%");
        Expect(!Enabled(IDC_BUTTON_ZOOM_IN), "\"+\" is disabled at the top", "");
        Repaint();
        Expect(!host_.requests().empty() && host_.requests().back().inputRate == 0x10000,
               "the preview is requested at full resolution", "");
    });
    AddScreenshot(L"dialog-zoomed.bmp");
    Add("zoom out to the bottom", [this] {
        for (int i = 0; i < kMaximumZoomSteps && Enabled(IDC_BUTTON_ZOOM_OUT); ++i) {
            Command(IDC_BUTTON_ZOOM_OUT);
        }
        ExpectText("\"-\" returns to the first label", Text(IDC_EDIT_ZOOM), zoomLabel_);
        Expect(Enabled(IDC_BUTTON_ZOOM_IN) && !Enabled(IDC_BUTTON_ZOOM_OUT),
               "back to the initial buttons", "");
    });
    Add("Cancel closes the dialog", [this] { Command(IDC_BUTTON_CANCEL); });
}

void ScriptedDialogEngine::BuildBefore() {
    Add("after", [this] {
        Repaint();
        if (const DisplayCall* call = LastDraw(true)) {
            previewBaseline_ = call->pixels;
        }
    });
    Add("before", [this] {
        Click(IDC_RADIO_BEFORE);
        UpdateWindow(dialog_);
        Expect(Checked(IDC_RADIO_BEFORE) && !Checked(IDC_RADIO_AFTER), "\"Before\" is selected",
               "");
        const DisplayCall* preview = LastDraw(true);
        Expect(preview != nullptr && !SameImage(preview->pixels, previewBaseline_),
               "Before redraws the preview differently", "");
        const std::size_t count = host_.requests().size();
        Expect(preview != nullptr && count >= 1 &&
                   SameImage(preview->pixels, Unprocessed(host_.requests()[count - 1])),
               "Before shows the document's own pixels", "");
        const DisplayCall* navigator = LastDraw(false);
        Expect(navigator != nullptr && count >= 2 &&
                   SameImage(navigator->pixels, Unprocessed(host_.requests()[count - 2])),
               "the navigator shows the document's own pixels", "");
    });
    AddScreenshot(L"dialog-before.bmp");
    Add("after again", [this] {
        Click(IDC_RADIO_AFTER);
        UpdateWindow(dialog_);
        const DisplayCall* preview = LastDraw(true);
        Expect(preview != nullptr && SameImage(preview->pixels, previewBaseline_),
               "After shows the corrected preview again", "");
    });
    Add("Cancel closes the dialog", [this] { Command(IDC_BUTTON_CANCEL); });
}

void ScriptedDialogEngine::BuildNavigator() {
    Add("zoom to the top", [this] {
        for (int i = 0; i < kMaximumZoomSteps && Enabled(IDC_BUTTON_ZOOM_IN); ++i) {
            Command(IDC_BUTTON_ZOOM_IN);
        }
        Repaint();
        previewRequest_ = host_.requests().back();
    });
    Add("click near the navigator's bottom-right corner", [this] {
        const DisplayCall* navigator = LastDraw(false);
        if (navigator == nullptr) {
            Expect(false, "the navigator was drawn", "");
            return;
        }
        const int x = navigator->destinationColumn + navigator->pixels.width - 3;
        const int y = navigator->destinationRow + navigator->pixels.height - 3;
        SendMessageA(dialog_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageA(dialog_, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        Repaint();
        const Request& moved = host_.requests().back();
        const int rate = moved.inputRate >> 16;
        Expect(moved.inRect.left > previewRequest_.inRect.left &&
                   moved.inRect.top > previewRequest_.inRect.top,
               "the view moves towards the click", "");
        Expect(moved.inRect.right * rate <= host_.image().width &&
                   moved.inRect.right * rate >= host_.image().width - 2 &&
                   moved.inRect.bottom * rate <= host_.image().height &&
                   moved.inRect.bottom * rate >= host_.image().height - 2,
               "the view stops at the image's bottom-right corner",
               std::to_string(moved.inRect.right) + " x " + std::to_string(moved.inRect.bottom));
    });
    Add("cursors over the navigator", [this] {
        const DisplayCall* navigator = LastDraw(false);
        if (navigator == nullptr) {
            Expect(false, "the navigator was drawn", "");
            return;
        }
        const HMODULE plugin = PluginModule();
        // At full zoom the frame is small and now at the bottom-right:
        // the top-left corner of the navigator lies beside it.
        SendMessageA(dialog_, WM_MOUSEMOVE, 0,
                     MAKELPARAM(navigator->destinationColumn + 1, navigator->destinationRow + 1));
        Expect(GetCursor() == LoadCursorA(plugin, MAKEINTRESOURCEA(137)),
               "beside the frame the cursor is the pointing hand", "");
        SendMessageA(dialog_, WM_MOUSEMOVE, 0,
                     MAKELPARAM(navigator->destinationColumn + navigator->pixels.width - 3,
                                navigator->destinationRow + navigator->pixels.height - 3));
        Expect(GetCursor() == LoadCursorA(plugin, MAKEINTRESOURCEA(139)),
               "over the frame the cursor is the open hand", "");
        SendMessageA(dialog_, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        Expect(GetCursor() == LoadCursorA(nullptr, IDC_ARROW),
               "outside the navigator the cursor is the host's", "");
    });
    Add("Cancel closes the dialog", [this] { Command(IDC_BUTTON_CANCEL); });
}

}  // namespace testhost::dialogscript
