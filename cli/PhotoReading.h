// Reading photo files (JPEG, PNG, TIFF, WebP, or standard input) into a
// Photo through libvips, safely on hostile files: the loader is chosen from
// the file's first bytes, and the header is checked against the pixel and
// memory budgets before any pixel is decoded or allocated.
#pragma once

#include <cstdint>
#include <string>

#include "cli/Photo.h"

namespace mirtane::cli {

// The default pixel budget: 600 megapixels, about 1.8 GB as 8-bit RGB. Every
// real photograph passes it (a 35 mm frame scanned at 6400 dpi is about
// 9000 x 6000, 54 megapixels; an A4 page at 2400 dpi is 557 megapixels),
// while a small file declaring 32000 x 32000 (1024 megapixels) is refused
// before its pixels are allocated.
constexpr std::int64_t kDefaultMaxPixels = 600'000'000;

// What an input may cost, checked from its header before any pixel is
// decoded or allocated.
struct PhotoLimits {
    std::int64_t maxPixels = kDefaultMaxPixels;
    // Bytes of its decoded samples: width x height x bands x bytes a sample.
    std::int64_t maxBytes = 0;  // 0: DefaultMemoryBudget()
};

// The default budget of decoded bytes for one input: the machine's memory
// divided by four times its processor count, since a restore holds about one
// and a third times its picture at its peak (the picture and the analysis'
// reduced planes; at 16 bits the samples, or before them their rendering and
// the reduced planes) and a batch runs a file on each processor (a 4 GiB
// machine with 2 processors: 537 MB, a 24-megapixel 16-bit RGB scan being
// 144 MB). At least 256 MiB.
std::int64_t DefaultMemoryBudget();

// Keeps libvips from trying loaders that are not safe on hostile files: those
// libvips itself marks untrusted, and OpenSlide's, whose probing of any TIFF
// file for a slide scanner's layout allocates what a crafted header asks (a
// 1.4 KB TIFF made it ask for 8 GB). Call once, after VIPS_INIT.
void BlockUnsafeLoaders();

// Reads `path`. The header is read first: a file with more than one page or
// frame, more pixels than limits.maxPixels or more decoded bytes than
// limits.maxBytes is refused before any pixel is decoded or allocated; the
// pixels are then decoded a strip at a time, so that a file whose data ends
// early fails before memory for the rest is touched. Decoding fails on damage, not only on
// truncation (JPEG: on the decoder's corrupt-data warnings too, since libjpeg reports an early
// end-of-image, garbled scan data and a height larger than the data only as warnings, filling the
// rest with grey). Returns 0, or -1 with `error` holding one line without the file name: the file
// is missing or unreadable, too short or not an image, damaged or truncated, has several pages, is
// over the pixel budget, greyscale, CMYK or another non-RGB colour space, of an unsupported sample
// format, or too large for the host interface. A 16-bit image keeps its samples in `deep` (with
// DeepSamples::Later, not yet: see LoadDeepSamples), and `rgb` holds their 8-bit rendering. Float
// samples are refused.
enum class DeepSamples { Now, Later };
[[nodiscard]] int LoadPhoto(const std::string& path, const PhotoLimits& limits, Photo& photo,
                            std::string& error, DeepSamples deep = DeepSamples::Now);

// Decodes the 16-bit samples of a photo that LoadPhoto read from `path` with
// DeepSamples::Later, in a second pass over the file: the rendering that the
// analysis reads and the samples that are written need not be held at once
// (a 16-bit picture and its rendering are 9 bytes a pixel, the samples alone
// 6). Does nothing when they are there already or the photo has 8 bits.
// Returns 0, or -1 with a one-line reason (the file changed in between, or
// cannot be decoded again). Standard input is always read with its samples.
[[nodiscard]] int LoadDeepSamples(const std::string& path, Photo& photo, std::string& error);

}  // namespace mirtane::cli
