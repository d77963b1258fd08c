// What a user of the usual image tools expects an output to be encoded with
// when they say nothing: a JPEG at the quality its JPEG input was saved at,
// a TIFF with its TIFF input's compression (lossless LZW otherwise).
#pragma once

#include <string>

namespace mirtane::cli {

// JPEG quality used when neither the input nor the user gives one.
constexpr int kFallbackQuality = 92;
// TIFF compression used when the input's is unknown: lossless, and read by
// every TIFF reader.
constexpr const char* kFallbackTiffCompression = "lzw";

// The quality (1 ... 100) of the standard scaled quantisation tables that
// come closest to the JPEG file's luminance table: exact for files written
// by libjpeg and its descendants at a quality setting, the nearest such
// quality for others. 0 when the file cannot be read as a JPEG.
int EstimateJpegQuality(const std::string& path);

// The TIFF file's compression as libvips names it ("lzw", "deflate",
// "none", ...), or an empty string when the file cannot be read or its
// compression is not one libvips writes.
std::string TiffCompression(const std::string& path);

}  // namespace mirtane::cli
