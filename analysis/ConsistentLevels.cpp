#include "analysis/ConsistentLevels.h"

#include <algorithm>

#include "analysis/Rounding.h"

namespace mirtane {

namespace {

constexpr std::int32_t kChannels = 3;
constexpr std::int32_t kRadius = kNaturalRangeSize / 2;
// Above any black, found (at most 255) or not (256).
constexpr std::int32_t kBeyondBlack = 1 << 16;

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
// The test is worked into integer masks rather than branches, since in a
// noisy cell it goes either way unpredictably: a sample outside the range
// stands in as a value no black reaches (for the black) and as -1 (for the
// white), so it moves neither.
void WidenToConsistentSamples(const CellSamples& cell, std::int32_t channel, LocalRange range,
                              std::int32_t* black, std::int32_t* white) {
    std::int32_t low = *black;
    std::int32_t high = *white;
    for (std::int32_t y = 0; y < cell.rows; ++y) {
        const std::uint8_t* sample = cell.first + y * cell.rowStride + channel;
        for (std::int32_t x = 0; x < cell.columns; ++x, sample += kChannels) {
            const std::int32_t value = *sample;
            const std::int32_t outside = static_cast<std::int32_t>(value < range.low) |
                                         static_cast<std::int32_t>(value > range.high);
            const std::int32_t mask = -outside;  // all ones for a sample outside the range
            low = std::min(low, value + (mask & kBeyondBlack));
            high = std::max(high, value | mask);
        }
    }
    *black = low;
    *white = high;
}

// Cells whose samples are checked against the levels together: as long as
// every sample of the group lies within the levels of its channel, none of
// them can change the levels and the group is passed over whole.
constexpr std::int32_t kGroupCells = 16;
constexpr std::int32_t kGroupBytes = kGroupCells * kNaturalCellSize * kChannels;

// The levels laid out like a row of samples (R, G, B, R, ...): a sample lies
// within them when low <= sample <= high. A channel without levels yet has
// low 255 and high 0, which no sample lies within.
struct LevelPattern {
    std::uint8_t low[kGroupBytes];
    std::uint8_t high[kGroupBytes];

    void Set(const std::int32_t black[kChannels], const std::int32_t white[kChannels]) {
        for (std::int32_t k = 0; k < kGroupBytes; ++k) {
            const std::int32_t c = k % kChannels;
            const bool found = black[c] <= white[c];
            low[k] = static_cast<std::uint8_t>(found ? black[c] : kNaturalMaxCode);
            high[k] = static_cast<std::uint8_t>(found ? white[c] : 0);
        }
    }
};

// Whether every sample of rows rows of kGroupBytes bytes from first lies
// within the pattern. The bytes are compared as they lie, without a branch,
// so that the compiler can compare many at once.
bool GroupWithinLevels(const std::uint8_t* first, std::ptrdiff_t rowStride, std::int32_t rows,
                       const LevelPattern& levels) {
    std::uint8_t outside = 0;
    for (std::int32_t y = 0; y < rows; ++y) {
        const std::uint8_t* sample = first + y * rowStride;
        for (std::int32_t k = 0; k < kGroupBytes; ++k) {
            const std::uint8_t v = sample[k];
            // Non-zero exactly when v < low or v > high.
            outside |= static_cast<std::uint8_t>((std::max(v, levels.low[k]) ^ v) |
                                                 (std::min(v, levels.high[k]) ^ v));
        }
    }
    return outside == 0;
}

}  // namespace

void AccumulateConsistentLevels(const CellBand& band, SampleLevels* levels) {
    // Local copies, so that the running levels stay in registers.
    std::int32_t black[kChannels] = {levels->black[0], levels->black[1], levels->black[2]};
    std::int32_t white[kChannels] = {levels->white[0], levels->white[1], levels->white[2]};
    LevelPattern pattern;
    pattern.Set(black, white);
    bool patternStale = false;  // the levels may have moved since the pattern was set
    std::int32_t groupEnd = 0;  // cells before it belong to a group already checked
    // Per channel, the cells over which prepareMedians has made the median
    // rows ready.
    std::int32_t readyFirst[kChannels] = {0, 0, 0};
    std::int32_t readyEnd[kChannels] = {0, 0, 0};
    for (std::int32_t j = 0; j < band.cellCount; ++j) {
        // A group of whole cells, the last cell (which may be wider) left
        // out: passed over when all its samples lie within the levels.
        if (j >= groupEnd && j + kGroupCells < band.cellCount) {
            groupEnd = j + kGroupCells;
            const std::uint8_t* first =
                band.pixels + static_cast<std::ptrdiff_t>(j) * kNaturalCellSize * kChannels;
            if (patternStale) {
                pattern.Set(black, white);
                patternStale = false;
            }
            if (GroupWithinLevels(first, band.rowStride, band.rowCount, pattern)) {
                j = groupEnd - 1;
                continue;
            }
        }
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
            const std::int32_t first = std::max(j - kRadius, 0);
            const std::int32_t end = std::min(j + kRadius + 1, band.cellCount);
            if (band.prepareMedians != nullptr && (first < readyFirst[c] || end > readyEnd[c])) {
                readyFirst[c] = first;
                readyEnd[c] = band.prepareMedians(band.context, c, first, end);
            }
            const LocalRange range = CellLocalRange(band.medianRows[c], band.cellCount, j);
            WidenToConsistentSamples(cell, c, range, &black[c], &white[c]);
            patternStale = true;
        }
    }
    for (std::int32_t c = 0; c < kChannels; ++c) {
        levels->black[c] = black[c];
        levels->white[c] = white[c];
    }
}

}  // namespace mirtane
