#include "cli/PluginRun.h"

#include <cmath>

#include "host/HostState.h"
#include "platform/DialogResult.h"
#include "platform/headless/HeadlessPlatform.h"
#include "testhost/HostCallbacks.h"
#include "testhost/ScriptingHost.h"
#include "testhost/TestHost.h"

extern "C" void PluginMain(std::int16_t selector, void* record, std::intptr_t* data,
                           std::int16_t* result);

namespace mirtane::cli {
namespace {

namespace headless = mirtane::platform::headless;

// The interface's playInfo for a replayed step whose dialog is not shown.
constexpr std::int16_t kPlayDialogNotDisplayed = 0;

// Progress callbacks carry no context; the listener of the run in progress
// is reached through this (one run at a time per process).
const ProgressListener* gProgressListener = nullptr;

void PI_CDECL ForwardProgress(std::int32_t done, std::int32_t total) {
    testhost::HostCallbacks::Progress(done, total);  // the host keeps its own record
    if (gProgressListener != nullptr && *gProgressListener) {
        (*gProgressListener)(done, total);
    }
}

class ProgressHook {
  public:
    ProgressHook(testhost::TestHost& host, const ProgressListener& listener) {
        host.record().progressProc = &ForwardProgress;
        gProgressListener = &listener;
    }
    ~ProgressHook() { gProgressListener = nullptr; }
    ProgressHook(const ProgressHook&) = delete;
    ProgressHook& operator=(const ProgressHook&) = delete;
};

// The headless platform answers for the dialog and collects message boxes;
// each run starts from its defaults and leaves them behind.
class HeadlessSession {
  public:
    HeadlessSession() {
        headless::ResetHeadlessPlatform();
        headless::SetMessagesEchoed(false);
    }
    ~HeadlessSession() { headless::ResetHeadlessPlatform(); }
    HeadlessSession(const HeadlessSession&) = delete;
    HeadlessSession& operator=(const HeadlessSession&) = delete;
};

// The reason a run failed, in one line: the last message box the plug-in
// showed, else the meaning of its result code.
std::string FailureReason(OSErr result) {
    const auto& messages = headless::RecordedMessages();
    if (!messages.empty()) {
        return messages.back().text;
    }
    switch (result) {
    case memFullErr:
        return "not enough memory to restore this image";
    case userCanceledErr:
        return "the plug-in cancelled the run";
    default:
        return "the plug-in failed with code " + std::to_string(result);
    }
}

}  // namespace

int RestorePixels(testhost::Image& image, const Trims& trims, const ProgressListener& progress,
                  std::string& error) {
    HeadlessSession session;
    testhost::TestHost host(&PluginMain);
    host.SetImage(std::move(image));
    // The trims arrive as a recorded action step replayed without its dialog;
    // the registry of last-used settings starts empty, so nothing else counts.
    testhost::ScriptingHost scripting(host);
    scripting.SetReplayedTints(trims.cyanRed, trims.magentaGreen, trims.yellowBlue,
                               kPlayDialogNotDisplayed);
    ProgressHook hook(host, progress);
    const testhost::RunResult run = host.Run();
    // A host stores the recorded step and disposes of its handle; there is
    // no action list here to store it in.
    static_cast<void>(scripting.TakeRecorded());
    image = std::move(host.image());
    if (run.result != noErr) {
        error = FailureReason(run.result);
        return -1;
    }
    return 0;
}

int AnalyseCurves(const testhost::Image& image, ChannelCurves& curves, std::string& error) {
    HeadlessSession session;
    bool analysed = false;
    headless::SetMainDialogHandler([&curves, &analysed] {
        // The dialog opens once the analysis has filled the parameter block.
        const ParameterBlock* block = gHost.parameterBlock;
        curves.blackLevel = block->blackLevel;
        curves.whiteLevel = block->whiteLevel;
        for (int channel = 0; channel < 3; ++channel) {
            for (int i = 0; i < 256; ++i) {
                curves.tables[channel][i] = block->curveTables[channel][i];
            }
        }
        analysed = true;
        return platform::kDialogCancelled;  // nothing is written back
    });
    testhost::TestHost host(&PluginMain);
    host.SetImage(image);
    const testhost::RunResult run = host.Run();
    if (analysed) {
        return 0;
    }
    error = run.result != noErr ? FailureReason(run.result)
                                : std::string("the plug-in finished without analysing the image");
    return -1;
}

double RunFraction(std::int32_t done, std::int32_t total) {
    constexpr std::int32_t kStageCount = 3;
    if (total == kStageCount) {
        switch (done) {
        case 1:
            return 0.05;  // reading and reducing the planes
        case 2:
            return 0.35;  // analysing
        default:
            return 0.5;  // analysis done, output about to start
        }
    }
    if (total <= 0) {
        return 0.0;
    }
    const double tiles = static_cast<double>(done) / static_cast<double>(total);
    return 0.5 + 0.5 * std::fmin(1.0, std::fmax(0.0, tiles));
}

}  // namespace mirtane::cli
