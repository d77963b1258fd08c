#include "analysis/SlopeHistogram.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "analysis/PairSampleRow.h"
#include "analysis/Rounding.h"

namespace mirtane {

SlopeHistogram::SlopeHistogram(std::int32_t columns, std::int32_t rows)
    : SampleGrid(columns, rows) {}

SlopeHistogram::~SlopeHistogram() = default;

std::int32_t SlopeHistogram::ScaleAt(float factor, std::int32_t column, std::int32_t row) {
    if (!Inside(column, row)) {
        return -1;
    }
    float& cell = Cell(column, row);
    cell *= factor;
    Touch(column, row, cell);
    return 0;
}

std::int32_t SlopeHistogram::AddPairSamples(const PairChannel& primary,
                                            const PairChannel& secondary, std::int32_t width,
                                            std::int32_t height, float black, float white) {
    if (!HasStorage() || width < 4 || height < 4 || primary.plane == nullptr ||
        secondary.plane == nullptr) {
        return 0;
    }
    const PairSampleInputs inputs{primary.plane,
                                  secondary.plane,
                                  static_cast<std::size_t>(width),
                                  primary.minimum,
                                  1.0f / primary.spread,
                                  secondary.minimum,
                                  1.0f / secondary.spread,
                                  black,
                                  white - black,
                                  primary.weight / secondary.weight};
    const std::size_t rowLength = static_cast<std::size_t>(width);
    std::vector<std::uint8_t> keep(rowLength);
    std::vector<float> value(rowLength);
    std::vector<float> column(rowLength);
    std::vector<float> row(rowLength);
    const PairSampleOutputs outputs{keep.data(), value.data(), column.data(), row.data()};
    const std::int32_t lastCentre = width - 3;
    // The additions of AddAtNormalised, with the touched bounds and the peak
    // kept in locals while the rows are scattered.
    const float columnSpan = static_cast<float>(columns - 1);
    const float rowSpan = static_cast<float>(rows - 1);
    std::int32_t lowColumn = minColumn;
    std::int32_t highColumn = maxColumn;
    std::int32_t lowRow = minRow;
    std::int32_t highRow = maxRow;
    float highest = peak;
    for (std::int32_t y = 1; y <= height - 3; ++y) {
        ComputePairSampleRow(inputs, static_cast<std::size_t>(y) * rowLength, 1, lastCentre,
                             outputs);
        for (std::int32_t x = 1; x <= lastCentre; ++x) {
            const std::size_t i = static_cast<std::size_t>(x);
            const float u = column[i];
            const float v = row[i];
            if (keep[i] == 0 || !(u >= 0.0f && u <= 1.0f) || !(v >= 0.0f && v <= 1.0f)) {
                continue;  // off-grid samples are dropped
            }
            // Both products are at least 0.
            const std::int32_t c = RoundHalfUpNonNegative(u * columnSpan);
            const std::int32_t r = RoundHalfUpNonNegative(v * rowSpan);
            float& cell = Cell(c, r);
            cell += value[i];
            lowColumn = c < lowColumn ? c : lowColumn;
            highColumn = c > highColumn ? c : highColumn;
            lowRow = r < lowRow ? r : lowRow;
            highRow = r > highRow ? r : highRow;
            highest = cell > highest ? cell : highest;
        }
    }
    minColumn = lowColumn;
    maxColumn = highColumn;
    minRow = lowRow;
    maxRow = highRow;
    peak = highest;
    return 0;
}

std::int32_t SlopeHistogram::WeightRows(float shift) {
    if (!HasStorage()) {
        return 0;
    }
    std::vector<float> cdf(static_cast<std::size_t>(columns), 0.0f);
    for (std::int32_t c = 0; c < columns; ++c) {
        float total = 0.0f;
        for (std::int32_t r = 0; r < rows; ++r) {
            total += GetAt(c, r);
        }
        cdf[static_cast<std::size_t>(c)] = total;
    }
    for (std::size_t c = 1; c < cdf.size(); ++c) {
        cdf[c] = cdf[c - 1] + cdf[c];
    }
    const float mass = cdf.back();
    for (float& share : cdf) {
        share = share / mass;
    }
    const float rowSpan = static_cast<float>(rows - 1);
    const float columnCount = static_cast<float>(columns);
    for (std::int32_t c = minColumn; c <= maxColumn; ++c) {
        const float centre =
            (cdf[static_cast<std::size_t>(c)] - 0.5f) * rowSpan * shift + columnCount;
        for (std::int32_t r = minRow; r <= maxRow; ++r) {
            const float t = (centre - static_cast<float>(r)) / columnCount;
            float factor = 1.0f - t * t;
            if (factor < 0.1f) {
                factor = 0.1f;
            }
            static_cast<void>(ScaleAt(factor, c, r));  // c and r lie inside the grid
        }
    }
    return 0;
}

}  // namespace mirtane
