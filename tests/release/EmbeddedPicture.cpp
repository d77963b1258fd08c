#include "tests/release/EmbeddedPicture.h"

#include <cstddef>

namespace helppage {

std::string DecodeBase64(const std::string& text) {
    static const std::string alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned buffer = 0;
    int bits = 0;
    for (const char c : text) {
        if (c == '=') {
            break;
        }
        const std::size_t value = alphabet.find(c);
        if (value == std::string::npos) {
            return "";
        }
        buffer = (buffer << 6) | static_cast<unsigned>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((buffer >> bits) & 0xFF);
        }
    }
    return out;
}

namespace {

unsigned BigEndian(const std::string& bytes, std::size_t offset, int count) {
    unsigned value = 0;
    for (int i = 0; i < count; ++i) {
        value = (value << 8) | static_cast<unsigned>(static_cast<unsigned char>(bytes[offset + i]));
    }
    return value;
}

}  // namespace

bool PictureSize(const std::string& bytes, unsigned& width, unsigned& height) {
    if (bytes.size() >= 24 && bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0 &&
        bytes.compare(12, 4, "IHDR") == 0) {
        width = BigEndian(bytes, 16, 4);
        height = BigEndian(bytes, 20, 4);
        return true;
    }
    if (bytes.size() < 4 || BigEndian(bytes, 0, 2) != 0xFFD8) {
        return false;
    }
    // JPEG: walk the marker segments to the frame header (SOF0 ... SOF15,
    // except DHT C4, JPG C8 and DAC CC).
    std::size_t position = 2;
    while (position + 4 <= bytes.size() && static_cast<unsigned char>(bytes[position]) == 0xFF) {
        const unsigned marker = static_cast<unsigned char>(bytes[position + 1]);
        const unsigned length = BigEndian(bytes, position + 2, 2);
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
            marker != 0xCC) {
            if (position + 9 > bytes.size()) {
                return false;
            }
            height = BigEndian(bytes, position + 5, 2);
            width = BigEndian(bytes, position + 7, 2);
            return true;
        }
        position += 2 + length;
    }
    return false;
}

}  // namespace helppage
