// The colour analysis on the reduced planes of a 6000 x 4000 image.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "analysis/ComputeChannelCurves.h"
#include "host/ParameterBlock.h"

namespace {

constexpr std::int32_t kWidth = 1500;
constexpr std::int32_t kHeight = 1000;

// A faded, textured scene: smooth shading, patches with edges, grain.
std::vector<float> MakePlane(int channel) {
    std::vector<float> plane(static_cast<std::size_t>(kWidth) * kHeight);
    std::uint32_t state = 17u + static_cast<std::uint32_t>(channel);
    for (std::int32_t y = 0; y < kHeight; ++y) {
        for (std::int32_t x = 0; x < kWidth; ++x) {
            state = state * 1664525u + 1013904223u;
            const float grain = static_cast<float>(state >> 8) / 16777216.0f - 0.5f;
            const float u = static_cast<float>(x) / kWidth;
            const float v = static_cast<float>(y) / kHeight;
            float level = 0.4f + 0.3f * std::sin(5.0f * u + (1.0f + channel) * v);
            if (((x / 150) + (y / 125)) % 3 == channel) {
                level = 0.2f + 0.6f * u * v;
            }
            const float faded = 0.3f + 0.5f * (level + 0.04f * grain) + 0.03f * (channel - 1);
            plane[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)] =
                std::clamp(faded, 0.0f, 1.0f);
        }
    }
    return plane;
}

void BM_ComputeChannelCurves(benchmark::State& state) {
    const std::vector<float> source[3] = {MakePlane(0), MakePlane(1), MakePlane(2)};
    std::vector<float> planes[3] = {source[0], source[1], source[2]};
    std::vector<float> tables[3] = {std::vector<float>(mirtane::kCurveLength),
                                    std::vector<float>(mirtane::kCurveLength),
                                    std::vector<float>(mirtane::kCurveLength)};
    mirtane::ParameterBlock settings{};
    for (auto _ : state) {
        state.PauseTiming();
        for (int c = 0; c < 3; ++c) {
            planes[c] = source[c];  // the analysis alters its planes
            std::fill(tables[c].begin(), tables[c].end(), 0.0f);
            settings.curveTables[c] = tables[c].data();
        }
        settings.gammaExponent = mirtane::kDefaultGammaExponent;
        settings.curveLength = mirtane::kCurveLength;
        settings.slopeGridHeight = mirtane::kSlopeGridHeight;
        settings.blackLevel = 0.0f;
        settings.whiteLevel = 1.0f;
        state.ResumeTiming();
        const std::int32_t result = mirtane::ComputeChannelCurves(
            planes[0].data(), planes[1].data(), planes[2].data(), kWidth, kHeight, &settings);
        benchmark::DoNotOptimize(result);
        if (result != 0) {
            state.SkipWithError("analysis failed");
            break;
        }
    }
}
BENCHMARK(BM_ComputeChannelCurves)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
