// The curves command: the levels and channel curves worked out for each
// photo, printed as text or JSON, and on request exported as a plot, a .cube
// table or a lookup-table image (one per input, named by a pattern when
// there are several; "-" is standard output, then instead of the report).
#pragma once

#include <string>
#include <vector>

#include "cli/AnalysisView.h"
#include "cli/Method.h"
#include "cli/PhotoReading.h"
#include "cli/Trims.h"

namespace mirtane::cli {

struct CurvesRequest {
    std::vector<std::string> inputs;
    bool json = false;
    // Exports, empty when not asked for; with several inputs, output-name
    // patterns (see OutputPaths.h).
    std::string plot;
    std::string cube;
    std::string lutImage;
    Trims trims;
    int strength = MIRTANE_FULL_STRENGTH;
    AnalysisChoice analysis;
    PhotoLimits limits;
    MethodChoice method;
};

// Why the request cannot be carried out whatever the files hold (an export
// name without a format, two things for standard output, one export name
// for several inputs), or an empty string.
std::string CurvesUsageProblem(const CurvesRequest& request);

// Works out and reports the curves of every input; a file that fails is
// reported on standard error and the others go on. Returns the number of
// inputs that failed.
int RunCurves(const CurvesRequest& request);

}  // namespace mirtane::cli
