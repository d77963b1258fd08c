#include "cli/NumberText.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace mirtane::cli {
namespace {

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Length of the decimal number at the start of `text` (sign, digits, one
// point, exponent), or 0 when it does not start with one.
std::size_t DecimalLength(const std::string& text) {
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
        ++at;
    }
    std::size_t digits = 0;
    for (; at < text.size() && IsDigit(text[at]); ++at) {
        ++digits;
    }
    if (at < text.size() && text[at] == '.') {
        for (++at; at < text.size() && IsDigit(text[at]); ++at) {
            ++digits;
        }
    }
    if (digits == 0) {
        return 0;
    }
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        std::size_t exponent = at + 1;
        if (exponent < text.size() && (text[exponent] == '-' || text[exponent] == '+')) {
            ++exponent;
        }
        std::size_t exponentDigits = 0;
        for (; exponent < text.size() && IsDigit(text[exponent]); ++exponent) {
            ++exponentDigits;
        }
        if (exponentDigits > 0) {
            at = exponent;
        }
    }
    return at;
}

// The value of a decimal number `text` as strtod reads it (which the checks
// above have kept to decimal notation); false when it is out of range.
bool ReadFinite(const std::string& text, double& value) {
    value = std::strtod(text.c_str(), nullptr);
    return std::isfinite(value);
}

}  // namespace

std::string NormaliseDecimalInteger(std::string& text) {
    const bool negative = !text.empty() && text[0] == '-';
    const std::size_t start = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    if (start == text.size() || text.find_first_not_of("0123456789", start) != std::string::npos) {
        return "not a number: '" + text + "' (give a whole number in decimal, such as -5 or 12)";
    }
    const std::size_t firstSignificant = text.find_first_not_of('0', start);
    const std::string digits =
        firstSignificant == std::string::npos ? "0" : text.substr(firstSignificant);
    text = (negative && digits != "0" ? "-" : "") + digits;
    return {};
}

std::string NormaliseDecimalReal(std::string& text) {
    double value = 0.0;
    if (text.empty() || DecimalLength(text) != text.size() || !ReadFinite(text, value)) {
        return "not a number: '" + text + "' (give a number in decimal, such as 0.05 or 2.5)";
    }
    char normal[64];
    std::snprintf(normal, sizeof normal, "%.17g", value);
    text = normal;
    return {};
}

std::string NormaliseByteSize(std::string& text) {
    const std::string refusal = "not a size: '" + text +
                                "' (give bytes in decimal, or a number with K, M, G or T, "
                                "such as 1.5G or 800M)";
    const std::size_t length = DecimalLength(text);
    double value = 0.0;
    if (length == 0 || text[0] == '-' || !ReadFinite(text.substr(0, length), value)) {
        return refusal;
    }
    std::string unit = text.substr(length);
    for (char& c : unit) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    static const struct {
        const char* name;
        double factor;
    } kUnits[] = {{"", 1.0},
                  {"B", 1.0},
                  {"K", 1024.0},
                  {"KIB", 1024.0},
                  {"KB", 1e3},
                  {"M", 1048576.0},
                  {"MIB", 1048576.0},
                  {"MB", 1e6},
                  {"G", 1073741824.0},
                  {"GIB", 1073741824.0},
                  {"GB", 1e9},
                  {"T", 1099511627776.0},
                  {"TIB", 1099511627776.0},
                  {"TB", 1e12}};
    for (const auto& known : kUnits) {
        if (unit != known.name) {
            continue;
        }
        const double bytes = std::floor(value * known.factor);
        if (!(bytes >= 1.0) || bytes > 4611686018427387904.0) {
            return "size out of range: '" + text + "' (give at least one byte and at most 4 EiB)";
        }
        text = std::to_string(static_cast<std::int64_t>(bytes));
        return {};
    }
    return refusal;
}

std::string DescribeBytes(std::int64_t bytes) {
    static const char* const kUnits[] = {"bytes", "kB", "MB", "GB", "TB", "PB", "EB"};
    double value = static_cast<double>(bytes);
    int unit = 0;
    while (value >= 1000.0 && unit < 6) {
        value /= 1000.0;
        ++unit;
    }
    char text[32];
    if (unit == 0) {
        std::snprintf(text, sizeof text, "%lld bytes", static_cast<long long>(bytes));
    } else {
        std::snprintf(text, sizeof text, value < 10.0 ? "%.1f %s" : "%.0f %s", value, kUnits[unit]);
    }
    return text;
}

}  // namespace mirtane::cli
