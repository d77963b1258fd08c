#include "cli/EncoderDefaults.h"

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>

#include <jpeglib.h>
#include <tiffio.h>

namespace mirtane::cli {
namespace {

// The luminance table of the JPEG standard (Annex K), in natural order, which
// libjpeg scales for a quality setting.
constexpr int kStandardLuminance[64] = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};

// libjpeg's jpeg_quality_scaling and jpeg_add_quant_table, baseline limited.
int ScaledEntry(int standard, int quality) {
    const int scale = quality < 50 ? 5000 / quality : 200 - quality * 2;
    const int entry = (standard * scale + 50) / 100;
    return entry < 1 ? 1 : (entry > 255 ? 255 : entry);
}

struct JpegErrorExit {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void LeaveOnError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegErrorExit*>(info->err)->jump, 1);
}

void IgnoreMessage(j_common_ptr) {}

int QualityOfTable(const JQUANT_TBL& table) {
    int best = 0;
    long bestDistance = std::numeric_limits<long>::max();
    for (int quality = 1; quality <= 100; ++quality) {
        long distance = 0;
        for (int i = 0; i < 64; ++i) {
            distance += std::labs(static_cast<long>(table.quantval[i]) -
                                  ScaledEntry(kStandardLuminance[i], quality));
        }
        if (distance < bestDistance) {
            bestDistance = distance;
            best = quality;
        }
    }
    return best;
}

}  // namespace

int EstimateJpegQuality(const std::string& path) {
    std::unique_ptr<FILE, decltype(&std::fclose)> file(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
    if (!file) {
        return 0;
    }
    jpeg_decompress_struct info{};
    JpegErrorExit error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = &LeaveOnError;
    error.manager.output_message = &IgnoreMessage;
    if (setjmp(error.jump) != 0) {
        jpeg_destroy_decompress(&info);
        return 0;
    }
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file.get());
    jpeg_read_header(&info, TRUE);
    const int quality =
        info.quant_tbl_ptrs[0] != nullptr ? QualityOfTable(*info.quant_tbl_ptrs[0]) : 0;
    jpeg_destroy_decompress(&info);
    return quality;
}

std::string TiffCompression(const std::string& path) {
    // libtiff reports unknown tags and the like on standard error.
    TIFFSetWarningHandler(nullptr);
    TIFFSetErrorHandler(nullptr);
    std::unique_ptr<TIFF, decltype(&TIFFClose)> tiff(TIFFOpen(path.c_str(), "r"), &TIFFClose);
    if (!tiff) {
        return {};
    }
    std::uint16_t compression = 0;
    if (TIFFGetField(tiff.get(), TIFFTAG_COMPRESSION, &compression) != 1) {
        return {};
    }
    switch (compression) {
    case COMPRESSION_NONE: return "none";
    case COMPRESSION_LZW: return "lzw";
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE: return "deflate";
    case COMPRESSION_PACKBITS: return "packbits";
    case COMPRESSION_JPEG: return "jpeg";
    case COMPRESSION_ZSTD: return "zstd";
    case COMPRESSION_WEBP: return "webp";
    default: return {};
    }
}

}  // namespace mirtane::cli
