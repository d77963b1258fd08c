#include "analysis/ReduceCodeCells.h"

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
    for (std::int32_t j = 0; j < cellCount; ++j) {
        const std::ptrdiff_t first = static_cast<std::ptrdiff_t>(j) * kNaturalCellSize * kChannels;
        std::int32_t sums[kChannels] = {0, 0, 0};
        for (const std::uint8_t* row : rows) {
            const std::uint8_t* sample = row + first;
            for (std::int32_t x = 0; x < kNaturalCellSize; ++x, sample += kChannels) {
                sums[0] += sample[0];
                sums[1] += sample[1];
                sums[2] += sample[2];
            }
        }
        for (std::int32_t c = 0; c < kChannels; ++c) {
            cells[c][j] = static_cast<std::uint8_t>((sums[c] + kRoundingBias) >> kMeanShift);
        }
    }
}

}  // namespace mirtane
