// A picture of the three channel curves: each table drawn in its channel's
// colour over a grid, input (re-levelled, 0 ... 1) across, output up.
#pragma once

#include <string>

#include <vips/vips8>

#include "cli/ChannelCurves.h"

namespace mirtane::cli {

// Side of the square plotting area in pixels; one table entry per 2 pixels.
constexpr int kPlotSide = 512;

vips::VImage CurvePlotImage(const ChannelCurves& curves);

// Writes CurvePlotImage to `path` as SaveImage does. Returns 0, or -1 with
// `error` set.
[[nodiscard]] int PlotCurves(const ChannelCurves& curves, const std::string& path,
                             std::string& error);

}  // namespace mirtane::cli
