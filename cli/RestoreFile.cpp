#include "cli/RestoreFile.h"

#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <new>
#include <optional>
#include <vector>

#include "cli/Comparison.h"
#include "cli/FileIdentity.h"
#include "cli/Method.h"
#include "cli/PhotoFormats.h"
#include "cli/PhotoReading.h"
#include "cli/PhotoWriting.h"

namespace mirtane::cli {
namespace {

// Checks that can fail before the plug-in runs, so that a bad output name
// costs no restoration time.
std::string OutputProblem(const std::string& path, const SaveSettings& settings,
                          bool hasExtraBands) {
    if (std::string problem = OutputNameProblem(path, settings); !problem.empty()) {
        return problem;
    }
    if (OutputFormat(path, settings.format) == PhotoFormat::Jpeg && hasExtraBands) {
        return "JPEG cannot hold the alpha channel of this image: write .png, .tif or .webp "
               "instead of " +
               path;
    }
    return {};
}

// Gives the heap's free blocks back to the system. Large blocks stay in the
// heap when freed, for reuse (see main); where one is freed just before the
// run's peak (the decoder's strip buffers before the analysis or the
// encoding, a 16-bit picture's rendering before its samples), keeping it
// would add to the peak.
void ReturnFreedMemory() { malloc_trim(0); }

int Fail(Reporter& reporter, const std::string& file, const std::string& reason) {
    reporter.Error(file + ": " + reason);
    return -1;
}

// An 8-bit correction waiting to be applied as the result is encoded.
struct ByteTables {
    unsigned char tables[3][256];
};

// Works out the correction of the analysed picture by the chosen method and
// applies it to the stored samples (photo.deep for 16 bits, read after the
// analysis; `restored`, the 8-bit picture, for 8), or for an 8-bit picture
// without a comparison leaves it in `pending` for the encoder. Every restore
// comes here, whatever the options. `report` gets what the natural method
// chose.
int Restore(const RestoreJob& job, Photo& photo, hostkit::Image& restored,
            MirtaneCorrection& correction, std::optional<ByteTables>& pending, std::string& report,
            Reporter& reporter, std::string& error) {
    // The analysis is the first half of the bar, the application the second.
    const engine::RunProgress progress = [&reporter](std::int32_t done, std::int32_t total) {
        reporter.Progress(0.5 * AnalysisFraction(done, total));
    };
    NaturalReading reading;
    if (AnalysePhoto(restored, photo.orientation, job.analysis, job.method, progress, correction,
                     reading, error) != 0) {
        return -1;
    }
    report = reading.line;
    reporter.Progress(0.5);
    const MirtaneTrims trims{job.trims.cyanRed, job.trims.magentaGreen, job.trims.yellowBlue};
    if (photo.SixteenBits()) {
        // The rendering has been analysed; unless the comparison shows it,
        // it makes way for the samples, read now in a second pass.
        if (job.comparison.empty()) {
            std::vector<std::uint8_t>().swap(restored.pixels);
            ReturnFreedMemory();
        }
        if (LoadDeepSamples(job.input, photo, error) != 0) {
            return -1;
        }
        ReturnFreedMemory();  // the second decoding's strip buffers, before the encoder's
        mirtane_apply_rgb16_at(photo.deep.data(), restored.width, restored.height,
                               static_cast<std::ptrdiff_t>(restored.width) * photo.deepBands * 2,
                               photo.deepBands, &correction, &trims, job.strength);
        if (!restored.pixels.empty()) {
            // The 8-bit rendering of the result, for the comparison picture.
            const std::size_t pixels = static_cast<std::size_t>(restored.width) * restored.height;
            for (std::size_t i = 0; i < pixels; ++i) {
                for (int c = 0; c < 3; ++c) {
                    restored.pixels[i * 3 + c] =
                        mirtane_sample16_to_8(photo.deep[i * photo.deepBands + c]);
                }
            }
        }
        return 0;
    }
    if (job.comparison.empty()) {
        // Looked up as the encoder reads the picture (see SavePhoto).
        pending.emplace();
        mirtane_byte_tables(&correction, &trims, job.strength, pending->tables);
        return 0;
    }
    // The comparison shows the result: made here, and written as it is.
    mirtane_apply_rgb8_at(restored.pixels.data(), restored.width, restored.height,
                          static_cast<std::ptrdiff_t>(restored.width) * 3, 3, &correction, &trims,
                          job.strength);
    return 0;
}

// Gives `output` the modification (and access) time of `input`.
int CopyFileTimes(const std::string& input, const std::string& output, std::string& error) {
    struct stat status {};
    if (stat(input.c_str(), &status) != 0) {
        error = "cannot read the time of " + input;
        return -1;
    }
    const struct timespec times[2] = {status.st_atim, status.st_mtim};
    if (utimensat(AT_FDCWD, output.c_str(), times, 0) != 0) {
        error = "cannot set the time of " + output;
        return -1;
    }
    return 0;
}

std::string Levels(const MirtaneCorrection& correction) {
    char text[96];
    std::snprintf(text, sizeof text, "black %.4f, white %.4f", correction.blackLevel,
                  correction.whiteLevel);
    return text;
}

int RestoreOrThrow(const RestoreJob& job, Reporter& reporter) {
    const auto start = std::chrono::steady_clock::now();
    Photo photo;
    std::string error;
    if (LoadPhoto(job.input, job.limits, photo, error, DeepSamples::Later) != 0) {
        return Fail(reporter, job.input, error);
    }
    ReturnFreedMemory();  // the decoder's strip buffers
    SaveSettings save = job.save;
    save.quality = job.quality;
    for (const std::string& target : {job.output, job.comparison}) {
        if (target.empty()) {
            continue;
        }
        const bool keepsExtraBands = target == job.output && photo.HasExtraBands();
        const SaveSettings checked =
            target == job.output ? save : SaveSettings{0, {}, SidePictureFormat(target), false};
        if (std::string problem = OutputProblem(target, checked, keepsExtraBands);
            !problem.empty()) {
            return Fail(reporter, job.input, problem);
        }
    }

    hostkit::Image before;
    if (!job.comparison.empty()) {
        before = photo.rgb;
    }
    hostkit::Image restored = std::move(photo.rgb);
    reporter.Progress(0.0);
    MirtaneCorrection correction{};
    std::string methodReport;
    std::optional<ByteTables> pending;
    if (Restore(job, photo, restored, correction, pending, methodReport, reporter, error) != 0) {
        return Fail(reporter, job.input, error);
    }

    if (SavePhoto(job.output, photo, restored, save, error, pending ? pending->tables : nullptr) !=
        0) {
        return Fail(reporter, job.input, error);
    }
    if (job.times == FileTimes::Preserve && job.input != kStandardStream &&
        job.output != kStandardStream && !IsSpecialFile(job.output) &&
        CopyFileTimes(job.input, job.output, error) != 0) {
        return Fail(reporter, job.input, error);
    }
    std::string result = "restored " + job.input + " -> " + job.output;
    if (!job.comparison.empty()) {
        const hostkit::Image uprightBefore = UprightImage(before, photo.orientation);
        const hostkit::Image uprightAfter = UprightImage(restored, photo.orientation);
        if (SaveComparison(uprightBefore, uprightAfter, job.trims, IccProfile(photo),
                           job.comparison, job.quality, error) != 0) {
            reporter.Result(result);
            return Fail(reporter, job.input, "comparison not written: " + error);
        }
        result += " (comparison: " + job.comparison + ")";
    }
    if (job.detail == Detail::Verbose) {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        char timing[64];
        std::snprintf(timing, sizeof timing, " in %.2f s", seconds);
        result += timing;
        result += "; " + Levels(correction);
        if (!methodReport.empty()) {
            result += "; " + methodReport;
        }
    }
    reporter.Progress(1.0);
    reporter.Result(result);
    return 0;
}

}  // namespace

int RestoreFile(const RestoreJob& job, Reporter& reporter) {
    // Under a memory or address-space limit any buffer of the run may be
    // refused: the file fails with a reason, and the batch goes on.
    try {
        return RestoreOrThrow(job, reporter);
    } catch (const std::bad_alloc&) {
        return Fail(reporter, job.input, "not enough memory to restore this image");
    }
}

}  // namespace mirtane::cli
