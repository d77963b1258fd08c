// Any file given to the command's photo reader either loads into planes of
// the declared size, or is refused with a one-line reason. The pixel budget
// is kept small so that the fuzzer explores headers, not allocations.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <vips/vips8>

#include "cli/PhotoReading.h"

namespace {

constexpr std::int64_t kFuzzMaxPixels = 4'000'000;
// Decoded bytes: 4 megapixels of 16-bit RGBA.
constexpr std::int64_t kFuzzMaxBytes = kFuzzMaxPixels * 8;
std::string gPath;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char*** argv) {
    if (VIPS_INIT((*argv)[0]) != 0) {
        std::abort();
    }
    vips_cache_set_max(0);
    vips_concurrency_set(1);
    mirtane::cli::BlockUnsafeLoaders();  // as the command does
    g_log_set_handler(
        "VIPS", G_LOG_LEVEL_WARNING, [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {},
        nullptr);
    gPath = "/tmp/mirtane-fuzz-photo-" + std::to_string(getpid());
    std::atexit([] { unlink(gPath.c_str()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = open(gPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || write(fd, data, size) != static_cast<ssize_t>(size) || close(fd) != 0) {
        std::abort();  // the scratch file is the harness's own
    }
    mirtane::cli::Photo photo;
    std::string error;
    if (mirtane::cli::LoadPhoto(gPath, mirtane::cli::PhotoLimits{kFuzzMaxPixels, kFuzzMaxBytes},
                                photo, error) != 0) {
        if (error.empty() || error.find('\n') != std::string::npos) {
            std::abort();  // one line, always with a reason
        }
        return 0;
    }
    const hostkit::Image& rgb = photo.rgb;
    const std::int64_t pixels = static_cast<std::int64_t>(rgb.width) * rgb.height;
    if (rgb.planes != 3 || pixels <= 0 || pixels > kFuzzMaxPixels ||
        rgb.pixels.size() != static_cast<std::size_t>(pixels) * 3) {
        std::abort();
    }
    return 0;
}
