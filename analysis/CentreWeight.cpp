#include "analysis/CentreWeight.h"

#include <algorithm>

namespace mirtane {

double CentreRowFactor(std::int32_t i, std::int32_t height) {
    const double a = (i + 0.1 * height) / (1.2 * height);
    return std::max(0.0, a - a * a);
}

double CentreColumnFactor(std::int32_t j, std::int32_t width) {
    const double b = (j + 0.15 * width) / (1.3 * width);
    return std::max(0.0, b - b * b);
}

double CentreWeight(std::int32_t i, std::int32_t j, std::int32_t width, std::int32_t height) {
    return CentreRowFactor(i, height) * CentreColumnFactor(j, width);
}

IndexRange WindowRange(std::int32_t size, UpperBound upper) {
    const double low = 0.1 * size;
    const double high = 0.9 * size;
    IndexRange range{0, -1};
    bool found = false;
    for (std::int32_t k = 0; k < size; ++k) {
        const double position = k;
        const bool inside =
            position > low && (upper == UpperBound::Included ? position <= high : position < high);
        if (!inside) {
            continue;
        }
        if (!found) {
            range.first = k;
            found = true;
        }
        range.last = k;
    }
    return range;
}

std::vector<double> CentreColumnFactors(IndexRange range, std::int32_t width) {
    std::vector<double> factors;
    for (std::int32_t j = range.first; j <= range.last; ++j) {
        factors.push_back(CentreColumnFactor(j, width));
    }
    return factors;
}

}  // namespace mirtane
