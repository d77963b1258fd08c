#include "analysis/MeasureToneLevels.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "analysis/CentreWeight.h"
#include "analysis/Rounding.h"

namespace mirtane {

namespace {

struct LevelSums {
    double highlightWeight = 0.0;
    double highlightMoment = 0.0;
    double shadowWeight = 0.0;
    double shadowMoment = 0.0;
};

// P * own^2 * min(own, partner1)^2 * min(own, partner2), in double, from
// left to right. The percentiles are floats widened exactly.
double RankWeight(double centreWeight, double own, double firstPartner, double secondPartner) {
    const double m1 = std::min(own, firstPartner);
    const double m2 = std::min(own, secondPartner);
    return centreWeight * (own * own) * (m1 * m1) * m2;
}

}  // namespace

std::int32_t MeasureToneLevels(const float* planeR, const float* planeG, const float* planeB,
                               std::int32_t width, std::int32_t height, float black, float white,
                               const ToneCurve& curveR, const ToneCurve& curveG,
                               const ToneCurve& curveB, float shadowLevels[3],
                               float highlightLevels[3]) {
    if (height <= 0) {
        return -1;
    }
    const float* planes[3] = {planeR, planeG, planeB};
    const std::int32_t n = curveR.Count();
    if (n <= 0 || curveG.Count() < n || curveB.Count() < n) {
        return -1;
    }
    const float* tables[3] = {curveR.Data(), curveG.Data(), curveB.Data()};
    const float scale =
        static_cast<float>(static_cast<double>(n) / (static_cast<double>(white) - black));
    const float lastBin = static_cast<float>(n - 1);
    LevelSums sums[3];
    const IndexRange rowRange = WindowRange(height, UpperBound::Included);
    const IndexRange columnRange = WindowRange(width, UpperBound::Included);
    const std::vector<double> columnFactors = CentreColumnFactors(columnRange, width);
    for (std::int32_t i = rowRange.first; i <= rowRange.last; ++i) {
        const double rowFactor = CentreRowFactor(i, height);
        const std::size_t rowStart = static_cast<std::size_t>(i) * static_cast<std::size_t>(width);
        for (std::int32_t j = columnRange.first; j <= columnRange.last; ++j) {
            const double weight =
                rowFactor * columnFactors[static_cast<std::size_t>(j - columnRange.first)];
            if (!(weight > 0.0)) {
                continue;
            }
            float position[3];
            double p[3];
            double q[3];
            for (int c = 0; c < 3; ++c) {
                const float x = planes[c][rowStart + static_cast<std::size_t>(j)];
                position[c] = static_cast<float>((static_cast<double>(x) - black) * scale);
                // Limited to [0, N - 1] before the conversion (NaN to 0), so
                // truncation is the floor.
                float bin = position[c] > 0.0f ? position[c] : 0.0f;
                bin = bin < lastBin ? bin : lastBin;
                const float percentile = tables[c][TruncateToInt(bin)];
                p[c] = percentile;
                q[c] = 1.0f - percentile;
            }
            const double highlight[3] = {RankWeight(weight, p[0], p[1], p[2]),
                                         RankWeight(weight, p[1], p[0], p[2]),
                                         RankWeight(weight, p[2], p[1], p[0])};
            const double shadow[3] = {RankWeight(weight, q[0], q[1], q[2]),
                                      RankWeight(weight, q[1], q[0], q[2]),
                                      RankWeight(weight, q[2], q[1], q[0])};
            for (int c = 0; c < 3; ++c) {
                sums[c].highlightWeight += highlight[c];
                sums[c].highlightMoment += position[c] * highlight[c];
                sums[c].shadowWeight += shadow[c];
                sums[c].shadowMoment += position[c] * shadow[c];
            }
        }
    }
    for (const LevelSums& sum : sums) {
        if (sum.highlightWeight == 0.0) {
            return -1;
        }
    }
    for (int c = 0; c < 3; ++c) {
        highlightLevels[c] = static_cast<float>(sums[c].highlightMoment / sums[c].highlightWeight);
    }
    for (const LevelSums& sum : sums) {
        if (sum.shadowWeight == 0.0) {
            return -1;
        }
    }
    for (int c = 0; c < 3; ++c) {
        shadowLevels[c] = static_cast<float>(sums[c].shadowMoment / sums[c].shadowWeight);
    }
    return 0;
}

}  // namespace mirtane
