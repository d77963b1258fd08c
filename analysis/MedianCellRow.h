// The 5 x 5 median of a plane of 8-bit cells, one output row at a time, with
// the plane's borders replicated.
#pragma once

#include <cstdint>

#include "analysis/NaturalConstants.h"

namespace mirtane {

// rows[d] is the input row at offset d - 2 from the output row, already
// clamped to the plane by the caller (the same row may appear several times
// at the top and bottom). median[j] receives the median (13th smallest) of
// rows[d][clamp(j + e, 0, width - 1)] for d, e in 0 .. 4 and e - 2. Nothing
// happens when width <= 0.
void MedianCellRow(const std::uint8_t* const rows[kNaturalMedianSize], std::int32_t width,
                   std::uint8_t* median);

// The same for the output columns begin .. end - 1 only (within 0 .. width):
// median[j] for those j, the rest of median untouched; a caller that needs
// the medians of a few places only works out no more.
void MedianCellSpan(const std::uint8_t* const rows[kNaturalMedianSize], std::int32_t width,
                    std::int32_t begin, std::int32_t end, std::uint8_t* median);

}  // namespace mirtane
