// The scenarios of the trims: the sliders, the edit boxes and Defaults with
// the refresh of the preview they cause (slider), and the trims kept by
// Enter (ok) or dropped by Esc (cancel).
#include "hosts/testhost/ScriptedDialogEngineWin.h"

#include <commctrl.h>

#include <string>

#include "hosts/testhost/DisplayPixels.h"
#include "resources/DialogIds.h"

namespace testhost::dialogscript {

void ScriptedDialogEngine::BuildSlider() {
    Add("baseline", [this] {
        Repaint();
        if (const DisplayCall* call = LastDraw(true)) {
            previewBaseline_ = call->pixels;
        }
        if (const DisplayCall* call = LastDraw(false)) {
            navigatorBaseline_ = call->pixels;
        }
        Expect(!previewBaseline_.Empty(), "the preview was drawn", "");
    });
    Add(
        "a page step moves the value",
        [this] {
            Scroll(kSliderIds[0], TB_PAGEDOWN, 0);
            ExpectText("edit box after a page step", Text(kEditIds[0]), "5");
            Expect(Position(kSliderIds[0]) == 30, "the slider follows",
                   std::to_string(Position(kSliderIds[0])));
            drawCount_ = DisplayCalls().size();
            UpdateWindow(dialog_);
            Expect(DisplayCalls().size() == drawCount_, "nothing is redrawn before the timer",
                   std::to_string(DisplayCalls().size() - drawCount_) + " draws");
        },
        kRefreshWait);
    Add("the timer refreshes the preview", [this] {
        UpdateWindow(dialog_);
        Expect(DisplayCalls().size() > drawCount_, "the panes are redrawn after the timer", "");
        const DisplayCall* preview = LastDraw(true);
        const DisplayCall* navigator = LastDraw(false);
        Expect(preview != nullptr && !SameImage(preview->pixels, previewBaseline_),
               "the preview shows the new trim", "");
        Expect(navigator != nullptr && SameImage(navigator->pixels, navigatorBaseline_),
               "the navigator stays unprocessed", "");
    });
    Add("home, end and thumb", [this] {
        Scroll(kSliderIds[0], TB_TOP, 0);
        ExpectText("TB_TOP", Text(kEditIds[0]), "-25");
        Scroll(kSliderIds[0], TB_BOTTOM, 0);
        ExpectText("TB_BOTTOM", Text(kEditIds[0]), "25");
        Scroll(kSliderIds[1], TB_THUMBTRACK, 7);
        ExpectText("TB_THUMBTRACK to 7", Text(kEditIds[1]), "-18");
        Scroll(kSliderIds[1], TB_ENDTRACK, 0);
        ExpectText("TB_ENDTRACK keeps the value", Text(kEditIds[1]), "-18");
    });
    Add("End on the focused slider", [this] {
        SetFocus(GetDlgItem(dialog_, kSliderIds[2]));
        PressKey(VK_END);
    });
    Add("End moved the slider", [this] {
        ExpectText("the End key gives +25", Text(kEditIds[2]), "25");
        PressKey(VK_HOME);
    });
    Add("Home moved the slider",
        [this] { ExpectText("the Home key gives -25", Text(kEditIds[2]), "-25"); });
    Add("typed values", [this] {
        Type(kEditIds[1], "30");
        ExpectText("typed 30 is rewritten", Text(kEditIds[1]), "25");
        Expect(Position(kSliderIds[1]) == 50, "typed 30 moves the slider to the end",
               std::to_string(Position(kSliderIds[1])));
        for (const char* large : {"40000", "99999"}) {
            Type(kEditIds[2], large);
            ExpectText(std::string("typed ") + large + " gives +25", Text(kEditIds[2]), "25");
            Expect(Position(kSliderIds[2]) == 50,
                   std::string("typed ") + large + " moves the slider to the end",
                   std::to_string(Position(kSliderIds[2])));
        }
        Type(kEditIds[2], "");
        ExpectText("an emptied box stays empty", Text(kEditIds[2]), "");
        Expect(Position(kSliderIds[2]) == 25, "an emptied box centres the slider",
               std::to_string(Position(kSliderIds[2])));
    });
    Add(
        "defaults",
        [this] {
            Command(IDC_BUTTON_DEFAULTS);
            for (int i = 0; i < 3; ++i) {
                ExpectText("Defaults: edit box " + std::to_string(kEditIds[i]), Text(kEditIds[i]),
                           "0");
                Expect(Position(kSliderIds[i]) == 25,
                       "Defaults: slider " + std::to_string(kSliderIds[i]),
                       std::to_string(Position(kSliderIds[i])));
            }
        },
        kRefreshWait);
    Add("the neutral preview returns", [this] {
        UpdateWindow(dialog_);
        const DisplayCall* preview = LastDraw(true);
        Expect(preview != nullptr && SameImage(preview->pixels, previewBaseline_),
               "after Defaults the preview is the one of the start", "");
    });
    AddScreenshot(L"dialog-defaults.bmp");
    Add("Cancel closes the dialog", [this] { Command(IDC_BUTTON_CANCEL); });
}

void ScriptedDialogEngine::BuildConfirm() {
    Add(
        "trim",
        [this] {
            Scroll(kSliderIds[0], TB_PAGEDOWN, 0);
            Scroll(kSliderIds[1], TB_PAGEUP, 0);
            ExpectText("cyan-red", Text(kEditIds[0]), "5");
            ExpectText("magenta-green", Text(kEditIds[1]), "-5");
            ExpectText("yellow-blue", Text(kEditIds[2]), "0");
        },
        kRefreshWait);
    Add("Enter presses OK", [this] {
        UpdateWindow(dialog_);
        SetFocus(GetDlgItem(dialog_, kSliderIds[0]));
        PressKey(VK_RETURN);
    });
}

void ScriptedDialogEngine::BuildCancel() {
    Add(
        "trim, then defaults, then trim again",
        [this] {
            Scroll(kSliderIds[0], TB_PAGEDOWN, 0);
            Command(IDC_BUTTON_DEFAULTS);
            Scroll(kSliderIds[2], TB_BOTTOM, 0);
            ExpectText("yellow-blue", Text(kEditIds[2]), "25");
        },
        kRefreshWait);
    Add("Esc cancels", [this] {
        UpdateWindow(dialog_);
        PressKey(VK_ESCAPE);
    });
}

}  // namespace testhost::dialogscript
