// The settings of a run as a plain record. The analysis driver reads the
// tints and sizes from it and writes its curve tables and levels back into
// it, and the host keeps it in its parameters handle; the record lives here,
// apart from both, so that analysis/ can take it whole without seeing
// anything of the host (the handle operations stay in host/ParameterBlock.h).
#pragma once

#include <cstdint>

namespace mirtane {

constexpr std::int32_t kNeutralTint = 25;
constexpr std::int32_t kCurveLength = 256;
constexpr std::int32_t kSlopeGridHeight = 257;
constexpr float kDefaultGammaExponent = 0.7f;  // bits 0x3F333333

// Settings of a run. The three tints run 0 ... 50 in the dialog, 25 neutral;
// values read from the host are not limited.
struct ParameterBlock {
    std::int32_t redTint;
    std::int32_t greenTint;
    std::int32_t blueTint;
    float gammaExponent;
    std::int32_t curveLength;
    std::int32_t slopeGridHeight;
    float* curveTables[3];  // red, green, blue: curveLength floats each
    float blackLevel;
    float whiteLevel;
};

}  // namespace mirtane
