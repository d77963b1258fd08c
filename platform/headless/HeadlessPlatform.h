// Control of the headless platform layer, for tests and the command-line tool.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace mirtane::platform::headless {

struct RecordedMessage {
    std::string text;
    std::string caption;
};

// Message boxes shown since the last clear, oldest first.
const std::vector<RecordedMessage>& RecordedMessages();
void ClearRecordedMessages();
// Whether message boxes are also written to standard error (default: yes).
void SetMessagesEchoed(bool echoed);

// The screen the checks see; 1920 x 1080 until set.
void SetScreenSize(int width, int height);

// What the main dialog does: the handler may change the parameter block's
// tints and returns the dialog code. Without a handler the dialog is
// confirmed unchanged. Counts every dialog shown.
void SetMainDialogHandler(std::function<std::int32_t()> handler);
int MainDialogCount();
int AboutBoxCount();

// Back to the defaults above, with no messages and no counts.
void ResetHeadlessPlatform();

}  // namespace mirtane::platform::headless
