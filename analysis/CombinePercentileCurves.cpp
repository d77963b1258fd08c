#include "analysis/CombinePercentileCurves.h"

#include <cmath>

namespace mirtane {

void CombinePercentileCurves(ToneCurve& combined, const ToneCurve& curveR, const ToneCurve& curveG,
                             const ToneCurve& curveB) {
    for (std::int32_t i = 0; i < combined.Count(); ++i) {
        const double r = curveR.At(i);
        const double g = curveG.At(i);
        const double b = curveB.At(i);
        combined.At(i) =
            static_cast<float>(std::sqrt(0.36 * (r * r) + 0.46 * (g * g) + 0.18 * (b * b)));
    }
}

}  // namespace mirtane
