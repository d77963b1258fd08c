// A photo as the command holds it between reading (PhotoReading.h) and
// writing (PhotoWriting.h), with what the plug-in needs split off from what
// it must not touch: the three colour planes at 8 bits go to the plug-in;
// alpha and any further bands, the ICC profile, EXIF, XMP, IPTC and the
// resolution are carried over to the output unchanged, as far as its format
// holds them (WebP files hold no resolution; what libvips cannot carry, EXIF
// and IPTC into TIFF files and a TIFF file's own tags, EmbeddedMetadata.h
// adds). A 16-bit image keeps its samples at 16 bits beside their 8-bit
// rendering. Also here: the few pieces that reading and writing both use.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <vips/vips8>

#include "cli/EmbeddedMetadata.h"
#include "hosts/kit/Image.h"

namespace mirtane::cli {

struct Photo {
    hostkit::Image rgb;         // red, green, blue at 8 bits, interleaved
    hostkit::Image extraBands;  // 8-bit input: alpha and any further bands; empty when none
    // 16-bit input: every band at 16 bits, interleaved (rgb is then their
    // 8-bit rendering, see mirtane_sample16_to_8); empty for 8-bit input.
    std::vector<std::uint16_t> deep;
    int deepBands = 0;
    vips::VImage metadata;  // a 1 x 1 image carrying the input's metadata
    // The input's EXIF and IPTC as Exiv2 read them, for outputs libvips
    // cannot give them to; null when there are none.
    std::shared_ptr<const EmbeddedMetadata> embedded;
    int orientation = 1;  // EXIF orientation, 1 ... 8; 1 when the file has none
    std::string loader;   // the libvips loader class that read it ("VipsForeignLoadJpegFile")
    // The file's device, inode, size and modification time when it was read,
    // so that a second pass over it (LoadDeepSamples) finds it unchanged.
    std::string stamp;
    int jpegQuality = 0;          // a JPEG input's estimated quality, else 0
    std::string tiffCompression;  // a TIFF input's compression as libvips names it, else empty

    bool SixteenBits() const { return deepBands > 0; }
    bool HasExtraBands() const { return !extraBands.Empty() || deepBands > 3; }
};

// Largest side the host interface can address (its rectangles are 16-bit).
constexpr int kMaxPhotoSide = 32767;

// The name that stands for standard input (as an input) or standard output
// (as an output).
constexpr const char* kStandardStream = "-";

// The ICC profile the photo carries, as bytes; empty when it has none.
std::string IccProfile(const Photo& photo);

// `image` seen as a libvips image, without copying: the result reads
// image's pixels, so use it only while `image` lives unchanged.
vips::VImage ToVipsImage(const hostkit::Image& image);

// Copies onto `to` the metadata of `from` that describes the picture rather
// than the file's encoding (the ICC profile, EXIF with its parsed fields,
// XMP, IPTC, the orientation and resolution unit): what travels from input
// to output.
void CopyCarriedFields(const vips::VImage& from, vips::VImage& to);

// A libvips error as one line: its first line, without the name of the
// libvips class that may lead it; `whenEmpty` when nothing is left.
std::string FirstLine(const char* text, const char* whenEmpty = "libvips gave no reason");

}  // namespace mirtane::cli
