#include "analysis/ReduceCodeCells.h"

#include <algorithm>

#include "analysis/NaturalConstants.h"

namespace mirtane {

namespace {

constexpr std::int32_t kChannels = 3;
constexpr std::int32_t kSamplesPerCell = kNaturalCellSize * kNaturalCellSize;
// Half the sample count, added before the shift so that the mean rounds half up.
constexpr std::int32_t kRoundingBias = kSamplesPerCell / 2;
constexpr std::int32_t kMeanShift = 4;
static_assert((1 << kMeanShift) == kSamplesPerCell, "the shift divides by the samples of a cell");

}  // namespace

void ReduceCellRow(const std::uint8_t* pixels, std::ptrdiff_t rowStride, std::int32_t cellRow,
                   std::int32_t cellCount, std::uint8_t* const cells[3]) {
    const std::uint8_t* rows[kNaturalCellSize];
    for (std::int32_t k = 0; k < kNaturalCellSize; ++k) {
        rows[k] =
            pixels + (static_cast<std::ptrdiff_t>(cellRow) * kNaturalCellSize + k) * rowStride;
    }
    // The cells are reduced kChunkCells at a time: the samples are summed
    // down the cell's rows first, byte by byte (a loop the compiler turns
    // into vector additions), then four of those column sums make a cell's
    // channel sum, the same integers as adding its 16 samples one by one.
    constexpr std::int32_t kChunkCells = 64;
    constexpr std::int32_t kChunkBytes = kChunkCells * kNaturalCellSize * kChannels;
    std::uint16_t columnSums[kChunkBytes];
    for (std::int32_t first = 0; first < cellCount; first += kChunkCells) {
        const std::int32_t count = std::min(kChunkCells, cellCount - first);
        const std::ptrdiff_t offset =
            static_cast<std::ptrdiff_t>(first) * kNaturalCellSize * kChannels;
        const std::int32_t bytes = count * kNaturalCellSize * kChannels;
        static_assert(kNaturalCellSize == 4, "a cell's column sums add four rows");
        const std::uint8_t* const row0 = rows[0] + offset;
        const std::uint8_t* const row1 = rows[1] + offset;
        const std::uint8_t* const row2 = rows[2] + offset;
        const std::uint8_t* const row3 = rows[3] + offset;
        for (std::int32_t k = 0; k < bytes; ++k) {
            columnSums[k] = static_cast<std::uint16_t>(row0[k] + row1[k] + row2[k] + row3[k]);
        }
        for (std::int32_t j = 0; j < count; ++j) {
            const std::uint16_t* sample = columnSums + j * kNaturalCellSize * kChannels;
            std::int32_t sums[kChannels] = {0, 0, 0};
            for (std::int32_t x = 0; x < kNaturalCellSize; ++x, sample += kChannels) {
                sums[0] += sample[0];
                sums[1] += sample[1];
                sums[2] += sample[2];
            }
            for (std::int32_t c = 0; c < kChannels; ++c) {
                cells[c][first + j] =
                    static_cast<std::uint8_t>((sums[c] + kRoundingBias) >> kMeanShift);
            }
        }
    }
}

}  // namespace mirtane
