#include "cli/Trims.h"

namespace mirtane::cli {
namespace {

std::string Signed(int value) {
    return value > 0 ? "+" + std::to_string(value) : std::to_string(value);
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

std::string DescribeTrims(const Trims& trims) {
    if (trims.Neutral()) {
        return "neutral trims";
    }
    return "cyan-red " + Signed(trims.cyanRed) + ", magenta-green " + Signed(trims.magentaGreen) +
           ", yellow-blue " + Signed(trims.yellowBlue);
}

}  // namespace mirtane::cli
