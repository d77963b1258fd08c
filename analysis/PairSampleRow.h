// The per-pixel arithmetic of the pair sampling (SlopeHistogram::
// AddPairSamples) for one row of centres, kept apart from the histogram
// update so that it can run four pixels at a time. Both versions give the
// same bits: every operation is a single IEEE float operation in the same
// order.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mirtane {

struct PairSampleInputs {
    const float* primary;
    const float* secondary;
    std::size_t stride;  // samples per plane row
    float primaryMinimum;
    float primaryInverseSpread;
    float secondaryMinimum;
    float secondaryInverseSpread;
    float black;
    float levelRange;  // white - black
    float ratio;       // primary weight / secondary weight
};

// Per centre x (indexed by x): whether it contributes, its value and its
// normalised column and row coordinates.
struct PairSampleOutputs {
    std::uint8_t* keep;
    float* value;
    float* column;
    float* row;
};

// Centres x = first .. last of the row starting at plane index rowStart.
void ComputePairSampleRow(const PairSampleInputs& in, std::size_t rowStart, std::int32_t first,
                          std::int32_t last, const PairSampleOutputs& out);
// The same, one pixel at a time: the reference for the version above.
void ComputePairSampleRowScalar(const PairSampleInputs& in, std::size_t rowStart,
                                std::int32_t first, std::int32_t last,
                                const PairSampleOutputs& out);

}  // namespace mirtane
