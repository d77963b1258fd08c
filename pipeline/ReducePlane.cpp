#include "pipeline/ReducePlane.h"

#include <cstddef>

#include "pipeline/MedianFilter.h"

namespace mirtane {

namespace {

// out[i] = sum over k of w(k) * taps[k][i * step] for i = 0 ... count - 1,
// k = -2 ... 2; when `firstTwoMissing` the taps k = -2 and -1 lie before the
// start of the line and are left out. The sum is formed in double, in the
// order of k, and stored as float. For the planes the plug-in makes (floats in
// [0, 1] no finer than 2^-34) the weights being powers of two makes every sum
// exact, so the store is the only rounding.
void CombineTaps(const float* const taps[5], std::ptrdiff_t step, std::size_t count,
                 bool firstTwoMissing, float* out) {
    const double w0 = kReductionWeights[0];
    const double w1 = kReductionWeights[1];
    const double w2 = kReductionWeights[2];
    const double w3 = kReductionWeights[3];
    const double w4 = kReductionWeights[4];
    if (firstTwoMissing) {
        for (std::size_t i = 0; i < count; ++i) {
            const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(i) * step;
            out[i] = static_cast<float>(w2 * taps[2][at] + w3 * taps[3][at] + w4 * taps[4][at]);
        }
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(i) * step;
        out[i] = static_cast<float>(w0 * taps[0][at] + w1 * taps[1][at] + w2 * taps[2][at] +
                                    w3 * taps[3][at] + w4 * taps[4][at]);
    }
}

// Rows of width / 4 floats the horizontal pass keeps: output row r reads
// smoothed rows 4r - 2 ... 4r + 2, and a ring of eight (a power of two above
// five) holds them while the next four arrive.
constexpr std::size_t kRingRows = 8;

}  // namespace

std::uint64_t ReductionScratchBytes(std::int32_t width, std::int32_t height) {
    if (width < 0 || height < 0) return 0;
    return sizeof(float) * static_cast<std::uint64_t>(width / 4) * kRingRows;
}

namespace {

// Each source row is smoothed along the row into a ring of scratch rows of
// reducedWidth floats just before the vertical pass first needs it, so the
// scratch stays a few rows long whatever the height: the same sums in the
// same order as smoothing every row first.
std::int32_t DownsampleRows(const PlaneRows& rows, std::int32_t width, std::int32_t height,
                            float* out, float* scratch, std::int64_t scratchBytes) {
    if (width < 0 || height < 0 || scratchBytes < 0) return -1;
    if (static_cast<std::uint64_t>(scratchBytes) < ReductionScratchBytes(width, height)) return -1;
    const std::size_t reducedWidth = static_cast<std::size_t>(width / 4);
    const std::size_t reducedHeight = static_cast<std::size_t>(height / 4);
    if (reducedWidth == 0 || reducedHeight == 0) return 0;

    const auto smoothed = [&](std::size_t y) { return scratch + (y % kRingRows) * reducedWidth; };
    std::size_t next = 0;  // the first source row not yet smoothed
    const auto smoothThrough = [&](std::size_t last) {
        for (; next <= last; ++next) {
            const float* row = rows.row(rows.context, static_cast<std::int32_t>(next));
            float* target = smoothed(next);
            const float* const firstTaps[5] = {nullptr, nullptr, row, row + 1, row + 2};
            CombineTaps(firstTaps, 4, 1, true, target);
            const float* const taps[5] = {row + 2, row + 3, row + 4, row + 5, row + 6};
            CombineTaps(taps, 4, reducedWidth - 1, false, target + 1);
        }
    };

    // Vertical: row 0 lacks rows -2 and -1; row r draws on smoothed rows 4r - 2 ... 4r + 2.
    smoothThrough(2);
    const float* const firstTaps[5] = {nullptr, nullptr, smoothed(0), smoothed(1), smoothed(2)};
    CombineTaps(firstTaps, 1, reducedWidth, true, out);
    for (std::size_t r = 1; r < reducedHeight; ++r) {
        smoothThrough(4 * r + 2);
        const float* const taps[5] = {smoothed(4 * r - 2), smoothed(4 * r - 1), smoothed(4 * r),
                                      smoothed(4 * r + 1), smoothed(4 * r + 2)};
        CombineTaps(taps, 1, reducedWidth, false, out + r * reducedWidth);
    }
    return 0;
}

struct WholePlane {
    const float* plane;
    std::size_t width;
};

const float* WholePlaneRow(void* context, std::int32_t y) {
    const auto* whole = static_cast<const WholePlane*>(context);
    return whole->plane + static_cast<std::size_t>(y) * whole->width;
}

}  // namespace

std::int32_t DownsampleByFour(const float* plane, std::int32_t width, std::int32_t height,
                              float* out, float* scratch, std::int64_t scratchBytes) {
    WholePlane whole{plane, static_cast<std::size_t>(width < 0 ? 0 : width)};
    return DownsampleRows(PlaneRows{&WholePlaneRow, &whole}, width, height, out, scratch,
                          scratchBytes);
}

std::int32_t ReducePlaneRows(const PlaneRows& rows, std::int32_t width, std::int32_t height,
                             float* out, float* scratch, std::int64_t scratchBytes) {
    if (DownsampleRows(rows, width, height, out, scratch, scratchBytes) != 0) return -1;
    MedianFilterPlanes(out, width / 4, height / 4, 1);
    return 0;
}

std::int32_t ReducePlane(const float* plane, std::int32_t width, std::int32_t height, float* out,
                         float* scratch, std::int64_t scratchBytes) {
    WholePlane whole{plane, static_cast<std::size_t>(width < 0 ? 0 : width)};
    return ReducePlaneRows(PlaneRows{&WholePlaneRow, &whole}, width, height, out, scratch,
                           scratchBytes);
}

}  // namespace mirtane
