// The platform seam for the native build: no windows, no registry. Message
// boxes are recorded and echoed to standard error; the screen size and the
// dialog's answer are whatever the caller set.
#include "platform/headless/HeadlessPlatform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/Platform.h"

namespace mirtane::platform {
namespace {

constexpr int kDefaultScreenWidth = 1920;
constexpr int kDefaultScreenHeight = 1080;

struct HeadlessState {
    std::vector<headless::RecordedMessage> messages;
    bool echoed = true;
    int screenWidth = kDefaultScreenWidth;
    int screenHeight = kDefaultScreenHeight;
    std::function<std::int32_t()> dialogHandler;
    int dialogCount = 0;
    int aboutCount = 0;
    void* module = nullptr;
};

HeadlessState& State() {
    static HeadlessState state;
    return state;
}

}  // namespace

void ShowErrorMessage(const char* text, const char* caption) {
    State().messages.push_back({text, caption});
    if (State().echoed) {
        std::fprintf(stderr, "%s: %s\n", caption, text);
    }
}

int ScreenWidth() { return State().screenWidth; }
int ScreenHeight() { return State().screenHeight; }

void* ModuleHandle() { return State().module; }
void SetModuleHandle(void* module) { State().module = module; }

std::int32_t RunMainDialog() {
    ++State().dialogCount;
    return State().dialogHandler ? State().dialogHandler() : kDialogConfirmed;
}

void ShowAboutBox(void* /*ownerWindow*/) { ++State().aboutCount; }

bool TemporaryFolder(char* buffer, std::size_t bufferSize) {
    const char* folder = std::getenv("TMPDIR");
    if (folder == nullptr || *folder == '\0') {
        folder = "/tmp";
    }
    const int written = std::snprintf(buffer, bufferSize, "%s/", folder);
    return written > 0 && static_cast<std::size_t>(written) < bufferSize;
}

namespace headless {

const std::vector<RecordedMessage>& RecordedMessages() { return State().messages; }
void ClearRecordedMessages() { State().messages.clear(); }
void SetMessagesEchoed(bool echoed) { State().echoed = echoed; }
void SetScreenSize(int width, int height) {
    State().screenWidth = width;
    State().screenHeight = height;
}
void SetMainDialogHandler(std::function<std::int32_t()> handler) {
    State().dialogHandler = std::move(handler);
}
int MainDialogCount() { return State().dialogCount; }
int AboutBoxCount() { return State().aboutCount; }
void ResetHeadlessPlatform() { State() = HeadlessState{}; }

}  // namespace headless
}  // namespace mirtane::platform
