// The version information: fixed part and US-English string table.
#include "tests/windows/PluginResourceChecks.h"

#include <cctype>
#include <map>
#include <utility>

#include "resources/PluginIdentity.h"
#include "tests/windows/ResourceFieldReader.h"

namespace mirtane::checks {
namespace {

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

}  // namespace mirtane::checks
