// The pieces of a photo that reading and writing share: its ICC profile,
// its picture seen as a libvips image, the metadata carried from input to
// output, and libvips' errors as the one line the command reports.
#include "cli/Photo.h"

#include <cctype>
#include <cstring>

namespace mirtane::cli {
namespace {

using vips::VImage;

// Metadata that describes the picture rather than the file's encoding:
// these travel from input to output.
bool IsCarriedField(const char* name) {
    static const char* const kCarried[] = {"icc-profile-data", "exif-data",   "xmp-data",
                                           "iptc-data",        "orientation", "resolution-unit"};
    for (const char* carried : kCarried) {
        if (std::strcmp(name, carried) == 0) {
            return true;
        }
    }
    // libvips rebuilds EXIF on save from these parsed fields and drops tags
    // whose field is missing, so they travel with the EXIF block.
    return std::strncmp(name, "exif-ifd", 8) == 0;
}

}  // namespace

// libvips errors come as several lines naming its internal classes; the
// first line carries the reason.
std::string FirstLine(const char* text, const char* whenEmpty) {
    std::string line(text != nullptr ? text : "");
    const std::size_t end = line.find('\n');
    if (end != std::string::npos) {
        line.erase(end);
    }
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) {
        line.pop_back();
    }
    // "VipsJpeg: Corrupt JPEG data: ..." names a libvips class the user has
    // never heard of; the reason follows it.
    const std::size_t colon = line.find(": ");
    if (line.compare(0, 4, "Vips") == 0 && colon != std::string::npos &&
        line.find(' ') == colon + 1) {
        line.erase(0, colon + 2);
    }
    return line.empty() ? std::string(whenEmpty) : line;
}

void CopyCarriedFields(const VImage& from, VImage& to) {
    std::unique_ptr<gchar*, decltype(&g_strfreev)> fields(vips_image_get_fields(from.get_image()),
                                                          &g_strfreev);
    for (gchar** field = fields.get(); field != nullptr && *field != nullptr; ++field) {
        if (!IsCarriedField(*field)) {
            continue;
        }
        GValue value = G_VALUE_INIT;
        if (vips_image_get(from.get_image(), *field, &value) == 0) {
            vips_image_set(to.get_image(), *field, &value);
            g_value_unset(&value);
        }
    }
    vips_error_clear();
}

std::string IccProfile(const Photo& photo) {
    if (photo.metadata.get_image() == nullptr ||
        photo.metadata.get_typeof(VIPS_META_ICC_NAME) == 0) {
        return {};
    }
    std::size_t size = 0;
    const void* profile = photo.metadata.get_blob(VIPS_META_ICC_NAME, &size);
    return std::string(static_cast<const char*>(profile), size);
}

VImage ToVipsImage(const hostkit::Image& image) {
    // libvips reads the pixels in place.
    auto* data = const_cast<std::uint8_t*>(image.pixels.data());
    const VipsInterpretation space =
        image.planes >= 3 ? VIPS_INTERPRETATION_sRGB : VIPS_INTERPRETATION_MULTIBAND;
    return VImage::new_from_memory(data, image.pixels.size(), image.width, image.height,
                                   image.planes, VIPS_FORMAT_UCHAR)
        .copy(VImage::option()->set("interpretation", space));
}

}  // namespace mirtane::cli
