#include "pipeline/ApplyCurves.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <utility>

#include "analysis/Rounding.h"
#include "pipeline/ReadAndReducePlanes.h"
#include "run/CurrentRun.h"

namespace mirtane {

namespace {

constexpr std::int32_t kLastEntry = 255;

// Maps `pixels` pixels of kPlanes bytes through the channels' tables.
//
// Bytes are read 24 at a time as three 64-bit words and looked up from
// registers, which saves a load per byte over the plain loop: about a third
// more throughput on a 6000 x 4000 image (bench/PipelineBench.cpp).
// 24 bytes hold whole pixels for 1, 2 and 3 planes; the rest of the run, and
// every byte on a big-endian machine, takes the plain loop.
template <std::size_t kPlanes, std::size_t... kByte>
inline void MapGroup(std::uint8_t* data, const std::uint8_t* const (&channel)[3],
                     std::index_sequence<kByte...>) {
    std::uint64_t words[3];
    std::memcpy(words, data, sizeof words);
    ((data[kByte] = channel[kByte % kPlanes]
                           [static_cast<std::uint8_t>(words[kByte / 8] >> (8 * (kByte % 8)))]),
     ...);
}

template <std::size_t kPlanes>
void MapRun(std::uint8_t* data, std::size_t pixels, const ByteTable (&tables)[3]) {
    const std::uint8_t* const channel[3] = {tables[0].data(), tables[1].data(), tables[2].data()};
    std::size_t i = 0;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    constexpr std::size_t kGroupBytes = 24;
    constexpr std::size_t kGroupPixels = kGroupBytes / kPlanes;
    for (; i + kGroupPixels <= pixels; i += kGroupPixels, data += kGroupBytes) {
        MapGroup<kPlanes>(data, channel, std::make_index_sequence<kGroupBytes>{});
    }
#endif
    for (; i < pixels; ++i, data += kPlanes) {
        for (std::size_t j = 0; j < kPlanes; ++j)
            data[j] = channel[j][data[j]];
    }
}

template <std::size_t kPlanes>
void MapBlock(std::uint8_t* data, std::int32_t rowBytes, std::size_t rows, std::size_t columns,
              const ByteTable (&tables)[3]) {
    // Rows back to back are one run: the common case of a tightly packed buffer.
    if (static_cast<std::size_t>(rowBytes) == columns * kPlanes) {
        MapRun<kPlanes>(data, rows * columns, tables);
        return;
    }
    for (std::size_t r = 0; r < rows; ++r) {
        MapRun<kPlanes>(data + static_cast<std::ptrdiff_t>(r) * rowBytes, columns, tables);
    }
}

// Any other layout: each pixel's planes found through the layout's strides.
void MapStrided(std::uint8_t* data, std::int32_t rowBytes, std::size_t rows, std::size_t columns,
                std::int32_t planeCount, PixelLayout layout, const ByteTable (&tables)[3]) {
    for (std::size_t r = 0; r < rows; ++r) {
        std::uint8_t* pixel = data + static_cast<std::ptrdiff_t>(r) * rowBytes;
        for (std::size_t c = 0; c < columns; ++c, pixel += layout.columnBytes) {
            for (std::int32_t j = 0; j < planeCount; ++j) {
                std::uint8_t& sample = pixel[static_cast<std::ptrdiff_t>(j) * layout.planeBytes];
                sample = tables[j][sample];
            }
        }
    }
}

}  // namespace

float NormalisationScale(float blackLevel, float whiteLevel) {
    return static_cast<float>(1.0 /
                              (static_cast<double>(whiteLevel) - static_cast<double>(blackLevel)));
}

float TintFactor(std::int32_t tint) {
    return static_cast<float>(static_cast<double>(tint) * static_cast<double>(kTintStep));
}

float LookupCurve(float x, const float* table) {
    if (x <= 0.0f) return table[0];
    if (x >= 1.0f) return table[kLastEntry];
    if (std::isnan(x)) return x;
    const float s = x * 255.0f;
    const std::int32_t i = FloorToInt(s);
    const std::int32_t j = i + 1 < kLastEntry ? i + 1 : kLastEntry;
    const float r = table[i] + (table[j] - table[i]) * (s - static_cast<float>(i));
    return r < 0.0f ? 0.0f : r;
}

float CorrectLevel(double level, const float* table, float blackLevel, float scale,
                   float tintFactor) {
    const float x =
        static_cast<float>((level - static_cast<double>(blackLevel)) * static_cast<double>(scale));
    const float u = LookupCurve(x, table);
    float v = u;
    if (tintFactor != 1.0f) {
        v = u - (u - u * u) * (1.0f - tintFactor);
        v = Clamp(v, 0.0f, 1.0f);
    }
    return v;
}

std::uint8_t CorrectSample(std::uint8_t b, const float* table, float blackLevel, float scale,
                           float tintFactor) {
    const double level = static_cast<double>(b) * static_cast<double>(kSampleScale);
    const float v = CorrectLevel(level, table, blackLevel, scale, tintFactor);
    if (std::isnan(v)) return 0;
    // Tables hold values in [0, 1]; one that does not must not wrap the byte.
    const float scaled = Clamp(v * 255.0f, 0.0f, 255.0f);
    return static_cast<std::uint8_t>(RoundHalfUp(scaled));
}

void BuildByteTables(const CurveSettings& settings, ByteTable (&tables)[3]) {
    const float scale = NormalisationScale(settings.blackLevel, settings.whiteLevel);
    for (std::int32_t channel = 0; channel < settings.planeCount && channel < 3; ++channel) {
        const float* curve = settings.tables[channel];
        const float tintFactor = TintFactor(settings.tints[channel]);
        for (std::int32_t b = 0; b < 256; ++b) {
            tables[channel][b] = CorrectSample(static_cast<std::uint8_t>(b), curve,
                                               settings.blackLevel, scale, tintFactor);
        }
    }
}

void ApplyCurves(std::uint8_t* data, std::int32_t rowBytes, std::int32_t rows, std::int32_t columns,
                 const CurveSettings& settings, PixelLayout layout) {
    if (rows <= 0 || columns <= 0) return;
    if (settings.planeCount < 1 || settings.planeCount > 3) return;
    ByteTable tables[3] = {};
    BuildByteTables(settings, tables);
    const std::size_t height = static_cast<std::size_t>(rows);
    const std::size_t width = static_cast<std::size_t>(columns);
    layout = ResolveLayout(layout, settings.planeCount);
    if (!IsPacked(layout, settings.planeCount)) {
        MapStrided(data, rowBytes, height, width, settings.planeCount, layout, tables);
        return;
    }
    switch (settings.planeCount) {
    case 1: MapBlock<1>(data, rowBytes, height, width, tables); break;
    case 2: MapBlock<2>(data, rowBytes, height, width, tables); break;
    case 3: MapBlock<3>(data, rowBytes, height, width, tables); break;
    default: break;
    }
}

void ApplyCurvesToPixels(std::uint8_t* data, std::int32_t rowBytes, const Rect& rect,
                         PixelLayout layout) {
    const ParameterBlock* block = CurrentParameterBlock();
    if (block == nullptr || data == nullptr) return;
    CurveSettings settings;
    for (int channel = 0; channel < 3; ++channel) {
        if (block->curveTables[channel] == nullptr) return;
        settings.tables[channel] = block->curveTables[channel];
    }
    settings.blackLevel = block->blackLevel;
    settings.whiteLevel = block->whiteLevel;
    settings.tints[0] = block->redTint;
    settings.tints[1] = block->greenTint;
    settings.tints[2] = block->blueTint;
    settings.planeCount = DocumentPlaneCount();
    if (settings.planeCount < 1 || settings.planeCount > 3) return;
    const std::int32_t rows = rect.bottom > rect.top ? rect.bottom - rect.top : 0;
    const std::int32_t columns = rect.right > rect.left ? rect.right - rect.left : 0;
    ApplyCurves(data, rowBytes, rows, columns, settings, layout);
}

}  // namespace mirtane
