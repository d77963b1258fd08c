// Reading and writing photo files (JPEG, PNG, TIFF, WebP) through libvips,
// with what the plug-in needs split off from what it must not touch: the
// three colour planes at 8 bits go to the plug-in; alpha and any further
// bands, the ICC profile, EXIF, XMP, IPTC and the resolution are carried
// over to the output unchanged, as far as its format holds them (WebP files
// hold no resolution; what libvips cannot carry, EXIF and IPTC into TIFF
// files and a TIFF file's own tags, EmbeddedMetadata.h adds). A 16-bit
// image keeps its samples at 16 bits beside their 8-bit rendering.
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
    int jpegQuality = 0;  // a JPEG input's estimated quality, else 0
    std::string tiffCompression;  // a TIFF input's compression as libvips names it, else empty

    bool SixteenBits() const { return deepBands > 0; }
    bool HasExtraBands() const { return !extraBands.Empty() || deepBands > 3; }
};

// Largest side the host interface can address (its rectangles are 16-bit).
constexpr int kMaxPhotoSide = 32767;

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
// divided by four times its processor count, since a restore holds two and a
// half (8-bit) to three (16-bit) times its picture at its peak and a batch
// runs a file on each processor (a 4 GiB machine with 2 processors: 537 MB,
// a 24-megapixel 16-bit RGB scan being 144 MB). At least 256 MiB.
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
// format, or too large for the host interface. A 16-bit image keeps its samples in `deep`, and
// `rgb` holds their 8-bit rendering. Float samples are refused.
[[nodiscard]] int LoadPhoto(const std::string& path, const PhotoLimits& limits, Photo& photo,
                            std::string& error);

// The ICC profile the photo carries, as bytes; empty when it has none.
std::string IccProfile(const Photo& photo);

// Output formats, chosen from a file name's extension.
enum class PhotoFormat { Jpeg, Png, Tiff, Webp, Unknown };
PhotoFormat FormatForName(const std::string& path);
// The format of an output: `format` (an extension, "jpg") when given, else
// the name's.
PhotoFormat OutputFormat(const std::string& path, const std::string& format);

// The format of a picture written beside the result (a comparison, a plot, a
// lookup-table image) whose name gives none: PNG for standard output, a
// device or a FIFO; else empty, the name's own.
std::string SidePictureFormat(const std::string& path);

// How an output is encoded, beyond its format.
struct SaveSettings {
    int quality = 0;      // JPEG and WebP, 1 ... 100; 0: the input's own (JPEG) or 92
    std::string options;  // libvips saver options as in "out.jpg[Q=85,strip]", without brackets
    std::string format;   // an extension naming the format ("jpg"); empty: from the name
    bool strip = false;   // leave out EXIF, XMP and IPTC (the ICC profile stays)
};

// Writes the restored picture with photo's extra bands and metadata to
// `path` in the format of settings.format or else of its extension,
// replacing the file only once complete (see AtomicFile); "-" writes to
// standard output. The picture is `restored` (8-bit, the size of photo.rgb)
// for an 8-bit photo, photo.deep for a 16-bit one (8-bit formats get its
// rounded 8-bit rendering). Refuses extra bands for JPEG, which cannot hold
// them. Returns 0, or -1 with `error` set.
[[nodiscard]] int SavePhoto(const std::string& path, const Photo& photo,
                            const hostkit::Image& restored, const SaveSettings& settings,
                            std::string& error);

// The name that stands for standard input (as an input) or standard output
// (as an output).
constexpr const char* kStandardStream = "-";

// Why `path` cannot be written with `settings`, whatever the picture: no
// format (from settings.format or the name's extension; standard output
// needs settings.format), a settings.format that contradicts the name's
// extension, or saver options it does not take; an empty string when it can.
std::string OutputNameProblem(const std::string& path, const SaveSettings& settings);

// Why `settings.options` do not suit the saver of `path`'s format (an
// unknown option or a bad value), or an empty string. Checked before a
// restore so that a typing error costs no restoration time.
std::string SaveOptionsProblem(const std::string& path, const SaveSettings& settings);

// `image` seen as a libvips image, without copying: the result reads
// image's pixels, so use it only while `image` lives unchanged.
vips::VImage ToVipsImage(const hostkit::Image& image);

// Writes `image` to `path` as SavePhoto does; `defaults` are saver options
// given before settings.options (which win). `embedded`, when given, is
// added to a file whose format libvips cannot give it to. Standard output,
// a device or a FIFO get the encoder's stream as it comes, except TIFF,
// encoded whole into a scratch file first (its encoder seeks).
[[nodiscard]] int SaveImage(const std::string& path, const vips::VImage& image,
                            const SaveSettings& settings, const std::string& defaults,
                            std::string& error, const EmbeddedMetadata* embedded = nullptr);

// True when `settings` leave out the metadata: --strip, or "strip" among
// the saver options.
bool StripsMetadata(const SaveSettings& settings);

}  // namespace mirtane::cli
