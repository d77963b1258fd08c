// The four-fold reduction of 8-bit interleaved RGB into integer cell means,
// one row of cells at a time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mirtane {

// Cell j of the row cellRow holds, per channel, (the sum of the 16 samples of
// rows 4 cellRow .. 4 cellRow + 3 and columns 4j .. 4j + 3 + 8) >> 4: the
// mean rounded half up, exactly, in integers. pixels points at the first
// sample of row 0 (R, G, B per pixel), rows rowStride bytes apart; the caller
// guarantees those rows and 4 cellCount columns exist. cells[c] receives
// cellCount values for channel c.
void ReduceCellRow(const std::uint8_t* pixels, std::ptrdiff_t rowStride, std::int32_t cellRow,
                   std::int32_t cellCount, std::uint8_t* const cells[3]);

}  // namespace mirtane
