// The settings of the natural restoration method and what it returns: the
// three channel tables and the levels, gains and strength it chose, so that
// a caller can report them.
#pragma once

#include <cstdint>

#include "analysis/NaturalConstants.h"

namespace mirtane {

struct NaturalSettings {
    // Density of the original black, positive and finite (print 2.1, slide 3.0).
    double dmax = kNaturalPrintDmax;
    // Flare as a fraction of the lowest black in linear light, in [0, 1).
    double flare = kNaturalDefaultFlare;
};

struct NaturalChoice {
    // Smallest and largest consistent sample of each channel (R, G, B), in
    // code values; 0 and 255 where levelsFound is false.
    std::int32_t black[3] = {0, 0, 0};
    std::int32_t white[3] = {kNaturalMaxCode, kNaturalMaxCode, kNaturalMaxCode};
    bool levelsFound[3] = {false, false, false};
    // Each white moved toward the brightest channel's white, in code values.
    double shrunkWhite[3] = {kNaturalMaxCode, kNaturalMaxCode, kNaturalMaxCode};
    // The flare taken off every channel, in linear light.
    double flareLight = 0.0;
    // Density gain of each channel (1 for a channel kept at the identity).
    double gain[3] = {1.0, 1.0, 1.0};
    // True where a channel had no range to correct and keeps the identity.
    bool identity[3] = {true, true, true};
    // How much of the correction the tables apply, 0 .. 1.
    double strength = 0.0;
};

struct NaturalResult {
    NaturalChoice choice;
    // Entry i of a channel's table is the output for input i / 255, with
    // black level 0 and white level 1; every entry is in [0, 1] and the
    // tables never fall.
    float tables[3][kNaturalTableLength] = {};
};

}  // namespace mirtane
