#include "analysis/MeasureChannels.h"

#include <cstddef>

namespace mirtane {

std::int32_t MeasureChannels(const float* planeR, const float* planeG, const float* planeB,
                             std::int32_t width, std::int32_t height, float spread[3], float min[3],
                             float max[3]) {
    const float* planes[3] = {planeR, planeG, planeB};
    float sum[3] = {0.0f, 0.0f, 0.0f};
    for (int c = 0; c < 3; ++c) {
        spread[c] = 0.0f;  // holds sum(x^2) until the end
        min[c] = 0.0f;
        max[c] = 0.0f;
    }
    if (width <= 0 || height <= 0) {
        return -1;
    }
    const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    for (int c = 0; c < 3; ++c) {
        min[c] = planes[c][0];
        max[c] = planes[c][0];
    }
    for (std::size_t k = 0; k < n; ++k) {
        for (int c = 0; c < 3; ++c) {
            const float x = planes[c][k];
            spread[c] += x * x;
            sum[c] += x;
            if (x < min[c]) {
                min[c] = x;
            }
            if (x > max[c]) {
                max[c] = x;
            }
        }
    }
    if (sum[0] == 0.0f || sum[1] == 0.0f || sum[2] == 0.0f) {
        return -1;
    }
    for (int c = 0; c < 3; ++c) {
        spread[c] = spread[c] / sum[c] - min[c];
    }
    return 0;
}

}  // namespace mirtane
