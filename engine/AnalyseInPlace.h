// The plug-in's analysis over packed 8-bit RGB that the caller owns, read
// where it lies: the run through the production host is cancelled when its
// dialog opens, before anything is written back, so the pixels come out as
// they went in and no copy of the picture is made. The C entry
// (mirtane_analyse_rgb8) calls this on packed pixels where they lie, and on a
// packed copy of pixels of other layouts (alpha, padded rows).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/MirtaneEngine.h"

namespace mirtane::engine {

// Called with each progress report of the plug-in's run (done, total): the
// stages 1, 2 and 0 of 3.
using RunProgress = std::function<void(std::int32_t done, std::int32_t total)>;

// Analyses width x height packed pixels (3 bytes each, no row padding).
// Returns 0 and fills `correction`, or -1 with a one-line reason in `error`
// (the plug-in's own message for a picture below 480 x 480). Runs are
// serialised: the plug-in serves one at a time.
[[nodiscard]] int AnalysePackedRgb8(std::uint8_t* pixels, int width, int height,
                                    const RunProgress& progress, MirtaneCorrection& correction,
                                    std::string& error);

}  // namespace mirtane::engine
