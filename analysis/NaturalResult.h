// The settings of the natural restoration method and what it returns: the
// three channel tables and the levels, gains and strength it chose, so that
// a caller can report them.
#pragma once

#include <cstdint>

#include "analysis/NaturalConstants.h"
#include "analysis/PictureArea.h"

namespace mirtane {

struct NaturalSettings {
    // Density of the original black, positive and finite (print 2.1, slide 3.0).
    double dmax = kNaturalPrintDmax;
    // Flare as a fraction of the lowest black in linear light, in [0, 1).
    double flare = kNaturalDefaultFlare;
};

// What drove the correction: a raised black (the lowest black of the three
// channels, read from consistent samples), or a tint the greyest surfaces
// share from shadow to highlight (read from the neutral floor).
enum class NaturalEvidence { RaisedBlack, SharedTint };

struct NaturalChoice {
    // Where the levels were read: the picture inside any letterbox, scanner
    // surround or margin (the whole image when there is none).
    PictureArea area;
    // Smallest and largest consistent sample of each channel (R, G, B), in
    // code values; 0 and 255 where levelsFound is false.
    std::int32_t black[3] = {0, 0, 0};
    std::int32_t white[3] = {kNaturalMaxCode, kNaturalMaxCode, kNaturalMaxCode};
    bool levelsFound[3] = {false, false, false};
    // Each white moved toward the brightest channel's white, in code values.
    double shrunkWhite[3] = {kNaturalMaxCode, kNaturalMaxCode, kNaturalMaxCode};
    // The flare taken off every channel, in linear light.
    double flareLight = 0.0;
    // Density of each channel's black, flare taken off and relative to its
    // white (0 for a channel kept at the identity).
    double blackDensity[3] = {0.0, 0.0, 0.0};
    // The gain that brings each channel's black to the densest channel's,
    // and the gain toward dmax shared by all three.
    double balanceGain[3] = {1.0, 1.0, 1.0};
    double depthGain = 1.0;
    // Density gain of each channel: balance times depth, within 1 .. 2.5
    // (1 for a channel kept at the identity).
    double gain[3] = {1.0, 1.0, 1.0};
    // True where a channel had no range to correct and keeps the identity.
    bool identity[3] = {true, true, true};
    // How much of the correction the tables apply, 0 .. 1: the larger of
    // the two evidences below, which also chooses the correction.
    double strength = 0.0;
    NaturalEvidence evidence = NaturalEvidence::RaisedBlack;
    // The strength the lowest black asks for, and the tint evidence with
    // the floor's tints (CIE a*, b* of shadows, mid-tones, highlights).
    double blackStrength = 0.0;
    double tintStrength = 0.0;
    double tint[3][2] = {};
};

struct NaturalResult {
    NaturalChoice choice;
    // Entry i of a channel's table is the output for input i / 255, with
    // black level 0 and white level 1; every entry is in [0, 1] and the
    // tables never fall.
    float tables[3][kNaturalTableLength] = {};
};

}  // namespace mirtane
