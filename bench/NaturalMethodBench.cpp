// The natural method on a 6000 x 4000 8-bit RGB image (24 megapixels): the
// whole analysis, its border search and neutral floor on their own (the
// consistent levels take the rest), and the whole analysis on noise, where
// every cell has samples beyond the levels and every local range is needed.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/NaturalMethod.h"
#include "analysis/NeutralFloor.h"
#include "analysis/PictureArea.h"

namespace {

constexpr std::int32_t kWidth = 6000;
constexpr std::int32_t kHeight = 4000;
constexpr std::ptrdiff_t kStride = 3 * static_cast<std::ptrdiff_t>(kWidth);

// A faded, textured scene: smooth shading, patches with edges, grain, and a
// sprinkling of dust, with raised blacks so that the full correction runs.
std::vector<std::uint8_t> MakeImage() {
    std::vector<std::uint8_t> image(static_cast<std::size_t>(kStride) * kHeight);
    std::uint32_t state = 17u;
    for (std::int32_t y = 0; y < kHeight; ++y) {
        const float v = static_cast<float>(y) / kHeight;
        for (std::int32_t x = 0; x < kWidth; ++x) {
            const float u = static_cast<float>(x) / kWidth;
            state = state * 1664525u + 1013904223u;
            const float grain = static_cast<float>(state >> 8) / 16777216.0f - 0.5f;
            const bool dust = (state >> 4) % 20000u == 0u;
            for (int c = 0; c < 3; ++c) {
                float level = 0.5f + 0.4f * std::sin(5.0f * u + (1.0f + c) * v);
                if (((x / 600) + (y / 500)) % 3 == c) {
                    level = 0.1f + 0.8f * u * v;
                }
                const float faded = 40.0f + 170.0f * level + 4.0f * grain + 10.0f * (c - 1);
                image[static_cast<std::size_t>(y * kStride + 3 * x + c)] =
                    dust ? 0 : static_cast<std::uint8_t>(faded);
            }
        }
    }
    return image;
}

// Uniform noise in every channel.
std::vector<std::uint8_t> MakeNoise() {
    std::vector<std::uint8_t> image(static_cast<std::size_t>(kStride) * kHeight);
    std::uint32_t state = 29u;
    for (std::uint8_t& sample : image) {
        state = state * 1664525u + 1013904223u;
        sample = static_cast<std::uint8_t>(state >> 24);
    }
    return image;
}

void RunNaturalCurves(benchmark::State& state, const std::vector<std::uint8_t>& image) {
    const mirtane::NaturalSettings settings;
    mirtane::NaturalResult result;
    for (auto _ : state) {
        const std::int32_t status = mirtane::ComputeNaturalCurves(image.data(), kWidth, kHeight,
                                                                  kStride, settings, &result);
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(result);
        if (status != 0) {
            state.SkipWithError("natural method failed");
            break;
        }
    }
    state.counters["strength"] = result.choice.strength;
    state.counters["black_r"] = result.choice.black[0];
}

void BM_ComputeNaturalCurves(benchmark::State& state) { RunNaturalCurves(state, MakeImage()); }
BENCHMARK(BM_ComputeNaturalCurves)->Unit(benchmark::kMillisecond);

void BM_ComputeNaturalCurvesOnNoise(benchmark::State& state) {
    RunNaturalCurves(state, MakeNoise());
}
BENCHMARK(BM_ComputeNaturalCurvesOnNoise)->Unit(benchmark::kMillisecond);

// The border search, keeping the block means as the analysis does.
void BM_FindPictureArea(benchmark::State& state) {
    const std::vector<std::uint8_t> image = MakeImage();
    for (auto _ : state) {
        bool found = false;
        mirtane::BlockMeans means;
        const mirtane::PictureArea area =
            mirtane::FindPictureArea(image.data(), kWidth, kHeight, kStride, &found, &means);
        benchmark::DoNotOptimize(area);
        benchmark::DoNotOptimize(means.rgb);
    }
}
BENCHMARK(BM_FindPictureArea)->Unit(benchmark::kMillisecond);

// The neutral floor from the search's block means, as in the analysis.
void BM_MeasureNeutralFloor(benchmark::State& state) {
    const std::vector<std::uint8_t> image = MakeImage();
    bool found = false;
    mirtane::BlockMeans means;
    const mirtane::PictureArea area =
        mirtane::FindPictureArea(image.data(), kWidth, kHeight, kStride, &found, &means);
    mirtane::NeutralFloor floor;
    for (auto _ : state) {
        const std::int32_t status =
            mirtane::MeasureNeutralFloor(image.data(), kStride, area, &means, &floor);
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(floor);
        if (status != 0) {
            state.SkipWithError("no working storage");
            break;
        }
    }
}
BENCHMARK(BM_MeasureNeutralFloor)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
