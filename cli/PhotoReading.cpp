// Reads a photo file into a Photo: access checks, the loader chosen by the
// file's magic bytes, the header checked against the limits, the pixels
// decoded a strip at a time into the 8-bit and 16-bit buffers, and the
// metadata, orientation and encoder settings that the output keeps.
#include "cli/PhotoReading.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "cli/CheckedWrite.h"
#include "cli/EncoderDefaults.h"
#include "cli/NumberText.h"
#include "cli/ScratchFile.h"
#include "engine/MirtaneEngine.h"

namespace mirtane::cli {
namespace {

using vips::VImage;

constexpr const char* kRgbOnly =
    "the plug-in works on RGB colour images only; convert it to RGB first";

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

// Rows decoded per request: enough that libvips' per-request cost vanishes,
// few enough that a strip is small beside the picture.
constexpr int kStripRows = 16;

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

// The 8-bit rendering of a 16-bit image's colour planes, which the analysis
// sees, and with `keepSamples` its samples as they are. Without them the
// rendering alone is held: a third of the picture's bytes.
Photo DecodeDeep(const VImage& image, bool keepSamples) {
    const int bands = image.bands();
    const int width = image.width();
    const std::size_t rowSamples = static_cast<std::size_t>(width) * bands;
    Photo loaded;
    loaded.deepBands = bands;
    if (keepSamples) {
        loaded.deep.reserve(rowSamples * image.height());
    }
    loaded.rgb = EmptyImage(width, image.height(), 3);
    std::vector<std::uint8_t>& rgb = loaded.rgb.pixels;
    DecodeRows(image, [&](const std::uint8_t* row) {
        const auto* samples = reinterpret_cast<const std::uint16_t*>(row);
        if (keepSamples) {
            loaded.deep.insert(loaded.deep.end(), samples, samples + rowSamples);
        }
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

// What tells one state of the file at `path` from another: its device,
// inode, size and modification time; empty when it cannot be read.
std::string FileStamp(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        return {};
    }
    return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino) + ":" +
           std::to_string(status.st_size) + ":" + std::to_string(status.st_mtim.tv_sec) + "." +
           std::to_string(status.st_mtim.tv_nsec);
}

// `path` opened for one decoding pass. Opening reads the header only;
// sequential access then decodes once, top to bottom, straight into the
// buffers of the caller.
VImage OpenForDecoding(const std::string& path, const KnownFormat* known, const char* loader) {
    vips::VOption* options =
        VImage::option()->set("fail_on", FailLevel(loader))->set("access", VIPS_ACCESS_SEQUENTIAL);
    return known != nullptr ? OpenWith(known->operation, path, options)
                            : VImage::new_from_file(path.c_str(), options);
}

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
    // The scratch file is gone when this returns: its samples are read now.
    const int status =
        LoadPhoto("/proc/self/fd/" + std::to_string(fd), limits, photo, error, DeepSamples::Now);
    close(fd);
    return status;
}

}  // namespace

int LoadPhoto(const std::string& path, const PhotoLimits& limits, Photo& photo, std::string& error,
              DeepSamples deep) {
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
    const std::string stamp = FileStamp(path);
    try {
        const VImage image = OpenForDecoding(path, known, loader);
        for (const std::string& problem : {HeaderProblem(image, limits), ColourProblem(image)}) {
            if (!problem.empty()) {
                error = problem;
                return -1;
            }
        }
        Photo loaded = image.format() == VIPS_FORMAT_USHORT
                           ? DecodeDeep(image, deep == DeepSamples::Now)
                           : DecodeBytes(image);
        loaded.metadata = VImage::black(1, 1).copy(
            VImage::option()->set("xres", image.xres())->set("yres", image.yres()));
        CopyCarriedFields(image, loaded.metadata);
        loaded.orientation = Orientation(image);
        loaded.loader = loader;
        loaded.stamp = stamp;
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

int LoadDeepSamples(const std::string& path, Photo& photo, std::string& error) {
    if (!photo.deep.empty() || photo.deepBands == 0) {
        return 0;
    }
    const int width = photo.rgb.width;
    const int height = photo.rgb.height;
    if (FileStamp(path) != photo.stamp) {
        off_t size = 0;
        error = AccessProblem(path, size);
        if (error.empty()) {
            error = "the file changed while it was being restored";
        }
        return -1;
    }
    try {
        // The stamp above tells a changed file; the shape is checked again
        // in case it changed since, as the samples must fit the rendering.
        const VImage image = OpenForDecoding(path, KnownFormatOf(path), photo.loader.c_str());
        if (image.width() != width || image.height() != height ||
            image.bands() != photo.deepBands || image.format() != VIPS_FORMAT_USHORT) {
            error = "the file changed while it was being restored";
            return -1;
        }
        const std::size_t rowSamples = static_cast<std::size_t>(width) * photo.deepBands;
        std::vector<std::uint16_t> samples;
        samples.reserve(rowSamples * height);
        DecodeRows(image, [&](const std::uint8_t* row) {
            const auto* values = reinterpret_cast<const std::uint16_t*>(row);
            samples.insert(samples.end(), values, values + rowSamples);
        });
        photo.deep = std::move(samples);
        return 0;
    } catch (const vips::VError& failure) {
        vips_error_clear();
        off_t size = 0;
        error = AccessProblem(path, size);
        if (error.empty()) {
            error = DecoderReason(failure.what(), size);
        }
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

}  // namespace mirtane::cli
