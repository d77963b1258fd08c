// The document a test host edits: an 8-bit image with interleaved planes,
// rows stored top to bottom with no padding between them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace hostkit {

struct Image {
    int width = 0;
    int height = 0;
    int planes = 3;
    std::vector<std::uint8_t> pixels;  // width * height * planes bytes, interleaved

    // Sample of plane `plane` at column x, row y. No bounds check beyond what
    // the vector itself does in a debug build.
    std::uint8_t& At(int x, int y, int plane) { return pixels[Offset(x, y, plane)]; }
    std::uint8_t At(int x, int y, int plane) const { return pixels[Offset(x, y, plane)]; }

    bool Empty() const { return width <= 0 || height <= 0; }

  private:
    std::size_t Offset(int x, int y, int plane) const {
        return (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                static_cast<std::size_t>(x)) *
                   static_cast<std::size_t>(planes) +
               static_cast<std::size_t>(plane);
    }
};

// An image of the given size with every sample set to `fill`.
Image MakeImage(int width, int height, int planes = 3, std::uint8_t fill = 0);

}  // namespace hostkit
