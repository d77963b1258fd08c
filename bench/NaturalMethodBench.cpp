// The natural method on a 6000 x 4000 8-bit RGB image (24 megapixels).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/NaturalMethod.h"

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

void BM_ComputeNaturalCurves(benchmark::State& state) {
    const std::vector<std::uint8_t> image = MakeImage();
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
BENCHMARK(BM_ComputeNaturalCurves)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
