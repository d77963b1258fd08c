// Little-endian byte assembly for the checker's tests: resources and PE
// images are built inline, field by field, so each test states the bytes
// it feeds to the decoders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mirtane::checks {

class ByteWriter {
  public:
    std::vector<std::uint8_t> bytes;

    std::size_t size() const { return bytes.size(); }

    ByteWriter& U8(std::uint8_t value) {
        bytes.push_back(value);
        return *this;
    }
    ByteWriter& U16(std::uint16_t value) {
        U8(static_cast<std::uint8_t>(value));
        return U8(static_cast<std::uint8_t>(value >> 8));
    }
    ByteWriter& U32(std::uint32_t value) {
        U16(static_cast<std::uint16_t>(value));
        return U16(static_cast<std::uint16_t>(value >> 16));
    }
    // A four-character code as hosts store it: '8BIM' becomes "MIB8".
    ByteWriter& Code(const char (&code)[5]) {
        return U32((static_cast<std::uint32_t>(static_cast<unsigned char>(code[0])) << 24) |
                   (static_cast<std::uint32_t>(static_cast<unsigned char>(code[1])) << 16) |
                   (static_cast<std::uint32_t>(static_cast<unsigned char>(code[2])) << 8) |
                   static_cast<std::uint32_t>(static_cast<unsigned char>(code[3])));
    }
    ByteWriter& Text(const std::string& text) {
        bytes.insert(bytes.end(), text.begin(), text.end());
        return *this;
    }
    ByteWriter& PascalString(const std::string& text) {
        U8(static_cast<std::uint8_t>(text.size()));
        return Text(text);
    }
    ByteWriter& Zeros(std::size_t count) {
        bytes.insert(bytes.end(), count, 0);
        return *this;
    }
    ByteWriter& ZerosTo(std::size_t size) {
        if (bytes.size() < size) {
            Zeros(size - bytes.size());
        }
        return *this;
    }
    ByteWriter& Append(const std::vector<std::uint8_t>& more) {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return *this;
    }
    void Patch16(std::size_t at, std::uint16_t value) {
        bytes[at] = static_cast<std::uint8_t>(value);
        bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
    }
    void Patch32(std::size_t at, std::uint32_t value) {
        Patch16(at, static_cast<std::uint16_t>(value));
        Patch16(at + 2, static_cast<std::uint16_t>(value >> 16));
    }
};

}  // namespace mirtane::checks
