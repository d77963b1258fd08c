// A one-dimensional table of floats with a cached smallest and largest entry.
// It serves as a channel tone curve (entry i is the output for the input
// i / (count - 1), read with linear interpolation), as a per-column result
// vector, and as a histogram or running sum.
#pragma once

#include <cstdint>
#include <memory>

#include "analysis/Rounding.h"

namespace mirtane {

enum class Normalisation { Keep, ToUnitRange };

class ToneCurve {
  public:
    // count entries, all 0. Without storage (allocation failed or count <= 0)
    // every read sees the shared scratch cell and every write goes there.
    explicit ToneCurve(std::int32_t count);
    // count entries copied from table; the cached range is that of the copy.
    ToneCurve(const float* table, std::int32_t count);
    virtual ~ToneCurve();

    ToneCurve(const ToneCurve&) = delete;
    ToneCurve& operator=(const ToneCurve&) = delete;

    bool HasStorage() const { return values != nullptr; }
    // The entries (Count() of them), or null without storage.
    const float* Data() const { return values.get(); }
    std::int32_t Count() const { return count; }
    float MinValue() const { return minValue; }
    float MaxValue() const { return maxValue; }
    bool RangeStale() const { return rangeStale; }

    // Every entry 0, range 0 .. 0. -1 without storage.
    [[nodiscard]] std::int32_t Clear();
    // Writes the first min(count, tableCount) entries into table; 0.
    std::int32_t CopyTo(float* table, std::int32_t tableCount) const;
    // The entry, or the process-wide scratch cell (initially -1) for an index
    // outside [0, count): such writes change no curve.
    float& At(std::int32_t index) {
        if (values == nullptr || index < 0 || index >= count) {
            return ScratchCell();
        }
        return values[index];
    }
    float At(std::int32_t index) const {
        if (values == nullptr || index < 0 || index >= count) {
            return ScratchCell();
        }
        return values[index];
    }
    // Deep copy of entries, cached range and stale flag.
    ToneCurve& Assign(const ToneCurve& other);
    // Every entry and both range ends set to value; nothing when count <= 0.
    ToneCurve& Fill(float value);
    // Stores one entry and marks the cached range stale; -1 out of range.
    [[nodiscard]] std::int32_t Set(float value, std::int32_t index) {
        if (values == nullptr || index < 0 || index >= count) {
            return -1;
        }
        values[index] = value;
        rangeStale = true;
        return 0;
    }

    // Linear interpolation: x <= 0 or NaN gives entry 0, x >= 1 the last
    // entry; the result is not clamped.
    float Evaluate(float x) const {
        if (!(x > 0.0f)) {
            return At(0);
        }
        if (x >= 1.0f) {
            return At(count - 1);
        }
        // x lies in (0, 1), so t is positive and truncation is the floor.
        const float t = x * static_cast<float>(count - 1);
        const std::int32_t i = TruncateToInt(t);
        // For x below 1, t stays below count - 1 for every count this engine
        // uses; the guard keeps another length from reading past the end.
        if (i + 1 >= count) {
            return At(count - 1);
        }
        const float low = values[i];
        const float high = values[i + 1];
        return low + (high - low) * (t - static_cast<float>(i));
    }
    // Each sample s becomes Evaluate((s - blackLevel) / (whiteLevel -
    // blackLevel)), or 0 when negative. The caller ensures white > black.
    std::int32_t MapPlane(float* plane, std::int32_t sampleCount, float whiteLevel,
                          float blackLevel) const;
    // Each sample s becomes Evaluate(s), or 0 when negative.
    std::int32_t ApplyToPlane(float* plane, std::int32_t sampleCount) const;
    // Each entry e becomes outer.Evaluate(e) clamped to [0, 1] (NaN to 0), so
    // the curve becomes outer-after-this. The cached range is left alone.
    std::int32_t ComposeWith(const ToneCurve& outer);
    // Running sum in place. ToUnitRange then maps the smallest and largest
    // sum onto 0 and 1; a sum without range (every entry equal) cannot be
    // mapped and becomes 0 everywhere.
    std::int32_t Accumulate(Normalisation normalisation);
    // Recomputes the cached range from the entries; -1 without storage.
    [[nodiscard]] std::int32_t UpdateRange();

  private:
    static float& ScratchCell();

    float minValue = 0.0f;
    float maxValue = 0.0f;
    std::unique_ptr<float[]> values;
    std::int32_t count = 0;
    bool rangeStale = false;
};

}  // namespace mirtane
