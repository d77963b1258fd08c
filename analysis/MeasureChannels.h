// Per-channel statistics of the three planes for the slope estimation.
#pragma once

#include <cstdint>

namespace mirtane {

// For each channel (red, green, blue): the smallest and largest sample and
// spread = sum(x^2) / sum(x) - min, both sums accumulated in float in pixel
// order. Returns -1 when the planes are empty (min, max and spread then 0) or
// when some channel's samples sum to 0; in the latter case every spread[c]
// holds that channel's sum(x^2), and min and max are set. 0 otherwise.
std::int32_t MeasureChannels(const float* planeR, const float* planeG, const float* planeB,
                             std::int32_t width, std::int32_t height, float spread[3], float min[3],
                             float max[3]);

}  // namespace mirtane
