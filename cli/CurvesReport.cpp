#include "cli/CurvesReport.h"

#include <cmath>
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
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string FormatCurvesJson(const std::string& file, const ChannelCurves& curves) {
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
    return json + "\n}\n";
}

}  // namespace mirtane::cli
