// Reading and acting on the dialog's windows: finding the dialog, answering
// message boxes, reading controls and sending the messages a user's clicks,
// keys and typing would send.
#include "hosts/testhost/ScriptedDialogEngineWin.h"

#include <commctrl.h>

#include <cstdio>
#include <string>

namespace testhost::dialogscript {
namespace {

constexpr int kMessageBoxText = 0xFFFF;

bool IsMessageBox(HWND window) { return GetDlgItem(window, kMessageBoxText) != nullptr; }

}  // namespace

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

BOOL CALLBACK ScriptedDialogEngine::MatchDialog(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    if (IsDialogWindow(window) && !IsMessageBox(window) &&
        WindowText(window).rfind(search->prefix, 0) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND ScriptedDialogEngine::FindDialog() {
    Search search{captionPrefix_, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), &MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK ScriptedDialogEngine::AnswerMessageBox(HWND window, LPARAM context) {
    auto* engine = reinterpret_cast<ScriptedDialogEngine*>(context);
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

void ScriptedDialogEngine::DismissMessageBoxes() {
    EnumThreadWindows(GetCurrentThreadId(), &AnswerMessageBox, reinterpret_cast<LPARAM>(this));
}

std::string ScriptedDialogEngine::Text(int id) const {
    char text[512] = {};
    GetDlgItemTextA(dialog_, id, text, sizeof text);
    return text;
}

bool ScriptedDialogEngine::Enabled(int id) const {
    return IsWindowEnabled(GetDlgItem(dialog_, id)) != FALSE;
}

bool ScriptedDialogEngine::Checked(int id) const {
    return IsDlgButtonChecked(dialog_, id) == BST_CHECKED;
}

int ScriptedDialogEngine::Position(int slider) const {
    return static_cast<int>(SendDlgItemMessageA(dialog_, slider, TBM_GETPOS, 0, 0));
}

void ScriptedDialogEngine::Command(int id) {
    SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog_, id)));
}

void ScriptedDialogEngine::Click(int id) { SendDlgItemMessageA(dialog_, id, BM_CLICK, 0, 0); }

void ScriptedDialogEngine::Scroll(int slider, int code, int position) {
    SendMessageA(dialog_, WM_HSCROLL, MAKEWPARAM(code, position),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog_, slider)));
}

void ScriptedDialogEngine::Type(int edit, const char* text) {
    SetDlgItemTextA(dialog_, edit, text);
}

void ScriptedDialogEngine::PressKey(UINT key) {
    const HWND focus = GetFocus() != nullptr ? GetFocus() : dialog_;
    PostMessageA(focus, WM_KEYDOWN, key, 0x00000001);
    PostMessageA(focus, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

HMODULE ScriptedDialogEngine::PluginModule() { return GetModuleHandleA("Mirtane.8bf"); }

HWND ScriptedDialogEngine::HostWindow() const {
    const PlatformData* platform = host_.record().platformData;
    return platform != nullptr ? static_cast<HWND>(platform->hwnd) : nullptr;
}

void ScriptedDialogEngine::Repaint() {
    InvalidateRect(dialog_, nullptr, FALSE);
    UpdateWindow(dialog_);
}

}  // namespace testhost::dialogscript
