#include "engine/HeadlessRun.h"

#include "platform/headless/HeadlessPlatform.h"

namespace mirtane::engine {

namespace headless = mirtane::platform::headless;

HeadlessSession::HeadlessSession() {
    headless::ResetHeadlessPlatform();
    headless::SetMessagesEchoed(false);
}

HeadlessSession::~HeadlessSession() { headless::ResetHeadlessPlatform(); }

std::string RunFailureReason(OSErr result, const std::string& task) {
    const auto& messages = headless::RecordedMessages();
    if (!messages.empty()) {
        return messages.back().text;
    }
    switch (result) {
    case memFullErr: return "not enough memory to " + task + " this image";
    case userCanceledErr: return "the plug-in cancelled the run";
    case noErr: return "the plug-in finished without a result";
    default: return "the plug-in failed with code " + std::to_string(result);
    }
}

}  // namespace mirtane::engine
