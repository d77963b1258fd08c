#include "hosts/testhost/PiplReader.h"

#include <algorithm>
#include <cstdio>

#include "pluginapi/PluginConstants.h"

namespace testhost {
namespace {

constexpr std::size_t kListHeaderSize = 10;
constexpr std::size_t kPropertyHeaderSize = 16;

std::uint32_t Le32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) |
           (static_cast<std::uint32_t>(bytes[3]) << 24);
}

std::string CString(const std::vector<std::uint8_t>& data, std::size_t start) {
    std::string text;
    for (std::size_t i = start; i < data.size() && data[i] != 0; ++i) {
        text.push_back(static_cast<char>(data[i]));
    }
    return text;
}

std::string PascalString(const std::vector<std::uint8_t>& data) {
    if (data.empty()) {
        return {};
    }
    const std::size_t length = std::min<std::size_t>(data[0], data.size() - 1);
    return std::string(data.begin() + 1, data.begin() + 1 + static_cast<std::ptrdiff_t>(length));
}

std::string Hex(const std::vector<std::uint8_t>& data) {
    std::string text;
    char byte[4];
    for (const std::uint8_t value : data) {
        std::snprintf(byte, sizeof byte, "%02X ", value);
        text += byte;
    }
    if (!text.empty()) {
        text.pop_back();
    }
    return text;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string DescribeData(const PiplProperty& property) {
    const std::vector<std::uint8_t>& data = property.data;
    const OSType key = property.key;
    if (key == FourCharCode("kind") && data.size() >= 4) {
        return FourCharText(Le32(data.data()));
    }
    if (key == FourCharCode("name") || key == FourCharCode("catg")) {
        return Quoted(PascalString(data));
    }
    if (key == FourCharCode("vers") && data.size() >= 4) {
        const std::uint32_t version = Le32(data.data());
        return std::to_string(version >> 16) + "." + std::to_string(version & 0xFFFF);
    }
    if (key == FourCharCode("wx86") || key == FourCharCode("8664") || key == FourCharCode("wa64") ||
        key == FourCharCode("enbl")) {
        return Quoted(CString(data, 0));
    }
    if (key == FourCharCode("hstm") && data.size() >= 14) {
        const unsigned terminologyId = static_cast<unsigned>(data[12] | (data[13] << 8));
        return "version " + std::to_string(Le32(data.data())) + ", class " +
               FourCharText(Le32(data.data() + 4)) + ", event " +
               FourCharText(Le32(data.data() + 8)) + ", terminology " +
               std::to_string(terminologyId) + ", scope " + Quoted(CString(data, 14));
    }
    if (key == FourCharCode("fici")) {
        std::string text;
        for (std::size_t i = 0; i + 4 <= data.size(); i += 4) {
            text += (i == 0 ? "" : ", ") + std::to_string(data[i]) + "/" +
                    std::to_string(data[i + 1]) + "/" + std::to_string(data[i + 2]) + "/" +
                    std::to_string(data[i + 3]);
        }
        return text;
    }
    return Hex(data);
}

}  // namespace

std::string FourCharText(OSType code) {
    std::string text = "'";
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((code >> shift) & 0xFF);
        text.push_back(c >= 0x20 && c < 0x7F ? c : '?');
    }
    return text + "'";
}

bool ParsePipl(const std::uint8_t* bytes, std::size_t size, std::vector<PiplProperty>& properties,
               std::string& error) {
    properties.clear();
    if (bytes == nullptr || size < kListHeaderSize) {
        error = "property list header is truncated";
        return false;
    }
    if (Le32(bytes + 2) != 0) {
        error = "property list version is not 0";
        return false;
    }
    const std::uint32_t count = Le32(bytes + 6);
    std::size_t pos = kListHeaderSize;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (size - pos < kPropertyHeaderSize) {
            error = "property " + std::to_string(i) + " header is truncated";
            return false;
        }
        PiplProperty property;
        property.vendor = Le32(bytes + pos);
        property.key = Le32(bytes + pos + 4);
        property.id = static_cast<std::int32_t>(Le32(bytes + pos + 8));
        property.length = static_cast<std::int32_t>(Le32(bytes + pos + 12));
        pos += kPropertyHeaderSize;
        if (property.length < 0 || static_cast<std::size_t>(property.length) > size - pos) {
            error = "property " + std::to_string(i) + " data is truncated";
            return false;
        }
        property.data.assign(bytes + pos, bytes + pos + property.length);
        const std::size_t padded =
            (static_cast<std::size_t>(property.length) + 3) & ~std::size_t{3};
        pos = std::min(size, pos + padded);
        properties.push_back(std::move(property));
    }
    return true;
}

OSType NativeEntryPointKey() {
#if UINTPTR_MAX == 0xFFFFFFFFu
    return FourCharCode("wx86");
#else
    return FourCharCode("8664");
#endif
}

bool FindEntryPoint(const std::vector<PiplProperty>& properties, OSType key, std::string& name) {
    for (const PiplProperty& property : properties) {
        if (property.key == key) {
            name = CString(property.data, 0);
            return !name.empty();
        }
    }
    return false;
}

bool IsFilterModule(const std::vector<PiplProperty>& properties) {
    for (const PiplProperty& property : properties) {
        if (property.key == FourCharCode("kind") && property.data.size() >= 4 &&
            Le32(property.data.data()) == kFilterKind) {
            return true;
        }
    }
    return false;
}

std::string DescribeProperty(const PiplProperty& property) {
    return FourCharText(property.vendor) + " " + FourCharText(property.key) + " id " +
           std::to_string(property.id) + " length " + std::to_string(property.length) + ": " +
           DescribeData(property);
}

}  // namespace testhost
