#include "analysis/MedianCellRow.h"

#include "analysis/Rounding.h"

namespace mirtane {

namespace {

constexpr std::int32_t kCodeCount = 256;
constexpr std::int32_t kRadius = kNaturalMedianSize / 2;
// Values strictly below the median in a window of 25: 12.
constexpr std::int32_t kBelowMedian = kNaturalMedianSize * kNaturalMedianSize / 2;

// A window's values as a histogram of codes, with the median and the count of
// values below it kept up to date as columns enter and leave: each step costs
// ten updates and a short walk of the median instead of a sort of 25.
class SlidingMedian {
  public:
    void AddColumn(const std::uint8_t* const rows[kNaturalMedianSize], std::int32_t column) {
        for (std::int32_t d = 0; d < kNaturalMedianSize; ++d) {
            const std::uint8_t value = rows[d][column];
            ++counts[value];
            below += value < median ? 1 : 0;
        }
    }
    void RemoveColumn(const std::uint8_t* const rows[kNaturalMedianSize], std::int32_t column) {
        for (std::int32_t d = 0; d < kNaturalMedianSize; ++d) {
            const std::uint8_t value = rows[d][column];
            --counts[value];
            below -= value < median ? 1 : 0;
        }
    }
    // The 13th smallest value of a full window.
    std::uint8_t Median() {
        while (below > kBelowMedian) {
            --median;
            below -= counts[median];
        }
        while (below + counts[median] <= kBelowMedian) {
            below += counts[median];
            ++median;
        }
        return static_cast<std::uint8_t>(median);
    }

  private:
    std::int32_t counts[kCodeCount] = {};
    std::int32_t median = 0;
    std::int32_t below = 0;
};

}  // namespace

void MedianCellRow(const std::uint8_t* const rows[kNaturalMedianSize], std::int32_t width,
                   std::uint8_t* median) {
    if (width <= 0) {
        return;
    }
    const std::int32_t last = width - 1;
    SlidingMedian window;
    for (std::int32_t e = -kRadius; e <= kRadius; ++e) {
        window.AddColumn(rows, Clamp(e, 0, last));
    }
    median[0] = window.Median();
    // The window of column j holds columns clamp(j + e); moving on drops
    // clamp(j - 2) and takes clamp(j + 3), replicated border columns included.
    for (std::int32_t j = 1; j < width; ++j) {
        window.RemoveColumn(rows, Clamp(j - 1 - kRadius, 0, last));
        window.AddColumn(rows, Clamp(j + kRadius, 0, last));
        median[j] = window.Median();
    }
}

}  // namespace mirtane
