#include "cli/PluginRun.h"

#include <cmath>

#include "engine/HeadlessRun.h"
#include "host/PluginMain.h"
#include "hosts/prodhost/ProductionHost.h"
#include "hosts/testhost/ScriptingHost.h"

namespace mirtane::cli {
namespace {

// The interface's playInfo for a replayed step whose dialog is not shown.
constexpr std::int16_t kPlayDialogNotDisplayed = 0;

}  // namespace

int RestorePixels(hostkit::Image& image, const Trims& trims, const ProgressListener& progress,
                  std::string& error) {
    if (image.planes != prodhost::kImagePlanes ||
        image.pixels.size() !=
            static_cast<std::size_t>(image.width) * image.height * image.planes) {
        error = "the image to restore is not 8-bit RGB with its pixels in place";
        return -1;
    }
    const engine::HeadlessSession session;
    // The production host edits the image where it lies: no copy in or out.
    prodhost::ProductionHost host(&PluginMain);
    host.SetImage(prodhost::ImageView{image.pixels.data(), image.width, image.height});
    host.SetProgressListener(progress);
    // The trims arrive as a recorded action step replayed without its dialog;
    // the registry of last-used settings starts empty, so nothing else counts.
    testhost::ScriptingHost scripting(host);
    scripting.SetReplayedTints(trims.cyanRed, trims.magentaGreen, trims.yellowBlue,
                               kPlayDialogNotDisplayed);
    const prodhost::RunResult run = host.Run();
    // A host stores the recorded step and disposes of its handle; there is
    // no action list here to store it in.
    static_cast<void>(scripting.TakeRecorded());
    if (run.result != noErr) {
        error = engine::RunFailureReason(run.result, "restore");
        return -1;
    }
    return 0;
}

double RunFraction(std::int32_t done, std::int32_t total) {
    constexpr std::int32_t kStageCount = 3;
    if (total == kStageCount) {
        switch (done) {
        case 1: return 0.05;  // reading and reducing the planes
        case 2: return 0.35;  // analysing
        default: return 0.5;  // analysis done, output about to start
        }
    }
    if (total <= 0) {
        return 0.0;
    }
    const double tiles = static_cast<double>(done) / static_cast<double>(total);
    return 0.5 + 0.5 * std::fmin(1.0, std::fmax(0.0, tiles));
}

}  // namespace mirtane::cli
