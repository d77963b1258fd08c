// Small 8-bit RGB images for the natural method's tests: a scene with true
// blacks and whites, its dye-faded copy, specks, and applying tables.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/NaturalConstants.h"
#include "analysis/Rounding.h"
#include "analysis/SrgbTransfer.h"

namespace mirtane::testing {

struct RgbImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    // Bytes per row; wider than 3 width when padding is asked for.
    std::ptrdiff_t stride = 0;
    std::vector<std::uint8_t> bytes;

    RgbImage(std::int32_t w, std::int32_t h, std::int32_t padding = 0)
        : width(w),
          height(h),
          stride(3 * static_cast<std::ptrdiff_t>(w) + padding),
          bytes(static_cast<std::size_t>(stride * h), 0xA5) {}

    std::uint8_t& At(std::int32_t x, std::int32_t y, std::int32_t c) {
        return bytes[static_cast<std::size_t>(y * stride + 3 * x + c)];
    }
    std::uint8_t At(std::int32_t x, std::int32_t y, std::int32_t c) const {
        return bytes[static_cast<std::size_t>(y * stride + 3 * x + c)];
    }
    void Fill(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        for (std::int32_t y = 0; y < height; ++y) {
            for (std::int32_t x = 0; x < width; ++x) {
                At(x, y, 0) = r;
                At(x, y, 1) = g;
                At(x, y, 2) = b;
            }
        }
    }
    void FillRect(std::int32_t x0, std::int32_t y0, std::int32_t w, std::int32_t h,
                  std::uint8_t value) {
        for (std::int32_t y = y0; y < y0 + h; ++y) {
            for (std::int32_t x = x0; x < x0 + w; ++x) {
                At(x, y, 0) = At(x, y, 1) = At(x, y, 2) = value;
            }
        }
    }
    // Three pixels in an L, the size of a dust speck.
    void Speck(std::int32_t x, std::int32_t y, std::uint8_t value) {
        for (const auto& [dx, dy] : {std::pair{0, 0}, std::pair{1, 0}, std::pair{0, 1}}) {
            At(x + dx, y + dy, 0) = At(x + dx, y + dy, 1) = At(x + dx, y + dy, 2) = value;
        }
    }
};

// Smooth colour content with a true black and a true white patch, each over
// more than 5 x 5 cells at 48 x 48 samples and up, so that the median keeps them.
inline RgbImage MakeScene(std::int32_t width, std::int32_t height) {
    RgbImage image(width, height);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            const double u = static_cast<double>(x) / width;
            const double v = static_cast<double>(y) / height;
            image.At(x, y, 0) = static_cast<std::uint8_t>(40 + 180 * u);
            image.At(x, y, 1) = static_cast<std::uint8_t>(30 + 190 * v);
            image.At(x, y, 2) =
                static_cast<std::uint8_t>(60 + 120 * (0.5 + 0.5 * std::sin(6 * u + 4 * v)));
        }
    }
    image.FillRect(width / 16, height / 8, width * 3 / 8, height / 2, 0);
    image.FillRect(width / 2, height / 2, width * 3 / 8, height * 3 / 8, 255);
    return image;
}

// A dye fade: each channel keeps a share of its density (the original black
// taken at density 2.1), gains a stain density, and is seen through flare of
// about 0.4 of the faded blue black's light, near the method's prior.
inline RgbImage Fade(const RgbImage& original) {
    const double kept[3] = {0.6, 0.75, 0.5};
    const double stain[3] = {0.02, 0.05, 0.08};
    const double flare = 0.03;
    const double blackLight = std::pow(10.0, -2.1);
    RgbImage faded = original;
    for (std::int32_t y = 0; y < original.height; ++y) {
        for (std::int32_t x = 0; x < original.width; ++x) {
            for (std::int32_t c = 0; c < 3; ++c) {
                const double light =
                    std::max(SrgbToLinear(original.At(x, y, c) / 255.0), blackLight);
                const double density = kept[c] * -std::log10(light) + stain[c];
                const double seen = flare + (1.0 - flare) * std::pow(10.0, -density);
                faded.At(x, y, c) =
                    static_cast<std::uint8_t>(RoundHalfUp(255.0 * LinearToSrgb(seen)));
            }
        }
    }
    return faded;
}

// Each sample v becomes floor(255 table[v] + 0.5).
inline RgbImage ApplyTables(const RgbImage& image, const float (&tables)[3][kNaturalTableLength]) {
    RgbImage out = image;
    for (std::int32_t y = 0; y < image.height; ++y) {
        for (std::int32_t x = 0; x < image.width; ++x) {
            for (std::int32_t c = 0; c < 3; ++c) {
                const double value = tables[c][image.At(x, y, c)];
                out.At(x, y, c) = static_cast<std::uint8_t>(RoundHalfUp(255.0 * value));
            }
        }
    }
    return out;
}

// -1 when every entry i of the three tables is exactly float(i / 255), else
// the first entry that is not, as channel * 256 + level.
inline std::int32_t FirstNonIdentityEntry(const float (&tables)[3][kNaturalTableLength]) {
    for (std::int32_t c = 0; c < 3; ++c) {
        for (std::int32_t i = 0; i < kNaturalTableLength; ++i) {
            if (tables[c][i] != static_cast<float>(i / 255.0)) {
                return c * kNaturalTableLength + i;
            }
        }
    }
    return -1;
}

// -1 when each of the three tables starts at 0 or above, ends at 1 or below
// and never falls, else the first entry that breaks this, as channel * 256 +
// level.
inline std::int32_t FirstEntryOutOfOrder(const float (&tables)[3][kNaturalTableLength]) {
    for (std::int32_t c = 0; c < 3; ++c) {
        if (tables[c][0] < 0.0f) {
            return c * kNaturalTableLength;
        }
        for (std::int32_t i = 1; i < kNaturalTableLength; ++i) {
            if (tables[c][i] < tables[c][i - 1]) {
                return c * kNaturalTableLength + i;
            }
        }
        if (tables[c][kNaturalTableLength - 1] > 1.0f) {
            return c * kNaturalTableLength + kNaturalTableLength - 1;
        }
    }
    return -1;
}

inline double MeanAbsoluteDifference(const RgbImage& a, const RgbImage& b) {
    double sum = 0.0;
    for (std::int32_t y = 0; y < a.height; ++y) {
        for (std::int32_t x = 0; x < a.width; ++x) {
            for (std::int32_t c = 0; c < 3; ++c) {
                sum += std::abs(static_cast<int>(a.At(x, y, c)) - static_cast<int>(b.At(x, y, c)));
            }
        }
    }
    return sum / (3.0 * a.width * a.height);
}

}  // namespace mirtane::testing
