// The colour analysis: turns the three reduced planes into the three channel
// curve tables and the black and white levels of the parameter block.
#pragma once

#include <cstdint>

#include "blocks/ParameterBlock.h"

namespace mirtane {

// Runs the three stages on the planes (width x height floats each, values in
// [0, 1]; altered in place: they are scratch data) and writes into
// settings->curveTables curveLength entries per channel, each finite and in
// [0, 1]. The tables map a sample re-levelled by the settings' black and
// white level to its corrected value.
// Returns 0 on success. Returns -2 when the planes hold one value everywhere
// (or no samples at all):
// both levels are then set to that value and the tables are left untouched.
// Returns -1, with the tables untouched, for missing planes, tables or
// settings, a negative size, a curve length below 2 or a slope-grid height
// below 2, or when working storage is not available.
[[nodiscard]] std::int32_t ComputeChannelCurves(float* planeR, float* planeG, float* planeB,
                                                std::int32_t width, std::int32_t height,
                                                ParameterBlock* settings);

}  // namespace mirtane
