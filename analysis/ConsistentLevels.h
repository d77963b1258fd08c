// The black and white level of each channel, taken only from full-resolution
// samples that agree with the local range of the median-filtered cells, so
// that dust, specks and thin scratches are ignored while real extremes count.
#pragma once

#include <cstddef>
#include <cstdint>

#include "analysis/NaturalConstants.h"

namespace mirtane {

// Codes a sample may take and still be consistent with its cell:
// low <= v <= high (either may lie outside 0 .. 255).
struct LocalRange {
    std::int32_t low = 0;
    std::int32_t high = 0;
};

// The local range of cell column: the smallest and largest median cell over
// the 3 x 3 cells around it (columns clamped to 0 .. width - 1), widened by
// the margin on both sides. rows[d] is the median row at offset d - 1,
// already clamped by the caller.
LocalRange CellLocalRange(const std::uint8_t* const rows[kNaturalRangeSize], std::int32_t width,
                          std::int32_t column);

// The running levels of the three channels (R, G, B). A channel without a
// consistent sample yet has black above white.
struct SampleLevels {
    std::int32_t black[3] = {kNaturalMaxCode + 1, kNaturalMaxCode + 1, kNaturalMaxCode + 1};
    std::int32_t white[3] = {-1, -1, -1};

    bool Found(std::int32_t channel) const { return black[channel] <= white[channel]; }
};

// One band of full-resolution rows that belongs to one row of cells.
struct CellBand {
    // First sample of the band's first row (R, G, B per pixel).
    const std::uint8_t* pixels = nullptr;
    std::ptrdiff_t rowStride = 0;
    // Rows of the band: the cell size, more for the last row of cells, which
    // also takes the rows below the last whole cell.
    std::int32_t rowCount = 0;
    // Samples per row; columns beyond the last whole cell belong to it.
    std::int32_t width = 0;
    // Cells per row, at least 1.
    std::int32_t cellCount = 0;
    // Per channel, the median rows above, of and below the band (clamped).
    const std::uint8_t* medianRows[3][kNaturalRangeSize] = {};
    // When set, called with context before the median rows of a channel are
    // read over the cells first .. end - 1, so that the caller may work out
    // medians only where a local range is needed; it returns the end of the
    // cells from first on that are now ready (end or more), so that it need
    // not be asked again for them. Without it the rows are read as they are.
    std::int32_t (*prepareMedians)(void* context, std::int32_t channel, std::int32_t first,
                                   std::int32_t end) = nullptr;
    void* context = nullptr;
};

// Lowers each black and raises each white to every sample of the band that
// lies within its cell's local range. The range of a cell is worked out only
// when one of its samples lies outside the levels found so far.
void AccumulateConsistentLevels(const CellBand& band, SampleLevels* levels);

}  // namespace mirtane
