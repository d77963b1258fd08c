/* Presses the Help button of the plug-in's dialog as a user would, from
   another process on the same desktop, then closes the dialog with Cancel:

     HelpButtonPresser.exe [seconds]

   Waits up to `seconds` (default 60) for the window titled "MIRTANE  v1.1.4",
   gives it a moment to finish opening, clicks its button 3 (Help) with
   BM_CLICK, waits for whatever Help does (a message box is answered by the
   host's own dialog driver), then sends Cancel. Prints what it did. Exit
   status: 0 pressed and cancelled, 1 no dialog appeared, 2 the dialog has no
   Help button, 3 the dialog did not close after Cancel. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

static const char kDialogTitle[] = "MIRTANE  v1.1.4";
enum { kHelpButtonId = 3, kPollMilliseconds = 200 };

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? atoi(argv[1]) : 60;
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
    HWND help = GetDlgItem(dialog, kHelpButtonId);
    if (help == NULL) {
        printf("the dialog has no Help button\n");
        return 2;
    }
    /* Posted, not sent: a failing lookup shows a modal message box inside
       the click's handling, which would block a sent message. */
    PostMessageA(help, BM_CLICK, 0, 0);
    printf("pressed Help\n");
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
