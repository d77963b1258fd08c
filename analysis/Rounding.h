// Float-to-integer conversions used throughout the engine and the pipeline.
// The system turns a non-negative float into an integer by truncating it (a
// floor for the values it meets, which lie in [0, 2^20)); rounding to nearest
// is always floor(v + 0.5), halves going up. Keeping them here means no call
// site open-codes a cast whose meaning differs for negative values.
#pragma once

#include <cmath>
#include <cstdint>

namespace mirtane {

// Largest integer not above v, for finite v within the int32 range.
inline std::int32_t FloorToInt(float v) { return static_cast<std::int32_t>(std::floor(v)); }
inline std::int32_t FloorToInt(double v) { return static_cast<std::int32_t>(std::floor(v)); }

// Nearest integer, halves going up: floor(v + 0.5). The sum is formed in the
// argument's own precision (float + 0.5f for a float).
inline std::int32_t RoundHalfUp(float v) { return FloorToInt(v + 0.5f); }
inline std::int32_t RoundHalfUp(double v) { return FloorToInt(v + 0.5); }

// RoundHalfUp for v >= -0.5, where v + 0.5 is not negative and truncation is
// therefore the floor: the same result without a floor call, for the hot
// loops whose values are known to lie there.
inline std::int32_t RoundHalfUpNonNegative(float v) { return static_cast<std::int32_t>(v + 0.5f); }
inline std::int32_t RoundHalfUpNonNegative(double v) { return static_cast<std::int32_t>(v + 0.5); }

// Integer part, truncating toward zero.
inline std::int32_t TruncateToInt(float v) { return static_cast<std::int32_t>(v); }
inline std::int32_t TruncateToInt(double v) { return static_cast<std::int32_t>(v); }

template <typename T>
inline T Clamp(T v, T low, T high) {
    return v < low ? low : (high < v ? high : v);
}

}  // namespace mirtane
