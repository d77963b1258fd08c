#include "cli/PhotoFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>

#include "cli/AtomicFile.h"
#include "cli/FileTarget.h"

namespace mirtane::cli {
namespace {

using vips::VImage;

constexpr const char* kRgbOnly = "the plug-in works on RGB colour images only; convert it to RGB first";

// libvips errors come as several lines naming its internal classes; the
// first line carries the reason.
std::string FirstLine(const char* text, const char* whenEmpty = "libvips gave no reason") {
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

// Files this short that no decoder could explain are not images at all: the
// smallest image a restore accepts (480 x 480, one colour, PNG) takes more.
constexpr off_t kShortFileBytes = 256;

// Why the decoder refused `path`, as one line.
std::string DecoderReason(const char* text, off_t fileSize) {
    const std::string reason = FirstLine(text, "");
    if (!reason.empty()) {
        return "damaged or truncated image: " + reason;
    }
    return fileSize < kShortFileBytes ? "not an image file (too short)"
                                      : "damaged or truncated image (the decoder gave no reason)";
}

// libjpeg reports corrupt data (an early end, garbled scan data, a frame
// larger than its data) as warnings and fills the rest with grey; elsewhere
// warnings are about harmless things (unknown TIFF tags, for one) and only
// errors mean damage.
VipsFailOn FailLevel(const char* loader) {
    return std::strstr(loader, "Jpeg") != nullptr ? VIPS_FAIL_ON_WARNING : VIPS_FAIL_ON_ERROR;
}

// Why the header alone refuses the image, or an empty string.
std::string HeaderProblem(const VImage& image, std::int64_t maxPixels) {
    const int pages = vips_image_get_n_pages(image.get_image());
    if (pages > 1) {
        return "has " + std::to_string(pages) +
               " pages or frames; restore one page at a time (extract it first)";
    }
    const std::int64_t pixels = static_cast<std::int64_t>(image.width()) * image.height();
    if (pixels > maxPixels) {
        return "image is " + std::to_string(image.width()) + " x " + std::to_string(image.height()) +
               " pixels (" + std::to_string(pixels / 1'000'000) + " megapixels), over the limit of " +
               std::to_string(maxPixels) + " pixels; raise it with --max-pixels if it is real";
    }
    return {};
}

std::string EnumNick(GType type, int value) {
    const char* nick = vips_enum_nick(type, value);
    return nick != nullptr ? nick : std::to_string(value);
}

// Metadata that describes the picture rather than the file's encoding:
// these travel from input to output.
bool IsCarriedField(const char* name) {
    static const char* const kCarried[] = {"icc-profile-data", "exif-data", "xmp-data",
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

// Rounded v / 257, so that 257 * k comes back as k exactly.
VImage To8Bits(const VImage& image) {
    return image.linear({1.0 / 257.0}, {0.5}).cast(VIPS_FORMAT_UCHAR);
}

// A libvips image whose pixels are `image`'s, for decoding into them.
VImage DecodeTarget(testhost::Image& image) {
    return VImage::new_from_memory(image.pixels.data(), image.pixels.size(), image.width,
                                   image.height, image.planes, VIPS_FORMAT_UCHAR);
}

// Why a file cannot even be opened, or an empty string.
std::string AccessProblem(const std::string& path, off_t& size) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        return std::string("cannot open: ") + std::strerror(errno);
    }
    if (S_ISDIR(status.st_mode)) {
        return "is a directory, not an image file";
    }
    if (!S_ISREG(status.st_mode)) {
        return "not a regular file";
    }
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::string("cannot read: ") + std::strerror(errno);
    }
    close(fd);
    if (status.st_size == 0) {
        return "empty file, not an image";
    }
    size = status.st_size;
    return {};
}

// Why a decoded image is not one the plug-in can take, or an empty string.
std::string ColourProblem(const VImage& image) {
    const VipsInterpretation space = image.interpretation();
    if (space == VIPS_INTERPRETATION_CMYK) {
        return std::string("CMYK image: ") + kRgbOnly;
    }
    if (space == VIPS_INTERPRETATION_B_W || space == VIPS_INTERPRETATION_GREY16 ||
        image.bands() < 3) {
        return std::string("greyscale image: ") + kRgbOnly;
    }
    // scRGB is RGB in linear light, which comes with float samples.
    if (space != VIPS_INTERPRETATION_sRGB && space != VIPS_INTERPRETATION_RGB &&
        space != VIPS_INTERPRETATION_RGB16 && space != VIPS_INTERPRETATION_scRGB) {
        return "not an RGB image (colour space " +
               EnumNick(VIPS_TYPE_INTERPRETATION, space) + "): " + kRgbOnly;
    }
    const VipsBandFormat format = image.format();
    if (format != VIPS_FORMAT_UCHAR && format != VIPS_FORMAT_USHORT) {
        return "unsupported sample format (" + EnumNick(VIPS_TYPE_BAND_FORMAT, format) +
               "): only 8- and 16-bit integer samples can be restored";
    }
    if (image.width() > kMaxPhotoSide || image.height() > kMaxPhotoSide) {
        return "image is " + std::to_string(image.width()) + " x " +
               std::to_string(image.height()) + " pixels; the plug-in interface addresses at most " +
               std::to_string(kMaxPhotoSide) + " pixels a side";
    }
    return {};
}

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

int LoadPhoto(const std::string& path, std::int64_t maxPixels, Photo& photo, std::string& error) {
    off_t size = 0;
    if (std::string problem = AccessProblem(path, size); !problem.empty()) {
        error = problem;
        return -1;
    }
    const char* loader = vips_foreign_find_load(path.c_str());
    if (loader == nullptr) {
        vips_error_clear();
        error = size < kShortFileBytes ? "not an image file (too short)"
                                       : "not an image file (no reader recognises its contents)";
        return -1;
    }
    try {
        // Opening reads the header only; sequential access then decodes
        // once, top to bottom, straight into the buffers below.
        const VImage image = VImage::new_from_file(
            path.c_str(), VImage::option()
                              ->set("fail_on", FailLevel(loader))
                              ->set("access", VIPS_ACCESS_SEQUENTIAL));
        for (const std::string& problem : {HeaderProblem(image, maxPixels), ColourProblem(image)}) {
            if (!problem.empty()) {
                error = problem;
                return -1;
            }
        }
        const bool sixteenBits = image.format() == VIPS_FORMAT_USHORT;
        const VImage bytes = sixteenBits ? To8Bits(image) : image;
        const int bands = image.bands();

        Photo loaded;
        if (bands == 3) {
            loaded.rgb = testhost::MakeImage(image.width(), image.height(), 3);
            bytes.write(DecodeTarget(loaded.rgb));
        } else {
            testhost::Image all = testhost::MakeImage(image.width(), image.height(), bands);
            bytes.write(DecodeTarget(all));
            loaded.rgb = testhost::MakeImage(image.width(), image.height(), 3);
            loaded.extraBands = testhost::MakeImage(image.width(), image.height(), bands - 3);
            const std::size_t pixels = static_cast<std::size_t>(image.width()) * image.height();
            for (std::size_t i = 0; i < pixels; ++i) {
                const std::uint8_t* from = &all.pixels[i * bands];
                std::memcpy(&loaded.rgb.pixels[i * 3], from, 3);
                std::memcpy(&loaded.extraBands.pixels[i * (bands - 3)], from + 3, bands - 3);
            }
        }
        loaded.metadata = VImage::black(1, 1).copy(
            VImage::option()->set("xres", image.xres())->set("yres", image.yres()));
        CopyCarriedFields(image, loaded.metadata);
        loaded.reducedFrom16Bits = sixteenBits;
        photo = std::move(loaded);
        return 0;
    } catch (const vips::VError& failure) {
        vips_error_clear();
        error = DecoderReason(failure.what(), size);
        return -1;
    }
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

VImage ToVipsImage(const testhost::Image& image) {
    // libvips reads the pixels in place.
    auto* data = const_cast<std::uint8_t*>(image.pixels.data());
    const VipsInterpretation space =
        image.planes >= 3 ? VIPS_INTERPRETATION_sRGB : VIPS_INTERPRETATION_MULTIBAND;
    return VImage::new_from_memory(data, image.pixels.size(), image.width, image.height,
                                   image.planes, VIPS_FORMAT_UCHAR)
        .copy(VImage::option()->set("interpretation", space));
}

int SavePhoto(const std::string& path, const Photo& photo, const testhost::Image& restored,
              int quality, std::string& error) {
    try {
        VImage out = ToVipsImage(restored);
        if (photo.HasExtraBands()) {
            out = out.bandjoin(ToVipsImage(photo.extraBands));
        }
        out = out.copy(VImage::option()
                           ->set("interpretation", VIPS_INTERPRETATION_sRGB)
                           ->set("xres", photo.metadata.xres())
                           ->set("yres", photo.metadata.yres()));
        CopyCarriedFields(photo.metadata, out);
        return SaveImage(path, out, quality, error);
    } catch (const vips::VError& failure) {
        vips_error_clear();
        error = "cannot encode the result: " + FirstLine(failure.what());
        return -1;
    }
}

int SaveImage(const std::string& path, const VImage& image, int quality, std::string& error) {
    const PhotoFormat format = FormatForName(path);
    if (format == PhotoFormat::Unknown) {
        error = "unknown output format for " + path +
                ": name it .jpg, .jpeg, .png, .tif, .tiff or .webp";
        return -1;
    }
    if (format == PhotoFormat::Jpeg && image.bands() > 3) {
        error = "JPEG cannot hold the alpha channel of this image: write .png, .tif or .webp instead of " +
                path;
        return -1;
    }
    AtomicFile file;
    if (file.Create(path, error) != 0) {
        return -1;
    }
    // The encoder streams into the temporary file: no copy of the whole
    // encoded image is held in memory.
    const FileTarget output(file.fd());
    const vips::VTarget& target = output.target();
    try {
        switch (format) {
        case PhotoFormat::Jpeg:
            image.write_to_target(".jpg", target, VImage::option()->set("Q", quality));
            break;
        case PhotoFormat::Png:
            image.write_to_target(".png", target);
            break;
        case PhotoFormat::Tiff:
            image.write_to_target(".tif", target);
            break;
        case PhotoFormat::Webp:
            image.write_to_target(".webp", target, VImage::option()->set("Q", quality));
            break;
        case PhotoFormat::Unknown:
            break;
        }
    } catch (const vips::VError& failure) {
        vips_error_clear();
        error = "cannot write " + path + ": " +
                (output.failed() ? output.Reason() : FirstLine(failure.what()));
        return -1;
    }
    // The encoder may have gone on after a failed write; any gap in the file
    // fails the save, whatever the encoder returned.
    if (output.failed()) {
        error = "cannot write " + path + ": " + output.Reason();
        return -1;
    }
    return file.Commit(error);
}

}  // namespace mirtane::cli
