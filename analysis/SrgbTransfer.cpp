#include "analysis/SrgbTransfer.h"

#include <cmath>

namespace mirtane {

namespace {

// The constants of the sRGB definition (IEC 61966-2-1).
constexpr double kEncodedKnee = 0.04045;
constexpr double kLinearKnee = 0.0031308;
constexpr double kLinearSlope = 12.92;
constexpr double kOffset = 0.055;
constexpr double kExponent = 2.4;

}  // namespace

double SrgbToLinear(double encoded) {
    if (encoded <= kEncodedKnee) {
        return encoded / kLinearSlope;
    }
    return std::pow((encoded + kOffset) / (1.0 + kOffset), kExponent);
}

double LinearToSrgb(double linear) {
    if (!(linear > 0.0)) {
        return 0.0;
    }
    if (linear <= kLinearKnee) {
        return linear * kLinearSlope;
    }
    // 1.055 - 0.055 rounds to just below 1 in double; full light is exactly 1.
    if (linear >= 1.0) {
        return 1.0;
    }
    return (1.0 + kOffset) * std::pow(linear, 1.0 / kExponent) - kOffset;
}

}  // namespace mirtane
