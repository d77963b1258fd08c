// The property list ("PIPL" 16000), key by key.
#include "tests/windows/PluginResourceChecks.h"

#include <cctype>
#include <utility>

#include "resources/PluginIdentity.h"
#include "tests/windows/ResourceFieldReader.h"

namespace mirtane::checks {
namespace {

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

}  // namespace mirtane::checks
