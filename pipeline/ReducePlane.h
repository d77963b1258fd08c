// Four-fold reduction of a full-resolution float plane: a separable 5-tap
// smoothing filter sampled at every fourth column and row, then the recursive
// 5 x 5 median.
#pragma once

#include <cstdint>

namespace mirtane {

// The filter weights w(-2 ... 2); they sum to 1.
constexpr float kReductionWeights[5] = {0.125f, 0.25f, 0.25f, 0.25f, 0.125f};

// Scratch bytes the reduction of a width x height plane needs: eight rows of
// width / 4 floats, whatever the height.
[[nodiscard]] std::uint64_t ReductionScratchBytes(std::int32_t width, std::int32_t height);

// Where the reduction reads its source rows: `row(context, y)` returns row y
// of the plane, width floats, valid until the next call. Rows are asked for
// once each, top to bottom, so a caller can convert each row as it is needed
// instead of holding the whole full-resolution plane.
struct PlaneRows {
    const float* (*row)(void* context, std::int32_t y);
    void* context;
};

// ReducePlane over rows from `rows`: the same result as ReducePlane over the
// plane made of those rows.
[[nodiscard]] std::int32_t ReducePlaneRows(const PlaneRows& rows, std::int32_t width,
                                           std::int32_t height, float* out, float* scratch,
                                           std::int64_t scratchBytes);

// Reduces the width x height plane `plane` into `out`, (width / 4) x
// (height / 4) floats, with DownsampleByFour and then MedianFilterPlanes on
// the single reduced plane. `scratch` holds `scratchBytes` bytes and may not
// overlap either plane. Returns 0, or -1 (nothing written) when the scratch
// is smaller than ReductionScratchBytes or a dimension is negative.
[[nodiscard]] std::int32_t ReducePlane(const float* plane, std::int32_t width, std::int32_t height,
                                       float* out, float* scratch, std::int64_t scratchBytes);

// The smoothing and sampling alone. Output sample (r, c) is
// sum over k of w(k) * S[4r + k][c], with S[y][c] = sum over k of
// w(k) * plane[y][4c + k], both over k = -2 ... 2 leaving out terms at a
// negative row or column: row 0 and column 0 lose the weight 0.125 + 0.25 and
// carry only 0.625 of the local level. Sums are formed in double precision and
// stored as float. Source columns past 4 (width / 4 - 1) + 2 and rows past
// 4 (height / 4 - 1) + 2 are never read. Returns 0, or -1 as ReducePlane.
[[nodiscard]] std::int32_t DownsampleByFour(const float* plane, std::int32_t width,
                                            std::int32_t height, float* out, float* scratch,
                                            std::int64_t scratchBytes);

}  // namespace mirtane
