#include "cli/RestoreFile.h"

#include "cli/Comparison.h"
#include "cli/PhotoFile.h"
#include "cli/PluginRun.h"

namespace mirtane::cli {
namespace {

// Checks that can fail before the plug-in runs, so that a bad output name
// costs no restoration time.
std::string OutputNameProblem(const std::string& path, bool hasExtraBands) {
    const PhotoFormat format = FormatForName(path);
    if (format == PhotoFormat::Unknown) {
        return "unknown output format for " + path +
               ": name it .jpg, .jpeg, .png, .tif, .tiff or .webp";
    }
    if (format == PhotoFormat::Jpeg && hasExtraBands) {
        return "JPEG cannot hold the alpha channel of this image: write .png, .tif or .webp instead of " +
               path;
    }
    return {};
}

int Fail(Reporter& reporter, const std::string& file, const std::string& reason) {
    reporter.Error(file + ": " + reason);
    return -1;
}

}  // namespace

int RestoreFile(const RestoreJob& job, Reporter& reporter) {
    Photo photo;
    std::string error;
    if (LoadPhoto(job.input, job.maxPixels, photo, error) != 0) {
        return Fail(reporter, job.input, error);
    }
    if (photo.reducedFrom16Bits) {
        reporter.Notice(job.input +
                        ": 16 bits per sample; restored at 8 bits, and the output has 8 bits per sample");
    }
    for (const std::string& target : {job.output, job.comparison}) {
        if (target.empty()) {
            continue;
        }
        const bool keepsExtraBands = target == job.output && photo.HasExtraBands();
        if (std::string problem = OutputNameProblem(target, keepsExtraBands); !problem.empty()) {
            return Fail(reporter, job.input, problem);
        }
    }

    testhost::Image before;
    if (!job.comparison.empty()) {
        before = photo.rgb;
    }
    testhost::Image restored = std::move(photo.rgb);
    reporter.Progress(0.0);
    const ProgressListener listener = [&reporter](std::int32_t done, std::int32_t total) {
        reporter.Progress(RunFraction(done, total));
    };
    if (RestorePixels(restored, job.trims, listener, error) != 0) {
        return Fail(reporter, job.input, error);
    }

    if (SavePhoto(job.output, photo, restored, job.quality, error) != 0) {
        return Fail(reporter, job.input, error);
    }
    std::string result = "restored " + job.input + " -> " + job.output;
    if (!job.comparison.empty()) {
        if (SaveComparison(before, restored, job.trims, job.comparison, job.quality, error) != 0) {
            reporter.Result(result);
            return Fail(reporter, job.input, "comparison not written: " + error);
        }
        result += " (comparison: " + job.comparison + ")";
    }
    reporter.Progress(1.0);
    reporter.Result(result);
    return 0;
}

}  // namespace mirtane::cli
