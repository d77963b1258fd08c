#include "hosts/testhost/ImageFile.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace testhost {
namespace {

constexpr std::uint32_t kBmpFileHeaderSize = 14;
constexpr std::uint32_t kBmpInfoHeaderSize = 40;

bool SidesAcceptable(std::int64_t width, std::int64_t height, std::string& error) {
    if (width <= 0 || height <= 0) {
        error = "image has no pixels";
        return false;
    }
    if (width > kMaxImageSide || height > kMaxImageSide) {
        error = "image is larger than 32767 pixels on a side";
        return false;
    }
    return true;
}

// ---- PPM -------------------------------------------------------------------

// Skips blanks and '#' comments of a PPM header.
void SkipPpmSpace(const std::vector<std::uint8_t>& bytes, std::size_t& pos) {
    while (pos < bytes.size()) {
        if (bytes[pos] == '#') {
            while (pos < bytes.size() && bytes[pos] != '\n' && bytes[pos] != '\r') {
                ++pos;
            }
        } else if (std::isspace(bytes[pos])) {
            ++pos;
        } else {
            return;
        }
    }
}

bool ReadPpmNumber(const std::vector<std::uint8_t>& bytes, std::size_t& pos, std::int64_t& value) {
    SkipPpmSpace(bytes, pos);
    if (pos >= bytes.size() || !std::isdigit(bytes[pos])) {
        return false;
    }
    value = 0;
    while (pos < bytes.size() && std::isdigit(bytes[pos])) {
        value = value * 10 + (bytes[pos] - '0');
        if (value > 1000000000) {
            return false;
        }
        ++pos;
    }
    return true;
}

bool DecodePpm(const std::vector<std::uint8_t>& bytes, Image& out, std::string& error) {
    std::size_t pos = 2;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t maxValue = 0;
    if (!ReadPpmNumber(bytes, pos, width) || !ReadPpmNumber(bytes, pos, height) ||
        !ReadPpmNumber(bytes, pos, maxValue)) {
        error = "malformed PPM header";
        return false;
    }
    if (maxValue != 255) {
        error = "only PPM files with 8-bit samples (maximum value 255) are supported";
        return false;
    }
    // Exactly one blank separates the header from the samples.
    if (pos >= bytes.size() || !std::isspace(bytes[pos])) {
        error = "malformed PPM header";
        return false;
    }
    ++pos;
    if (!SidesAcceptable(width, height, error)) {
        return false;
    }
    const std::uint64_t sampleCount = static_cast<std::uint64_t>(width) * height * 3;
    if (bytes.size() - pos < sampleCount) {
        error = "PPM pixel data is truncated";
        return false;
    }
    Image image = hostkit::MakeImage(static_cast<int>(width), static_cast<int>(height), 3);
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(pos), sampleCount,
                image.pixels.begin());
    out = std::move(image);
    return true;
}

void EncodePpm(const Image& image, std::vector<std::uint8_t>& out) {
    char header[64];
    const int length =
        std::snprintf(header, sizeof header, "P6\n%d %d\n255\n", image.width, image.height);
    out.assign(header, header + length);
    out.insert(out.end(), image.pixels.begin(), image.pixels.end());
}

// ---- BMP -------------------------------------------------------------------

