#include "pipeline/PlaneToFloats.h"

#include <cassert>
#include <cstddef>

namespace mirtane {

namespace {

// Rectangle extents are 16-bit differences read as unsigned, so a rectangle
// up to 65535 wide is measured correctly.
std::size_t Extent(std::int16_t low, std::int16_t high) {
    return static_cast<std::uint16_t>(high - low);
}

// kStep is the plane count, fixed at compile time so that the common single
// plane becomes a contiguous loop the compiler can vectorise.
template <std::size_t kStep, bool kScaled>
void ConvertSamples(const std::uint8_t* data, float* out, std::size_t rows, std::size_t columns,
                    std::int32_t rowBytes, float scale) {
    const std::size_t planeSize = rows * columns;
    for (std::size_t r = 0; r < rows; ++r) {
        const std::uint8_t* source = data + static_cast<std::ptrdiff_t>(r) * rowBytes;
        for (std::size_t j = 0; j < kStep; ++j) {
            float* target = out + j * planeSize + r * columns;
            const std::uint8_t* sample = source + j;
            for (std::size_t c = 0; c < columns; ++c) {
                const float value = static_cast<float>(sample[c * kStep]);
                target[c] = kScaled ? value * scale : value;
            }
        }
    }
}

template <bool kScaled>
void Convert(const std::uint8_t* data, float* out, const Rect& rect, std::int32_t rowBytes,
             std::int16_t planeCount, float scale) {
    const std::size_t rows = Extent(rect.top, rect.bottom);
    const std::size_t columns = Extent(rect.left, rect.right);
    if (rows == 0 || columns == 0) return;
    switch (planeCount) {
    case 1: ConvertSamples<1, kScaled>(data, out, rows, columns, rowBytes, scale); break;
    case 2: ConvertSamples<2, kScaled>(data, out, rows, columns, rowBytes, scale); break;
    case 3: ConvertSamples<3, kScaled>(data, out, rows, columns, rowBytes, scale); break;
    default: assert(!"plane count outside 1 ... 3"); break;
    }
}

// One plane at a fixed pixel stride: kStride 3 and 4 are the layouts hosts
// use, known at compile time so that the loop stays tight; 0 reads the
// stride at run time. Each sample is looked up in `table`, whose entry b was
// computed as static_cast<float>(b) * scale: the same single multiplication
// the conversion would do, so the floats are bit for bit the same, without a
// conversion and a multiplication per sample.
template <std::size_t kStride>
void ExtractSamples(const std::uint8_t* data, float* out, std::size_t rows, std::size_t columns,
                    std::int32_t rowBytes, std::ptrdiff_t stride, const ScaledByteTable& table) {
    for (std::size_t r = 0; r < rows; ++r) {
        const std::uint8_t* sample = data + static_cast<std::ptrdiff_t>(r) * rowBytes;
        float* target = out + r * columns;
        for (std::size_t c = 0; c < columns; ++c) {
            const std::ptrdiff_t offset = kStride != 0 ? static_cast<std::ptrdiff_t>(c * kStride)
                                                       : static_cast<std::ptrdiff_t>(c) * stride;
            target[c] = table.values[sample[offset]];
        }
    }
}

}  // namespace

ScaledByteTable MakeScaledByteTable(float scale) {
    ScaledByteTable table;
    for (int b = 0; b < 256; ++b) {
        table.values[b] = static_cast<float>(b) * scale;
    }
    return table;
}

void ExtractScaledPlane(const std::uint8_t* data, float* out, const Rect& rect,
                        std::int32_t rowBytes, PixelLayout layout, std::int32_t plane,
                        float scale) {
    ExtractScaledPlane(data, out, rect, rowBytes, layout, plane, MakeScaledByteTable(scale));
}

void ExtractScaledPlane(const std::uint8_t* data, float* out, const Rect& rect,
                        std::int32_t rowBytes, PixelLayout layout, std::int32_t plane,
                        const ScaledByteTable& table) {
    const std::size_t rows = Extent(rect.top, rect.bottom);
    const std::size_t columns = Extent(rect.left, rect.right);
    if (rows == 0 || columns == 0) return;
    const std::uint8_t* first = data + static_cast<std::ptrdiff_t>(plane) * layout.planeBytes;
    switch (layout.columnBytes) {
    case 3: ExtractSamples<3>(first, out, rows, columns, rowBytes, 3, table); break;
    case 4: ExtractSamples<4>(first, out, rows, columns, rowBytes, 4, table); break;
    default:
        ExtractSamples<0>(first, out, rows, columns, rowBytes, layout.columnBytes, table);
        break;
    }
}

void PlaneToFloats(const std::uint8_t* data, float* out, const Rect& rect, std::int32_t rowBytes,
                   std::int16_t planeCount) {
    Convert<false>(data, out, rect, rowBytes, planeCount, 1.0f);
}

void PlaneToScaledFloats(const std::uint8_t* data, float* out, const Rect& rect,
                         std::int32_t rowBytes, std::int16_t planeCount, float scale) {
    Convert<true>(data, out, rect, rowBytes, planeCount, scale);
}

}  // namespace mirtane
