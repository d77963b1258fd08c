// Plain implementations of the reduction, written straight from its
// definition, against which the optimised code is compared.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace mirtane::reference {

constexpr float kSampleScale = 0.0039215689f;
constexpr double kWeights[5] = {0.125, 0.25, 0.25, 0.25, 0.125};

// Smoothing and sampling: each output a double sum over the taps that exist,
// stored as float; the horizontal results are stored before the vertical.
inline std::vector<float> Downsample(const std::vector<float>& plane, int width, int height) {
    const int w4 = width / 4;
    const int h4 = height / 4;
    std::vector<float> rows(static_cast<std::size_t>(w4) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        for (int c = 0; c < w4; ++c) {
            double sum = 0.0;
            for (int k = -2; k <= 2; ++k) {
                const int x = 4 * c + k;
                if (x < 0) continue;
                sum += kWeights[k + 2] *
                       plane[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                             static_cast<std::size_t>(x)];
            }
            rows[static_cast<std::size_t>(y * w4 + c)] = static_cast<float>(sum);
        }
    }
    std::vector<float> out(static_cast<std::size_t>(w4) * static_cast<std::size_t>(h4));
    for (int r = 0; r < h4; ++r) {
        for (int c = 0; c < w4; ++c) {
            double sum = 0.0;
            for (int k = -2; k <= 2; ++k) {
                const int y = 4 * r + k;
                if (y < 0) continue;
                sum += kWeights[k + 2] * rows[static_cast<std::size_t>(y * w4 + c)];
            }
            out[static_cast<std::size_t>(r * w4 + c)] = static_cast<float>(sum);
        }
    }
    return out;
}

// The recursive median, one window at a time in the stated order, with a
// full sort of each window.
inline void Median(std::vector<float>& plane, int width, int height) {
    if (width < 5 || height < 5) return;
    std::vector<float> window(25);
    for (int r = 2; r <= height - 3; ++r) {
        for (int c = 2; c <= width - 3; ++c) {
            std::size_t n = 0;
            for (int dr = -2; dr <= 2; ++dr) {
                for (int dc = -2; dc <= 2; ++dc)
                    window[n++] = plane[static_cast<std::size_t>((r + dr) * width + c + dc)];
            }
            std::sort(window.begin(), window.end());
            plane[static_cast<std::size_t>(r * width + c)] = window[12];
        }
    }
}

// One plane of an interleaved 8-bit image reduced as the intake reduces it.
inline std::vector<float> ReducedPlane(const std::vector<std::uint8_t>& pixels, int width,
                                       int height, int planes, int plane) {
    std::vector<float> full(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (std::size_t i = 0; i < full.size(); ++i) {
        full[i] =
            static_cast<float>(
                pixels[i * static_cast<std::size_t>(planes) + static_cast<std::size_t>(plane)]) *
            kSampleScale;
    }
    std::vector<float> reduced = Downsample(full, width, height);
    Median(reduced, width / 4, height / 4);
    return reduced;
}

}  // namespace mirtane::reference
