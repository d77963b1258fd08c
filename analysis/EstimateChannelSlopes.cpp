#include "analysis/EstimateChannelSlopes.h"

#include <memory>
#include <new>

#include "analysis/IntegrateSlopes.h"
#include "analysis/MeasureChannels.h"
#include "analysis/SlopeHistogram.h"
#include "analysis/Tasks.h"

namespace mirtane {

namespace {

constexpr float kSlopeFraction = 0.05f;

struct ChannelPlan {
    int primary;
    int firstSecondary;
    int secondSecondary;
    float shift;
};

// Red pairs with green then blue, green with red then blue, blue with green
// then red; the row-weighting shift differs per channel.
constexpr ChannelPlan kPlans[3] = {{0, 1, 2, 0.0f}, {1, 0, 2, -0.2f}, {2, 1, 0, 0.6f}};

}  // namespace

std::int32_t EstimateChannelSlopes(const float* planeR, const float* planeG, const float* planeB,
                                   std::int32_t width, std::int32_t height, ToneCurve& curveR,
                                   ToneCurve& curveG, ToneCurve& curveB, ParameterBlock* settings) {
    const std::int32_t n = settings->curveLength;
    // One histogram serves the channels in turn (it is reset between them);
    // channels estimated side by side each take one of their own.
    const std::int32_t histogramCount = TasksRunSideBySide() ? 3 : 1;
    std::unique_ptr<SlopeHistogram> histograms[3];
    for (std::int32_t i = 0; i < histogramCount; ++i) {
        histograms[i].reset(new (std::nothrow) SlopeHistogram(n, settings->slopeGridHeight));
        if (histograms[i] == nullptr || !histograms[i]->HasStorage()) {
            return -1;
        }
    }
    ToneCurve slopeR(n);
    ToneCurve slopeG(n);
    ToneCurve slopeB(n);
    if (!slopeR.HasStorage() || !slopeG.HasStorage() || !slopeB.HasStorage()) {
        return -1;
    }

    float spread[3] = {};
    float min[3] = {};
    float max[3] = {};
    // A channel summing to 0 leaves sum(x^2) in its spread; the stage goes on
    // with that, and such a channel has no gradients to contribute anyway.
    static_cast<void>(MeasureChannels(planeR, planeG, planeB, width, height, spread, min, max));

    float black = min[0];
    float white = max[0];
    for (int c = 1; c < 3; ++c) {
        if (min[c] < black) {
            black = min[c];
        }
        if (max[c] > white) {
            white = max[c];
        }
    }
    settings->blackLevel = black;
    settings->whiteLevel = white;
    if (!(white > black)) {
        curveR.Fill(black);
        curveG.Fill(black);
        curveB.Fill(black);
        return -2;
    }

    const float* planes[3] = {planeR, planeG, planeB};
    ToneCurve* slopes[3] = {&slopeR, &slopeG, &slopeB};
    auto estimate = [&](std::int32_t index) {
        const ChannelPlan& plan = kPlans[index];
        SlopeHistogram& histogram = *histograms[index % histogramCount];
        const auto channel = [&](int c) { return PairChannel{planes[c], min[c], spread[c], 1.0f}; };
        histogram.AddPairSamples(channel(plan.primary), channel(plan.firstSecondary), width, height,
                                 black, white);
        histogram.AddPairSamples(channel(plan.primary), channel(plan.secondSecondary), width,
                                 height, black, white);
        histogram.WeightRows(plan.shift);
        histogram.ExtractCurve(*slopes[plan.primary], kSlopeFraction);
        static_cast<void>(histogram.Reset());  // cannot fail: the storage exists
    };
    RunEachTask(3, estimate);
    // The cached ranges are kept current; nothing here decides on them.
    static_cast<void>(slopeR.UpdateRange());
    static_cast<void>(slopeG.UpdateRange());
    static_cast<void>(slopeB.UpdateRange());
    return IntegrateSlopes(slopeR, curveR, slopeG, curveG, slopeB, curveB);
}

}  // namespace mirtane
