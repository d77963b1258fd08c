#include "testhost/ScriptedDialogDriverWin.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "resources/DialogIds.h"
#include "testhost/DisplayPixels.h"
#include "testhost/TestHost.h"

namespace testhost {
namespace {

// Controls of the plug-in's dialogs, as its resources number them.
constexpr int kSliderIds[3] = {IDC_SLIDER_CYAN_RED, IDC_SLIDER_MAGENTA_GREEN,
                               IDC_SLIDER_YELLOW_BLUE};
constexpr int kEditIds[3] = {IDC_EDIT_CYAN_RED, IDC_EDIT_MAGENTA_GREEN, IDC_EDIT_YELLOW_BLUE};
constexpr int kMessageBoxText = 0xFFFF;

constexpr UINT kTickMilliseconds = 50;
constexpr DWORD kSettleMilliseconds = 700;    // the dialog has drawn itself
constexpr DWORD kRefreshWait = 900;           // beyond the dialog's 500 ms refresh timer
constexpr DWORD kGiveUpMilliseconds = 60000;  // no dialog by then: fail
constexpr int kMaximumZoomSteps = 16;

constexpr const char* kMainCaptionPrefix = "MIRTANE  v";
constexpr const char* kAboutCaption = "MIRTANE Plug-In";

struct Step {
    std::string what;
    std::function<void()> run;
    DWORD pauseAfter;
};

bool IsMessageBox(HWND window) { return GetDlgItem(window, kMessageBoxText) != nullptr; }

bool IsDialogWindow(HWND window) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    return lstrcmpA(className, "#32770") == 0 && IsWindowVisible(window);
}

std::string WindowText(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string Narrowed(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        out.push_back(static_cast<char>(c));
    }
    return out;
}

bool SameImage(const Image& a, const Image& b) {
    return a.width == b.width && a.height == b.height && a.pixels == b.pixels;
}

class Engine {
  public:
    Engine(TestHost& host, std::string scenario, std::wstring artefacts)
        : host_(host), scenario_(std::move(scenario)), artefacts_(std::move(artefacts)) {
        // Point sampling makes every host sample one document pixel, so the
        // unprocessed previews can be checked against the document itself.
        host_.SetSampling(Sampling::Point);
        ResetDisplay(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
        captionPrefix_ = scenario_ == "about" ? kAboutCaption : kMainCaptionPrefix;
        Build();
        start_ = GetTickCount();
        due_ = start_;
    }

    void Tick() {
        DismissMessageBoxes();
        if (finished_ || busy_) {
            return;
        }
        const DWORD now = GetTickCount();
        if (static_cast<LONG>(now - due_) < 0) {
            return;
        }
        if (dialog_ == nullptr) {
            dialog_ = FindDialog();
            if (dialog_ == nullptr) {
                if (now - start_ > kGiveUpMilliseconds) {
                    Expect(false, "the dialog comes up", "none found");
                    finished_ = true;
                }
                return;
            }
            due_ = now + kSettleMilliseconds;
            return;
        }
        if (next_ == steps_.size()) {
            finished_ = true;
            return;
        }
        if (!IsWindow(dialog_)) {
            Expect(false, steps_[next_].what, "the dialog had already closed");
            finished_ = true;
            return;
        }
        busy_ = true;
        Step& step = steps_[next_++];
        step.run();
        busy_ = false;
        due_ = GetTickCount() + step.pauseAfter;
    }

    void Finish() {
        if (dialog_ != nullptr && next_ == steps_.size()) {
            Expect(!IsWindow(dialog_), "the dialog has closed", "");
            if (scenario_ != "about") {
                Expect(GetClassLongPtrA(HostWindow(), GCLP_HCURSOR) ==
                           reinterpret_cast<ULONG_PTR>(LoadCursorA(nullptr, IDC_ARROW)),
                       "the host window's class cursor is back", "");
            }
        } else if (dialog_ != nullptr) {
            Expect(false, "every step ran", "stopped before: " + steps_[next_].what);
        }
        std::printf("scenario %s: %d passed, %d failed\n", scenario_.c_str(), passed_, failed_);
        std::fflush(stdout);
    }

  private:
    // ---- Scenarios ---------------------------------------------------------

    void Build() {
        if (scenario_ == "look") {
            BuildLook();
        } else if (scenario_ == "slider") {
            BuildSlider();
        } else if (scenario_ == "zoom") {
            BuildZoom();
        } else if (scenario_ == "before") {
            BuildBefore();
        } else if (scenario_ == "navigator") {
            BuildNavigator();
        } else if (scenario_ == "help") {
            BuildHelp("Help location could not be determined");
        } else if (scenario_ == "help-unopenable") {
            BuildHelp("Help could not be opened");
        } else if (scenario_ == "ok") {
            BuildConfirm();
        } else if (scenario_ == "cancel") {
            BuildCancel();
        } else if (scenario_ == "fetch-failure") {
            BuildFetchFailure();
        } else if (scenario_ == "about") {
            BuildAbout();
        }
    }

    void Add(std::string what, std::function<void()> run, DWORD pauseAfter = 100) {
        steps_.push_back(Step{std::move(what), std::move(run), pauseAfter});
    }

    void BuildLook() {
        Add("caption and texts", [this] {
            ExpectText("caption", WindowText(dialog_), "MIRTANE  v1.1.4");
            Expect(HostWindow() != nullptr && GetWindow(dialog_, GW_OWNER) == HostWindow(),
                   "the host's main window owns the dialog", "");
            ExpectText("title text", Text(IDC_TITLE_TEXT),
                       "Automatically Restores and Balances Color");
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
            Expect(Checked(IDC_RADIO_AFTER) && !Checked(IDC_RADIO_BEFORE), "\"After\" is selected",
                   "");
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
            Screenshot(L"dialog.bmp");
        });
        Add("OK closes the dialog", [this] { Command(IDC_BUTTON_OK); });
    }

    void BuildSlider() {
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
        Add(
            "End on the focused slider",
            [this] {
                SetFocus(GetDlgItem(dialog_, kSliderIds[2]));
                PressKey(VK_END);
            },
            300);
        Add(
            "End moved the slider",
            [this] {
                ExpectText("the End key gives +25", Text(kEditIds[2]), "25");
                PressKey(VK_HOME);
            },
            300);
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
                    ExpectText("Defaults: edit box " + std::to_string(kEditIds[i]),
                               Text(kEditIds[i]), "0");
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
            Screenshot(L"dialog-defaults.bmp");
        });
        Add("Cancel closes the dialog", [this] { Command(IDC_BUTTON_CANCEL); });
    }

