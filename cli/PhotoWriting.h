// Writing photos and the pictures beside them through libvips: the restored
// picture with the input's extra bands and kept metadata, in the format the
// name or --format asks for, replacing a file only once it is complete; and
// the checks of an output's name and saver options made before a restore.
#pragma once

#include <string>

#include <vips/vips8>

#include "cli/Photo.h"

namespace mirtane::cli {

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
// rounded 8-bit rendering). With `tables` (an 8-bit photo's correction as
// mirtane_byte_tables gives it) `restored` is the picture before it, and each
// strip is looked up as the encoder reads it: no pass of its own over the
// picture before the encoding starts. Refuses extra bands for JPEG, which
// cannot hold them. Returns 0, or -1 with `error` set.
[[nodiscard]] int SavePhoto(const std::string& path, const Photo& photo,
                            const hostkit::Image& restored, const SaveSettings& settings,
                            std::string& error, const unsigned char (*tables)[256] = nullptr);

// Why `path` cannot be written with `settings`, whatever the picture: no
// format (from settings.format or the name's extension; standard output
// needs settings.format), a settings.format that contradicts the name's
// extension, or saver options it does not take; an empty string when it can.
std::string OutputNameProblem(const std::string& path, const SaveSettings& settings);

// Why `settings.options` do not suit the saver of `path`'s format (an
// unknown option or a bad value), or an empty string. Checked before a
// restore so that a typing error costs no restoration time.
std::string SaveOptionsProblem(const std::string& path, const SaveSettings& settings);

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
