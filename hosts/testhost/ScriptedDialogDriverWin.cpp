// The runner of the scripted dialog scenarios: the thread timer and its tick
// loop, which finds the dialog and runs one step at a time, the choice of a
// scenario's steps and the PASS and FAIL lines of the checks. The steps
// themselves are in the scenario files named in ScriptedDialogEngineWin.h.
#include "hosts/testhost/ScriptedDialogDriverWin.h"

#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <utility>

#include "hosts/testhost/DisplayPixels.h"
#include "hosts/testhost/PendingPaintWin.h"
#include "hosts/testhost/ScriptedDialogEngineWin.h"
#include "hosts/testhost/TestHost.h"

namespace testhost {
namespace dialogscript {
namespace {

constexpr UINT kTickMilliseconds = 50;
constexpr DWORD kGiveUpMilliseconds = 60000;  // no dialog by then: fail
// The dialog has drawn itself once it and its visible controls have nothing
// left to paint on this many successive ticks; the limit is far beyond the
// fraction of a second that takes.
constexpr int kQuietTicks = 2;
constexpr DWORD kDrawLimitMilliseconds = 15000;
// What a step posted (keys, a click on a message box) is handled well within
// a tick or two; this is the limit.
constexpr DWORD kHandleLimitMilliseconds = 10000;

constexpr const char* kMainCaptionPrefix = "MIRTANE  v";
constexpr const char* kAboutCaption = "MIRTANE Plug-In";

}  // namespace

ScriptedDialogEngine::ScriptedDialogEngine(TestHost& host, std::string scenario,
                                           std::wstring artefacts)
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

void ScriptedDialogEngine::Tick() {
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
        found_ = now;
        return;
    }
    if (!drawn_ && IsWindow(dialog_)) {
        if (!HasDrawnItself(now)) {
            return;
        }
        waitingSince_ = now;
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
    if (!HasHandledMessages(now)) {
        return;
    }
    busy_ = true;
    Step& step = steps_[next_++];
    step.run();
    busy_ = false;
    waitingSince_ = GetTickCount();
    due_ = waitingSince_ + step.timerWait;
}

// The first step acts on what the dialog shows: its controls, both panes
// drawn through the host (and so the requests for their pixels made), the
// screen showing it. The tick runs from the dialog's own message loop, so
// no paint is under way; an update region left in the dialog or a control
// means a paint is still to come.
bool ScriptedDialogEngine::HasDrawnItself(DWORD now) {
    quietTicks_ = HasPendingPaint(dialog_) ? 0 : quietTicks_ + 1;
    if (quietTicks_ >= kQuietTicks) {
        drawn_ = true;
    } else if (now - found_ > kDrawLimitMilliseconds) {
        // Reported, then the steps run all the same, so that the run ends.
        Expect(false, "the dialog draws itself",
               "still areas to paint " + std::to_string(kDrawLimitMilliseconds) +
                   " ms after it came up");
        drawn_ = true;
    }
    return drawn_;
}

// A step checks what the steps before it did, and what they posted (keys,
// or the click that closes a message box) takes effect only once the
// dialog's modal loop has taken it from the queue and handled it. The tick
// runs from that loop, so a queue without posted messages or input means
// all of it has been handled.
bool ScriptedDialogEngine::HasHandledMessages(DWORD now) {
    if (HIWORD(GetQueueStatus(QS_POSTMESSAGE | QS_INPUT)) == 0) {
        return true;
    }
    if (now - waitingSince_ > kHandleLimitMilliseconds) {
        // Reported, then the step runs all the same, so that the run ends.
        Expect(false, "the dialog handles what was posted before \"" + steps_[next_].what + "\"",
               "messages still queued after " + std::to_string(kHandleLimitMilliseconds) + " ms");
        waitingSince_ = now;
        return true;
    }
    return false;
}

void ScriptedDialogEngine::Finish() {
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

void ScriptedDialogEngine::Build() {
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

void ScriptedDialogEngine::Add(std::string what, std::function<void()> run, DWORD timerWait) {
    steps_.push_back(Step{std::move(what), std::move(run), timerWait});
}

void ScriptedDialogEngine::Expect(bool ok, const std::string& what, const std::string& detail) {
    if (ok) {
        ++passed_;
        std::printf("PASS %s: %s\n", scenario_.c_str(), what.c_str());
    } else {
        ++failed_;
        std::printf("FAIL %s: %s (%s)\n", scenario_.c_str(), what.c_str(), detail.c_str());
    }
    std::fflush(stdout);
}

void ScriptedDialogEngine::ExpectText(const std::string& what, const std::string& actual,
                                      const std::string& expected) {
    Expect(actual == expected, what + " reads \"" + expected + "\"", "\"" + actual + "\"");
}

}  // namespace dialogscript

namespace {

dialogscript::ScriptedDialogEngine* gEngine = nullptr;

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
    auto* engine = new dialogscript::ScriptedDialogEngine(host, scenario, artefactFolder);
    engine_ = engine;
    gEngine = engine;
    gTimer = SetTimer(nullptr, 0, dialogscript::kTickMilliseconds, &OnTick);
}

ScriptedDialogDriver::~ScriptedDialogDriver() {
    if (gTimer != 0) {
        KillTimer(nullptr, gTimer);
        gTimer = 0;
    }
    auto* engine = static_cast<dialogscript::ScriptedDialogEngine*>(engine_);
    gEngine = nullptr;
    engine->Finish();
    delete engine;
}

}  // namespace testhost
