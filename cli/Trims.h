// The three colour-balance trims of a restore, in the values the plug-in's
// dialog shows: -25 ... 25, 0 neutral.
#pragma once

#include <string>

namespace mirtane::cli {

constexpr int kTrimLimit = 25;

struct Trims {
    int cyanRed = 0;       // + towards red
    int magentaGreen = 0;  // + towards green
    int yellowBlue = 0;    // + towards blue

    bool Neutral() const { return cyanRed == 0 && magentaGreen == 0 && yellowBlue == 0; }
};

// "cyan-red +5, magenta-green 0, yellow-blue -3"; "neutral trims" when all are 0.
std::string DescribeTrims(const Trims& trims);

}  // namespace mirtane::cli
