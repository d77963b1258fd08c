// Where the samples of a pixel lie in a buffer the host delivers.
//
// Most hosts hand out pixels of exactly the requested planes, interleaved
// (column bytes = plane count, plane bytes 1), and some leave the two layout
// fields of the filter record 0. Others deliver every pixel in four bytes, or
// report larger strides of their own; reading through the reported layout
// gives the same samples in all of them.
#pragma once

#include <cstdint>

namespace mirtane {

struct PixelLayout {
    std::int32_t columnBytes = 0;  // from one pixel to the next in a row
    std::int32_t planeBytes = 0;   // from one plane to the next within a pixel
};

// The layout a host reported for an area of `planeCount` interleaved planes:
// a field the host left 0 takes the packed value (planeCount, 1).
constexpr PixelLayout ResolveLayout(PixelLayout reported, std::int32_t planeCount) {
    return PixelLayout{reported.columnBytes != 0 ? reported.columnBytes : planeCount,
                       reported.planeBytes != 0 ? reported.planeBytes : 1};
}

// True when the pixels of `planeCount` planes lie back to back, one byte per
// plane: the layout the fast paths are written for.
constexpr bool IsPacked(PixelLayout layout, std::int32_t planeCount) {
    return layout.columnBytes == planeCount && layout.planeBytes == 1;
}

}  // namespace mirtane
