// The application entries of the engine: 8-bit pixels through the plug-in's
// own byte tables, deeper ones through the same per-channel function at their
// own precision.
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>

#include "analysis/Rounding.h"
#include "engine/MirtaneEngine.h"
#include "pipeline/ApplyCurves.h"

namespace mirtane::engine {
namespace {

constexpr int kNeutralTint = 25;

CurveSettings SettingsOf(const MirtaneCorrection& correction, const MirtaneTrims* trims) {
    CurveSettings settings;
    for (int channel = 0; channel < 3; ++channel)
        settings.tables[channel] = correction.tables[channel];
    settings.blackLevel = correction.blackLevel;
    settings.whiteLevel = correction.whiteLevel;
    if (trims != nullptr) {
        settings.tints[0] = kNeutralTint + trims->cyanRed;
        settings.tints[1] = kNeutralTint + trims->magentaGreen;
        settings.tints[2] = kNeutralTint + trims->yellowBlue;
    }
    settings.planeCount = 3;
    return settings;
}

// The per-channel function of a level in [0, 1]; NaN (equal levels) gives 0
// as the 8-bit correction does.
struct ChannelFunction {
    const float* table;
    float blackLevel;
    float scale;
    float tintFactor;

    float operator()(double level) const {
        const float v = CorrectLevel(level, table, blackLevel, scale, tintFactor);
        return std::isnan(v) ? 0.0f : (v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v));
    }
};

void MakeChannels(const MirtaneCorrection& correction, const MirtaneTrims* trims,
                  ChannelFunction (&channels)[3]) {
    const CurveSettings settings = SettingsOf(correction, trims);
    const float scale = NormalisationScale(settings.blackLevel, settings.whiteLevel);
    for (int c = 0; c < 3; ++c) {
        channels[c] = ChannelFunction{settings.tables[c], settings.blackLevel, scale,
                                      TintFactor(settings.tints[c])};
    }
}

// Calls `visit(sample, channel)` for the three colour samples of every pixel.
template <typename Sample, typename Visit>
void ForEachColourSample(Sample* pixels, int width, int height, std::ptrdiff_t rowStride,
                         int samplesPerPixel, Visit visit) {
    auto* bytes = reinterpret_cast<unsigned char*>(pixels);
    for (int y = 0; y < height; ++y) {
        Sample* pixel =
            reinterpret_cast<Sample*>(bytes + static_cast<std::ptrdiff_t>(y) * rowStride);
        for (int x = 0; x < width; ++x, pixel += samplesPerPixel) {
            for (int c = 0; c < 3; ++c)
                visit(pixel[c], c);
        }
    }
}

template <typename Sample, typename Convert>
void ApplyDeep(Sample* pixels, int width, int height, std::ptrdiff_t rowStride, int samplesPerPixel,
               const MirtaneCorrection& correction, const MirtaneTrims* trims, Convert convert) {
    ChannelFunction channels[3];
    MakeChannels(correction, trims, channels);
    ForEachColourSample(pixels, width, height, rowStride, samplesPerPixel,
                        [&](Sample& sample, int c) { sample = convert(sample, channels[c]); });
}

int ClampStrength(int strength) {
    return strength < 0 ? 0 : (strength > MIRTANE_FULL_STRENGTH ? MIRTANE_FULL_STRENGTH : strength);
}

// original + strength % of (corrected - original), on the samples' own scale.
double Blend(double original, double corrected, int strength) {
    return original + (corrected - original) * static_cast<double>(strength) /
                          static_cast<double>(MIRTANE_FULL_STRENGTH);
}

bool Valid(const void* pixels, int width, int height, int samplesPerPixel,
           const MirtaneCorrection* correction) {
    return pixels != nullptr && correction != nullptr && width > 0 && height > 0 &&
           samplesPerPixel >= 3;
}

}  // namespace
}  // namespace mirtane::engine

using namespace mirtane::engine;

extern "C" void mirtane_byte_tables(const MirtaneCorrection* correction, const MirtaneTrims* trims,
                                    int strength, unsigned char tables[3][256]) {
    if (correction == nullptr || tables == nullptr) return;
    const mirtane::CurveSettings settings = SettingsOf(*correction, trims);
    mirtane::ByteTable full[3];
    mirtane::BuildByteTables(settings, full);
    const int clamped = ClampStrength(strength);
    for (int c = 0; c < 3; ++c) {
        for (int b = 0; b < 256; ++b) {
            tables[c][b] = clamped == MIRTANE_FULL_STRENGTH
                               ? full[c][b]
                               : static_cast<unsigned char>(
                                     mirtane::RoundHalfUp(Blend(b, full[c][b], clamped)));
        }
    }
}

