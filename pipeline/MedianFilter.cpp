#include "pipeline/MedianFilter.h"

#include <cstddef>

#include "pipeline/MedianNetwork.h"

namespace mirtane {

namespace {

using median::kWindowSize;
using median::Median25;

// Four floats handled as one value by the median network.
typedef float Lanes4 __attribute__((vector_size(16)));
constexpr int kLanes = 4;

// Each window overlaps the medians stored before it, so neighbours along a row
// cannot be computed together. Sample (r, c) depends on (r, c - 1), (r, c - 2)
// and on rows r - 1 and r - 2 up to column c + 2, and it must see rows r + 1
// and r + 2 unfiltered from column c - 2 on. Rows r, r + 1, r + 2, r + 3 can
// therefore advance together when each lags three columns behind the one
// above: the lane for row r + j works on column s - 3j at step s. Every window
// then sees exactly what the one-at-a-time order would show it, so the result
// is identical to filtering sample by sample.
constexpr int kLag = 3;

float MedianAt(const float* plane, std::ptrdiff_t width, std::ptrdiff_t r, std::ptrdiff_t c) {
    float window[kWindowSize];
    int n = 0;
    for (std::ptrdiff_t dr = -2; dr <= 2; ++dr) {
        const float* row = plane + (r + dr) * width + c;
        for (std::ptrdiff_t dc = -2; dc <= 2; ++dc)
            window[n++] = row[dc];
    }
    return Median25(window);
}

// Step s of the lagged order for rows r ... r + kLanes - 1, one lane at a time,
// for the ragged start and end of a band where some lanes are outside the row.
void StepLanesOneByOne(float* plane, std::ptrdiff_t width, std::ptrdiff_t r, std::ptrdiff_t s,
                       std::ptrdiff_t lastColumn) {
    for (int j = 0; j < kLanes; ++j) {
        const std::ptrdiff_t c = s - kLag * j;
        if (c < 2 || c > lastColumn) continue;
        plane[(r + j) * width + c] = MedianAt(plane, width, r + j, c);
    }
}

// Step s with every lane inside the row: lane j's window starts kLag columns
// left of lane j - 1's, one row down, so lanes are width - kLag floats apart.
void StepLanesTogether(float* plane, std::ptrdiff_t width, std::ptrdiff_t r, std::ptrdiff_t s) {
    const std::ptrdiff_t laneStride = width - kLag;
    Lanes4 window[kWindowSize];
    int n = 0;
    for (std::ptrdiff_t dr = -2; dr <= 2; ++dr) {
        const float* row = plane + (r + dr) * width + s;
        for (std::ptrdiff_t dc = -2; dc <= 2; ++dc) {
            const float* q = row + dc;
            window[n++] = Lanes4{q[0], q[laneStride], q[2 * laneStride], q[3 * laneStride]};
        }
    }
    const Lanes4 result = Median25(window);
    float* out = plane + r * width + s;
    for (int j = 0; j < kLanes; ++j)
        out[j * laneStride] = result[j];
}

void FilterPlane(float* plane, std::ptrdiff_t width, std::ptrdiff_t height) {
    if (width < 5 || height < 5) return;
    const std::ptrdiff_t lastRow = height - 3;
    const std::ptrdiff_t lastColumn = width - 3;
    const std::ptrdiff_t rampSteps = kLag * (kLanes - 1);
    std::ptrdiff_t r = 2;
    for (; r + kLanes - 1 <= lastRow; r += kLanes) {
        std::ptrdiff_t s = 2;
        for (; s < 2 + rampSteps; ++s)
            StepLanesOneByOne(plane, width, r, s, lastColumn);
        for (; s <= lastColumn; ++s)
            StepLanesTogether(plane, width, r, s);
        for (; s <= lastColumn + rampSteps; ++s)
            StepLanesOneByOne(plane, width, r, s, lastColumn);
    }
    for (; r <= lastRow; ++r) {
        for (std::ptrdiff_t c = 2; c <= lastColumn; ++c)
            plane[r * width + c] = MedianAt(plane, width, r, c);
    }
}

}  // namespace

void MedianFilterPlanes(float* planes, std::int32_t width, std::int32_t height,
                        std::int32_t planeCount) {
    if (width <= 0 || height <= 0 || planeCount <= 0) return;
    const std::size_t planeSize =
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    for (std::int32_t p = 0; p < planeCount; ++p) {
        FilterPlane(planes + static_cast<std::size_t>(p) * planeSize, width, height);
    }
}

}  // namespace mirtane
