// The output formats the command writes (JPEG, PNG, TIFF, WebP): which one a
// name or --format asks for, and what each is encoded with when the user
// says nothing, from the format alone or from the input it was read from.
#pragma once

#include <string>

#include "cli/Photo.h"

namespace mirtane::cli {

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

// The suffix that names the format to libvips (".jpg"); empty for Unknown.
const char* Suffix(PhotoFormat format);

// Options every output of a format gets unless told otherwise.
std::string FormatDefaults(PhotoFormat format, int quality);

// Options that follow from the input: its JPEG quality, its TIFF compression.
std::string InputDefaults(PhotoFormat format, const Photo& photo, int quality);

}  // namespace mirtane::cli
