// The engine behind ScriptedDialogDriver, shared by the files that make it
// up: the runner and its tick loop (ScriptedDialogDriverWin.cpp), reading and
// acting on the dialog's windows (ScriptedDialogControlsWin.cpp), what the
// dialog asked the host to draw and screenshots (ScriptedDialogImagesWin.cpp),
// and the scenarios, one file per group: the look of the dialogs
// (ScriptedDialogLookWin.cpp), the trims (ScriptedDialogTrimWin.cpp), the
// view of the preview and the navigator (ScriptedDialogViewWin.cpp) and the
// failures the dialog reports (ScriptedDialogFailuresWin.cpp). Private to the
// test host's Windows build.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "hosts/kit/Image.h"
#include "hosts/testhost/DisplayPixels.h"
#include "hosts/testhost/TestHost.h"
#include "resources/DialogIds.h"

namespace testhost::dialogscript {

// Controls of the plug-in's dialogs, as its resources number them.
constexpr int kSliderIds[3] = {IDC_SLIDER_CYAN_RED, IDC_SLIDER_MAGENTA_GREEN,
                               IDC_SLIDER_YELLOW_BLUE};
constexpr int kEditIds[3] = {IDC_EDIT_CYAN_RED, IDC_EDIT_MAGENTA_GREEN, IDC_EDIT_YELLOW_BLUE};

constexpr DWORD kRefreshWait = 900;  // beyond the dialog's 500 ms refresh timer
constexpr int kMaximumZoomSteps = 16;

// A step runs once the dialog's thread has handled what the step before it
// sent or posted; `timerWait` adds a wait for a timer of the dialog's own
// to run out first (0: none).
struct Step {
    std::string what;
    std::function<void()> run;
    DWORD timerWait;
};

bool IsDialogWindow(HWND window);
std::string WindowText(HWND window);
bool SameImage(const Image& a, const Image& b);

class ScriptedDialogEngine {
  public:
    ScriptedDialogEngine(TestHost& host, std::string scenario, std::wstring artefacts);

    // One tick of the thread timer: answers message boxes, waits for the
    // dialog, then runs the next step when it is due.
    void Tick();
    // Checks how the dialog ended and prints the scenario's totals.
    void Finish();

  private:
    // True once the dialog has nothing left to paint (or, reported as a
    // failure, once the time allowed for that has passed).
    bool HasDrawnItself(DWORD now);
    // True once the queue of the dialog's thread holds no posted message and
    // no input (or, reported as a failure, once the time allowed has passed).
    bool HasHandledMessages(DWORD now);

    // ---- Scenarios (one file per group) --------------------------------------

    void Build();
    void Add(std::string what, std::function<void()> run, DWORD timerWait = 0);

    void BuildLook();
    void BuildAbout();
    void BuildSlider();
    void BuildConfirm();
    void BuildCancel();
    void BuildZoom();
    void BuildBefore();
    void BuildNavigator();
    // Help where it cannot succeed: the message expected depends on what
    // the registry holds, which the caller arranges.
    void BuildHelp(std::string expected);
    void BuildFetchFailure();

    // ---- Checks ----------------------------------------------------------------

    void Expect(bool ok, const std::string& what, const std::string& detail);
    void ExpectText(const std::string& what, const std::string& actual,
                    const std::string& expected);

    // ---- Acting on the dialog ----------------------------------------------------

    struct Search {
        const char* prefix;
        HWND found;
    };

    static BOOL CALLBACK MatchDialog(HWND window, LPARAM context);
    HWND FindDialog();
    static BOOL CALLBACK AnswerMessageBox(HWND window, LPARAM context);
    void DismissMessageBoxes();

    std::string Text(int id) const;
    bool Enabled(int id) const;
    bool Checked(int id) const;
    int Position(int slider) const;

    void Command(int id);
    // A click on a button: it changes its own state, then tells the dialog.
    void Click(int id);
    void Scroll(int slider, int code, int position);
    // Replacing the text raises the same change notification as typing.
    void Type(int edit, const char* text);
    // A key as the keyboard sends it: posted to the focused control, so that
    // the dialog's modal loop handles it as it handles real keys.
    void PressKey(UINT key);

    static HMODULE PluginModule();
    HWND HostWindow() const;
    void Repaint();

    // ---- What the dialog drew ------------------------------------------------------

    // The latest draw of a pane. The preview lies left of the navigator, so
    // its draws are the ones at the smallest column.
    const DisplayCall* LastDraw(bool preview) const;
    // The document's pixels for a request, as point sampling delivers them.
    Image Unprocessed(const Request& request) const;
    // Saves what the screen shows of the dialog as a 24-bit BMP.
    void Screenshot(const std::wstring& name);
    // A screenshot as a step of its own, after the step that drew: the
    // screen can lag behind what the windows painted until their thread has
    // waited for messages again (seen under Wine as a control painted in the
    // same tick missing from the screenshot).
    void AddScreenshot(const std::wstring& name);

    TestHost& host_;
    std::string scenario_;
    std::wstring artefacts_;
    const char* captionPrefix_ = nullptr;
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    HWND dialog_ = nullptr;
    HWND answered_ = nullptr;
    DWORD start_ = 0;
    DWORD found_ = 0;  // when the dialog was found
    DWORD due_ = 0;
    DWORD waitingSince_ = 0;  // when the wait for the next step began
    int quietTicks_ = 0;      // successive ticks without anything to paint
    bool drawn_ = false;
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

}  // namespace testhost::dialogscript
