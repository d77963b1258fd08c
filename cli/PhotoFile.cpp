#include "cli/PhotoFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "cli/AtomicFile.h"
#include "cli/CheckedWrite.h"
#include "cli/EncoderDefaults.h"
#include "cli/FileIdentity.h"
#include "cli/FileTarget.h"
#include "cli/NumberText.h"
#include "cli/ScratchFile.h"
#include "engine/MirtaneEngine.h"

namespace mirtane::cli {
namespace {

using vips::VImage;

constexpr const char* kRgbOnly =
    "the plug-in works on RGB colour images only; convert it to RGB first";

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
std::string HeaderProblem(const VImage& image, const PhotoLimits& limits) {
    const int pages = vips_image_get_n_pages(image.get_image());
    if (pages > 1) {
        return "has " + std::to_string(pages) +
               " pages or frames; restore one page at a time (extract it first)";
    }
    const std::int64_t pixels = static_cast<std::int64_t>(image.width()) * image.height();
    const std::string size =
        "image is " + std::to_string(image.width()) + " x " + std::to_string(image.height());
    if (pixels > limits.maxPixels) {
        return size + " pixels (" + std::to_string(pixels / 1'000'000) +
               " megapixels), over the limit of " + std::to_string(limits.maxPixels) +
               " pixels; raise it with --max-pixels if it is real";
    }
    const std::int64_t sampleBytes = static_cast<std::int64_t>(vips_format_sizeof(image.format()));
    const std::int64_t bytes = pixels * image.bands() * sampleBytes;
    const std::int64_t budget = limits.maxBytes > 0 ? limits.maxBytes : DefaultMemoryBudget();
    if (bytes > budget) {
        return size + " pixels of " + std::to_string(image.bands()) + " bands at " +
               std::to_string(sampleBytes * 8) + " bits: " + DescribeBytes(bytes) +
               " decoded, over the memory budget of " + DescribeBytes(budget) +
               "; raise it with --max-memory if it is real";
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

// Rows decoded per request: enough that libvips' per-request cost vanishes,
// few enough that a strip is small beside the picture.
constexpr int kStripRows = 128;

// An image of the given shape whose pixels are still to be appended, with
// room reserved for all of them (reserved, not yet touched).
hostkit::Image EmptyImage(int width, int height, int planes) {
    hostkit::Image image;
    image.width = width;
    image.height = height;
    image.planes = planes;
    image.pixels.reserve(static_cast<std::size_t>(width) * height * planes);
    return image;
}

// Grows `pixels` by one row of `bytes` and returns where the row goes.
std::uint8_t* AppendRow(std::vector<std::uint8_t>& pixels, std::size_t bytes) {
    const std::size_t at = pixels.size();
    pixels.resize(at + bytes);
    return pixels.data() + at;
}

// Decodes `image` from top to bottom a strip of rows at a time and hands
// each row to `take(row)`. The caller's buffers grow as rows arrive: a file
// whose data ends early fails at its first missing row, before memory for
// the rest of its declared size is touched.
template <typename TakeRow>
void DecodeRows(const VImage& image, TakeRow takeRow) {
    const vips::VRegion region = image.region();
    for (int top = 0; top < image.height(); top += kStripRows) {
        const int rows = std::min(kStripRows, image.height() - top);
        region.prepare(0, top, image.width(), rows);
        for (int y = top; y < top + rows; ++y) {
            takeRow(region.addr(0, y));
        }
    }
}

// An 8-bit image's colour planes for the plug-in, its further bands apart.
Photo DecodeBytes(const VImage& image) {
    const int bands = image.bands();
    const int width = image.width();
    Photo loaded;
    loaded.rgb = EmptyImage(width, image.height(), 3);
    std::vector<std::uint8_t>& rgb = loaded.rgb.pixels;
    if (bands == 3) {
        DecodeRows(image,
                   [&](const std::uint8_t* row) { rgb.insert(rgb.end(), row, row + width * 3); });
        return loaded;
    }
    loaded.extraBands = EmptyImage(width, image.height(), bands - 3);
    std::vector<std::uint8_t>& extra = loaded.extraBands.pixels;
    DecodeRows(image, [&](const std::uint8_t* row) {
        std::uint8_t* const colour = AppendRow(rgb, static_cast<std::size_t>(width) * 3);
        std::uint8_t* const further =
            AppendRow(extra, static_cast<std::size_t>(width) * (bands - 3));
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* from = row + static_cast<std::size_t>(x) * bands;
            std::memcpy(colour + x * 3, from, 3);
            std::memcpy(further + static_cast<std::size_t>(x) * (bands - 3), from + 3, bands - 3);
        }
    });
    return loaded;
}

// A 16-bit image's samples as they are, with the 8-bit rendering of its
// colour planes that the analysis sees.
Photo DecodeDeep(const VImage& image) {
    const int bands = image.bands();
    const int width = image.width();
    const std::size_t rowSamples = static_cast<std::size_t>(width) * bands;
    Photo loaded;
    loaded.deepBands = bands;
    loaded.deep.reserve(rowSamples * image.height());
    loaded.rgb = EmptyImage(width, image.height(), 3);
    std::vector<std::uint8_t>& rgb = loaded.rgb.pixels;
    DecodeRows(image, [&](const std::uint8_t* row) {
        const auto* samples = reinterpret_cast<const std::uint16_t*>(row);
        loaded.deep.insert(loaded.deep.end(), samples, samples + rowSamples);
        std::uint8_t* const colour = AppendRow(rgb, static_cast<std::size_t>(width) * 3);
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                colour[x * 3 + c] =
                    mirtane_sample16_to_8(samples[static_cast<std::size_t>(x) * bands + c]);
            }
        }
    });
    return loaded;
}

int Orientation(const VImage& image) {
    if (image.get_typeof(VIPS_META_ORIENTATION) == 0) {
        return 1;
    }
    const int orientation = image.get_int(VIPS_META_ORIENTATION);
    return orientation >= 1 && orientation <= 8 ? orientation : 1;
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

// The four formats the command names, told from a file's first bytes.
struct KnownFormat {
    const char* operation;  // the libvips loader's nickname
    const char* loader;     // its class, as vips_foreign_find_load names it
};

// The format of `path` when it is one of the four, else null. Choosing the
// loader from the magic bytes keeps libvips from asking every loader in turn
// whether it takes the file: OpenSlide's probe of a TIFF file allocates what
// a crafted header asks (gigabytes for a file of 1.4 KB).
const KnownFormat* KnownFormatOf(const std::string& path) {
    static const KnownFormat kJpeg{"jpegload", "VipsForeignLoadJpegFile"};
    static const KnownFormat kPng{"pngload", "VipsForeignLoadPngFile"};
    static const KnownFormat kTiff{"tiffload", "VipsForeignLoadTiffFile"};
    static const KnownFormat kWebp{"webpload", "VipsForeignLoadWebpFile"};
    unsigned char head[12] = {};
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    const ssize_t count = read(fd, head, sizeof head);
    close(fd);
    if (count < static_cast<ssize_t>(sizeof head)) {
        return nullptr;
    }
    auto starts = [&head](const char* magic, std::size_t length, std::size_t at = 0) {
        return std::memcmp(head + at, magic, length) == 0;
    };
    if (starts("\xFF\xD8\xFF", 3)) {
        return &kJpeg;
    }
    if (starts("\x89PNG\r\n\x1A\n", 8)) {
        return &kPng;
    }
    if (starts("II*\0", 4) || starts("MM\0*", 4) || starts("II+\0", 4) || starts("MM\0+", 4)) {
        return &kTiff;
    }
    if (starts("RIFF", 4) && starts("WEBP", 4, 8)) {
        return &kWebp;
    }
    return nullptr;
}

// `path` opened by the loader `operation` with `options`.
VImage OpenWith(const char* operation, const std::string& path, vips::VOption* options) {
    VImage image;
    VImage::call(operation, options->set("filename", path.c_str())->set("out", &image));
    return image;
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
        return "not an RGB image (colour space " + EnumNick(VIPS_TYPE_INTERPRETATION, space) +
               "): " + kRgbOnly;
    }
    const VipsBandFormat format = image.format();
    if (format != VIPS_FORMAT_UCHAR && format != VIPS_FORMAT_USHORT) {
        return "unsupported sample format (" + EnumNick(VIPS_TYPE_BAND_FORMAT, format) +
               "): only 8- and 16-bit integer samples can be restored; convert it to 16 bits "
               "first (vips cast, or ImageMagick -depth 16)";
    }
    if (image.width() > kMaxPhotoSide || image.height() > kMaxPhotoSide) {
        return "image is " + std::to_string(image.width()) + " x " +
               std::to_string(image.height()) +
               " pixels; the plug-in interface addresses at most " + std::to_string(kMaxPhotoSide) +
               " pixels a side";
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

namespace {

// Standard input copied into a nameless scratch file, so that every reader
// (and the header checks before decoding) works on it as on a named file,
// reached through /proc; whatever ends the process, no copy is left behind.
int LoadStandardInput(const PhotoLimits& limits, Photo& photo, std::string& error) {
    const int fd = OpenScratchFile(error);
    if (fd < 0) {
        error = "cannot keep standard input: " + error;
        return -1;
    }
    CheckedWriter writer(fd);
    char block[1 << 16];
    ssize_t count = 0;
    while ((count = read(STDIN_FILENO, block, sizeof block)) != 0) {
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 || writer.Write(block, static_cast<std::size_t>(count)) != 0) {
            error = count < 0 ? std::string("cannot read standard input: ") + std::strerror(errno)
                              : "cannot keep standard input in a scratch file: " + writer.Reason();
            close(fd);
            return -1;
        }
    }
    const int status = LoadPhoto("/proc/self/fd/" + std::to_string(fd), limits, photo, error);
    close(fd);
    return status;
}

}  // namespace

int LoadPhoto(const std::string& path, const PhotoLimits& limits, Photo& photo,
              std::string& error) {
    if (path == kStandardStream) {
        return LoadStandardInput(limits, photo, error);
    }
    off_t size = 0;
    if (std::string problem = AccessProblem(path, size); !problem.empty()) {
        error = problem;
        return -1;
    }
    const KnownFormat* known = KnownFormatOf(path);
    const char* loader = known != nullptr ? known->loader : vips_foreign_find_load(path.c_str());
    if (loader == nullptr) {
        vips_error_clear();
        error = size < kShortFileBytes ? "not an image file (too short)"
                                       : "not an image file (no reader recognises its contents)";
        return -1;
    }
    try {
        // Opening reads the header only; sequential access then decodes
        // once, top to bottom, straight into the buffers below.
        vips::VOption* options = VImage::option()
                                     ->set("fail_on", FailLevel(loader))
                                     ->set("access", VIPS_ACCESS_SEQUENTIAL);
        const VImage image = known != nullptr ? OpenWith(known->operation, path, options)
                                              : VImage::new_from_file(path.c_str(), options);
        for (const std::string& problem : {HeaderProblem(image, limits), ColourProblem(image)}) {
            if (!problem.empty()) {
                error = problem;
                return -1;
            }
        }
        Photo loaded =
            image.format() == VIPS_FORMAT_USHORT ? DecodeDeep(image) : DecodeBytes(image);
        loaded.metadata = VImage::black(1, 1).copy(
            VImage::option()->set("xres", image.xres())->set("yres", image.yres()));
        CopyCarriedFields(image, loaded.metadata);
        loaded.orientation = Orientation(image);
        loaded.loader = loader;
        // Exiv2 reads only files that hold something libvips may not carry.
        if (std::strstr(loader, "Tiff") != nullptr || image.get_typeof(VIPS_META_EXIF_NAME) != 0 ||
            image.get_typeof(VIPS_META_IPTC_NAME) != 0) {
            loaded.embedded = ReadEmbeddedMetadata(path);
        }
        if (std::strstr(loader, "Jpeg") != nullptr) {
            loaded.jpegQuality = EstimateJpegQuality(path);
        } else if (std::strstr(loader, "Tiff") != nullptr) {
            loaded.tiffCompression = TiffCompression(path);
        }
        photo = std::move(loaded);
        return 0;
    } catch (const vips::VError& failure) {
        vips_error_clear();
        error = DecoderReason(failure.what(), size);
        return -1;
    }
}

void BlockUnsafeLoaders() {
    vips_block_untrusted_set(TRUE);
    vips_operation_block_set("VipsForeignLoadOpenslide", TRUE);
}

std::int64_t DefaultMemoryBudget() {
    constexpr std::int64_t kLeast = std::int64_t{256} << 20;
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    const long processors = sysconf(_SC_NPROCESSORS_ONLN);
    if (pages <= 0 || pageSize <= 0) {
        return kLeast;
    }
    const std::int64_t memory = static_cast<std::int64_t>(pages) * pageSize;
    return std::max(kLeast, memory / (4 * std::max(1L, processors)));
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

VImage ToVipsImage(const hostkit::Image& image) {
    // libvips reads the pixels in place.
    auto* data = const_cast<std::uint8_t*>(image.pixels.data());
    const VipsInterpretation space =
        image.planes >= 3 ? VIPS_INTERPRETATION_sRGB : VIPS_INTERPRETATION_MULTIBAND;
    return VImage::new_from_memory(data, image.pixels.size(), image.width, image.height,
                                   image.planes, VIPS_FORMAT_UCHAR)
        .copy(VImage::option()->set("interpretation", space));
}

namespace {

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

// "a,b" from option lists, leaving out the empty ones.
std::string JoinOptions(std::initializer_list<std::string> lists) {
    std::string joined;
    for (const std::string& list : lists) {
        if (!list.empty()) {
            joined += (joined.empty() ? "" : ",") + list;
        }
    }
    return joined;
}

// A descriptor closed when it goes out of scope; -1 when none is open.
struct ScratchDescriptor {
    int fd = -1;
    ScratchDescriptor() = default;
    ScratchDescriptor(const ScratchDescriptor&) = delete;
    ScratchDescriptor& operator=(const ScratchDescriptor&) = delete;
    ~ScratchDescriptor() {
        if (fd >= 0) {
            close(fd);
        }
    }
};

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

// The fields of `from` that an output keeps: all carried ones, or with
// `strip` only the ICC profile.
void CopyKeptFields(const VImage& from, VImage& to, bool strip) {
    if (!strip) {
        CopyCarriedFields(from, to);
        return;
    }
    if (from.get_typeof(VIPS_META_ICC_NAME) != 0) {
        std::size_t size = 0;
        const void* profile = from.get_blob(VIPS_META_ICC_NAME, &size);
        vips_image_set_blob_copy(to.get_image(), VIPS_META_ICC_NAME, profile, size);
    }
}

// The 16-bit samples as an image: as they are for formats that hold 16 bits,
// as their rounded 8-bit rendering for those that do not.
VImage DeepImage(const Photo& photo, const hostkit::Image& rgb, PhotoFormat format,
                 std::vector<std::uint8_t>& rendering) {
    const int width = rgb.width;
    const int height = rgb.height;
    if (format == PhotoFormat::Png || format == PhotoFormat::Tiff) {
        auto* data = const_cast<std::uint16_t*>(photo.deep.data());
        return VImage::new_from_memory(data, photo.deep.size() * 2, width, height, photo.deepBands,
                                       VIPS_FORMAT_USHORT)
            .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_RGB16));
    }
    rendering.resize(photo.deep.size());
    std::transform(photo.deep.begin(), photo.deep.end(), rendering.begin(), &mirtane_sample16_to_8);
    return VImage::new_from_memory(rendering.data(), rendering.size(), width, height,
                                   photo.deepBands, VIPS_FORMAT_UCHAR)
        .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

// Keeps the first message logged, without the "value ... of type 'gint'"
// detail of GObject's wording: "value "999" ... out of range for property
// 'Q'" becomes "Q=999 is out of range".
void KeepFirstMessage(const gchar*, GLogLevelFlags, const gchar* message, gpointer user) {
    auto* kept = static_cast<std::string*>(user);
    if (!kept->empty()) {
        return;
    }
    const std::string text = message != nullptr ? message : "";
    const std::size_t valueStart = text.find('"');
    const std::size_t valueEnd = text.find('"', valueStart + 1);
    const std::size_t nameStart = text.find("property '");
    const std::size_t nameEnd = text.find('\'', nameStart + 10);
    if (valueEnd == std::string::npos || nameEnd == std::string::npos) {
        *kept = FirstLine(message);
        return;
    }
    *kept = text.substr(nameStart + 10, nameEnd - nameStart - 10) + "=" +
            text.substr(valueStart + 1, valueEnd - valueStart - 1) + " is out of range";
}

}  // namespace

std::string SaveOptionsProblem(const std::string& path, const SaveSettings& settings) {
    const PhotoFormat format = OutputFormat(path, settings.format);
    if (format == PhotoFormat::Unknown || settings.options.empty()) {
        return {};
    }
    const char* saver = vips_foreign_find_save(Suffix(format));
    VipsOperation* operation = saver != nullptr ? vips_operation_new(saver) : nullptr;
    if (operation == nullptr) {
        vips_error_clear();
        return {};
    }
    std::string problem;
    // GObject only warns of a value out of its property's range, and keeps
    // the default: the warning is the refusal.
    std::string outOfRange;
    const guint handler = g_log_set_handler(
        "GLib-GObject", static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL),
        &KeepFirstMessage, &outOfRange);
    const int set = vips_object_set_from_string(VIPS_OBJECT(operation), settings.options.c_str());
    g_log_remove_handler("GLib-GObject", handler);
    if (set != 0 || !outOfRange.empty()) {
        problem = "bad save options [" + settings.options + "] for " + Suffix(format) + ": " +
                  (set != 0 ? FirstLine(vips_error_buffer()) : outOfRange);
        vips_error_clear();
    }
    vips_object_unref_outputs(VIPS_OBJECT(operation));
    g_object_unref(operation);
    return problem;
}

std::string OutputNameProblem(const std::string& path, const SaveSettings& settings) {
    const PhotoFormat named = FormatForName(path);
    const PhotoFormat format = OutputFormat(path, settings.format);
    if (format == PhotoFormat::Unknown) {
        if (path == kStandardStream && settings.format.empty()) {
            return "-o - writes to standard output: name its format with --format (jpg, png, tif "
                   "or webp)";
        }
        return settings.format.empty()
                   ? "unknown output format for " + path +
                         ": name it .jpg, .jpeg, .png, .tif, .tiff or .webp"
                   : "unknown output format " + settings.format + ": use jpg, png, tif or webp";
    }
    if (named != PhotoFormat::Unknown && named != format) {
        return "--format " + settings.format + " contradicts the output name " + path +
               ": leave out --format, or name the output ." + settings.format;
    }
    return SaveOptionsProblem(path, settings);
}

int SavePhoto(const std::string& path, const Photo& photo, const hostkit::Image& restored,
              const SaveSettings& settings, std::string& error) {
    const PhotoFormat format = OutputFormat(path, settings.format);
    try {
        std::vector<std::uint8_t> rendering;
        VImage out;
        if (photo.SixteenBits()) {
            out = DeepImage(photo, restored, format, rendering);
        } else {
            out = ToVipsImage(restored);
            if (photo.HasExtraBands()) {
                out = out.bandjoin(ToVipsImage(photo.extraBands));
            }
            out = out.copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
        }
        out = out.copy(VImage::option()
                           ->set("xres", photo.metadata.xres())
                           ->set("yres", photo.metadata.yres()));
        const bool strip = StripsMetadata(settings);
        CopyKeptFields(photo.metadata, out, strip);
        return SaveImage(path, out, settings, InputDefaults(format, photo, settings.quality), error,
                         strip ? nullptr : photo.embedded.get());
    } catch (const vips::VError& failure) {
        vips_error_clear();
        error = "cannot encode the result: " + FirstLine(failure.what());
        return -1;
    }
}

bool StripsMetadata(const SaveSettings& settings) {
    if (settings.strip) {
        return true;
    }
    // The last mention wins, as libvips reads its options left to right.
    bool strip = false;
    std::size_t start = 0;
    while (start <= settings.options.size()) {
        const std::size_t end =
            std::min(settings.options.find(',', start), settings.options.size());
        const std::string option = settings.options.substr(start, end - start);
        if (option == "strip" || option == "strip=true" || option == "strip=1") {
            strip = true;
        } else if (option == "strip=false" || option == "strip=0") {
            strip = false;
        }
        start = end + 1;
    }
    return strip;
}

int SaveImage(const std::string& path, const VImage& image, const SaveSettings& settings,
              const std::string& defaults, std::string& error, const EmbeddedMetadata* embedded) {
    const PhotoFormat format = OutputFormat(path, settings.format);
    if (format == PhotoFormat::Unknown) {
        error = settings.format.empty()
                    ? "unknown output format for " + path +
                          ": name it .jpg, .jpeg, .png, .tif, .tiff or .webp"
                    : "unknown output format " + settings.format + ": use jpg, png, tif or webp";
        return -1;
    }
    if (format == PhotoFormat::Jpeg && image.bands() > 3) {
        error =
            "JPEG cannot hold the alpha channel of this image: write .png, .tif or .webp instead "
            "of " +
            path;
        return -1;
    }
    const bool toStandardOutput = path == kStandardStream;
    AtomicFile file;
    if (!toStandardOutput && file.Create(path, error) != 0) {
        return -1;
    }
    const int destination = toStandardOutput ? STDOUT_FILENO : file.fd();
    // A pipe or a device cannot seek: TIFF's encoder, which seeks back to
    // write its directory, writes into a scratch file copied out whole.
    // Other encoders stream into the temporary file or the pipe: no copy of
    // the whole encoded image is held in memory.
    const bool streaming = toStandardOutput || file.Direct();
    ScratchDescriptor scratch;
    if (streaming && format == PhotoFormat::Tiff && (scratch.fd = OpenScratchFile(error)) < 0) {
        error = "cannot write " + path + ": " + error;
        return -1;
    }
    const int encoded = scratch.fd >= 0 ? scratch.fd : destination;
    const FileTarget output(encoded);
    const std::string saver =
        std::string(Suffix(format)) + "[" +
        JoinOptions({FormatDefaults(format, settings.quality), defaults, settings.options}) + "]";
    try {
        image.write_to_target(saver.c_str(), output.target());
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
    if (embedded != nullptr && NeedsEmbeddedMetadata(*embedded, format) &&
        (!streaming || scratch.fd >= 0)) {
        std::string reason;
        if (AddEmbeddedMetadata(encoded, *embedded, reason) != 0) {
            error = "cannot write " + path + ": " + reason + " (--strip writes it without them)";
            return -1;
        }
    }
    if (scratch.fd >= 0 && CopyWholeFile(scratch.fd, destination, error) != 0) {
        error = "cannot write " + path + ": " + error;
        return -1;
    }
    if (toStandardOutput) {
        return 0;
    }
    return file.Commit(error);
}

}  // namespace mirtane::cli
