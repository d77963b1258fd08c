#include "analysis/NaturalTables.h"

#include <algorithm>
#include <cmath>

#include "analysis/Rounding.h"
#include "analysis/SrgbTransfer.h"

namespace mirtane {

namespace {

constexpr std::int32_t kChannels = 3;
constexpr double kMaxCode = kNaturalMaxCode;

// Output of one channel's full correction for the encoded input x.
double CorrectedValue(double x, double flareLight, double whiteLight, const DensityGain& density) {
    const double flareFree =
        Clamp((SrgbToLinear(x) - flareLight) / (whiteLight - flareLight), 0.0, 1.0);
    return LinearToSrgb((std::pow(flareFree, density.gain) - density.floor) /
                        (1.0 - density.floor));
}

}  // namespace

DensityGain ChannelDensityGain(double blackLight, double whiteLight, double flareLight,
                               double dmax) {
    DensityGain density;
    density.ratio = (blackLight - flareLight) / (whiteLight - flareLight);
    if (!(density.ratio > 0.0)) {
        return density;
    }
    // A dye that kept a share k of its density shows the original black of
    // density dmax at density k dmax: the gain dmax / density restores it.
    density.gain = std::max(1.0, dmax / -std::log10(density.ratio));
    density.floor = std::pow(density.ratio, density.gain);
    return density;
}

double NaturalStrength(std::int32_t lowestBlack) {
    const double ramp = static_cast<double>(lowestBlack - kNaturalStrengthStart) /
                        static_cast<double>(kNaturalStrengthFull - kNaturalStrengthStart);
    return Clamp(ramp, 0.0, 1.0);
}

void BuildNaturalTables(const NaturalSettings& settings, NaturalResult* result) {
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
    for (std::int32_t c = 0; c < kChannels; ++c) {
        choice.identity[c] = whiteLight[c] - blackLight[c] < kNaturalMinimumRange ||
                             choice.black[c] == choice.white[c];
        DensityGain density;
        if (!choice.identity[c]) {
            density =
                ChannelDensityGain(blackLight[c], whiteLight[c], choice.flareLight, settings.dmax);
        }
        choice.gain[c] = density.gain;
        for (std::int32_t i = 0; i < kNaturalTableLength; ++i) {
            const double x = i / kMaxCode;
            const double corrected =
                choice.identity[c] ? x
                                   : CorrectedValue(x, choice.flareLight, whiteLight[c], density);
            const double curve = x + choice.strength * (corrected - x);
            result->tables[c][i] = static_cast<float>(Clamp(curve, 0.0, 1.0));
        }
    }
}

}  // namespace mirtane
