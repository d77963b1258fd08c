// Any bytes given to the test host's image decoder either decode to an image
// whose pixel buffer matches its size, or fail with a reason.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "hosts/testhost/ImageFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    hostkit::Image image;
    std::string error;
    if (!testhost::DecodeImage(bytes, image, error)) {
        if (error.empty()) {
            std::abort();  // a failure must say why
        }
        return 0;
    }
    const std::size_t expected = static_cast<std::size_t>(image.width) * image.height * 3;
    if (image.planes != 3 || image.width <= 0 || image.height <= 0 ||
        image.width > testhost::kMaxImageSide || image.height > testhost::kMaxImageSide ||
        image.pixels.size() != expected) {
        std::abort();
    }
    return 0;
}
