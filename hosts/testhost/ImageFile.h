// Reading and writing the two image file formats the test host understands:
// binary PPM (P6, 8 bits per sample) and uncompressed BMP (24 bits per pixel;
// 32-bit files are also read, their fourth byte ignored). Images are always
// three interleaved planes in R, G, B order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hosts/kit/Image.h"

namespace testhost {

using hostkit::Image;

// Rectangles of the host interface are 16-bit, so no image side may exceed this.
constexpr int kMaxImageSide = 32767;

enum class ImageFormat { Ppm, Bmp };

// The format is taken from the content ("P6" or "BM"), not from a file name.
// On failure `error` says why and `out` is left untouched.
[[nodiscard]] bool DecodeImage(const std::vector<std::uint8_t>& bytes, Image& out,
                               std::string& error);

// Fails for an empty image or one whose plane count is not 3.
[[nodiscard]] bool EncodeImage(const Image& image, ImageFormat format,
                               std::vector<std::uint8_t>& out, std::string& error);

// ".bmp" (any letter case) selects BMP; every other name PPM.
ImageFormat FormatForPath(const std::string& path);

[[nodiscard]] bool ReadImageFile(const std::string& path, Image& out, std::string& error);
[[nodiscard]] bool WriteImageFile(const std::string& path, const Image& image, std::string& error);

}  // namespace testhost
