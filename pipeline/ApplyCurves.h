// The per-sample correction shared by the final output and the dialog's
// preview: normalise by the black and white levels, look up the channel's
// curve, bend by the channel's tint, round back to a byte.
#pragma once

#include <array>
#include <cstdint>

#include "pipeline/PixelLayout.h"
#include "pluginapi/PluginTypes.h"

namespace mirtane {

// Everything the correction depends on, read once per call.
struct CurveSettings {
    const float* tables[3] = {};  // red, green, blue: 256 floats each
    float blackLevel = 0.0f;
    float whiteLevel = 1.0f;
    std::int32_t tints[3] = {25, 25, 25};  // 25 is neutral; not limited to 0 ... 50
    std::int32_t planeCount = 3;  // bytes per pixel, channels in the order red, green, blue
};

using ByteTable = std::array<std::uint8_t, 256>;

// The float nearest to 0.04 (bits 0x3D23D70A): turns a tint into a factor.
constexpr float kTintStep = 0.04f;

// 1 / (white - black), evaluated in double and rounded once to float. When the
// levels are equal it is +infinity.
[[nodiscard]] float NormalisationScale(float blackLevel, float whiteLevel);

// tint * 0.04 stored as float: 25 gives exactly 1.0, 0 gives 0.0, 50 gives 2.0.
[[nodiscard]] float TintFactor(std::int32_t tint);

// The curve at x in [0, 1]: table[0] for x <= 0, table[255] for x >= 1 (no
// interpolation at either end), NaN for NaN without reading the table;
// otherwise linear interpolation at s = x * 255 (float) between table[floor(s)]
// and the next entry (255 at the top), with negative results raised to 0 and
// no upper limit.
[[nodiscard]] float LookupCurve(float x, const float* table);

// The correction of a level in [0, 1] of a channel, before any rounding:
//   x = (level - black) * scale (in double, stored as float),
//   u = LookupCurve(x, table),
//   v = u when the tint factor t is exactly 1, else u - (u - u^2)(1 - t)
//       limited to [0, 1].
// NaN when x is (equal levels, level exactly at them).
[[nodiscard]] float CorrectLevel(double level, const float* table, float blackLevel, float scale,
                                 float tintFactor);

// The correction of one byte b of a channel:
//   x = (b * kSampleScale - black) * scale (in double, stored as float),
//   u = LookupCurve(x, table),
//   v = u when the tint factor t is exactly 1, else u - (u - u^2)(1 - t)
//       limited to [0, 1],
//   result = floor(v * 255 + 0.5) with the sum stored as float.
// A NaN v (equal levels, b exactly at them) gives 0. A v beyond 1, which only
// a table holding values above 1 can produce, gives 255 instead of wrapping.
[[nodiscard]] std::uint8_t CorrectSample(std::uint8_t b, const float* table, float blackLevel,
                                         float scale, float tintFactor);

// The 256-entry byte table of each channel below settings.planeCount: entry b
// is CorrectSample(b, ...) for that channel.
void BuildByteTables(const CurveSettings& settings, ByteTable (&tables)[3]);

// Corrects rows x columns pixels in place, rows rowBytes apart, by mapping
// every sample of the first settings.planeCount (1 ... 3) planes through its
// channel's byte table. The pixels are laid out as `layout` (fields left 0:
// settings.planeCount consecutive bytes per pixel); bytes between pixels are
// not touched. Gives exactly CorrectSample for every sample.
void ApplyCurves(std::uint8_t* data, std::int32_t rowBytes, std::int32_t rows, std::int32_t columns,
                 const CurveSettings& settings, PixelLayout layout = {});

// The correction with the settings of the parameter block in gHost and the
// document's plane count, over the rows x columns block at `data` (rows =
// rect.bottom - rect.top, columns = rect.right - rect.left; the rectangle's
// position is not used, an inverted one is empty), its pixels laid out as
// `layout` (fields left 0: packed). Does nothing when the parameter block or
// its tables are missing or the plane count is not 1 ... 3.
void ApplyCurvesToPixels(std::uint8_t* data, std::int32_t rowBytes, const Rect& rect,
                         PixelLayout layout = {});

}  // namespace mirtane
