#include "analysis/ComputeChannelCurves.h"

#include <cstddef>
#include <limits>

#include "analysis/BalanceChannelRanges.h"
#include "analysis/EqualiseChannels.h"
#include "analysis/EstimateChannelSlopes.h"
#include "analysis/Tasks.h"
#include "analysis/ToneCurve.h"

namespace mirtane {

namespace {

bool ValidInput(const float* planeR, const float* planeG, const float* planeB, std::int32_t width,
                std::int32_t height, const ParameterBlock* settings) {
    if (settings == nullptr || width < 0 || height < 0) {
        return false;
    }
    if (settings->curveLength < 2 || settings->slopeGridHeight < 2) {
        return false;
    }
    for (const float* table : settings->curveTables) {
        if (table == nullptr) {
            return false;
        }
    }
    // The planes are indexed with 32-bit sample counts.
    const long long samples = static_cast<long long>(width) * height;
    if (samples > std::numeric_limits<std::int32_t>::max()) {
        return false;
    }
    return samples == 0 || (planeR != nullptr && planeG != nullptr && planeB != nullptr);
}

}  // namespace

std::int32_t ComputeChannelCurves(float* planeR, float* planeG, float* planeB, std::int32_t width,
                                  std::int32_t height, ParameterBlock* settings) {
    if (!ValidInput(planeR, planeG, planeB, width, height, settings)) {
        return -1;
    }
    const std::int32_t n = settings->curveLength;
    ToneCurve channelR(settings->curveTables[0], n);
    ToneCurve channelG(settings->curveTables[1], n);
    ToneCurve channelB(settings->curveTables[2], n);
    if (!channelR.HasStorage() || !channelG.HasStorage() || !channelB.HasStorage()) {
        return -1;
    }

    const std::int32_t first = EstimateChannelSlopes(planeR, planeG, planeB, width, height,
                                                     channelR, channelG, channelB, settings);
    if (first != 0) {
        return first;
    }
    const std::int32_t sampleCount = width * height;
    float* const planes[3] = {planeR, planeG, planeB};
    ToneCurve* const channels[3] = {&channelR, &channelG, &channelB};
    auto map = [&](std::int32_t c) {
        channels[c]->MapPlane(planes[c], sampleCount, settings->whiteLevel, settings->blackLevel);
    };
    RunEachTask(3, map);

    ToneCurve balanceR(n);
    ToneCurve balanceG(n);
    ToneCurve balanceB(n);
    // The balancing itself always succeeds; only missing storage stops here.
    if (BalanceChannelRanges(planeR, planeG, planeB, width, height, balanceR, balanceG, balanceB,
                             settings) != 0) {
        return -1;
    }
    ToneCurve* const balances[3] = {&balanceR, &balanceG, &balanceB};
    auto balance = [&](std::int32_t c) { balances[c]->ApplyToPlane(planes[c], sampleCount); };
    RunEachTask(3, balance);

    ToneCurve equaliseR(n);
    ToneCurve equaliseG(n);
    ToneCurve equaliseB(n);
    const std::int32_t result = EqualiseChannels(planeR, planeG, planeB, 1.0f, 0.0f, width, height,
                                                 equaliseR, equaliseG, equaliseB, settings);
    if (result != 0) {
        return result;
    }

    // Composition clamps every entry to [0, 1] and turns NaN into 0, so the
    // tables receive finite values whatever the stages produced.
    channelR.ComposeWith(balanceR);
    channelG.ComposeWith(balanceG);
    channelB.ComposeWith(balanceB);
    channelR.ComposeWith(equaliseR);
    channelG.ComposeWith(equaliseG);
    channelB.ComposeWith(equaliseB);
    channelR.CopyTo(settings->curveTables[0], n);
    channelG.CopyTo(settings->curveTables[1], n);
    channelB.CopyTo(settings->curveTables[2], n);
    return 0;
}

}  // namespace mirtane
