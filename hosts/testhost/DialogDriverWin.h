// Answers the plug-in's modal windows so a whole run needs no person: a
// background thread watches the host thread's top-level dialog windows and,
// once one has been shown for a moment, prints its caption (and a message
// box's text) and presses a button in it. Message boxes are always
// acknowledged with their default button; other dialogs get their default
// button (OK), Cancel (IDCANCEL, as Esc) or are left to the user.
#pragma once

namespace testhost {

enum class DialogAction { Confirm, Cancel, Leave };

class DialogDriver {
  public:
    // Watches the windows of thread `hostThreadId`.
    DialogDriver(DialogAction action, unsigned long hostThreadId);
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

  private:
    void* thread_ = nullptr;  // HANDLE
    void* stop_ = nullptr;    // HANDLE, an event
};

}  // namespace testhost
