// Output formats from names and --format, the suffixes libvips knows them
// by, and the encoder options each gets by default (see EncoderDefaults.h
// for the input's own quality and compression).
#include "cli/PhotoFormats.h"

#include <algorithm>
#include <cctype>

#include "cli/EncoderDefaults.h"
#include "cli/FileIdentity.h"

namespace mirtane::cli {
namespace {

std::string LowerExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return {};
    }
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

}  // namespace

PhotoFormat OutputFormat(const std::string& path, const std::string& format) {
    return format.empty() ? FormatForName(path) : FormatForName("." + format);
}

std::string SidePictureFormat(const std::string& path) {
    const bool namesNoFile = path == kStandardStream || IsSpecialFile(path);
    return namesNoFile && FormatForName(path) == PhotoFormat::Unknown ? "png" : "";
}

PhotoFormat FormatForName(const std::string& path) {
    const std::string extension = LowerExtension(path);
    if (extension == "jpg" || extension == "jpeg") {
        return PhotoFormat::Jpeg;
    }
    if (extension == "png") {
        return PhotoFormat::Png;
    }
    if (extension == "tif" || extension == "tiff") {
        return PhotoFormat::Tiff;
    }
    if (extension == "webp") {
        return PhotoFormat::Webp;
    }
    return PhotoFormat::Unknown;
}

const char* Suffix(PhotoFormat format) {
    switch (format) {
    case PhotoFormat::Jpeg: return ".jpg";
    case PhotoFormat::Png: return ".png";
    case PhotoFormat::Tiff: return ".tif";
    case PhotoFormat::Webp: return ".webp";
    case PhotoFormat::Unknown: break;
    }
    return "";
}

// Options every output of a format gets unless told otherwise.
std::string FormatDefaults(PhotoFormat format, int quality) {
    const int q = quality > 0 ? quality : kFallbackQuality;
    switch (format) {
    case PhotoFormat::Jpeg:
    case PhotoFormat::Webp: return "Q=" + std::to_string(q);
    case PhotoFormat::Tiff: return std::string("compression=") + kFallbackTiffCompression;
    default: return {};
    }
}

// Options that follow from the input: its JPEG quality, its TIFF compression.
std::string InputDefaults(PhotoFormat format, const Photo& photo, int quality) {
    if (format == PhotoFormat::Jpeg && quality == 0 && photo.jpegQuality > 0) {
        return "Q=" + std::to_string(photo.jpegQuality);
    }
    if (format == PhotoFormat::Tiff && !photo.tiffCompression.empty()) {
        return "compression=" + photo.tiffCompression;
    }
    return {};
}

}  // namespace mirtane::cli
