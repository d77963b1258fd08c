#include "tests/windows/ResourceFieldReader.h"

#include <cctype>
#include <cstdio>

namespace mirtane::checks {

std::string Hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

std::uint32_t CodeValue(const char (&code)[5]) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(code[0])) << 24) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(code[1])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(code[2])) << 8) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(code[3]));
}

std::string CodeText(std::uint32_t value) {
    std::string text = "'";
    for (int shift = 24; shift >= 0; shift -= 8) {
        const unsigned char c = static_cast<unsigned char>(value >> shift);
        text.push_back(std::isprint(c) != 0 ? static_cast<char>(c) : '?');
    }
    return text + "' (" + Hex(value, 8) + ")";
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (std::isprint(static_cast<unsigned char>(c)) != 0) {
            out.push_back(c);
        } else {
            out += "\\x" + Hex(static_cast<unsigned char>(c), 2).substr(2);
        }
    }
    return out + "\"";
}

}  // namespace mirtane::checks
