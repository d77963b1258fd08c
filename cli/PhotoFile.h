// Reading and writing photo files (JPEG, PNG, TIFF, WebP) through libvips,
// with what the plug-in needs split off from what it must not touch: the
// three colour planes at 8 bits go to the plug-in; alpha and any further
// bands, the ICC profile, EXIF, XMP, IPTC and the resolution are carried
// over to the output unchanged, as far as its format holds them (libvips
// writes no EXIF into TIFF files, and WebP files hold no resolution).
#pragma once

#include <cstdint>
#include <string>

#include <vips/vips8>

#include "testhost/Image.h"

namespace mirtane::cli {

struct Photo {
    testhost::Image rgb;         // red, green, blue at 8 bits, interleaved
    testhost::Image extraBands;  // alpha and any further bands, 8 bits; empty when none
    vips::VImage metadata;       // a 1 x 1 image carrying the input's metadata
    bool reducedFrom16Bits = false;  // the input had 16 bits per sample

    bool HasExtraBands() const { return !extraBands.Empty(); }
};

// Largest side the host interface can address (its rectangles are 16-bit).
constexpr int kMaxPhotoSide = 32767;

// The default pixel budget: 600 megapixels, about 1.8 GB as 8-bit RGB. Every
// real photograph passes it (a 35 mm frame scanned at 6400 dpi is about
// 9000 x 6000, 54 megapixels; an A4 page at 2400 dpi is 557 megapixels),
// while a small file declaring 32000 x 32000 (1024 megapixels) is refused
// before its pixels are allocated.
constexpr std::int64_t kDefaultMaxPixels = 600'000'000;

// Reads `path`. The header is read first: a file with more than one page or
// frame, or with more than `maxPixels` pixels, is refused before any pixel
// is decoded or allocated. Decoding fails on damage, not only on truncation
// (JPEG: on the decoder's corrupt-data warnings too, since libjpeg reports
// an early end-of-image, garbled scan data and a height larger than the data
// only as warnings, filling the rest with grey).
// Returns 0, or -1 with `error` holding one line without the file name: the
// file is missing or unreadable, too short or not an image, damaged or
// truncated, has several pages, is over the pixel budget, greyscale, CMYK or
// another non-RGB colour space, of an unsupported sample format, or too large
// for the host interface. A 16-bit image is reduced to 8 bits (rounded,
// v / 257) and `reducedFrom16Bits` set.
[[nodiscard]] int LoadPhoto(const std::string& path, std::int64_t maxPixels, Photo& photo,
                            std::string& error);

// Output formats, chosen from a file name's extension.
enum class PhotoFormat { Jpeg, Png, Tiff, Webp, Unknown };
PhotoFormat FormatForName(const std::string& path);

// Writes `restored` (the same size as photo.rgb) with photo's extra bands
// and metadata to `path` in the format of its extension, replacing the file
// only once complete (see AtomicFile); `quality` 1 ... 100 for JPEG and
// WebP. Refuses extra bands for JPEG, which cannot hold them. Returns 0, or
// -1 with `error` set.
[[nodiscard]] int SavePhoto(const std::string& path, const Photo& photo,
                            const testhost::Image& restored, int quality, std::string& error);

// `image` seen as a libvips image, without copying: the result reads
// image's pixels, so use it only while `image` lives unchanged.
vips::VImage ToVipsImage(const testhost::Image& image);

// Writes `image` to `path` as SavePhoto does.
[[nodiscard]] int SaveImage(const std::string& path, const vips::VImage& image, int quality,
                            std::string& error);

}  // namespace mirtane::cli
