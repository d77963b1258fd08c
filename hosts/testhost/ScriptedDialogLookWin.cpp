// The scenarios of the dialogs' look: the main dialog as it opens (caption,
// texts, controls, cursors, both panes drawn) and the about box.
#include "hosts/testhost/ScriptedDialogEngineWin.h"

#include <string>

#include "hosts/testhost/DisplayPixels.h"
#include "resources/DialogIds.h"
#include "resources/PluginIdentity.h"

// The month of the release's build time, which the plug-in built in the same
// tree shows in its about box (cmake/BuildTime.cmake).
#ifndef MIRTANE_BUILD_MONTH
#error "MIRTANE_BUILD_MONTH must be defined by the build"
#endif

namespace testhost::dialogscript {

void ScriptedDialogEngine::BuildLook() {
    Add("caption and texts", [this] {
        ExpectText("caption", WindowText(dialog_), "MIRTANE  v1.1.4");
        Expect(HostWindow() != nullptr && GetWindow(dialog_, GW_OWNER) == HostWindow(),
               "the host's main window owns the dialog", "");
        ExpectText("title text", Text(IDC_TITLE_TEXT), "Automatically Restores and Balances Color");
        for (int edit : kEditIds) {
            ExpectText("edit box " + std::to_string(edit), Text(edit), "0");
        }
        for (int slider : kSliderIds) {
            Expect(Position(slider) == 25, "slider " + std::to_string(slider) + " is centred",
                   std::to_string(Position(slider)));
        }
        const std::string label = Text(IDC_EDIT_ZOOM);
        Expect(!label.empty() && label.back() == '%', "the zoom label is a percentage", label);
        Expect(!Enabled(IDC_BUTTON_ZOOM_OUT) && Enabled(IDC_BUTTON_ZOOM_IN),
               "only \"+\" is enabled", "");
        Expect(Checked(IDC_RADIO_AFTER) && !Checked(IDC_RADIO_BEFORE), "\"After\" is selected", "");
    });
    Add("cursors", [this] {
        const HMODULE plugin = PluginModule();
        const int ids[3] = {137, 138, 139};
        const POINT hotSpots[3] = {{12, 2}, {12, 2}, {13, 4}};
        for (int i = 0; i < 3; ++i) {
            ICONINFO info{};
            const HCURSOR cursor = LoadCursorA(plugin, MAKEINTRESOURCEA(ids[i]));
            const bool loaded = cursor != nullptr && GetIconInfo(cursor, &info) != FALSE;
            Expect(loaded && info.xHotspot == static_cast<DWORD>(hotSpots[i].x) &&
                       info.yHotspot == static_cast<DWORD>(hotSpots[i].y),
                   "cursor " + std::to_string(ids[i]) + " loads with its hot spot",
                   loaded ? std::to_string(info.xHotspot) + ", " + std::to_string(info.yHotspot)
                          : "not loaded");
            if (info.hbmMask != nullptr) {
                DeleteObject(info.hbmMask);
            }
            if (info.hbmColor != nullptr) {
                DeleteObject(info.hbmColor);
            }
        }
        Expect(GetClassLongPtrA(HostWindow(), GCLP_HCURSOR) == 0,
               "the host window's class cursor is taken away while the dialog is up", "");
    });
    Add("both panes are drawn", [this] {
        Repaint();
        const DisplayCall* preview = LastDraw(true);
        const DisplayCall* navigator = LastDraw(false);
        Expect(preview != nullptr && navigator != nullptr && preview != navigator,
               "the host is asked to draw the preview and the navigator", "");
        if (preview != nullptr && navigator != nullptr) {
            Expect(preview->result == 0 && navigator->result == 0, "both draws succeed", "");
            Expect(preview->pixels.width >= navigator->pixels.width,
                   "the preview is at least as large as the navigator", "");
        }
    });
    AddScreenshot(L"dialog.bmp");
    Add("OK closes the dialog", [this] { Command(IDC_BUTTON_OK); });
}

void ScriptedDialogEngine::BuildAbout() {
    Add("caption, version and logo", [this] {
        ExpectText("caption", WindowText(dialog_), "MIRTANE Plug-In");
        Expect(HostWindow() != nullptr && GetWindow(dialog_, GW_OWNER) == HostWindow(),
               "the host window named in the about record owns the box", "");
        ExpectText("version line", Text(IDC_ABOUT_VERSION),
                   "Version " MIRTANE_VERSION_TEXT "  (" MIRTANE_BUILD_MONTH ")");
        const LRESULT logo = SendDlgItemMessageA(dialog_, IDC_LOGO, STM_GETIMAGE, IMAGE_BITMAP, 0);
        Expect(logo != 0, "the logo is shown", "");
        Expect(GetFocus() == GetDlgItem(dialog_, IDC_ABOUT_OK), "OK has the focus", "");
    });
    AddScreenshot(L"about.bmp");
    Add("the logo does nothing", [this] {
        SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDC_LOGO, STN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog_, IDC_LOGO)));
        Expect(IsWindowVisible(dialog_) != FALSE, "a click on the logo keeps the box open", "");
    });
    Add("Esc closes the box", [this] { PressKey(VK_ESCAPE); });
}

}  // namespace testhost::dialogscript
