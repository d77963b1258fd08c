#include "cli/Trims.h"

namespace mirtane::cli {
namespace {

std::string Signed(int value) {
    return value > 0 ? "+" + std::to_string(value) : std::to_string(value);
}

}  // namespace

std::string DescribeTrims(const Trims& trims) {
    if (trims.Neutral()) {
        return "neutral trims";
    }
    return "cyan-red " + Signed(trims.cyanRed) + ", magenta-green " + Signed(trims.magentaGreen) +
           ", yellow-blue " + Signed(trims.yellowBlue);
}

}  // namespace mirtane::cli