extern "C" void mirtane_apply_rgb8_at(unsigned char* pixels, int width, int height,
                                      ptrdiff_t rowStride, int samplesPerPixel,
                                      const MirtaneCorrection* correction,
                                      const MirtaneTrims* trims, int strength) {
    if (!Valid(pixels, width, height, samplesPerPixel, correction)) return;
    if (ClampStrength(strength) == MIRTANE_FULL_STRENGTH) {
        const mirtane::CurveSettings settings = SettingsOf(*correction, trims);
        mirtane::ApplyCurves(pixels, static_cast<std::int32_t>(rowStride), height, width, settings,
                             mirtane::PixelLayout{samplesPerPixel, 1});
        return;
    }
    unsigned char tables[3][256];
    mirtane_byte_tables(correction, trims, strength, tables);
    ForEachColourSample(pixels, width, height, rowStride, samplesPerPixel,
                        [&](unsigned char& sample, int c) { sample = tables[c][sample]; });
}

extern "C" void mirtane_apply_rgb16_at(unsigned short* pixels, int width, int height,
                                       ptrdiff_t rowStride, int samplesPerPixel,
                                       const MirtaneCorrection* correction,
                                       const MirtaneTrims* trims, int strength) {
    if (!Valid(pixels, width, height, samplesPerPixel, correction)) return;
    const int clamped = ClampStrength(strength);
    const auto convert = [clamped](unsigned short v, const ChannelFunction& f) {
        const double corrected = static_cast<double>(f(static_cast<double>(v) / 65535.0)) * 65535.0;
        const double out =
            clamped == MIRTANE_FULL_STRENGTH ? corrected : Blend(v, corrected, clamped);
        return static_cast<unsigned short>(mirtane::RoundHalfUp(out));
    };
    // A sample's result depends on its channel and value alone: on pictures
    // with more samples than a channel has values, each value is worked out
    // once into a table and the samples are looked up (the same results).
    constexpr std::size_t kValues = 65536;
    const std::size_t samples =
        3 * static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::unique_ptr<unsigned short[]> tables;
    if (samples > 3 * kValues) tables.reset(new (std::nothrow) unsigned short[3 * kValues]);
    if (tables == nullptr) {
        ApplyDeep(pixels, width, height, rowStride, samplesPerPixel, *correction, trims, convert);
        return;
    }
    ChannelFunction channels[3];
    MakeChannels(*correction, trims, channels);
    for (std::size_t c = 0; c < 3; ++c) {
        for (std::size_t v = 0; v < kValues; ++v)
            tables[c * kValues + v] = convert(static_cast<unsigned short>(v), channels[c]);
    }
    ForEachColourSample(pixels, width, height, rowStride, samplesPerPixel,
                        [&](unsigned short& sample, int c) {
                            sample = tables[static_cast<std::size_t>(c) * kValues + sample];
                        });
}

extern "C" void mirtane_apply_rgbf_at(float* pixels, int width, int height, ptrdiff_t rowStride,
                                      int samplesPerPixel, const MirtaneCorrection* correction,
                                      const MirtaneTrims* trims, int strength) {
    if (!Valid(pixels, width, height, samplesPerPixel, correction)) return;
    const int clamped = ClampStrength(strength);
    ApplyDeep(pixels, width, height, rowStride, samplesPerPixel, *correction, trims,
              [clamped](float v, const ChannelFunction& f) {
                  const double level = std::isnan(v) ? 0.0 : static_cast<double>(v);
                  const float corrected = f(level < 0.0 ? 0.0 : (level > 1.0 ? 1.0 : level));
                  return clamped == MIRTANE_FULL_STRENGTH
                             ? corrected
                             : static_cast<float>(Blend(v, corrected, clamped));
              });
}

extern "C" void mirtane_apply_rgb8(unsigned char* pixels, int width, int height,
                                   ptrdiff_t rowStride, int samplesPerPixel,
                                   const MirtaneCorrection* correction, const MirtaneTrims* trims) {
    mirtane_apply_rgb8_at(pixels, width, height, rowStride, samplesPerPixel, correction, trims,
                          MIRTANE_FULL_STRENGTH);
}

extern "C" void mirtane_apply_rgb16(unsigned short* pixels, int width, int height,
                                    ptrdiff_t rowStride, int samplesPerPixel,
                                    const MirtaneCorrection* correction,
                                    const MirtaneTrims* trims) {
    mirtane_apply_rgb16_at(pixels, width, height, rowStride, samplesPerPixel, correction, trims,
                           MIRTANE_FULL_STRENGTH);
}

extern "C" void mirtane_apply_rgbf(float* pixels, int width, int height, ptrdiff_t rowStride,
                                   int samplesPerPixel, const MirtaneCorrection* correction,
                                   const MirtaneTrims* trims) {
    mirtane_apply_rgbf_at(pixels, width, height, rowStride, samplesPerPixel, correction, trims,
                          MIRTANE_FULL_STRENGTH);
}
