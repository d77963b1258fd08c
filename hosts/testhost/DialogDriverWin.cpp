#include "hosts/testhost/DialogDriverWin.h"

#include <windows.h>

#include <cstdio>
#include <map>

#include "hosts/testhost/PendingPaintWin.h"

namespace testhost {
namespace {

constexpr DWORD kPollMilliseconds = 100;
// A dialog is answered once it has drawn itself: on this many successive
// polls its thread was back in its message loop with nothing left to paint.
// Past the limit, far beyond the fraction of a second that takes, it is
// reported and answered all the same, so that the run ends.
constexpr int kQuietPolls = 2;
constexpr DWORD kDrawLimitMilliseconds = 15000;
constexpr UINT kReplyMilliseconds = 1000;
constexpr DWORD kRepeatMilliseconds = 2000;
constexpr int kMessageBoxTextId = 0xFFFF;

struct Seen {
    DWORD first = 0;     // when the window was first seen
    int quietPolls = 0;  // successive polls without anything to paint
    bool drawn = false;
};

struct Watch {
    DialogAction action;
    DWORD hostThreadId;
    HANDLE stop;
    std::map<HWND, Seen> seen;
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

// The window's thread runs elsewhere: a message sent to the window returns
// once that thread is back in its message loop, outside any paint, and an
// update region left then means a paint still to come.
bool HasNothingToPaint(HWND window) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kReplyMilliseconds,
                               &ignored) != 0 &&
           !HasPendingPaint(window);
}

bool HasDrawnItself(HWND window, Seen& seen, DWORD now) {
    if (seen.drawn) {
        return true;
    }
    seen.quietPolls = HasNothingToPaint(window) ? seen.quietPolls + 1 : 0;
    if (seen.quietPolls >= kQuietPolls) {
        seen.drawn = true;
    } else if (now - seen.first > kDrawLimitMilliseconds) {
        char caption[256] = {};
        GetWindowTextA(window, caption, sizeof caption);
        std::fprintf(stderr,
                     "dialog driver: \"%s\" still had areas to paint %lu ms after it came up; "
                     "answering it all the same\n",
                     caption, static_cast<unsigned long>(kDrawLimitMilliseconds));
        std::fflush(stderr);
        seen.drawn = true;
    }
    return seen.drawn;
}

BOOL CALLBACK VisitWindow(HWND window, LPARAM context) {
    Watch& watch = *reinterpret_cast<Watch*>(context);
    if (!IsDialogWindow(window)) {
        return TRUE;
    }
    const DWORD now = GetTickCount();
    Seen& seen = watch.seen.emplace(window, Seen{now}).first->second;
    if (!HasDrawnItself(window, seen, now)) {
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
