// Which analysis works out the correction: the plug-in's own (the default,
// exactly a host's bytes) or the natural method, which undoes a dye fade and
// leaves unfaded photographs alone. Both give a correction the same
// application uses, so trims, strength, 16 bits and LUT exports serve both.
#pragma once

#include <string>

#include "engine/MirtaneEngine.h"
#include "hosts/kit/Image.h"

namespace mirtane::cli {

enum class Method { PlugIn, Natural };

struct MethodChoice {
    Method method = Method::PlugIn;
    double dmax = MIRTANE_DMAX_PRINT;      // natural: density of the original black
    double flare = MIRTANE_DEFAULT_FLARE;  // natural: flare, a fraction of the lowest black
};

// "plug-in" or "natural".
const char* MethodName(Method method);

// The smallest side of a picture the method analyses: the plug-in's 480;
// the natural method has no minimum of its own.
int MinimumAnalysedSide(const MethodChoice& choice);

// The correction of `picture` (8-bit RGB) by the chosen method. With the
// natural method `report` gets what it chose in one line (levels, gains,
// strength). Returns 0, or -1 with `error`.
[[nodiscard]] int AnalyseWithMethod(const hostkit::Image& picture, const MethodChoice& choice,
                                    MirtaneCorrection& correction, std::string& report,
                                    std::string& error);

}  // namespace mirtane::cli
