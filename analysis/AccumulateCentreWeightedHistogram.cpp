#include "analysis/AccumulateCentreWeightedHistogram.h"

#include <cstddef>
#include <vector>

#include "analysis/CentreWeight.h"
#include "analysis/Rounding.h"
#include "analysis/Tasks.h"

namespace mirtane {

std::int32_t AccumulateCentreWeightedHistogram(const float* plane, float white, float black,
                                               std::int32_t width, std::int32_t height,
                                               ToneCurve& histogram) {
    if (!(white > black)) {
        return -1;
    }
    if (width <= 0 || height <= 0 || plane == nullptr) {
        return 0;
    }
    const std::int32_t n = histogram.Count();
    const float lastBin = static_cast<float>(n - 1);
    const float scale =
        static_cast<float>(static_cast<double>(n - 1) / (static_cast<double>(white) - black));
    const IndexRange rowRange = WindowRange(height, UpperBound::Excluded);
    const IndexRange columnRange = WindowRange(width, UpperBound::Excluded);
    const std::vector<double> columnFactors = CentreColumnFactors(columnRange, width);
    // Neighbouring pixels mostly share a bin: the bin being added to is held
    // in a local and stored when another bin comes, with the same rounding
    // after every addition as storing each sum.
    std::int32_t openBin = -1;
    float openValue = 0.0f;
    const auto flushOpenBin = [&]() {
        if (openBin >= 0) {
            static_cast<void>(histogram.Set(openValue, openBin));  // the bin lies in [0, N - 1]
        }
    };
    for (std::int32_t i = rowRange.first; i <= rowRange.last; ++i) {
        const double rowFactor = CentreRowFactor(i, height);
        const float* row = plane + static_cast<std::size_t>(i) * static_cast<std::size_t>(width);
        for (std::int32_t j = columnRange.first; j <= columnRange.last; ++j) {
            const double weight =
                rowFactor * columnFactors[static_cast<std::size_t>(j - columnRange.first)];
            if (weight == 0.0) {
                continue;
            }
            float r = (row[j] - black) * scale;
            if (r > lastBin) {
                r = lastBin;
            }
            if (!(r > 0.0f)) {
                r = 0.0f;
            }
            // r is at least 0.
            const std::int32_t bin = RoundHalfUpNonNegative(r);
            if (bin != openBin) {
                flushOpenBin();
                openBin = bin;
                openValue = histogram.At(bin);
            }
            openValue = static_cast<float>(openValue + weight);
        }
    }
    flushOpenBin();
    return 0;
}

std::int32_t BuildPercentileCurves(const float* const (&planes)[3], float white, float black,
                                   std::int32_t width, std::int32_t height,
                                   ToneCurve* const (&curves)[3]) {
    for (ToneCurve* curve : curves) {
        if (curve->Clear() != 0) {
            return -1;
        }
    }
    auto build = [&](std::int32_t c) {
        // A range without width adds nothing; the empty histogram then gives
        // the all-zero curve of an empty channel.
        static_cast<void>(
            AccumulateCentreWeightedHistogram(planes[c], white, black, width, height, *curves[c]));
        curves[c]->Accumulate(Normalisation::ToUnitRange);
    };
    RunEachTask(3, build);
    return 0;
}

}  // namespace mirtane
