#include "analysis/ToneCurve.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace mirtane {

namespace {

std::unique_ptr<float[]> AllocateEntries(std::int32_t count) {
    if (count <= 0) {
        return nullptr;
    }
    return std::unique_ptr<float[]>(new (std::nothrow) float[static_cast<std::size_t>(count)]());
}

}  // namespace

float& ToneCurve::ScratchCell() {
    static float scratch = -1.0f;
    return scratch;
}

// A curve whose storage could not be had counts 0 entries, so that every
// access goes to the scratch cell.
ToneCurve::ToneCurve(std::int32_t count)
    : values(AllocateEntries(count)), count(values != nullptr ? count : 0) {}

ToneCurve::ToneCurve(const float* table, std::int32_t count)
    : values(AllocateEntries(count)), count(values != nullptr ? count : 0) {
    if (values == nullptr || table == nullptr) {
        return;
    }
    std::copy(table, table + count, values.get());
    minValue = values[0];
    maxValue = values[0];
    for (std::int32_t i = 0; i < count; ++i) {
        minValue = std::min(minValue, values[i]);
        maxValue = std::max(maxValue, values[i]);
    }
}

ToneCurve::~ToneCurve() = default;

std::int32_t ToneCurve::Clear() {
    if (values == nullptr) {
        return -1;
    }
    std::fill(values.get(), values.get() + count, 0.0f);
    minValue = 0.0f;
    maxValue = 0.0f;
    rangeStale = false;
    return 0;
}

std::int32_t ToneCurve::CopyTo(float* table, std::int32_t tableCount) const {
    if (values == nullptr || table == nullptr) {
        return 0;
    }
    const std::int32_t n = std::min(count, tableCount);
    for (std::int32_t i = 0; i < n; ++i) {
        table[i] = values[i];
    }
    return 0;
}

ToneCurve& ToneCurve::Assign(const ToneCurve& other) {
    if (&other == this) {
        return *this;
    }
    values = AllocateEntries(other.count);
    count = values != nullptr ? other.count : 0;
    minValue = other.minValue;
    maxValue = other.maxValue;
    rangeStale = other.rangeStale;
    for (std::int32_t i = 0; i < count; ++i) {
        values[i] = other.At(i);
    }
    return *this;
}

ToneCurve& ToneCurve::Fill(float value) {
    if (values == nullptr) {
        return *this;
    }
    std::fill(values.get(), values.get() + count, value);
    minValue = value;
    maxValue = value;
    rangeStale = false;
    return *this;
}

std::int32_t ToneCurve::MapPlane(float* plane, std::int32_t sampleCount, float whiteLevel,
                                 float blackLevel) const {
    const float scale = static_cast<float>(1.0 / (static_cast<double>(whiteLevel) - blackLevel));
    for (std::int32_t k = 0; k < sampleCount; ++k) {
        const float v = Evaluate((plane[k] - blackLevel) * scale);
        plane[k] = v < 0.0f ? 0.0f : v;
    }
    return 0;
}

std::int32_t ToneCurve::ApplyToPlane(float* plane, std::int32_t sampleCount) const {
    for (std::int32_t k = 0; k < sampleCount; ++k) {
        const float v = Evaluate(plane[k]);
        plane[k] = v < 0.0f ? 0.0f : v;
    }
    return 0;
}

std::int32_t ToneCurve::ComposeWith(const ToneCurve& outer) {
    if (values == nullptr) {
        return 0;
    }
    for (std::int32_t i = 0; i < count; ++i) {
        const float v = outer.Evaluate(values[i]);
        if (!(v > 0.0f)) {
            values[i] = 0.0f;
        } else if (v >= 1.0f) {
            values[i] = 1.0f;
        } else {
            values[i] = v;
        }
    }
    return 0;
}

std::int32_t ToneCurve::Accumulate(Normalisation normalisation) {
    if (values == nullptr) {
        return 0;
    }
    // maxValue keeps whatever it held before: the running sum only widens it.
    minValue = values[0];
    for (std::int32_t i = 1; i < count; ++i) {
        values[i] = values[i - 1] + values[i];
        maxValue = std::max(maxValue, values[i]);
        minValue = std::min(minValue, values[i]);
    }
    if (normalisation == Normalisation::Keep) {
        return 0;
    }
    const double range = static_cast<double>(maxValue) - minValue;
    const float scale = static_cast<float>(1.0 / range);
    if (range == 0.0 || !std::isfinite(scale)) {
        // No range to stretch: 0 rather than the 0 x infinity of the plain formula.
        std::fill(values.get(), values.get() + count, 0.0f);
        minValue = 0.0f;
        maxValue = 0.0f;
        return 0;
    }
    for (std::int32_t i = 0; i < count; ++i) {
        values[i] = (values[i] - minValue) * scale;
    }
    maxValue = 1.0f;
    minValue = 0.0f;
    return 0;
}

std::int32_t ToneCurve::UpdateRange() {
    if (values == nullptr) {
        return -1;
    }
    float low = values[0];
    float high = values[0];
    for (std::int32_t i = 0; i < count; ++i) {
        low = std::min(low, values[i]);
        high = std::max(high, values[i]);
    }
    minValue = low;
    maxValue = high;
    if (high < low) {
        return -1;
    }
    rangeStale = false;
    return 0;
}

}  // namespace mirtane
