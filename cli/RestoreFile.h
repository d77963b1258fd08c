// Restoring one photo file: read, run the plug-in, write the result (and
// optionally a side-by-side comparison), each step's failure reported as one
// line naming the file.
#pragma once

#include <cstdint>
#include <string>

#include "cli/AnalysisView.h"
#include "cli/Method.h"
#include "cli/PhotoReading.h"
#include "cli/PhotoWriting.h"
#include "cli/Reporter.h"
#include "cli/Trims.h"
#include "engine/MirtaneEngine.h"

namespace mirtane::cli {

constexpr int kDefaultQuality = 0;  // see SaveSettings::quality

enum class FileTimes { Fresh, Preserve };
enum class Detail { Normal, Verbose };

struct RestoreJob {
    std::string input;
    std::string output;      // "-": standard output
    std::string comparison;  // empty: no comparison picture
    Trims trims;
    int quality = kDefaultQuality;  // JPEG and WebP
    PhotoLimits limits;             // larger inputs are refused unread
    SaveSettings save;              // its quality is `quality`
    AnalysisChoice analysis;        // what part of the picture is analysed
    int strength = MIRTANE_FULL_STRENGTH;
    MethodChoice method;  // the plug-in's analysis, or the natural method
    FileTimes times = FileTimes::Fresh;
    Detail detail = Detail::Normal;  // Verbose: the result line gives the time and levels
};

// Returns 0 when the output (and the comparison, if asked for) was written,
// else -1 after reporting the reason through `reporter`. Nothing is written
// unless it is complete: a failure leaves any existing output untouched.
//
// An 8-bit upright photo restored whole at full strength runs the plug-in
// itself over its pixels (exactly a host's bytes); anything else (16 bits,
// a turned photo, an analysed area, a lower strength, a verbose report, the
// natural method) has the chosen analysis of the analysed picture applied to
// the stored samples through the engine, which gives the same bytes where
// both apply.
[[nodiscard]] int RestoreFile(const RestoreJob& job, Reporter& reporter);

}  // namespace mirtane::cli
