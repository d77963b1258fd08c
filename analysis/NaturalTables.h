// From the channels' black and white levels to the natural method's three
// tables: each channel's density gain undoes its fade, a flare estimate is
// taken off first, and a strength ramp on the lowest black leaves pictures
// without a raised black alone.
#pragma once

#include <cstdint>

#include "analysis/NaturalResult.h"

namespace mirtane {

// The density gain of one channel, all in linear light.
struct DensityGain {
    // The channel's flare-free black relative to its white:
    // (black - flare) / (white - flare).
    double ratio = 0.0;
    // dmax over the black's density -log10(ratio), at least 1; 1 when the
    // ratio is not positive.
    double gain = 1.0;
    // ratio^gain, the black after the gain (0 when the ratio is not positive),
    // which the table maps to 0.
    double floor = 0.0;
};

// blackLight > flareLight is not required; whiteLight > flareLight is (the
// caller keeps a channel without range at the identity instead).
DensityGain ChannelDensityGain(double blackLight, double whiteLight, double flareLight,
                               double dmax);

// The share of the correction applied for the lowest black of the three
// channels, in code values: 0 up to 8, rising linearly to 1 at 24 and above.
double NaturalStrength(std::int32_t lowestBlack);

// Reads result->choice.black and .white (code values, black <= white per
// channel, both in 0 .. 255) and fills the rest of the choice and the three
// tables. settings must hold a positive finite dmax and a flare in [0, 1).
// A channel keeps the identity when its white, after the white shrink, lies
// less than 1e-4 above its black in linear light, or when its black and
// white are the same code: a flat channel tells nothing about its fade.
void BuildNaturalTables(const NaturalSettings& settings, NaturalResult* result);

}  // namespace mirtane
