// Writes a restored photo or a side picture: save options checked against
// the saver (with GObject's range warnings caught as refusals), 16-bit
// samples kept where the format holds them, the metadata an output keeps,
// and the encoded file written through AtomicFile or to standard output.
#include "cli/PhotoWriting.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "cli/AtomicFile.h"
#include "cli/FileTarget.h"
#include "cli/PhotoFormats.h"
#include "cli/ScratchFile.h"
#include "engine/MirtaneEngine.h"

namespace mirtane::cli {
namespace {

using vips::VImage;

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
// for the others mapped to their rounded 8-bit rendering by a table that
// libvips applies strip by strip as the encoder asks, so that no 8-bit copy
// of the whole picture is held beside the samples. `table` keeps the table's
// storage for as long as the image is used.
VImage DeepImage(const Photo& photo, const hostkit::Image& rgb, PhotoFormat format,
                 std::vector<std::uint8_t>& table) {
    auto* data = const_cast<std::uint16_t*>(photo.deep.data());
    const VImage samples = VImage::new_from_memory(data, photo.deep.size() * 2, rgb.width,
                                                   rgb.height, photo.deepBands, VIPS_FORMAT_USHORT);
    if (format == PhotoFormat::Png || format == PhotoFormat::Tiff) {
        return samples.copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_RGB16));
    }
    constexpr int kSixteenBitCodes = 65536;
    table.resize(kSixteenBitCodes);
    for (int v = 0; v < kSixteenBitCodes; ++v) {
        table[static_cast<std::size_t>(v)] = mirtane_sample16_to_8(static_cast<std::uint16_t>(v));
    }
    const VImage lookup = VImage::new_from_memory(table.data(), table.size(), kSixteenBitCodes, 1,
                                                  1, VIPS_FORMAT_UCHAR);
    return samples.maplut(lookup).copy(
        VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

// The three tables of an 8-bit correction as a 256 x 1 image of three bands,
// which libvips' maplut reads band by band; `storage` keeps its bytes.
VImage CorrectionLookup(const unsigned char (*tables)[256], std::vector<std::uint8_t>& storage) {
    constexpr int kCodes = 256;
    storage.resize(kCodes * 3);
    for (int code = 0; code < kCodes; ++code) {
        for (int c = 0; c < 3; ++c) {
            storage[static_cast<std::size_t>(code) * 3 + c] = tables[c][code];
        }
    }
    return VImage::new_from_memory(storage.data(), storage.size(), kCodes, 1, 3, VIPS_FORMAT_UCHAR);
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
    if (nameStart == std::string::npos || valueEnd == std::string::npos ||
        nameEnd == std::string::npos) {
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
              const SaveSettings& settings, std::string& error,
              const unsigned char (*tables)[256]) {
    const PhotoFormat format = OutputFormat(path, settings.format);
    try {
        std::vector<std::uint8_t> table;
        VImage out;
        if (photo.SixteenBits()) {
            out = DeepImage(photo, restored, format, table);
        } else {
            out = ToVipsImage(restored);
            if (tables != nullptr) {
                out = out.maplut(CorrectionLookup(tables, table));
            }
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
