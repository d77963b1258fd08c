#include "analysis/MedianCellRow.h"

#include <algorithm>

#include "analysis/Rounding.h"

namespace mirtane {

namespace {

constexpr std::int32_t kRadius = kNaturalMedianSize / 2;
constexpr std::int32_t kWindow = kNaturalMedianSize * kNaturalMedianSize;
// Output cells worked out side by side: every exchange below runs over this
// many of them at once, a loop the compiler turns into vector minima and
// maxima. Their windows span kSpan input columns.
constexpr std::int32_t kLanes = 64;
constexpr std::int32_t kSpan = kLanes + kNaturalMedianSize - 1;

// What an exchange of two values keeps: the smaller in the first place
// (Low), the larger in the second (High), or both. An exchange whose other
// result no later step reads keeps only one of them.
enum Keep : std::uint8_t { L = 1, H = 2, B = L | H };

struct Exchange {
    std::uint8_t first;
    std::uint8_t second;
    Keep keep;
};

// Sorts five values, smallest first, in nine exchanges.
constexpr Exchange kSortFive[] = {{0, 1, B}, {3, 4, B}, {2, 4, B}, {2, 3, B}, {1, 4, B},
                                  {0, 3, B}, {0, 2, B}, {1, 3, B}, {1, 2, B}};

// The median of a window whose five columns are each sorted: value 5 c + r
// is the r-th smallest of column c. These are the exchanges of an odd-even
// merge sort of 32 values (the 25 of the window and 7 above every code),
// less every exchange that cannot reach the 13th value or never exchanges
// two values of sorted columns; the 13th value ends in place 12. That it
// always does was checked on every window of zeros and ones (2^25 of them),
// which covers every window of codes, since minima and maxima commute with
// any threshold.
constexpr Exchange kMedianOfSortedColumns[] = {
    {4, 5, B},   {14, 15, B}, {5, 7, B},   {8, 10, B},  {9, 11, B},  {12, 14, B}, {5, 6, B},
    {9, 10, B},  {13, 14, B}, {0, 4, B},   {1, 5, B},   {2, 6, B},   {8, 12, B},  {10, 14, B},
    {11, 15, B}, {16, 20, B}, {17, 21, B}, {18, 22, B}, {19, 23, B}, {2, 4, B},   {3, 5, B},
    {10, 12, B}, {11, 13, B}, {18, 20, B}, {19, 21, B}, {1, 2, B},   {3, 4, B},   {5, 6, B},
    {9, 10, B},  {11, 12, B}, {13, 14, B}, {17, 18, B}, {19, 20, B}, {21, 22, B}, {0, 8, B},
    {1, 9, B},   {2, 10, B},  {3, 11, B},  {4, 12, B},  {5, 13, B},  {6, 14, B},  {7, 15, L},
    {4, 8, B},   {5, 9, B},   {6, 10, B},  {7, 11, B},  {20, 24, B}, {2, 4, B},   {3, 5, B},
    {6, 8, B},   {7, 9, B},   {10, 12, B}, {11, 13, B}, {22, 24, B}, {1, 2, B},   {3, 4, B},
    {5, 6, B},   {7, 8, B},   {9, 10, B},  {11, 12, B}, {13, 14, L}, {21, 22, B}, {23, 24, B},
    {0, 16, H},  {1, 17, H},  {2, 18, H},  {3, 19, H},  {4, 20, H},  {5, 21, H},  {6, 22, L},
    {7, 23, L},  {8, 24, L},  {8, 16, H},  {9, 17, H},  {10, 18, L}, {11, 19, L}, {12, 20, L},
    {13, 21, L}, {6, 10, H},  {7, 11, H},  {12, 16, L}, {13, 17, L}, {10, 12, H}, {11, 13, L},
    {11, 12, H}};
constexpr std::int32_t kMedianPlace = 12;

template <std::size_t N>
void Apply(const Exchange& exchange, std::uint8_t (&a)[N], std::uint8_t (&b)[N]) {
    switch (exchange.keep) {
    case L:
        for (std::size_t k = 0; k < N; ++k) {
            a[k] = std::min(a[k], b[k]);
        }
        break;
    case H:
        for (std::size_t k = 0; k < N; ++k) {
            b[k] = std::max(a[k], b[k]);
        }
        break;
    case B:
        for (std::size_t k = 0; k < N; ++k) {
            const std::uint8_t low = std::min(a[k], b[k]);
            const std::uint8_t high = std::max(a[k], b[k]);
            a[k] = low;
            b[k] = high;
        }
        break;
    }
}

}  // namespace

void MedianCellRow(const std::uint8_t* const rows[kNaturalMedianSize], std::int32_t width,
                   std::uint8_t* median) {
    MedianCellSpan(rows, width, 0, width, median);
}

void MedianCellSpan(const std::uint8_t* const rows[kNaturalMedianSize], std::int32_t width,
                    std::int32_t begin, std::int32_t end, std::uint8_t* median) {
    if (width <= 0) {
        return;
    }
    const std::int32_t last = width - 1;
    for (std::int32_t first = std::max(begin, 0); first < std::min(end, width); first += kLanes) {
        // The input columns first - 2 .. first + kLanes + 1, clamped to the
        // row (replicated border columns), each sorted once for the five
        // windows that take it: sorted[r][k] becomes the r-th smallest of
        // span column k.
        std::uint8_t sorted[kNaturalMedianSize][kSpan];
        const std::int32_t start = first - kRadius;
        for (std::int32_t d = 0; d < kNaturalMedianSize; ++d) {
            if (start >= 0 && start + kSpan <= width) {
                std::copy(rows[d] + start, rows[d] + start + kSpan, sorted[d]);
            } else {
                for (std::int32_t k = 0; k < kSpan; ++k) {
                    sorted[d][k] = rows[d][Clamp(start + k, 0, last)];
                }
            }
        }
        for (const Exchange& exchange : kSortFive) {
            Apply(exchange, sorted[exchange.first], sorted[exchange.second]);
        }
        // Window of lane k: columns k .. k + 4 of the span.
        std::uint8_t window[kWindow][kLanes];
        for (std::int32_t c = 0; c < kNaturalMedianSize; ++c) {
            for (std::int32_t r = 0; r < kNaturalMedianSize; ++r) {
                std::copy(sorted[r] + c, sorted[r] + c + kLanes,
                          window[c * kNaturalMedianSize + r]);
            }
        }
        for (const Exchange& exchange : kMedianOfSortedColumns) {
            Apply(exchange, window[exchange.first], window[exchange.second]);
        }
        const std::int32_t count = std::min({kLanes, width - first, end - first});
        std::copy(window[kMedianPlace], window[kMedianPlace] + count, median + first);
    }
}

}  // namespace mirtane
