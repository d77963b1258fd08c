// The weighting of pixels by their distance from the plane's centre, and the
// window of pixels that the centre-weighted measurements analyse: rows i with
// 0.1 * height < i < 0.9 * height and columns j likewise with the width.
#pragma once

#include <cstdint>
#include <vector>

namespace mirtane {

// max(0, a - a^2) * max(0, b - b^2) with a = (i + 0.1 h) / (1.2 h) and
// b = (j + 0.15 w) / (1.3 w), in double: 0 beyond rows -0.1 h and 1.1 h and
// columns -0.15 w and 1.15 w, 0.0625 at the centre, positive in the window.
double CentreWeight(std::int32_t i, std::int32_t j, std::int32_t width, std::int32_t height);
// Its two factors: CentreWeight(i, j, w, h) is exactly
// CentreRowFactor(i, h) * CentreColumnFactor(j, w).
double CentreRowFactor(std::int32_t i, std::int32_t height);
double CentreColumnFactor(std::int32_t j, std::int32_t width);

// Whether the window's upper bound (0.9 * size) belongs to it. The histogram
// leaves it out, the level measurement takes it in; the lower bound is
// always left out.
enum class UpperBound { Excluded, Included };

// The run of indices first .. last (empty when first > last) of a plane
// dimension of the given size that lie inside the window. The bounds are
// formed and compared in double.
struct IndexRange {
    std::int32_t first;
    std::int32_t last;
};
IndexRange WindowRange(std::int32_t size, UpperBound upper);

// CentreColumnFactor(j, width) for j = range.first .. range.last, so that a
// scan over many rows computes each column's factor once.
std::vector<double> CentreColumnFactors(IndexRange range, std::int32_t width);

}  // namespace mirtane
