#include "analysis/NaturalTables.h"

#include <algorithm>
#include <cmath>

#include "analysis/Rounding.h"
#include "analysis/SrgbTransfer.h"

namespace mirtane {

namespace {

constexpr std::int32_t kChannels = 3;
constexpr double kMaxCode = kNaturalMaxCode;

// Output of one channel's full correction for the encoded input x: the flare
// taken off, the white brought to 1, the density multiplied by the gain, and
// the channel's black (its ratio raised to the gain) brought to 0.
double CorrectedValue(double x, double flareLight, double whiteLight, double gain, double floor) {
    const double flareFree =
        Clamp((SrgbToLinear(x) - flareLight) / (whiteLight - flareLight), 0.0, 1.0);
    return LinearToSrgb((std::pow(flareFree, gain) - floor) / (1.0 - floor));
}

// Per channel, the density of the mid-tones' grey floor once the flare is
// taken off and the channel's white brought to 1 (0 for a channel kept at the
// identity); the largest of them is returned.
double GreyDensities(const NeutralFloor& floor, double flareLight, const double whiteLight[3],
                     const bool identity[3], double density[3]) {
    double densest = 0.0;
    for (std::int32_t c = 0; c < kChannels; ++c) {
        density[c] = 0.0;
        if (identity[c]) {
            continue;
        }
        const double grey =
            (SrgbToLinear(floor.code[1][c] / kMaxCode) - flareLight) / (whiteLight[c] - flareLight);
        density[c] = -std::log10(Clamp(grey, kNaturalFloorRatio, 1.0));
        densest = std::max(densest, density[c]);
    }
    return densest;
}

}  // namespace

ChannelBlack MeasureChannelBlack(double blackLight, double whiteLight, double flareLight) {
    ChannelBlack black;
    black.ratio = (blackLight - flareLight) / (whiteLight - flareLight);
    if (black.ratio > 0.0) {
        black.density = std::min(kNaturalDeepestDensity, -std::log10(black.ratio));
    }
    return black;
}

void ChooseNaturalGains(const double blackDensity[3], const double greyDensity[3],
                        const bool identity[3], double dmax, NaturalChoice* choice) {
    double densestBlack = 0.0;
    double densestGrey = 0.0;
    for (std::int32_t c = 0; c < kChannels; ++c) {
        if (!identity[c]) {
            densestBlack = std::max(densestBlack, blackDensity[c]);
            densestGrey = greyDensity != nullptr ? std::max(densestGrey, greyDensity[c]) : 0.0;
        }
    }
    choice->depthGain = densestBlack > 0.0 ? std::max(1.0, dmax / densestBlack) : 1.0;
    for (std::int32_t c = 0; c < kChannels; ++c) {
        choice->balanceGain[c] = 1.0;
        choice->gain[c] = 1.0;
        if (identity[c] || !(blackDensity[c] > 0.0)) {
            continue;
        }
        choice->balanceGain[c] = densestBlack / blackDensity[c];
        if (greyDensity != nullptr && greyDensity[c] > 0.0) {
            // Blacks and greys each say how the channels faded; neither is
            // neutral in every picture, so they share the say.
            choice->balanceGain[c] =
                std::sqrt(choice->balanceGain[c] * (densestGrey / greyDensity[c]));
        }
        choice->gain[c] = Clamp(choice->balanceGain[c] * choice->depthGain, 1.0, kNaturalGainLimit);
    }
}

double NaturalStrength(std::int32_t lowestBlack) {
    const double ramp = static_cast<double>(lowestBlack - kNaturalStrengthStart) /
                        static_cast<double>(kNaturalStrengthFull - kNaturalStrengthStart);
    return Clamp(ramp, 0.0, 1.0);
}

void BuildNaturalTables(const NaturalSettings& settings, const NeutralFloor* floor,
                        NaturalResult* result) {
    NaturalChoice& choice = result->choice;
    const std::int32_t brightestWhite =
        std::max({choice.white[0], choice.white[1], choice.white[2]});
    const std::int32_t lowestBlack = std::min({choice.black[0], choice.black[1], choice.black[2]});
    double blackLight[kChannels];
    double whiteLight[kChannels];
    for (std::int32_t c = 0; c < kChannels; ++c) {
        // A dimmer white is partly faded, partly an intended tint: move it a
        // fixed share of the way to the brightest channel's white.
        choice.shrunkWhite[c] =
            choice.white[c] + kNaturalWhiteShrink * (brightestWhite - choice.white[c]);
        blackLight[c] = SrgbToLinear(choice.black[c] / kMaxCode);
        whiteLight[c] = SrgbToLinear(choice.shrunkWhite[c] / kMaxCode);
    }
    choice.flareLight = settings.flare * std::min({blackLight[0], blackLight[1], blackLight[2]});
    choice.strength = NaturalStrength(lowestBlack);
    double ratio[kChannels] = {0.0, 0.0, 0.0};
    for (std::int32_t c = 0; c < kChannels; ++c) {
        choice.identity[c] = whiteLight[c] - blackLight[c] < kNaturalMinimumRange ||
                             choice.black[c] == choice.white[c];
        choice.blackDensity[c] = 0.0;
        if (!choice.identity[c]) {
            const ChannelBlack black =
                MeasureChannelBlack(blackLight[c], whiteLight[c], choice.flareLight);
            ratio[c] = black.ratio;
            choice.blackDensity[c] = black.density;
        }
    }
    double greyDensity[kChannels] = {0.0, 0.0, 0.0};
    const bool greys = floor != nullptr && floor->measured;
    if (greys) {
        static_cast<void>(
            GreyDensities(*floor, choice.flareLight, whiteLight, choice.identity, greyDensity));
    }
    ChooseNaturalGains(choice.blackDensity, greys ? greyDensity : nullptr, choice.identity,
                       settings.dmax, &choice);
    for (std::int32_t c = 0; c < kChannels; ++c) {
        const double floor = ratio[c] > 0.0 ? std::pow(ratio[c], choice.gain[c]) : 0.0;
        for (std::int32_t i = 0; i < kNaturalTableLength; ++i) {
            const double x = i / kMaxCode;
            const double corrected =
                choice.identity[c]
                    ? x
                    : CorrectedValue(x, choice.flareLight, whiteLight[c], choice.gain[c], floor);
            const double curve = x + choice.strength * (corrected - x);
            result->tables[c][i] = static_cast<float>(Clamp(curve, 0.0, 1.0));
        }
    }
}

void BuildTintTables(const NaturalSettings& settings, const NeutralFloor& floor, double strength,
                     NaturalResult* result) {
    NaturalChoice& choice = result->choice;
    const std::int32_t brightestWhite = std::max({floor.white[0], floor.white[1], floor.white[2]});
    double blackLight[kChannels];
    double whiteLight[kChannels];
    for (std::int32_t c = 0; c < kChannels; ++c) {
        choice.black[c] = floor.black[c];
        choice.white[c] = floor.white[c];
        choice.shrunkWhite[c] =
            floor.white[c] + kNaturalWhiteShrink * (brightestWhite - floor.white[c]);
        blackLight[c] = SrgbToLinear(floor.black[c] / kMaxCode);
        whiteLight[c] = SrgbToLinear(choice.shrunkWhite[c] / kMaxCode);
    }
    choice.flareLight = settings.flare * std::min({blackLight[0], blackLight[1], blackLight[2]});
    choice.strength = strength;
    choice.depthGain = 1.0;
    for (std::int32_t c = 0; c < kChannels; ++c) {
        choice.identity[c] = whiteLight[c] - choice.flareLight < kNaturalMinimumRange;
        choice.blackDensity[c] = 0.0;
    }
    double greyDensity[kChannels];
    const double densest =
        GreyDensities(floor, choice.flareLight, whiteLight, choice.identity, greyDensity);
    for (std::int32_t c = 0; c < kChannels; ++c) {
        choice.balanceGain[c] = 1.0;
        if (!choice.identity[c] && greyDensity[c] > 0.0) {
            choice.balanceGain[c] = densest / greyDensity[c];
        }
        choice.gain[c] = Clamp(choice.balanceGain[c], 1.0, kNaturalGainLimit);
        for (std::int32_t i = 0; i < kNaturalTableLength; ++i) {
            const double x = i / kMaxCode;
            const double corrected =
                choice.identity[c]
                    ? x
                    : CorrectedValue(x, choice.flareLight, whiteLight[c], choice.gain[c], 0.0);
            const double curve = x + strength * (corrected - x);
            result->tables[c][i] = static_cast<float>(Clamp(curve, 0.0, 1.0));
        }
    }
}

}  // namespace mirtane
