// The sRGB transfer function between encoded values and linear light, both
// on [0, 1], in double.
#pragma once

namespace mirtane {

// Linear light of an encoded value v in [0, 1]: v / 12.92 up to 0.04045,
// ((v + 0.055) / 1.055)^2.4 above.
double SrgbToLinear(double encoded);

// The inverse: 12.92 l up to 0.0031308, 1.055 l^(1/2.4) - 0.055 above. The
// input is clamped to [0, 1] (NaN gives 0), so the result lies in [0, 1] and
// curves built from it never leave the unit range; 1 gives exactly 1.
double LinearToSrgb(double linear);

}  // namespace mirtane
