#include "analysis/ConsistentLevels.h"

#include <algorithm>

#include "analysis/Rounding.h"

namespace mirtane {

namespace {

constexpr std::int32_t kChannels = 3;
constexpr std::int32_t kRadius = kNaturalRangeSize / 2;

}  // namespace

LocalRange CellLocalRange(const std::uint8_t* const rows[kNaturalRangeSize], std::int32_t width,
                          std::int32_t column) {
    std::int32_t smallest = kNaturalMaxCode;
    std::int32_t largest = 0;
    for (std::int32_t d = 0; d < kNaturalRangeSize; ++d) {
        for (std::int32_t e = -kRadius; e <= kRadius; ++e) {
            const std::int32_t value = rows[d][Clamp(column + e, 0, width - 1)];
            smallest = std::min(smallest, value);
            largest = std::max(largest, value);
        }
    }
    return {smallest - kNaturalRangeMargin, largest + kNaturalRangeMargin};
}

void AccumulateConsistentLevels(const CellBand& band, SampleLevels* levels) {
    for (std::int32_t j = 0; j < band.cellCount; ++j) {
        const std::int32_t firstColumn = j * kNaturalCellSize;
        const std::int32_t endColumn = j + 1 < band.cellCount ? firstColumn + kNaturalCellSize : band.width;
        LocalRange ranges[kChannels];
        bool rangeKnown[kChannels] = {false, false, false};
        for (std::int32_t y = 0; y < band.rowCount; ++y) {
            const std::uint8_t* sample = band.pixels + y * band.rowStride + firstColumn * kChannels;
            for (std::int32_t x = firstColumn; x < endColumn; ++x, sample += kChannels) {
                for (std::int32_t c = 0; c < kChannels; ++c) {
                    const std::int32_t value = sample[c];
                    // Only a sample beyond the levels so far can change them.
                    if (value >= levels->black[c] && value <= levels->white[c]) {
                        continue;
                    }
                    if (!rangeKnown[c]) {
                        ranges[c] = CellLocalRange(band.medianRows[c], band.cellCount, j);
                        rangeKnown[c] = true;
                    }
                    if (value < ranges[c].low || value > ranges[c].high) {
                        continue;
                    }
                    levels->black[c] = std::min(levels->black[c], value);
                    levels->white[c] = std::max(levels->white[c], value);
                }
            }
        }
    }
}

}  // namespace mirtane
