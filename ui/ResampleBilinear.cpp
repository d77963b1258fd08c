#include "ui/ResampleBilinear.h"

#include <cstddef>

#include "analysis/Rounding.h"

namespace mirtane::ui {
namespace {

constexpr std::int32_t kBytesPerPixel = 3;

// Source row index and fraction for destination index i.
struct SamplePosition {
    std::int32_t index;
    float fraction;
};

SamplePosition Position(std::int32_t i, float step, std::int32_t sourceExtent) {
    const float s = static_cast<float>(i) * step;
    std::int32_t index = FloorToInt(s);
    if (index > sourceExtent - 1) {
        index = sourceExtent - 1;
    }
    return {index, s - static_cast<float>(index)};
}

}  // namespace

void ResampleBilinear(const std::uint8_t* source, std::int32_t sourceWidth,
                      std::int32_t sourceHeight, std::int32_t sourceRowBytes,
                      std::uint8_t* destination, std::int32_t destinationWidth,
                      std::int32_t destinationHeight, std::int32_t destinationRowBytes,
                      PixelLayout sourceLayout) {
    if (source == nullptr || destination == nullptr || sourceWidth <= 0 || sourceHeight <= 0 ||
        destinationWidth <= 0 || destinationHeight <= 0) {
        return;
    }
    const PixelLayout layout = ResolveLayout(sourceLayout, kBytesPerPixel);
    const std::ptrdiff_t columnBytes = layout.columnBytes;
    const std::ptrdiff_t planeBytes = layout.planeBytes;
    const float stepY = static_cast<float>(sourceHeight) / static_cast<float>(destinationHeight);
    const float stepX = static_cast<float>(sourceWidth) / static_cast<float>(destinationWidth);

    for (std::int32_t i = 0; i < destinationHeight; ++i) {
        const SamplePosition y = Position(i, stepY, sourceHeight);
        const std::uint8_t* row0 = source + static_cast<std::ptrdiff_t>(y.index) * sourceRowBytes;
        std::uint8_t* out = destination + static_cast<std::ptrdiff_t>(i) * destinationRowBytes;
        for (std::int32_t j = 0; j < destinationWidth; ++j) {
            const SamplePosition x = Position(j, stepX, sourceWidth);
            const bool interior = y.index + 1 < sourceHeight && x.index + 1 < sourceWidth;
            const std::uint8_t* p00 = row0 + static_cast<std::ptrdiff_t>(x.index) * columnBytes;
            const std::uint8_t* p01 = interior ? p00 + columnBytes : p00;
            const std::uint8_t* p10 = interior ? p00 + sourceRowBytes : p00;
            const std::uint8_t* p11 = interior ? p10 + columnBytes : p00;
            for (std::int32_t channel = 0; channel < kBytesPerPixel; ++channel) {
                const std::ptrdiff_t plane = channel * planeBytes;
                const float a = p00[plane];
                const float b = p01[plane];
                const float c = p10[plane];
                const float d = p11[plane];
                const float top = a + x.fraction * (b - a);
                const float bottom = c + x.fraction * (d - c);
                out[j * kBytesPerPixel + channel] =
                    static_cast<std::uint8_t>(RoundHalfUp(top + y.fraction * (bottom - top)));
            }
        }
    }
}

}  // namespace mirtane::ui
