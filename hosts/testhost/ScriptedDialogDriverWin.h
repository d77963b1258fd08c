// Drives a plug-in's dialog through a named scenario, on the host's own
// thread: a thread timer, which keeps firing inside the dialog's modal
// loop, finds the dialog and, once it has drawn itself, runs one step at a
// time - window messages as a user's clicks, keys and typing would send
// them, and checks of what the dialog shows and what it asked the host to
// draw. A step runs once the dialog has handled what the one before it
// posted (and, after a change that starts the dialog's refresh timer, once
// that timer has run out). Message boxes that come
// up meanwhile are read and acknowledged. Each check prints
// "PASS scenario: what" or "FAIL scenario: what (detail)"; the destructor
// prints "scenario NAME: N passed, M failed".
//
// Scenarios of the main dialog: look, slider, zoom, before, navigator, help
// (no usable registry entry), help-unopenable (an entry naming a folder
// without the page), ok, cancel, fetch-failure. Of the about box: about. Screenshots go to the
// artefact folder as BMP files.
#pragma once

#include <string>

namespace testhost {

class TestHost;

bool IsDialogScenario(const std::string& name);

class ScriptedDialogDriver {
  public:
    // Starts the scenario; `host` must outlive the driver.
    ScriptedDialogDriver(TestHost& host, const std::string& scenario,
                         const std::wstring& artefactFolder);
    ~ScriptedDialogDriver();
    ScriptedDialogDriver(const ScriptedDialogDriver&) = delete;
    ScriptedDialogDriver& operator=(const ScriptedDialogDriver&) = delete;

  private:
    void* engine_ = nullptr;
};

}  // namespace testhost
