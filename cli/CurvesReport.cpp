#include "cli/CurvesReport.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace mirtane::cli {
namespace {

constexpr const char* kChannelNames[3] = {"red", "green", "blue"};

std::string Number(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

std::string JsonNumber(float value) { return std::isfinite(value) ? Number(value) : "null"; }

// Length of the well-formed UTF-8 sequence starting at `at` (RFC 3629: no
// overlong forms, no surrogates, nothing above U+10FFFF), or 0.
std::size_t Utf8SequenceLength(const std::string& text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    std::uint32_t point = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        point = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        point = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        point = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        point = point << 6 | (next & 0x3F);
    }
    const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool surrogate = point >= 0xD800 && point <= 0xDFFF;
    return point < smallest[length] || surrogate || point > 0x10FFFF ? 0 : length;
}

// Numbers of the natural method's choice print with %.17g: a script that
// rebuilds the tables from them gets the method's own doubles.
std::string Exact(double value) {
    if (!std::isfinite(value)) {
        return "null";
    }
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

template <typename T>
std::string Triple(const T (&values)[3]) {
    std::string text = "[";
    for (int c = 0; c < 3; ++c) {
        text += (c == 0 ? "" : ", ") + Exact(static_cast<double>(values[c]));
    }
    return text + "]";
}

std::string NaturalJson(const MirtaneNaturalChoice& natural) {
    std::string json = "{\n    \"area\": [";
    for (int i = 0; i < 4; ++i) {
        json += (i == 0 ? "" : ", ") + std::to_string(natural.area[i]);
    }
    json += "],\n    \"black\": " + Triple(natural.black);
    json += ",\n    \"white\": " + Triple(natural.white);
    json += ",\n    \"shrunkWhite\": " + Triple(natural.shrunkWhite);
    json += ",\n    \"evidence\": ";
    json +=
        natural.evidence == MIRTANE_EVIDENCE_SHARED_TINT ? "\"shared tint\"" : "\"raised black\"";
    json += ",\n    \"blackStrength\": " + Exact(natural.blackStrength);
    json += ",\n    \"tintStrength\": " + Exact(natural.tintStrength);
    json += ",\n    \"tint\": [";
    for (int band = 0; band < 3; ++band) {
        json += std::string(band == 0 ? "" : ", ") + "[" + Exact(natural.tint[band][0]) + ", " +
                Exact(natural.tint[band][1]) + "]";
    }
    json += "],\n    \"flare\": " + Exact(natural.flare);
    json += ",\n    \"blackDensity\": " + Triple(natural.blackDensity);
    json += ",\n    \"balanceGain\": " + Triple(natural.balanceGain);
    json += ",\n    \"gain\": " + Triple(natural.gain);
    json += ",\n    \"depthGain\": " + Exact(natural.depthGain);
    json += ",\n    \"strength\": " + Exact(natural.strength);
    return json + "\n  }";
}

}  // namespace

std::string FormatCurvesText(const ChannelCurves& curves) {
    std::string text = "black-level " + Number(curves.blackLevel) + "\n";
    text += "white-level " + Number(curves.whiteLevel) + "\n";
    for (int channel = 0; channel < 3; ++channel) {
        text += kChannelNames[channel];
        for (const float value : curves.tables[channel]) {
            text += " " + Number(value);
        }
        text += "\n";
    }
    return text;
}

std::string JsonString(const std::string& text) {
    std::string quoted = "\"";
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte >= 0x80) {
            const std::size_t length = Utf8SequenceLength(text, at);
            if (length > 0) {
                quoted.append(text, at, length);
                at += length;
                continue;
            }
        }
        if (byte == '"' || byte == '\\') {
            quoted += '\\';
            quoted += static_cast<char>(byte);
        } else if (byte < 0x20 || byte >= 0x80) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            quoted += escape;
        } else {
            quoted += static_cast<char>(byte);
        }
        ++at;
    }
    return quoted + "\"";
}

std::string FormatCurvesJson(const std::string& file, const ChannelCurves& curves,
                             const ByteTables& bytes, const MirtaneNaturalChoice* natural) {
    std::string json = "{\n  \"file\": " + JsonString(file) + ",\n";
    json += "  \"blackLevel\": " + JsonNumber(curves.blackLevel) + ",\n";
    json += "  \"whiteLevel\": " + JsonNumber(curves.whiteLevel);
    for (int channel = 0; channel < 3; ++channel) {
        json += ",\n  \"" + std::string(kChannelNames[channel]) + "\": [";
        for (int i = 0; i < 256; ++i) {
            json += (i == 0 ? "" : ", ") + JsonNumber(curves.tables[channel][i]);
        }
        json += "]";
    }
    json += ",\n  \"byteTables\": {";
    for (int channel = 0; channel < 3; ++channel) {
        json +=
            std::string(channel == 0 ? "" : ",") + "\n    \"" + kChannelNames[channel] + "\": [";
        for (int i = 0; i < 256; ++i) {
            json += (i == 0 ? "" : ", ") + std::to_string(bytes[channel][i]);
        }
        json += "]";
    }
    json += "\n  }";
    if (natural != nullptr) {
        json += ",\n  \"natural\": " + NaturalJson(*natural);
    }
    return json + "\n}\n";
}

}  // namespace mirtane::cli
