#include "testhost/DialogDriverWin.h"

#include <windows.h>

#include <cstdio>
#include <map>

namespace testhost {
namespace {

constexpr DWORD kPollMilliseconds = 100;
constexpr DWORD kSettleMilliseconds = 500;  // let the dialog draw itself first
constexpr DWORD kRepeatMilliseconds = 2000;
constexpr int kMessageBoxTextId = 0xFFFF;

struct Watch {
    DialogAction action;
    DWORD hostThreadId;
    HANDLE stop;
    std::map<HWND, DWORD> firstSeen;
    std::map<HWND, DWORD> lastPressed;
};

bool IsDialogWindow(HWND window) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    return lstrcmpA(className, "#32770") == 0 && IsWindowVisible(window);
}

void Press(HWND window, int buttonId) {
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, buttonId)));
}

// The dialog's default push button (what Enter presses): OK in most
// dialogs, but not every dialog gives its OK button the id IDOK.
int DefaultButton(HWND window) {
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutA(window, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer) != 0 &&
        HIWORD(answer) == DC_HASDEFID) {
        return LOWORD(answer);
    }
    return IDOK;
}

void Answer(Watch& watch, HWND window) {
    char caption[256] = {};
    GetWindowTextA(window, caption, sizeof caption);
    HWND text = GetDlgItem(window, kMessageBoxTextId);
    const bool messageBox = text != nullptr;
    if (watch.lastPressed.count(window) == 0) {
        if (messageBox) {
            char message[1024] = {};
            GetWindowTextA(text, message, sizeof message);
            std::printf("message box \"%s\": %s\n", caption, message);
        } else {
            std::printf("dialog \"%s\"\n", caption);
        }
        std::fflush(stdout);
    }
    if (messageBox || watch.action == DialogAction::Confirm) {
        Press(window, DefaultButton(window));
    } else if (watch.action == DialogAction::Cancel) {
        Press(window, IDCANCEL);
    }
}

BOOL CALLBACK VisitWindow(HWND window, LPARAM context) {
    Watch& watch = *reinterpret_cast<Watch*>(context);
    if (!IsDialogWindow(window)) {
        return TRUE;
    }
    const DWORD now = GetTickCount();
    const auto seen = watch.firstSeen.emplace(window, now).first;
    if (now - seen->second < kSettleMilliseconds) {
        return TRUE;
    }
    const auto pressed = watch.lastPressed.find(window);
    if (pressed != watch.lastPressed.end() && now - pressed->second < kRepeatMilliseconds) {
        return TRUE;
    }
    Answer(watch, window);
    watch.lastPressed[window] = now;
    return TRUE;
}

DWORD WINAPI WatchWindows(LPVOID context) {
    Watch& watch = *static_cast<Watch*>(context);
    while (WaitForSingleObject(watch.stop, kPollMilliseconds) == WAIT_TIMEOUT) {
        EnumThreadWindows(watch.hostThreadId, &VisitWindow, reinterpret_cast<LPARAM>(&watch));
    }
    delete &watch;
    return 0;
}

}  // namespace

DialogDriver::DialogDriver(DialogAction action, unsigned long hostThreadId) {
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (stop_ == nullptr) {
        return;
    }
    Watch* watch = new Watch{action, hostThreadId, static_cast<HANDLE>(stop_), {}, {}};
    thread_ = CreateThread(nullptr, 0, &WatchWindows, watch, 0, nullptr);
    if (thread_ == nullptr) {
        delete watch;
    }
}

DialogDriver::~DialogDriver() {
    if (thread_ != nullptr) {
        SetEvent(static_cast<HANDLE>(stop_));
        WaitForSingleObject(static_cast<HANDLE>(thread_), INFINITE);
        CloseHandle(static_cast<HANDLE>(thread_));
    }
    if (stop_ != nullptr) {
        CloseHandle(static_cast<HANDLE>(stop_));
    }
}

}  // namespace testhost
