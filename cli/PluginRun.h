// Runs the plug-in itself over an in-memory image, as a host would (the
// production host restores, the test host serves the curves report): a file
// restored here gets the same bytes as the same image filtered in a host with
// the same trims. The plug-in keeps module-level
// state, so one run at a time per process.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "cli/Trims.h"
#include "hosts/kit/Image.h"

namespace mirtane::cli {

// Called with each progress report of the plug-in (done, total).
using ProgressListener = std::function<void(std::int32_t done, std::int32_t total)>;

// The analysis of an image: the levels and the three 256-entry tables.
struct ChannelCurves {
    float blackLevel = 0.0f;
    float whiteLevel = 0.0f;
    std::array<std::array<float, 256>, 3> tables{};  // red, green, blue
};

// Restores `image` (8-bit, 3 interleaved planes) in place. The trims reach
// the plug-in as a replayed action step whose dialog is not displayed.
// Returns 0, or -1 with `error` holding one line: the plug-in's own message
// when it showed one (e.g. for an image below 480 x 480), else what failed.
// On failure `image` may hold partly written tiles.
[[nodiscard]] int RestorePixels(hostkit::Image& image, const Trims& trims,
                                const ProgressListener& progress, std::string& error);

// The fraction of a run done, 0 ... 1, from a progress report: the plug-in
// reports its stages as 1, 2 and 0 of 3 and then each output tile as n of the
// tile count (always at least 9 tiles, since images are at least 480 pixels a
// side). Stages map to the first half, tiles to the second.
double RunFraction(std::int32_t done, std::int32_t total);

}  // namespace mirtane::cli
