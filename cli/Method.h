// Which analysis works out the correction: the plug-in's own (the default,
// exactly a host's bytes) or the natural method, which undoes a dye fade and
// leaves unfaded photographs alone. Both give a correction the same
// application uses, so trims, strength, 16 bits and LUT exports serve both.
#pragma once

#include <cstdint>
#include <string>

#include "cli/AnalysisView.h"
#include "engine/AnalyseInPlace.h"
#include "engine/MirtaneEngine.h"
#include "hosts/kit/Image.h"

namespace mirtane::cli {

enum class Method { PlugIn, Natural };

struct MethodChoice {
    Method method = Method::PlugIn;
    double dmax = MIRTANE_DMAX_PRINT;      // natural: density of the original black
    double flare = MIRTANE_DEFAULT_FLARE;  // natural: flare, a fraction of the lowest black
};

// What the natural method read and chose, for the verbose line and the
// curves report; `made` is false after the plug-in's analysis.
struct NaturalReading {
    bool made = false;
    MirtaneNaturalChoice choice{};
    // The choice on one line, with the curves at a quarter, half and three
    // quarters of the input range.
    std::string line;
};

// "plug-in" or "natural".
const char* MethodName(Method method);

// The smallest side of a picture the method analyses: the plug-in's 480;
// the natural method has no minimum of its own.
int MinimumAnalysedSide(const MethodChoice& choice);

// The correction of `stored` (8-bit RGB as stored, with its EXIF
// `orientation`) by the chosen method, worked out in the picture `analysis`
// names (AnalysedPicture). When that picture is the stored image itself
// (upright, no border trimmed, no area), the analysis reads it where it
// lies and makes no copy; it never changes it. `progress` gets the plug-in's
// stage reports. `reading` gets what the natural method read and chose
// (levels, evidence, gains, strength). Returns 0, or -1 with `error`.
[[nodiscard]] int AnalysePhoto(hostkit::Image& stored, int orientation,
                               const AnalysisChoice& analysis, const MethodChoice& choice,
                               const engine::RunProgress& progress, MirtaneCorrection& correction,
                               NaturalReading& reading, std::string& error);

// The fraction of an analysis done, 0 ... 1, from a progress report of the
// plug-in's run: it reports its stages as 1, 2 and 0 of 3 (reading and
// reducing the planes, analysing, done).
double AnalysisFraction(std::int32_t done, std::int32_t total);

}  // namespace mirtane::cli
