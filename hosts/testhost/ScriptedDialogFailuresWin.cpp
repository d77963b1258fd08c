// The scenarios of failures the dialog reports: help that cannot be shown
// (help, help-unopenable) and a host that fails a pixel request while the
// dialog draws (fetch-failure).
#include "hosts/testhost/ScriptedDialogEngineWin.h"

#include <cstddef>
#include <string>
#include <utility>

#include "resources/DialogIds.h"

namespace testhost::dialogscript {

void ScriptedDialogEngine::BuildHelp(std::string expected) {
    Add("help", [this, expected] {
        const std::size_t seen = messages_.size();
        // Straight to the dialog procedure, to see what it answers.
        const auto procedure = reinterpret_cast<DLGPROC>(GetWindowLongPtrA(dialog_, DWLP_DLGPROC));
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

void ScriptedDialogEngine::BuildFetchFailure() {
    Add("the host fails the next pixel request", [this] {
        host_.InjectFault(FaultKind::AdvanceState, 1, -1234);
        InvalidateRect(dialog_, nullptr, FALSE);
        UpdateWindow(dialog_);
    });
}

}  // namespace testhost::dialogscript
