// The analysis entry of the engine: the plug-in itself runs over the image
// through the production host, headless, and its curves are read out when
// its dialog opens; the dialog is then cancelled, so nothing is written back.
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "engine/AnalyseInPlace.h"
#include "engine/AnalysisThreads.h"
#include "engine/HeadlessRun.h"
#include "engine/MirtaneEngine.h"
#include "host/PluginMain.h"
#include "hosts/prodhost/ProductionHost.h"
#include "platform/DialogResult.h"
#include "platform/headless/HeadlessPlatform.h"
#include "run/HostState.h"

namespace mirtane::engine {
namespace {

namespace headless = mirtane::platform::headless;

// The interface's coordinates are 16-bit: larger pictures are refused before
// anything is copied or run.
constexpr int kLargestSide = 32767;
constexpr const char* kTooLarge = "image too large: the plug-in takes at most 32767 pixels a side";

// The plug-in keeps module-level state and serves one run at a time.
std::mutex gRunLock;

void CopyMessage(const std::string& text, char* error, std::size_t errorSize) {
    if (error == nullptr || errorSize == 0) return;
    const std::size_t length = text.size() < errorSize - 1 ? text.size() : errorSize - 1;
    std::memcpy(error, text.data(), length);
    error[length] = '\0';
}

// The host works on packed 3-byte pixels; the caller's buffer is left alone.
std::vector<std::uint8_t> CopyRgb(const unsigned char* pixels, int width, int height,
                                  std::ptrdiff_t rowStride, int bytesPerPixel) {
    std::vector<std::uint8_t> image(static_cast<std::size_t>(width) *
                                    static_cast<std::size_t>(height) * 3);
    std::uint8_t* out = image.data();
    for (int y = 0; y < height; ++y) {
        const unsigned char* in = pixels + static_cast<std::ptrdiff_t>(y) * rowStride;
        if (bytesPerPixel == 3) {
            std::memcpy(out, in, static_cast<std::size_t>(width) * 3);
            out += static_cast<std::size_t>(width) * 3;
            continue;
        }
        for (int x = 0; x < width; ++x, in += bytesPerPixel) {
            *out++ = in[0];
            *out++ = in[1];
            *out++ = in[2];
        }
    }
    return image;
}

}  // namespace

int AnalysePackedRgb8(std::uint8_t* pixels, int width, int height, const RunProgress& progress,
                      MirtaneCorrection& correction, std::string& error) {
    if (width > kLargestSide || height > kLargestSide) {
        error = kTooLarge;
        return -1;
    }
    std::lock_guard<std::mutex> lock(gRunLock);
    const AnalysisThreadsInUse threads;
    const HeadlessSession session;
    bool analysed = false;
    headless::SetMainDialogHandler([&correction, &analysed] {
        // The dialog opens once the analysis has filled the parameter block;
        // cancelling it ends the run before any pixel is written.
        const mirtane::ParameterBlock* block = mirtane::gHost.parameterBlock;
        correction.blackLevel = block->blackLevel;
        correction.whiteLevel = block->whiteLevel;
        for (int channel = 0; channel < 3; ++channel) {
            std::memcpy(correction.tables[channel], block->curveTables[channel],
                        sizeof(float) * 256);
        }
        analysed = true;
        return mirtane::platform::kDialogCancelled;
    });
    prodhost::ProductionHost host(&PluginMain);
    host.SetImage(prodhost::ImageView{pixels, width, height});
    host.SetProgressListener(progress);
    const prodhost::RunResult run = host.Run();
    if (!analysed) {
        error = RunFailureReason(run.result, "analyse");
        return -1;
    }
    return 0;
}

}  // namespace mirtane::engine

extern "C" int mirtane_analyse_rgb8(const unsigned char* pixels, int width, int height,
                                    ptrdiff_t rowStride, int bytesPerPixel,
                                    MirtaneCorrection* correction, char* error, size_t errorSize) {
    using namespace mirtane::engine;
    if (pixels == nullptr || correction == nullptr || width <= 0 || height <= 0 ||
        (bytesPerPixel != 3 && bytesPerPixel != 4) ||
        rowStride < static_cast<ptrdiff_t>(width) * bytesPerPixel) {
        CopyMessage("invalid image for the analysis", error, errorSize);
        return -1;
    }
    if (width > kLargestSide || height > kLargestSide) {
        CopyMessage(kTooLarge, error, errorSize);
        return -1;
    }
    // Packed pixels are read where they lie: the run ends at its dialog,
    // before it writes, so the caller's pixels are only read.
    const bool packed = bytesPerPixel == 3 && rowStride == static_cast<ptrdiff_t>(width) * 3;
    std::vector<std::uint8_t> image;
    if (!packed) {
        image = CopyRgb(pixels, width, height, rowStride, bytesPerPixel);
    }
    std::uint8_t* const picture = packed ? const_cast<std::uint8_t*>(pixels) : image.data();
    std::string reason;
    if (AnalysePackedRgb8(picture, width, height, nullptr, *correction, reason) != 0) {
        CopyMessage(reason, error, errorSize);
        return -1;
    }
    return 0;
}
