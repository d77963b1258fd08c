// Conversion of interleaved 8-bit samples from the host into separate float
// planes.
#pragma once

#include <cstdint>

#include "pipeline/PixelLayout.h"
#include "pluginapi/PluginTypes.h"

namespace mirtane {

// Splits the rows x columns samples of `data` (rows = rect.bottom - rect.top,
// columns = rect.right - rect.left, each taken as unsigned 16-bit; the
// rectangle's position is not used) into `planeCount` planes of floats, 1 to 3.
// Plane j starts at out + j * rows * columns and holds, row-major,
// data[r * rowBytes + c * planeCount + j] as a float. Nothing is done when
// rows is 0.
void PlaneToFloats(const std::uint8_t* data, float* out, const Rect& rect, std::int32_t rowBytes,
                   std::int16_t planeCount);

// The same conversion with every float then multiplied by `scale` in single
// precision, in one pass: the result is bit for bit that of PlaneToFloats
// followed by a separate multiplication, without walking the plane twice.
void PlaneToScaledFloats(const std::uint8_t* data, float* out, const Rect& rect,
                         std::int32_t rowBytes, std::int16_t planeCount, float scale);

// One plane of the rows x columns pixels at `data`, laid out as `layout`
// (already resolved: see ResolveLayout), multiplied by `scale` in single
// precision: out[r * columns + c] = data[r * rowBytes + c * layout.columnBytes
// + plane * layout.planeBytes] * scale. For packed pixels this is bit for bit
// plane `plane` of PlaneToScaledFloats. Nothing is done when rows is 0.
void ExtractScaledPlane(const std::uint8_t* data, float* out, const Rect& rect,
                        std::int32_t rowBytes, PixelLayout layout, std::int32_t plane, float scale);

// The 256 products static_cast<float>(b) * scale, for converting bytes
// through a lookup instead of a conversion and a multiplication each.
struct ScaledByteTable {
    float values[256];
};
ScaledByteTable MakeScaledByteTable(float scale);

// ExtractScaledPlane with the table of its scale made once by the caller
// (the intake converts a row at a time).
void ExtractScaledPlane(const std::uint8_t* data, float* out, const Rect& rect,
                        std::int32_t rowBytes, PixelLayout layout, std::int32_t plane,
                        const ScaledByteTable& table);

}  // namespace mirtane
