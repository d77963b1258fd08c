#include "analysis/MedianCellRow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "GeneratedScenes.h"
#include "analysis/Rounding.h"

namespace mirtane {
namespace {

// The 5 x 5 median of a whole plane by sorting, borders replicated.
std::vector<std::uint8_t> PlainMedian(const std::vector<std::uint8_t>& plane, int width,
                                      int height) {
    std::vector<std::uint8_t> out(plane.size());
    for (int i = 0; i < height; ++i) {
        for (int j = 0; j < width; ++j) {
            std::vector<std::uint8_t> window;
            for (int d = -2; d <= 2; ++d) {
                for (int e = -2; e <= 2; ++e) {
                    window.push_back(
                        plane[Clamp(i + d, 0, height - 1) * width + Clamp(j + e, 0, width - 1)]);
                }
            }
            std::nth_element(window.begin(), window.begin() + 12, window.end());
            out[i * width + j] = window[12];
        }
    }
    return out;
}

std::vector<std::uint8_t> RowMedian(const std::vector<std::uint8_t>& plane, int width, int height) {
    std::vector<std::uint8_t> out(plane.size());
    for (int i = 0; i < height; ++i) {
        const std::uint8_t* rows[5];
        for (int d = 0; d < 5; ++d) {
            rows[d] = plane.data() + Clamp(i + d - 2, 0, height - 1) * width;
        }
        MedianCellRow(rows, width, out.data() + i * width);
    }
    return out;
}

TEST(MedianCellRow, RemovesAnIsolatedCellAndKeepsAFlatRow) {
    std::vector<std::uint8_t> plane(7 * 5, 100);
    plane[2 * 7 + 3] = 0;
    plane[0] = 255;
    const std::vector<std::uint8_t> median = RowMedian(plane, 7, 5);
    EXPECT_EQ(median, std::vector<std::uint8_t>(7 * 5, 100));
}

TEST(MedianCellRow, TakesTheThirteenthOfTwentyFiveDistinctValues) {
    std::vector<std::uint8_t> plane(25);
    for (int k = 0; k < 25; ++k) {
        plane[k] = static_cast<std::uint8_t>((k * 7) % 25 * 10);
    }
    const std::vector<std::uint8_t> median = RowMedian(plane, 5, 5);
    EXPECT_EQ(median[2 * 5 + 2], 120);
}

TEST(MedianCellRow, MatchesSortingForEverySizeAndBorder) {
    testing::Lcg random(7);
    // Rows narrower and wider than the cells worked out side by side (64),
    // and rows that end just past a multiple of them.
    for (const auto& [width, height] :
         {std::pair{1, 1}, std::pair{2, 3}, std::pair{4, 1}, std::pair{6, 9}, std::pair{31, 17},
          std::pair{64, 5}, std::pair{66, 4}, std::pair{129, 7}, std::pair{200, 3}}) {
        for (const int levels : {6, 256}) {
            std::vector<std::uint8_t> plane(static_cast<std::size_t>(width * height));
            for (auto& value : plane) {
                // Few distinct values make ties common; all 256 codes make
                // them rare.
                value = static_cast<std::uint8_t>(static_cast<int>(random.Next() * levels) *
                                                  (255 / (levels - 1)));
            }
            EXPECT_EQ(RowMedian(plane, width, height), PlainMedian(plane, width, height))
                << width << " x " << height << ", " << levels << " levels";
        }
    }
}

TEST(MedianCellSpan, WritesItsColumnsOnlyWithTheRowsMedians) {
    testing::Lcg random(11);
    const int width = 150;
    const int height = 5;
    std::vector<std::uint8_t> plane(static_cast<std::size_t>(width * height));
    for (auto& value : plane) {
        value = static_cast<std::uint8_t>(random.Next() * 256);
    }
    const std::vector<std::uint8_t> whole = PlainMedian(plane, width, height);
    const std::uint8_t* rows[5];
    for (int d = 0; d < 5; ++d) {
        rows[d] = plane.data() + d * width;  // the window of output row 2
    }
    // A span across the boundary of two groups of 64, and one at the end.
    for (const auto& [begin, end] : {std::pair{60, 70}, std::pair{140, 150}, std::pair{0, 1}}) {
        std::vector<std::uint8_t> median(width, 7);
        MedianCellSpan(rows, width, begin, end, median.data());
        for (int j = 0; j < width; ++j) {
            const std::uint8_t expected = j >= begin && j < end ? whole[2 * width + j] : 7;
            EXPECT_EQ(median[j], expected) << "column " << j << " of span " << begin;
        }
    }
}

}  // namespace
}  // namespace mirtane
