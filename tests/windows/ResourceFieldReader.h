// Decoding aids shared by the resource checks: hexadecimal and four-character
// code formatting, and a reader that walks a resource field by field.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace mirtane::checks {

std::string Hex(std::uint32_t value, int digits);
// Four-character codes are stored little-endian: '8BIM' is the bytes "MIB8".
std::uint32_t CodeValue(const char (&code)[5]);
std::string CodeText(std::uint32_t value);
std::string Quoted(const std::string& text);

// Walks a resource field by field. A field that does not match adds a
// problem and decoding goes on; running out of bytes adds one problem and
// turns every later read into a no-op.
class FieldReader {
  public:
    FieldReader(const std::vector<std::uint8_t>& data, std::string resource,
                std::vector<std::string>& problems)
        : data_(data), resource_(std::move(resource)), problems_(problems) {}

    std::size_t position() const { return position_; }
    bool truncated() const { return truncated_; }

    bool ReadU8(const std::string& field, std::uint8_t& value) {
        if (!Need(field, 1)) {
            return false;
        }
        value = data_[position_++];
        return true;
    }

    bool ReadU16(const std::string& field, std::uint16_t& value) {
        if (!Need(field, 2)) {
            return false;
        }
        value = static_cast<std::uint16_t>(data_[position_] | (data_[position_ + 1] << 8));
        position_ += 2;
        return true;
    }

    bool ReadU32(const std::string& field, std::uint32_t& value) {
        if (!Need(field, 4)) {
            return false;
        }
        value = static_cast<std::uint32_t>(data_[position_]) |
                (static_cast<std::uint32_t>(data_[position_ + 1]) << 8) |
                (static_cast<std::uint32_t>(data_[position_ + 2]) << 16) |
                (static_cast<std::uint32_t>(data_[position_ + 3]) << 24);
        position_ += 4;
        return true;
    }

    void ExpectU8(const std::string& field, std::uint8_t expected) {
        const std::size_t at = position_;
        std::uint8_t value = 0;
        if (ReadU8(field, value) && value != expected) {
            Mismatch(field, at, Hex(expected, 2), Hex(value, 2));
        }
    }

    void ExpectU16(const std::string& field, std::uint16_t expected) {
        const std::size_t at = position_;
        std::uint16_t value = 0;
        if (ReadU16(field, value) && value != expected) {
            Mismatch(field, at, Hex(expected, 4), Hex(value, 4));
        }
    }

    void ExpectU32(const std::string& field, std::uint32_t expected) {
        const std::size_t at = position_;
        std::uint32_t value = 0;
        if (ReadU32(field, value) && value != expected) {
            Mismatch(field, at, Hex(expected, 8), Hex(value, 8));
        }
    }

    void ExpectCode(const std::string& field, const char (&code)[5]) {
        const std::size_t at = position_;
        std::uint32_t value = 0;
        if (ReadU32(field, value) && value != CodeValue(code)) {
            Mismatch(field, at, CodeText(CodeValue(code)), CodeText(value));
        }
    }

    // One length byte, then the text.
    void ExpectPascalString(const std::string& field, const std::string& expected) {
        const std::size_t at = position_;
        std::uint8_t length = 0;
        if (!ReadU8(field + " length", length) || !Need(field, length)) {
            return;
        }
        const std::string text(data_.begin() + static_cast<std::ptrdiff_t>(position_),
                               data_.begin() + static_cast<std::ptrdiff_t>(position_ + length));
        position_ += length;
        if (text != expected) {
            Mismatch(field, at,
                     Quoted(expected) + " (length " + std::to_string(expected.size()) + ")",
                     Quoted(text) + " (length " + std::to_string(length) + ")");
        }
    }

    // The text and its NUL; returns the text found for further checks.
    std::string ExpectCString(const std::string& field, const std::string& expected) {
        const std::size_t at = position_;
        std::string text;
        while (position_ < data_.size() && data_[position_] != 0) {
            text.push_back(static_cast<char>(data_[position_++]));
        }
        if (position_ == data_.size()) {
            problems_.push_back(resource_ + ": " + field + " at offset " + std::to_string(at) +
                                " has no NUL terminator");
            truncated_ = true;
            return text;
        }
        ++position_;
        if (text != expected) {
            Mismatch(field, at, Quoted(expected), Quoted(text));
        }
        return text;
    }

    // Zero bytes up to `end`, the padding of a property.
    void ExpectZeroPaddingTo(const std::string& field, std::size_t end) {
        if (truncated_) {
            return;
        }
        if (position_ > end) {
            problems_.push_back(resource_ + ": " + field + " content runs " +
                                std::to_string(position_ - end) +
                                " byte(s) past its stated length");
            return;
        }
        if (!Need(field + " padding", end - position_)) {
            return;
        }
        for (; position_ < end; ++position_) {
            if (data_[position_] != 0) {
                problems_.push_back(resource_ + ": " + field + " padding at offset " +
                                    std::to_string(position_) + " is " + Hex(data_[position_], 2) +
                                    ", expected 0x00");
            }
        }
    }

    void MoveTo(std::size_t position) {
        if (!truncated_) {
            position_ = std::min(position, data_.size());
        }
    }

    void ExpectEnd() {
        if (!truncated_ && position_ != data_.size()) {
            problems_.push_back(resource_ + ": " + std::to_string(data_.size() - position_) +
                                " unexpected byte(s) after the last field, from offset " +
                                std::to_string(position_));
        }
    }

    void Problem(const std::string& text) { problems_.push_back(resource_ + ": " + text); }

  private:
    bool Need(const std::string& field, std::size_t count) {
        if (truncated_) {
            return false;
        }
        if (data_.size() - position_ < count) {
            problems_.push_back(resource_ + ": ends at offset " + std::to_string(data_.size()) +
                                " inside " + field + " (needs " + std::to_string(count) +
                                " byte(s) from offset " + std::to_string(position_) + ")");
            truncated_ = true;
            return false;
        }
        return true;
    }

    void Mismatch(const std::string& field, std::size_t at, const std::string& expected,
                  const std::string& found) {
        problems_.push_back(resource_ + ": " + field + " at offset " + std::to_string(at) +
                            ": expected " + expected + ", found " + found);
    }

    const std::vector<std::uint8_t>& data_;
    std::string resource_;
    std::vector<std::string>& problems_;
    std::size_t position_ = 0;
    bool truncated_ = false;
};

}  // namespace mirtane::checks
