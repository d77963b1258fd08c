/* Presses the Help button (or another) of the plug-in's dialog as a user
   would, from another process on the same desktop, then closes the dialog
   with Cancel:

     HelpButtonPresser.exe [seconds [button id]]

   Waits up to `seconds` (default 60) for the window titled "MIRTANE  v1.1.4",
   gives it a moment to finish opening, clicks its button 3 (Help), or the
   button with the id given (7 is Check for Update), with BM_CLICK, waits for
   whatever the button does (a message box is answered by the host's own
   dialog driver), then sends Cancel. Prints what it did. Exit status: 0
   pressed and cancelled, 1 no dialog appeared, 2 the dialog has no such
   button, 3 the dialog did not close after Cancel. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

static const char kDialogTitle[] = "MIRTANE  v1.1.4";
enum { kHelpButtonId = 3, kPollMilliseconds = 200 };

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? atoi(argv[1]) : 60;
    const int buttonId = argc > 2 ? atoi(argv[2]) : kHelpButtonId;
    HWND dialog = NULL;
    for (int waited = 0; dialog == NULL && waited < seconds * 1000; waited += kPollMilliseconds) {
        dialog = FindWindowA(NULL, kDialogTitle);
        if (dialog == NULL) {
            Sleep(kPollMilliseconds);
        }
    }
    if (dialog == NULL) {
        printf("no window \"%s\" appeared\n", kDialogTitle);
        return 1;
    }
    /* The first paint fetches the panes from the host; let it finish. */
    Sleep(1500);
    HWND button = GetDlgItem(dialog, buttonId);
    if (button == NULL) {
        printf("the dialog has no button %d\n", buttonId);
        return 2;
    }
    /* Posted, not sent: a failing lookup shows a modal message box inside
       the click's handling, which would block a sent message. */
    PostMessageA(button, BM_CLICK, 0, 0);
    if (buttonId == kHelpButtonId) {
        printf("pressed Help\n");
    } else {
        printf("pressed button %d\n", buttonId);
    }
    fflush(stdout);
    Sleep(5000);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    for (int waited = 0; waited < 10000; waited += kPollMilliseconds) {
        if (!IsWindow(dialog)) {
            printf("cancelled the dialog\n");
            return 0;
        }
        Sleep(kPollMilliseconds);
    }
    printf("the dialog did not close\n");
    return 3;
}
