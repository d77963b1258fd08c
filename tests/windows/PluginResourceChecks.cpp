#include "tests/windows/PluginResourceChecks.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <utility>

#include "resources/PluginIdentity.h"

namespace mirtane::checks {

namespace {

std::string Hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

// Four-character codes are stored little-endian: '8BIM' is the bytes "MIB8".
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

bool IsGuidInBraces(const std::string& text) {
    // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
    if (text.size() != 38 || text.front() != '{' || text.back() != '}') {
        return false;
    }
    for (std::size_t i = 1; i < 37; ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? text[i] != '-' : std::isxdigit(static_cast<unsigned char>(text[i])) == 0) {
            return false;
        }
    }
    return true;
}

struct PropertyExpectation {
    const char* key;
    std::uint32_t length;
};

void CheckPropertyData(FieldReader& reader, const std::string& key, const std::string& field) {
    if (key == "kind") {
        reader.ExpectCode(field + " filter kind", "8BFM");
    } else if (key == "name") {
        reader.ExpectPascalString(field + " menu name", "MIRTANE v1.1.4");
    } else if (key == "catg") {
        reader.ExpectPascalString(field + " category", "Norlund");
    } else if (key == "vers") {
        reader.ExpectU32(field + " interface version", 0x00040000);
    } else if (key == "wx86" || key == "8664") {
        reader.ExpectCString(field + " entry point", "PluginMain");
    } else if (key == "mode") {
        reader.ExpectU8(field + " mode byte 0 (RGB only)", 0x10);
        reader.ExpectU8(field + " mode byte 1", 0);
        reader.ExpectU8(field + " mode byte 2", 0);
        reader.ExpectU8(field + " mode byte 3", 0);
    } else if (key == "hstm") {
        reader.ExpectU32(field + " version", 0);
        reader.ExpectCode(field + " class", "sdk1");
        reader.ExpectCode(field + " event", "sdk1");
        reader.ExpectU16(field + " terminology id", kPluginResourceId);
        const std::size_t at = reader.position();
        const std::string id =
            reader.ExpectCString(field + " unique identifier", MIRTANE_UNIQUE_ID);
        if (!reader.truncated() && !IsGuidInBraces(id)) {
            reader.Problem(field + " unique identifier at offset " + std::to_string(at) +
                           " is not a GUID in braces: " + Quoted(id));
        }
    } else if (key == "enbl") {
        reader.ExpectCString(field + " enabling expression", "in (PSHOP_ImageMode, RGBMode)");
    } else if (key == "fici") {
        static const char* const kCases[7] = {"flat image",
                                              "flat image with selection",
                                              "floating selection",
                                              "editable transparency",
                                              "editable transparency with selection",
                                              "protected transparency",
                                              "protected transparency with selection"};
        for (const char* filterCase : kCases) {
            const std::string entry = field + " " + filterCase;
            reader.ExpectU8(entry + " input handling", 4);
            reader.ExpectU8(entry + " output handling", 4);
            reader.ExpectU8(entry + " flags 1", 0);
            reader.ExpectU8(entry + " flags 2", 0);
        }
    }
}

// ---- Version information ---------------------------------------------------

constexpr std::uint16_t kVersionTypeBinary = 0;
constexpr std::uint16_t kVersionTypeText = 1;

struct VersionNode {
    std::size_t offset = 0;
    std::string key;
    std::uint16_t type = 0;
    std::uint16_t valueLength = 0;  // in UTF-16 units for text, in bytes otherwise
    std::vector<std::uint8_t> value;
    std::vector<VersionNode> children;
};

std::size_t AlignTo4(std::size_t offset) { return (offset + 3) & ~std::size_t{3}; }

std::uint16_t U16At(const std::vector<std::uint8_t>& data, std::size_t offset) {
    return static_cast<std::uint16_t>(data[offset] | (data[offset + 1] << 8));
}

std::uint32_t U32At(const std::vector<std::uint8_t>& data, std::size_t offset) {
    return static_cast<std::uint32_t>(U16At(data, offset)) |
           (static_cast<std::uint32_t>(U16At(data, offset + 2)) << 16);
}

// Each node: total length, value length, type, a NUL-terminated UTF-16 key,
// padding to 4, the value, padding to 4, then child nodes up to the total.
bool ParseVersionNode(const std::vector<std::uint8_t>& data, std::size_t offset, std::size_t limit,
                      int depth, VersionNode& node, std::vector<std::string>& problems) {
    const std::string where = "version information: node at offset " + std::to_string(offset);
    if (depth > 4) {
        problems.push_back(where + " is nested too deeply");
        return false;
    }
    if (limit - offset < 6) {
        problems.push_back(where + " is truncated");
        return false;
    }
    const std::uint16_t length = U16At(data, offset);
    node.offset = offset;
    node.valueLength = U16At(data, offset + 2);
    node.type = U16At(data, offset + 4);
    if (length < 6 || length > limit - offset) {
        problems.push_back(where + " has length " + std::to_string(length) +
                           ", past its parent's end");
        return false;
    }
    const std::size_t end = offset + length;
    std::size_t position = offset + 6;
    for (;;) {
        if (end - position < 2) {
            problems.push_back(where + ": key has no terminator");
            return false;
        }
        const std::uint16_t unit = U16At(data, position);
        position += 2;
        if (unit == 0) {
            break;
        }
        node.key.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
    }
    position = AlignTo4(position);
    const std::size_t valueBytes =
        node.type == kVersionTypeText ? node.valueLength * std::size_t{2} : node.valueLength;
    if (position > end || end - position < valueBytes) {
        problems.push_back(where + " (\"" + node.key + "\"): value runs past the node's end");
        return false;
    }
    node.value.assign(data.begin() + static_cast<std::ptrdiff_t>(position),
                      data.begin() + static_cast<std::ptrdiff_t>(position + valueBytes));
    position = AlignTo4(position + valueBytes);
    while (position < end) {
        VersionNode child;
        if (!ParseVersionNode(data, position, end, depth + 1, child, problems)) {
            return false;
        }
        position = AlignTo4(child.offset + U16At(data, child.offset));
        node.children.push_back(std::move(child));
    }
    return true;
}

std::string UpperCase(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

void CheckFixedFileInfo(const VersionNode& root, std::vector<std::string>& problems) {
    const std::string where = "version information: fixed part: ";
    if (root.type != kVersionTypeBinary || root.value.size() != 52) {
        problems.push_back(where + "expected 52 bytes of binary value, found " +
                           std::to_string(root.value.size()));
        return;
    }
    struct Field {
        const char* name;
        std::size_t offset;
        std::uint32_t expected;
    };
    static const Field kFields[] = {
        {"signature", 0, 0xFEEF04BD},
        {"structure version", 4, 0x00010000},
        {"file version (high)", 8, 0x00010001},
        {"file version (low)", 12, 0x00040000},
        {"product version (high)", 16, 0x00010001},
        {"product version (low)", 20, 0x00040000},
        {"file flags", 28, 0},
        {"file OS (32-bit Windows)", 32, 0x00000004},
        {"file type (DLL)", 36, 0x00000002},
        {"file subtype", 40, 0},
    };
    for (const Field& field : kFields) {
        const std::uint32_t value = U32At(root.value, field.offset);
        if (value != field.expected) {
            problems.push_back(where + field.name + ": expected " + Hex(field.expected, 8) +
                               ", found " + Hex(value, 8));
        }
    }
}

// A text value holds exactly its characters and one terminating NUL.
bool DecodeTextValue(const VersionNode& node, std::string& text, std::string& fault) {
    text.clear();
    if (node.type != kVersionTypeText) {
        fault = "is not stored as text";
        return false;
    }
    if (node.valueLength == 0) {
        fault = "has no terminating NUL (value length 0)";
        return false;
    }
    const std::size_t units = node.valueLength;
    for (std::size_t i = 0; i + 1 < units; ++i) {
        const std::uint16_t unit = U16At(node.value, i * 2);
        if (unit == 0) {
            fault = "has a NUL inside its stated length (value length " + std::to_string(units) +
                    ", text ends after " + std::to_string(i) + " characters)";
            return false;
        }
        text.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
    }
    if (U16At(node.value, (units - 1) * 2) != 0) {
        fault = "is not NUL-terminated within its stated length";
        return false;
    }
    return true;
}

void CheckStringTable(const VersionNode& table, std::vector<std::string>& problems) {
    const std::string where = "version information: string table " + table.key + ": ";
    const std::map<std::string, std::string> expected = {
        {"CompanyName", "Norlund"},
        {"FileDescription", "MIRTANE Plug-In"},
        {"InternalName", "MIRTANE Plug-In"},
        {"ProductName", "MIRTANE Plug-In"},
        {"FileVersion", "1.1.4"},
        {"ProductVersion", "1.1.4"},
        {"OriginalFilename", "Mirtane.8bf"},
    };
    std::map<std::string, std::string> found;
    for (const VersionNode& entry : table.children) {
        std::string text;
        std::string fault;
        if (!DecodeTextValue(entry, text, fault)) {
            problems.push_back(where + "\"" + entry.key + "\" " + fault);
            continue;
        }
        if (!found.emplace(entry.key, text).second) {
            problems.push_back(where + "\"" + entry.key + "\" appears twice");
        }
    }
    for (const auto& [key, text] : expected) {
        const auto it = found.find(key);
        if (it == found.end()) {
            problems.push_back(where + "\"" + key + "\" is missing");
        } else if (it->second != text) {
            problems.push_back(where + "\"" + key + "\": expected " + Quoted(text) + ", found " +
                               Quoted(it->second));
        }
    }
    const auto legal = found.find("LegalCopyright");
    if (legal == found.end() || legal->second.empty()) {
        problems.push_back(where + "\"LegalCopyright\" is missing or empty");
    }
}

}  // namespace

void CheckPropertyList(const std::vector<std::uint8_t>& data, PeMachine machine,
                       std::vector<std::string>& problems) {
    const PropertyExpectation expected[9] = {
        {"kind", 4},
        {"name", 16},
        {"catg", 8},
        {"vers", 4},
        {machine == PeMachine::X8664 ? "8664" : "wx86", 12},
        {"mode", 4},
        {"hstm", 56},
        {"enbl", 32},
        {"fici", 28},
    };
    FieldReader reader(data, "property list", problems);
    reader.ExpectU16("format", 1);
    reader.ExpectU32("list version", 0);
    reader.ExpectU32("property count", 9);
    for (int i = 0; i < 9 && !reader.truncated(); ++i) {
        const PropertyExpectation& property = expected[i];
        const std::string field = "property " + std::to_string(i + 1) + " ('" + property.key + "')";
        reader.ExpectCode(field + " vendor", "8BIM");
        const std::size_t keyAt = reader.position();
        std::uint32_t key = 0;
        if (!reader.ReadU32(field + " key", key)) {
            break;
        }
        char keyText[5] = {static_cast<char>(key >> 24), static_cast<char>(key >> 16),
                           static_cast<char>(key >> 8), static_cast<char>(key), 0};
        if (std::string(keyText) != property.key) {
            reader.Problem(field + " key at offset " + std::to_string(keyAt) + ": expected '" +
                           property.key + "', found " + CodeText(key));
        }
        reader.ExpectU32(field + " id", 0);
        const std::size_t lengthAt = reader.position();
        std::uint32_t length = 0;
        if (!reader.ReadU32(field + " length", length)) {
            break;
        }
        if (length != property.length) {
            reader.Problem(field + " length at offset " + std::to_string(lengthAt) + ": expected " +
                           std::to_string(property.length) + ", found " + std::to_string(length));
        }
        // Decode the data the key announces, then walk on by the stated
        // length, so one wrong property does not hide the ones after it.
        const std::size_t dataStart = reader.position();
        CheckPropertyData(reader, keyText, field);
        reader.ExpectZeroPaddingTo(field, dataStart + length);
        reader.MoveTo(dataStart + length);
    }
    reader.ExpectEnd();
}

void CheckVersionInformation(const std::vector<std::uint8_t>& data,
                             std::vector<std::string>& problems) {
    VersionNode root;
    if (!ParseVersionNode(data, 0, data.size(), 0, root, problems)) {
        return;
    }
    if (root.key != "VS_VERSION_INFO") {
        problems.push_back("version information: root key is \"" + root.key + "\"");
    }
    CheckFixedFileInfo(root, problems);

    const VersionNode* strings = nullptr;
    const VersionNode* variables = nullptr;
    for (const VersionNode& child : root.children) {
        if (child.key == "StringFileInfo") {
            strings = &child;
        } else if (child.key == "VarFileInfo") {
            variables = &child;
        }
    }
    if (strings == nullptr || strings->children.size() != 1) {
        problems.push_back("version information: expected one string table under StringFileInfo");
    } else if (UpperCase(strings->children[0].key) != "040904B0") {
        problems.push_back("version information: string table is \"" + strings->children[0].key +
                           "\", expected 040904B0 (US English, code page 1200)");
    } else {
        CheckStringTable(strings->children[0], problems);
    }

    const VersionNode* translation = nullptr;
    if (variables != nullptr) {
        for (const VersionNode& child : variables->children) {
            if (child.key == "Translation") {
                translation = &child;
            }
        }
    }
    if (translation == nullptr || translation->value.size() != 4) {
        problems.push_back("version information: VarFileInfo has no single Translation entry");
    } else if (U16At(translation->value, 0) != 0x0409 || U16At(translation->value, 2) != 1200) {
        problems.push_back("version information: Translation is " +
                           Hex(U16At(translation->value, 0), 4) + "/" +
                           std::to_string(U16At(translation->value, 2)) + ", expected 0x0409/1200");
    }
}

void CheckTerminology(const std::vector<std::uint8_t>& data, std::vector<std::string>& problems) {
    FieldReader reader(data, "terminology", problems);
    reader.ExpectU16("resource format", 1);
    reader.ExpectU8("major version", 1);
    reader.ExpectU8("minor version", 0);
    reader.ExpectU16("language", 0);
    reader.ExpectU16("script", 0);
    reader.ExpectU16("suite count", 1);
    reader.ExpectPascalString("suite vendor", "Norlund");
    reader.ExpectPascalString("suite description", "Vexa plug-in");
    reader.ExpectCode("suite code", "sdk1");
    reader.ExpectU16("suite level", 1);
    reader.ExpectU16("suite version", 1);
    reader.ExpectU16("event count", 1);
    reader.ExpectPascalString("event name", "MIRTANE");
    reader.ExpectPascalString("event description", "MIRTANE filter plug-in");
    reader.ExpectCode("event class", "sdk1");
    reader.ExpectCode("event id", "sdk1");
    reader.ExpectCode("reply type", "null");
    reader.ExpectPascalString("reply description", "");
    reader.ExpectU16("reply flags", 0);
    reader.ExpectCode("direct parameter type", "#ImR");
    reader.ExpectPascalString("direct parameter description", "");
    reader.ExpectU16("direct parameter flags", 0xB000);
    reader.ExpectU16("parameter count", 3);
    struct Parameter {
        const char* name;
        const char (&key)[5];
        const char* description;
    };
    const Parameter parameters[3] = {
        {"Red Tint", "Rd  ", "Red Tint amount"},
        {"Green Tint", "Grn ", "Green Tint amount"},
        {"Blue Tint", "Bl  ", "Blue Tint amount"},
    };
    for (const Parameter& parameter : parameters) {
        const std::string field = std::string("parameter \"") + parameter.name + "\"";
        reader.ExpectPascalString(field + " name", parameter.name);
        reader.ExpectCode(field + " key", parameter.key);
        reader.ExpectCode(field + " type", "doub");
        reader.ExpectPascalString(field + " description", parameter.description);
        reader.ExpectU16(field + " flags", 0);
    }
    reader.ExpectU16("class count", 0);
    reader.ExpectU16("comparison operator count", 0);
    reader.ExpectU16("enumeration count", 0);
    reader.ExpectEnd();
}

}  // namespace mirtane::checks