std::uint32_t ReadLe32(const std::vector<std::uint8_t>& bytes, std::size_t pos) {
    return static_cast<std::uint32_t>(bytes[pos]) |
           (static_cast<std::uint32_t>(bytes[pos + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[pos + 2]) << 16) |
           (static_cast<std::uint32_t>(bytes[pos + 3]) << 24);
}

std::uint16_t ReadLe16(const std::vector<std::uint8_t>& bytes, std::size_t pos) {
    return static_cast<std::uint16_t>(bytes[pos] | (bytes[pos + 1] << 8));
}

void AppendLe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

void AppendLe16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

bool DecodeBmp(const std::vector<std::uint8_t>& bytes, Image& out, std::string& error) {
    if (bytes.size() < kBmpFileHeaderSize + kBmpInfoHeaderSize) {
        error = "BMP headers are truncated";
        return false;
    }
    const std::uint32_t dataOffset = ReadLe32(bytes, 10);
    const std::uint32_t infoSize = ReadLe32(bytes, 14);
    if (infoSize < kBmpInfoHeaderSize) {
        error = "unsupported BMP header (older than the 40-byte information header)";
        return false;
    }
    const std::int64_t width = static_cast<std::int32_t>(ReadLe32(bytes, 18));
    const std::int64_t signedHeight = static_cast<std::int32_t>(ReadLe32(bytes, 22));
    const std::uint16_t planeCount = ReadLe16(bytes, 26);
    const std::uint16_t bitsPerPixel = ReadLe16(bytes, 28);
    const std::uint32_t compression = ReadLe32(bytes, 30);
    if (planeCount != 1 || (bitsPerPixel != 24 && bitsPerPixel != 32) || compression != 0) {
        error = "only uncompressed 24- and 32-bit BMP files are supported";
        return false;
    }
    const bool topDown = signedHeight < 0;
    const std::int64_t height = topDown ? -signedHeight : signedHeight;
    if (!SidesAcceptable(width, height, error)) {
        return false;
    }
    const std::uint64_t bytesPerPixel = bitsPerPixel / 8;
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bitsPerPixel + 31) / 32 * 4;
    if (dataOffset < kBmpFileHeaderSize + infoSize ||
        static_cast<std::uint64_t>(dataOffset) + stride * static_cast<std::uint64_t>(height) >
            bytes.size()) {
        error = "BMP pixel data is truncated";
        return false;
    }
    Image image = hostkit::MakeImage(static_cast<int>(width), static_cast<int>(height), 3);
    for (int y = 0; y < image.height; ++y) {
        const int fileRow = topDown ? y : image.height - 1 - y;
        const std::size_t rowStart = dataOffset + static_cast<std::size_t>(fileRow) * stride;
        for (int x = 0; x < image.width; ++x) {
            const std::size_t pixel = rowStart + static_cast<std::size_t>(x) * bytesPerPixel;
            image.At(x, y, 0) = bytes[pixel + 2];
            image.At(x, y, 1) = bytes[pixel + 1];
            image.At(x, y, 2) = bytes[pixel];
        }
    }
    out = std::move(image);
    return true;
}

void EncodeBmp(const Image& image, std::vector<std::uint8_t>& out) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(image.width) * 3 + 3) / 4 * 4;
    const std::uint32_t dataSize = stride * static_cast<std::uint32_t>(image.height);
    const std::uint32_t dataOffset = kBmpFileHeaderSize + kBmpInfoHeaderSize;
    constexpr std::uint32_t kPixelsPerMetre = 2835;  // 72 dots per inch
    out.clear();
    out.reserve(dataOffset + dataSize);
    out.push_back('B');
    out.push_back('M');
    AppendLe32(out, dataOffset + dataSize);
    AppendLe32(out, 0);
    AppendLe32(out, dataOffset);
    AppendLe32(out, kBmpInfoHeaderSize);
    AppendLe32(out, static_cast<std::uint32_t>(image.width));
    AppendLe32(out, static_cast<std::uint32_t>(image.height));  // bottom-up
    AppendLe16(out, 1);
    AppendLe16(out, 24);
    AppendLe32(out, 0);
    AppendLe32(out, dataSize);
    AppendLe32(out, kPixelsPerMetre);
    AppendLe32(out, kPixelsPerMetre);
    AppendLe32(out, 0);
    AppendLe32(out, 0);
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            out.push_back(image.At(x, y, 2));
            out.push_back(image.At(x, y, 1));
            out.push_back(image.At(x, y, 0));
        }
        for (std::uint32_t pad = static_cast<std::uint32_t>(image.width) * 3; pad < stride; ++pad) {
            out.push_back(0);
        }
    }
}

}  // namespace

bool DecodeImage(const std::vector<std::uint8_t>& bytes, Image& out, std::string& error) {
    if (bytes.size() >= 2 && bytes[0] == 'P' && bytes[1] == '6') {
        return DecodePpm(bytes, out, error);
    }
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
        return DecodeBmp(bytes, out, error);
    }
    error = "not a binary PPM (P6) or BMP file";
    return false;
}

bool EncodeImage(const Image& image, ImageFormat format, std::vector<std::uint8_t>& out,
                 std::string& error) {
    if (image.Empty() || image.planes != 3 ||
        image.pixels.size() !=
            static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3) {
        error = "only non-empty three-plane images can be written";
        return false;
    }
    if (format == ImageFormat::Bmp) {
        EncodeBmp(image, out);
    } else {
        EncodePpm(image, out);
    }
    return true;
}

ImageFormat FormatForPath(const std::string& path) {
    if (path.size() < 4) {
        return ImageFormat::Ppm;
    }
    std::string suffix = path.substr(path.size() - 4);
    std::transform(suffix.begin(), suffix.end(), suffix.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return suffix == ".bmp" ? ImageFormat::Bmp : ImageFormat::Ppm;
}

bool ReadImageFile(const std::string& path, Image& out, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                          std::istreambuf_iterator<char>());
    if (file.bad()) {
        error = "cannot read " + path;
        return false;
    }
    if (!DecodeImage(bytes, out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool WriteImageFile(const std::string& path, const Image& image, std::string& error) {
    std::vector<std::uint8_t> bytes;
    if (!EncodeImage(image, FormatForPath(path), bytes, error)) {
        return false;
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace testhost
