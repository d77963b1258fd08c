// The analysis of an image as the curves command reports and plots it: the
// levels and the three 256-entry tables.
#pragma once

#include <array>

namespace mirtane::cli {

struct ChannelCurves {
    float blackLevel = 0.0f;
    float whiteLevel = 0.0f;
    std::array<std::array<float, 256>, 3> tables{};  // red, green, blue
};

}  // namespace mirtane::cli
