#include "hosts/kit/Image.h"

namespace hostkit {

Image MakeImage(int width, int height, int planes, std::uint8_t fill) {
    Image image;
    if (width <= 0 || height <= 0 || planes <= 0) {
        return image;
    }
    image.width = width;
    image.height = height;
    image.planes = planes;
    image.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                            static_cast<std::size_t>(planes),
                        fill);
    return image;
}

}  // namespace hostkit
