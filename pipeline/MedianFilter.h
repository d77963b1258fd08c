// The recursive 5 x 5 median that cleans a reduced plane.
#pragma once

#include <cstdint>

namespace mirtane {

// Filters `planeCount` planes of width x height floats that lie back to back
// at `planes`, in place. For each plane: rows 2 ...
// height - 3 top to bottom and, within a row, columns 2 ... width - 3 left to
// right, each sample becomes the median (13th smallest) of the 5 x 5 window
// around it. The window is read from the plane being filtered, so it already
// holds the medians stored before it in that order: the filter is recursive.
// The two outermost rows and columns keep their values; planes narrower or
// lower than 5 are left as they are. Samples must not be NaN.
void MedianFilterPlanes(float* planes, std::int32_t width, std::int32_t height,
                        std::int32_t planeCount);

}  // namespace mirtane
