// Host buffers in other layouts than packed interleaved pixels: four bytes a
// pixel, planes apart, layout fields left 0. Reading and correcting through
// the reported layout must give exactly what the packed buffer gives, and
// must not touch the bytes between samples.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "pipeline/ApplyCurves.h"
#include "pipeline/PixelLayout.h"
#include "pipeline/PlaneToFloats.h"
#include "pipeline/ReadAndReducePlanes.h"

namespace mirtane {
namespace {

constexpr int kRows = 5;
constexpr int kColumns = 9;
constexpr std::uint8_t kBetween = 0xEE;  // bytes no sample occupies

std::uint8_t Sample(int r, int c, int plane) {
    return static_cast<std::uint8_t>(r * 53 + c * 29 + plane * 97 + (r * c) % 7);
}

// The same pixels in a layout: rows rowBytes apart, pixels columnBytes
// apart, planes planeBytes apart within a pixel; every other byte kBetween.
struct Buffer {
    std::vector<std::uint8_t> bytes;
    std::int32_t rowBytes;
    PixelLayout layout;

    std::uint8_t& At(int r, int c, int plane) {
        return bytes[static_cast<std::size_t>(r * rowBytes + c * layout.columnBytes +
                                              plane * layout.planeBytes)];
    }
};

Buffer MakeBuffer(std::int32_t columnBytes, std::int32_t planeBytes, std::int32_t rowBytes,
                  std::size_t size) {
    Buffer buffer{std::vector<std::uint8_t>(size, kBetween), rowBytes, {columnBytes, planeBytes}};
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kColumns; ++c) {
            for (int p = 0; p < 3; ++p)
                buffer.At(r, c, p) = Sample(r, c, p);
        }
    }
    return buffer;
}

Buffer Packed() { return MakeBuffer(3, 1, kColumns * 3, kRows * kColumns * 3); }
Buffer FourBytesPerPixel() {
    return MakeBuffer(4, 1, kColumns * 4 + 3, (kColumns * 4 + 3) * kRows);
}
// Planar: each plane a block of rows, one byte a pixel.
Buffer Planar() { return MakeBuffer(1, kRows * kColumns, kColumns, kRows * kColumns * 3); }

const Rect kArea = {0, 0, kRows, kColumns};

TEST(PixelLayout, FieldsLeftZeroMeanPackedPixelsOfTheRequestedPlanes) {
    const PixelLayout packed = ResolveLayout(PixelLayout{}, 3);
    EXPECT_EQ(packed.columnBytes, 3);
    EXPECT_EQ(packed.planeBytes, 1);
    EXPECT_TRUE(IsPacked(packed, 3));
    const PixelLayout reported = ResolveLayout(PixelLayout{4, 0}, 3);
    EXPECT_EQ(reported.columnBytes, 4);
    EXPECT_EQ(reported.planeBytes, 1);
    EXPECT_FALSE(IsPacked(reported, 3));
}

TEST(ExtractScaledPlane, GivesThePackedConversionBitForBitInEveryLayout) {
    Buffer packed = Packed();
    std::vector<float> expected(3 * kRows * kColumns);
    PlaneToScaledFloats(packed.bytes.data(), expected.data(), kArea, packed.rowBytes, 3,
                        kSampleScale);
    for (Buffer buffer : {Packed(), FourBytesPerPixel(), Planar()}) {
        for (int plane = 0; plane < 3; ++plane) {
            std::vector<float> out(kRows * kColumns, -1.0f);
            ExtractScaledPlane(buffer.bytes.data(), out.data(), kArea, buffer.rowBytes,
                               buffer.layout, plane, kSampleScale);
            const std::vector<float> wanted(expected.begin() + plane * kRows * kColumns,
                                            expected.begin() + (plane + 1) * kRows * kColumns);
            EXPECT_EQ(out, wanted)
                << "column bytes " << buffer.layout.columnBytes << ", plane " << plane;
        }
    }
}

TEST(ApplyCurves, CorrectsEveryLayoutAsThePackedBufferAndLeavesOtherBytesAlone) {
    float tables[3][256];
    for (int i = 0; i < 256; ++i) {
        const float x = static_cast<float>(i) / 255.0f;
        tables[0][i] = x * x;
        tables[1][i] = x;
        tables[2][i] = 1.0f - (1.0f - x) * (1.0f - x);
    }
    CurveSettings settings;
    for (int c = 0; c < 3; ++c)
        settings.tables[c] = tables[c];
    settings.blackLevel = 0.05f;
    settings.whiteLevel = 0.9f;
    settings.tints[0] = 31;
    settings.tints[2] = 12;

    Buffer packed = Packed();
    ApplyCurves(packed.bytes.data(), packed.rowBytes, kRows, kColumns, settings);
    for (Buffer buffer : {FourBytesPerPixel(), Planar()}) {
        const std::vector<std::uint8_t> before = buffer.bytes;
        ApplyCurves(buffer.bytes.data(), buffer.rowBytes, kRows, kColumns, settings, buffer.layout);
        std::vector<bool> isSample(buffer.bytes.size(), false);
        for (int r = 0; r < kRows; ++r) {
            for (int c = 0; c < kColumns; ++c) {
                for (int p = 0; p < 3; ++p) {
                    ASSERT_EQ(buffer.At(r, c, p), packed.At(r, c, p))
                        << "column bytes " << buffer.layout.columnBytes << " at " << r << ", " << c;
                    isSample[static_cast<std::size_t>(&buffer.At(r, c, p) - buffer.bytes.data())] =
                        true;
                }
            }
        }
        for (std::size_t i = 0; i < buffer.bytes.size(); ++i) {
            if (!isSample[i])
                ASSERT_EQ(buffer.bytes[i], before[i]) << "byte " << i << " between samples";
        }
    }
}

}  // namespace
}  // namespace mirtane
