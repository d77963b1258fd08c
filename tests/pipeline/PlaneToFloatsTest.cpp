// Splitting interleaved host bytes into float planes, and the sample scale.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "pipeline/PlaneToFloats.h"
#include "pipeline/ReadAndReducePlanes.h"

namespace mirtane {
namespace {

std::uint32_t Bits(float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

TEST(SampleScale, IsTheFloatNearestToOneOver255AndMaps255ToOne) {
    EXPECT_EQ(Bits(kSampleScale), 0x3B808081u);
    EXPECT_EQ(255.0f * kSampleScale, 1.0f);
    EXPECT_EQ(0.0f * kSampleScale, 0.0f);
}

TEST(PlaneToFloats, SplitsInterleavedRowsWithPaddingIntoPlanes) {
    // 2 rows x 3 columns of 3 planes, rows 11 bytes apart (2 bytes of padding).
    const int rows = 2;
    const int columns = 3;
    const int rowBytes = 11;
    std::vector<std::uint8_t> data(static_cast<std::size_t>(rows * rowBytes), 0xEE);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            for (int j = 0; j < 3; ++j)
                data[static_cast<std::size_t>(r * rowBytes + c * 3 + j)] =
                    static_cast<std::uint8_t>(100 * j + 10 * r + c);
        }
    }
    std::vector<float> out(static_cast<std::size_t>(3 * rows * columns) + 1, -1.0f);
    const Rect rect = {40, 7, 42, 10};  // position unused, 2 x 3
    PlaneToFloats(data.data(), out.data(), rect, rowBytes, 3);
    for (int j = 0; j < 3; ++j) {
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) {
                EXPECT_EQ(out[static_cast<std::size_t>(j * rows * columns + r * columns + c)],
                          static_cast<float>(100 * j + 10 * r + c))
                    << "plane " << j << " row " << r << " column " << c;
            }
        }
    }
    EXPECT_EQ(out.back(), -1.0f) << "wrote past the planes";
}

TEST(PlaneToFloats, EmptyRectangleWritesNothing) {
    const std::uint8_t data[4] = {1, 2, 3, 4};
    float out[4] = {-1.0f, -1.0f, -1.0f, -1.0f};
    PlaneToFloats(data, out, Rect{5, 0, 5, 4}, 4, 1);
    PlaneToScaledFloats(data, out, Rect{0, 3, 1, 3}, 4, 1, kSampleScale);
    for (float v : out)
        EXPECT_EQ(v, -1.0f);
}

TEST(PlaneToScaledFloats, EqualsConversionFollowedByScalingForEveryByte) {
    std::vector<std::uint8_t> data(256 * 2);
    for (int i = 0; i < 256; ++i) {
        data[static_cast<std::size_t>(2 * i)] = static_cast<std::uint8_t>(i);
        data[static_cast<std::size_t>(2 * i + 1)] = static_cast<std::uint8_t>(255 - i);
    }
    const Rect rect = {0, 0, 1, 256};
    std::vector<float> plain(512);
    std::vector<float> fused(512);
    PlaneToFloats(data.data(), plain.data(), rect, 512, 2);
    for (float& v : plain)
        v *= kSampleScale;
    PlaneToScaledFloats(data.data(), fused.data(), rect, 512, 2, kSampleScale);
    for (std::size_t i = 0; i < plain.size(); ++i)
        ASSERT_EQ(Bits(fused[i]), Bits(plain[i])) << "sample " << i;
    EXPECT_EQ(fused[255], 1.0f);
    EXPECT_EQ(fused[256], 1.0f);
}

// The intake converts through a byte table; every byte, in every layout a
// host reports, must give the float the conversion and multiplication give.
TEST(ExtractScaledPlane, TableLookupEqualsConversionTimesScaleForEveryByteAndLayout) {
    for (const float scale : {kSampleScale, 1.0f / 3.0f, 0.7f}) {
        for (const std::int32_t columnBytes : {3, 4, 5}) {
            std::vector<std::uint8_t> data(static_cast<std::size_t>(256 * columnBytes + 7));
            for (int i = 0; i < 256; ++i) {
                data[static_cast<std::size_t>(i * columnBytes + 1)] =
                    static_cast<std::uint8_t>(255 - i);
            }
            std::vector<float> out(256);
            ExtractScaledPlane(data.data(), out.data(), Rect{0, 0, 1, 256}, 0,
                               PixelLayout{columnBytes, 1}, 1, scale);
            for (int i = 0; i < 256; ++i) {
                ASSERT_EQ(Bits(out[static_cast<std::size_t>(i)]),
                          Bits(static_cast<float>(255 - i) * scale))
                    << "byte " << 255 - i << ", column bytes " << columnBytes << ", scale "
                    << scale;
            }
        }
    }
}

}  // namespace
}  // namespace mirtane