    void BuildZoom() {
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
            Screenshot(L"dialog-zoomed.bmp");
        });
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

    void BuildBefore() {
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
            Screenshot(L"dialog-before.bmp");
        });
        Add("after again", [this] {
            Click(IDC_RADIO_AFTER);
            UpdateWindow(dialog_);
            const DisplayCall* preview = LastDraw(true);
            Expect(preview != nullptr && SameImage(preview->pixels, previewBaseline_),
                   "After shows the corrected preview again", "");
        });
        Add("Cancel closes the dialog", [this] { Command(IDC_BUTTON_CANCEL); });
    }

    void BuildNavigator() {
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
            Expect(
                moved.inRect.right * rate <= host_.image().width &&
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
            SendMessageA(
                dialog_, WM_MOUSEMOVE, 0,
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

    // Help where it cannot succeed: the message expected depends on what
    // the registry holds, which the caller arranges.
    void BuildHelp(std::string expected) {
        Add("help", [this, expected] {
            const std::size_t seen = messages_.size();
            // Straight to the dialog procedure, to see what it answers.
            const auto procedure =
                reinterpret_cast<DLGPROC>(GetWindowLongPtrA(dialog_, DWLP_DLGPROC));
            const INT_PTR handled =
                procedure(dialog_, WM_COMMAND, MAKEWPARAM(IDC_BUTTON_HELP, BN_CLICKED),
                          reinterpret_cast<LPARAM>(GetDlgItem(dialog_, IDC_BUTTON_HELP)));
            Expect(messages_.size() == seen + 1 && messages_.back() == expected,
                   "Help says \"" + expected + "\"",
                   messages_.size() > seen ? messages_.back() : "no message");
            Expect(handled == FALSE, "the failed help command answers FALSE", "");
            Expect(IsWindowVisible(dialog_) != FALSE, "the dialog stays open", "");
        });
        Add("Cancel closes the dialog", [this] { Command(IDC_BUTTON_CANCEL); });
    }

    void BuildConfirm() {
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

    void BuildCancel() {
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

    void BuildFetchFailure() {
        Add("the host fails the next pixel request", [this] {
            host_.InjectFault(FaultKind::AdvanceState, 1, -1234);
            InvalidateRect(dialog_, nullptr, FALSE);
            UpdateWindow(dialog_);
        });
    }

    void BuildAbout() {
        Add("caption, version and logo", [this] {
            ExpectText("caption", WindowText(dialog_), "MIRTANE Plug-In");
            Expect(HostWindow() != nullptr && GetWindow(dialog_, GW_OWNER) == HostWindow(),
                   "the host window named in the about record owns the box", "");
            ExpectText("version line", Text(IDC_ABOUT_VERSION), "Version 1.1.4  (10/2004)");
            const LRESULT logo =
                SendDlgItemMessageA(dialog_, IDC_LOGO, STM_GETIMAGE, IMAGE_BITMAP, 0);
            Expect(logo != 0, "the logo is shown", "");
            Expect(GetFocus() == GetDlgItem(dialog_, IDC_ABOUT_OK), "OK has the focus", "");
            Screenshot(L"about.bmp");
        });
        Add("the logo does nothing", [this] {
            SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDC_LOGO, STN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog_, IDC_LOGO)));
            Expect(IsWindowVisible(dialog_) != FALSE, "a click on the logo keeps the box open", "");
        });
        Add("Esc closes the box", [this] { PressKey(VK_ESCAPE); });
    }

    // ---- Checks ----------------------------------------------------------------

    void Expect(bool ok, const std::string& what, const std::string& detail) {
        if (ok) {
            ++passed_;
            std::printf("PASS %s: %s\n", scenario_.c_str(), what.c_str());
        } else {
            ++failed_;
            std::printf("FAIL %s: %s (%s)\n", scenario_.c_str(), what.c_str(), detail.c_str());
        }
        std::fflush(stdout);
    }

    void ExpectText(const std::string& what, const std::string& actual,
                    const std::string& expected) {
        Expect(actual == expected, what + " reads \"" + expected + "\"", "\"" + actual + "\"");
    }

    // ---- Acting on the dialog ----------------------------------------------------

    struct Search {
        const char* prefix;
        HWND found;
    };

    static BOOL CALLBACK MatchDialog(HWND window, LPARAM context) {
        auto* search = reinterpret_cast<Search*>(context);
        if (IsDialogWindow(window) && !IsMessageBox(window) &&
            WindowText(window).rfind(search->prefix, 0) == 0) {
            search->found = window;
            return FALSE;
        }
        return TRUE;
    }

    HWND FindDialog() {
        Search search{captionPrefix_, nullptr};
        EnumThreadWindows(GetCurrentThreadId(), &MatchDialog, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    static BOOL CALLBACK AnswerMessageBox(HWND window, LPARAM context) {
        auto* engine = reinterpret_cast<Engine*>(context);
        if (IsDialogWindow(window) && IsMessageBox(window) && engine->answered_ != window) {
            const std::string text = WindowText(GetDlgItem(window, kMessageBoxText));
            std::printf("message box \"%s\": %s\n", WindowText(window).c_str(), text.c_str());
            std::fflush(stdout);
            engine->messages_.push_back(text);
            engine->answered_ = window;
            PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        return TRUE;
    }

    void DismissMessageBoxes() {
        EnumThreadWindows(GetCurrentThreadId(), &AnswerMessageBox, reinterpret_cast<LPARAM>(this));
    }

    std::string Text(int id) const {
        char text[512] = {};
        GetDlgItemTextA(dialog_, id, text, sizeof text);
        return text;
    }

    bool Enabled(int id) const { return IsWindowEnabled(GetDlgItem(dialog_, id)) != FALSE; }
    bool Checked(int id) const { return IsDlgButtonChecked(dialog_, id) == BST_CHECKED; }
    int Position(int slider) const {
        return static_cast<int>(SendDlgItemMessageA(dialog_, slider, TBM_GETPOS, 0, 0));
    }

    void Command(int id) {
        SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog_, id)));
    }

    // A click on a button: it changes its own state, then tells the dialog.
    void Click(int id) { SendDlgItemMessageA(dialog_, id, BM_CLICK, 0, 0); }

    void Scroll(int slider, int code, int position) {
        SendMessageA(dialog_, WM_HSCROLL, MAKEWPARAM(code, position),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog_, slider)));
    }

    // Replacing the text raises the same change notification as typing.
    void Type(int edit, const char* text) { SetDlgItemTextA(dialog_, edit, text); }

    // A key as the keyboard sends it: posted to the focused control, so that
    // the dialog's modal loop handles it as it handles real keys.
    void PressKey(UINT key) {
        const HWND focus = GetFocus() != nullptr ? GetFocus() : dialog_;
        PostMessageA(focus, WM_KEYDOWN, key, 0x00000001);
        PostMessageA(focus, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
    }

    static HMODULE PluginModule() { return GetModuleHandleA("Mirtane.8bf"); }

    HWND HostWindow() const {
        const PlatformData* platform = host_.record().platformData;
        return platform != nullptr ? static_cast<HWND>(platform->hwnd) : nullptr;
    }

    void Repaint() {
        InvalidateRect(dialog_, nullptr, FALSE);
        UpdateWindow(dialog_);
    }

    // The latest draw of a pane. The preview lies left of the navigator, so
    // its draws are the ones at the smallest column.
    const DisplayCall* LastDraw(bool preview) const {
        const std::vector<DisplayCall>& calls = DisplayCalls();
        if (calls.empty()) {
            return nullptr;
        }
        int leftmost = calls.front().destinationColumn;
        int rightmost = leftmost;
        for (const DisplayCall& call : calls) {
            leftmost = call.destinationColumn < leftmost ? call.destinationColumn : leftmost;
            rightmost = call.destinationColumn > rightmost ? call.destinationColumn : rightmost;
        }
        const int wanted = preview ? leftmost : rightmost;
        for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
            if (it->destinationColumn == wanted) {
                return &*it;
            }
        }
        return nullptr;
    }

    // The document's pixels for a request, as point sampling delivers them.
    Image Unprocessed(const Request& request) const {
        const Image& document = host_.image();
        const int rate = request.inputRate >> 16 > 0 ? request.inputRate >> 16 : 1;
        const int width = request.inRect.right - request.inRect.left;
        const int height = request.inRect.bottom - request.inRect.top;
        Image out = MakeImage(width > 0 ? width : 0, height > 0 ? height : 0);
        for (int y = 0; y < out.height; ++y) {
            for (int x = 0; x < out.width; ++x) {
                const int sx = (request.inRect.left + x) * rate;
                const int sy = (request.inRect.top + y) * rate;
                const bool inside =
                    sx >= 0 && sy >= 0 && sx < document.width && sy < document.height;
                for (int plane = 0; plane < 3; ++plane) {
                    out.At(x, y, plane) = inside ? document.At(sx, sy, plane) : 0;
                }
            }
        }
        return out;
    }

    // Saves what the screen shows of the dialog as a 24-bit BMP.
    void Screenshot(const std::wstring& name) {
        if (artefacts_.empty()) {
            return;
        }
        UpdateWindow(dialog_);
        RECT area{};
        GetWindowRect(dialog_, &area);
        const int width = area.right - area.left;
        const int height = area.bottom - area.top;
        const HDC screen = GetDC(nullptr);
        const HDC memory = CreateCompatibleDC(screen);
        const HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
        const HGDIOBJ previous = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
        SelectObject(memory, previous);

        BITMAPINFOHEADER header{};
        header.biSize = sizeof header;
        header.biWidth = width;
        header.biHeight = height;
        header.biPlanes = 1;
        header.biBitCount = 24;
        header.biCompression = BI_RGB;
        const int rowBytes = (width * 3 + 3) & ~3;
        std::vector<std::uint8_t> bits(static_cast<std::size_t>(rowBytes) * height);
        GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), bits.data(),
                  reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);

        BITMAPFILEHEADER file{};
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof file + sizeof header;
        file.bfSize = file.bfOffBits + static_cast<DWORD>(bits.size());
        header.biSizeImage = static_cast<DWORD>(bits.size());
        const std::wstring path = artefacts_ + L"\\" + name;
        std::FILE* out = _wfopen(path.c_str(), L"wb");
        const bool written = out != nullptr && std::fwrite(&file, sizeof file, 1, out) == 1 &&
                             std::fwrite(&header, sizeof header, 1, out) == 1 &&
                             std::fwrite(bits.data(), 1, bits.size(), out) == bits.size();
        if (out != nullptr) {
            std::fclose(out);
        }
        Expect(written, "screenshot " + Narrowed(name) + " saved", Narrowed(path));
    }

    TestHost& host_;
    std::string scenario_;
    std::wstring artefacts_;
    const char* captionPrefix_ = kMainCaptionPrefix;
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    HWND dialog_ = nullptr;
    HWND answered_ = nullptr;
    DWORD start_ = 0;
    DWORD due_ = 0;
    bool busy_ = false;
    bool finished_ = false;
    int passed_ = 0;
    int failed_ = 0;
    std::vector<std::string> messages_;

    // Scenario state.
    Image previewBaseline_;
    Image navigatorBaseline_;
    std::size_t drawCount_ = 0;
    std::string zoomLabel_;
    Request previewRequest_{};
};

Engine* gEngine = nullptr;

VOID CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD) {
    if (gEngine != nullptr) {
        gEngine->Tick();
    }
}

UINT_PTR gTimer = 0;

}  // namespace

bool IsDialogScenario(const std::string& name) {
    for (const char* known : {"look", "slider", "zoom", "before", "navigator", "help",
                              "help-unopenable", "ok", "cancel", "fetch-failure", "about"}) {
        if (name == known) {
            return true;
        }
    }
    return false;
}

ScriptedDialogDriver::ScriptedDialogDriver(TestHost& host, const std::string& scenario,
                                           const std::wstring& artefactFolder) {
    auto* engine = new Engine(host, scenario, artefactFolder);
    engine_ = engine;
    gEngine = engine;
    gTimer = SetTimer(nullptr, 0, kTickMilliseconds, &OnTick);
}

ScriptedDialogDriver::~ScriptedDialogDriver() {
    if (gTimer != 0) {
        KillTimer(nullptr, gTimer);
        gTimer = 0;
    }
    auto* engine = static_cast<Engine*>(engine_);
    gEngine = nullptr;
    engine->Finish();
    delete engine;
}

}  // namespace testhost
