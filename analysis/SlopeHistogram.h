// The two-dimensional histogram of the slope estimation: a column is an
// intensity of the primary channel, a row the primary channel's share of the
// combined gradient magnitude of a channel pair (a middle row means equal
// contrast, a higher row a weaker primary gradient).
#pragma once

#include <cstdint>

#include "analysis/SampleGrid.h"
#include "analysis/ToneCurve.h"

namespace mirtane {

// One channel's plane with the statistics the pair sampling normalises by.
struct PairChannel {
    const float* plane;
    float minimum;
    float spread;
    float weight;
};

class SlopeHistogram final : public SampleGrid {
  public:
    SlopeHistogram(std::int32_t columns, std::int32_t rows);
    ~SlopeHistogram() override;

    // Cell *= factor; bounds widened to the cell; peak compared with the new
    // cell value. -1 without storage or outside the grid.
    [[nodiscard]] std::int32_t ScaleAt(float factor, std::int32_t column, std::int32_t row);

    // Adds one sample per interior pixel (1 <= y <= height - 3, 1 <= x <=
    // width - 3) where the central-difference gradients of the primary and
    // secondary planes agree in direction and both normalised levels are
    // non-zero. The sample's column is the primary level re-levelled by black
    // and white, its row 1 - |grad P| * ratio / (|grad P| + |grad Q|), and its
    // value the geometric mean of the two magnitudes times the cosine between
    // the gradients times the agreement of the two levels. Always 0.
    std::int32_t AddPairSamples(const PairChannel& primary, const PairChannel& secondary,
                                std::int32_t width, std::int32_t height, float black, float white);

    // Damps every touched cell by a parabola in the row around a centre that
    // moves with the column's share of the mass, by shift; factors are at
    // least 0.1. Always 0.
    std::int32_t WeightRows(float shift);

    // One slope code (a row index, 1 .. rows - 1) per intensity column,
    // written into curve entry c: the mass-weighted mean row of a balanced
    // window of columns around c, each side holding about fraction / 2 of the
    // mass. Columns with too little support at the ends of the occupied range,
    // or whose window holds no mass, get no code; the outermost codes are
    // copied outward to the ends of the curve. Always 0.
    std::int32_t ExtractCurve(ToneCurve& curve, float fraction) const;
};

}  // namespace mirtane
