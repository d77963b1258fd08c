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

namespace {

// The samples of one cell of the band: rows x columns pixels from first.
struct CellSamples {
    const std::uint8_t* first;
    std::ptrdiff_t rowStride;
    std::int32_t rows;
    std::int32_t columns;
};

// Smallest and largest sample of one channel in the cell.
void ChannelExtremes(const CellSamples& cell, std::int32_t channel, std::int32_t* smallest,
                     std::int32_t* largest) {
    std::int32_t low = kNaturalMaxCode;
    std::int32_t high = 0;
    for (std::int32_t y = 0; y < cell.rows; ++y) {
        const std::uint8_t* sample = cell.first + y * cell.rowStride + channel;
        for (std::int32_t x = 0; x < cell.columns; ++x, sample += kChannels) {
            low = std::min<std::int32_t>(low, *sample);
            high = std::max<std::int32_t>(high, *sample);
        }
    }
    *smallest = low;
    *largest = high;
}

// Widens black and white to the cell's samples of one channel within range.
void WidenToConsistentSamples(const CellSamples& cell, std::int32_t channel, LocalRange range,
                              std::int32_t* black, std::int32_t* white) {
    for (std::int32_t y = 0; y < cell.rows; ++y) {
        const std::uint8_t* sample = cell.first + y * cell.rowStride + channel;
        for (std::int32_t x = 0; x < cell.columns; ++x, sample += kChannels) {
            const std::int32_t value = *sample;
            if (value >= range.low && value <= range.high) {
                *black = std::min(*black, value);
                *white = std::max(*white, value);
            }
        }
    }
}

}  // namespace

void AccumulateConsistentLevels(const CellBand& band, SampleLevels* levels) {
    // Local copies, so that the running levels stay in registers.
    std::int32_t black[kChannels] = {levels->black[0], levels->black[1], levels->black[2]};
    std::int32_t white[kChannels] = {levels->white[0], levels->white[1], levels->white[2]};
    for (std::int32_t j = 0; j < band.cellCount; ++j) {
        const std::int32_t firstColumn = j * kNaturalCellSize;
        const std::int32_t endColumn =
            j + 1 < band.cellCount ? firstColumn + kNaturalCellSize : band.width;
        const std::ptrdiff_t offset = static_cast<std::ptrdiff_t>(firstColumn) * kChannels;
        const CellSamples cell{band.pixels + offset, band.rowStride, band.rowCount,
                               endColumn - firstColumn};
        for (std::int32_t c = 0; c < kChannels; ++c) {
            std::int32_t smallest = 0;
            std::int32_t largest = 0;
            ChannelExtremes(cell, c, &smallest, &largest);
            // Only a cell reaching beyond the levels so far can change them,
            // and only then is its local range worth working out.
            if (smallest >= black[c] && largest <= white[c]) {
                continue;
            }
            const LocalRange range = CellLocalRange(band.medianRows[c], band.cellCount, j);
            WidenToConsistentSamples(cell, c, range, &black[c], &white[c]);
        }
    }
    for (std::int32_t c = 0; c < kChannels; ++c) {
        levels->black[c] = black[c];
        levels->white[c] = white[c];
    }
}

}  // namespace mirtane
