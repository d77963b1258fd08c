// From the channels' black and white levels to the natural method's three
// tables. A dye that fades loses density, so its channel's black rises and
// its greys lighten: each channel's gain on density brings its black and its
// mid-tone greys toward the densest channel's (they become neutral again),
// and all three share the gain that brings that black to the density of a
// print's or slide's black. A flare estimate is taken off first. How much of
// this applies follows the evidence of fading: a raised lowest black, or a
// tint the greyest surfaces share from shadow to highlight.
#pragma once

#include <cstdint>

#include "analysis/NaturalResult.h"
#include "analysis/NeutralFloor.h"

namespace mirtane {

// The flare-free black of one channel relative to its white, all in linear
// light: ratio = (black - flare) / (white - flare), and its density
// -log10(ratio), at most 4 (a black at or below the flare reads as 4).
struct ChannelBlack {
    double ratio = 0.0;
    double density = kNaturalDeepestDensity;
};

// whiteLight > flareLight is required (the caller keeps a channel without
// range at the identity instead).
ChannelBlack MeasureChannelBlack(double blackLight, double whiteLight, double flareLight);

// The gains of the three channels from their black densities and, when
// greyDensity is not null, the densities of their mid-tone greys (those of
// channels kept at the identity are ignored, as are their gains): each
// channel's balance gain is the densest black's density over its own, or,
// with greys, the geometric mean of that and the densest grey's density over
// its own; the depth gain is dmax / densest black, at least 1; each
// gain is their product within 1 .. 2.5. Fills choice->balanceGain,
// depthGain and gain.
void ChooseNaturalGains(const double blackDensity[3], const double greyDensity[3],
                        const bool identity[3], double dmax, NaturalChoice* choice);

// The share of the correction applied for the lowest black of the three
// channels, in code values: 0 up to 8, rising linearly to 1 at 24 and above.
double NaturalStrength(std::int32_t lowestBlack);

// Reads result->choice.black and .white (code values, black <= white per
// channel, both in 0 .. 255) and fills the rest of the choice (but the area
// and the evidence) and the three tables, the gains balanced on the blacks
// and, when `floor` is measured (it may be null), on the mid-tones' greys. settings must hold a
// positive finite dmax and a flare in [0, 1). A channel keeps the identity when its white, after
// the white shrink, lies less than 1e-4 above its black in linear light, or when its black and
// white are the same code: a flat channel tells nothing about its fade.
void BuildNaturalTables(const NaturalSettings& settings, const NeutralFloor* floor,
                        NaturalResult* result);

// The correction when the evidence is a tint the greyest surfaces share from
// shadow to highlight rather than a raised black: the flare and each
// channel's white (the floor's levels, whites shrunk as above) are taken
// off, and each channel's density is multiplied so that the mid-tones' grey
// floor becomes as dense in every channel as in its densest (a fade only
// takes density away), within 1 .. 2.5; blacks are not forced to 0. Applied
// at `strength`. Overwrites result->tables and the choice's levels, flare,
// gains and strength; the floor must be measured.
void BuildTintTables(const NaturalSettings& settings, const NeutralFloor& floor, double strength,
                     NaturalResult* result);

}  // namespace mirtane
