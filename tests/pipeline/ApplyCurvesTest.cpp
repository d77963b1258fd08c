// The byte-table correction against the per-sample definition, written out
// here on its own: every byte value of every channel, over tints in and out
// of the slider range, identity, steep and irregular curves, ordinary levels
// and levels that coincide.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "pipeline/ApplyCurves.h"
#include "run/HostState.h"

namespace mirtane {
namespace {

std::uint32_t Bits(float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

// The definition of one sample, step by step.
std::uint8_t Reference(std::uint8_t b, const float* table, float black, float white,
                       std::int32_t tint) {
    const float k = 0.0039215689f;
    const float scale =
        static_cast<float>(1.0 / (static_cast<double>(white) - static_cast<double>(black)));
    const float t = static_cast<float>(static_cast<double>(tint) * static_cast<double>(0.04f));
    const float x =
        static_cast<float>((static_cast<double>(b) * k - black) * static_cast<double>(scale));
    float u;
    if (x <= 0.0f) {
        u = table[0];
    } else if (x >= 1.0f) {
        u = table[255];
    } else if (x != x) {
        return 0;
    } else {
        const float s = x * 255.0f;
        const int i = static_cast<int>(std::floor(s));
        const int j = i + 1 < 255 ? i + 1 : 255;
        const float r = table[i] + (table[j] - table[i]) * (s - static_cast<float>(i));
        u = r < 0.0f ? 0.0f : r;
    }
    float v = u;
    if (t != 1.0f) {
        const float bend = u - (u - u * u) * (1.0f - t);
        v = bend < 0.0f ? 0.0f : (bend > 1.0f ? 1.0f : bend);
    }
    if (v != v) return 0;
    const float sum = v * 255.0f + 0.5f;
    const int byte = static_cast<int>(std::floor(sum));
    return static_cast<std::uint8_t>(byte > 255 ? 255 : byte);
}

struct Curves {
    std::vector<float> red, green, blue;
};

Curves IdentityCurves() {
    Curves c;
    for (int i = 0; i < 256; ++i)
        c.red.push_back(static_cast<float>(i) / 255.0f);
    c.green = c.red;
    c.blue = c.red;
    return c;
}

Curves SteepCurves() {
    Curves c;
    for (int i = 0; i < 256; ++i) {
        const float steep = std::fmin(1.0f, std::fmax(0.0f, static_cast<float>(i - 96) / 40.0f));
        c.red.push_back(steep);
        c.green.push_back(i < 128 ? 0.0f : 1.0f);
        c.blue.push_back(std::pow(static_cast<float>(i) / 255.0f, 2.2f));
    }
    return c;
}

Curves IrregularCurves() {
    std::mt19937 random(17);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    Curves c;
    for (int i = 0; i < 256; ++i) {
        c.red.push_back(unit(random));
        c.green.push_back(unit(random));
        c.blue.push_back(unit(random));
    }
    return c;
}

// 256 pixels holding byte b in every channel, rows of 16 pixels padded to
// `rowBytes`, so that the whole range passes through each channel.
std::vector<std::uint8_t> AllBytes(int planeCount, int rowBytes) {
    std::vector<std::uint8_t> data(static_cast<std::size_t>(16 * rowBytes), 0xA5);
    for (int b = 0; b < 256; ++b) {
        for (int j = 0; j < planeCount; ++j) {
            data[static_cast<std::size_t>((b / 16) * rowBytes + (b % 16) * planeCount + j)] =
                static_cast<std::uint8_t>(b);
        }
    }
    return data;
}

void ExpectMatchesDefinition(const Curves& curves, float black, float white,
                             const std::int32_t (&tints)[3], int planeCount, int rowPadding) {
    CurveSettings settings;
    settings.tables[0] = curves.red.data();
    settings.tables[1] = curves.green.data();
    settings.tables[2] = curves.blue.data();
    settings.blackLevel = black;
    settings.whiteLevel = white;
    for (int j = 0; j < 3; ++j)
        settings.tints[j] = tints[j];
    settings.planeCount = planeCount;
    const int rowBytes = 16 * planeCount + rowPadding;
    std::vector<std::uint8_t> data = AllBytes(planeCount, rowBytes);
    ApplyCurves(data.data(), rowBytes, 16, 16, settings);
    for (int b = 0; b < 256; ++b) {
        for (int j = 0; j < planeCount; ++j) {
            const std::uint8_t got =
                data[static_cast<std::size_t>((b / 16) * rowBytes + (b % 16) * planeCount + j)];
            ASSERT_EQ(got, Reference(static_cast<std::uint8_t>(b), settings.tables[j], black, white,
                                     tints[j]))
                << "byte " << b << " channel " << j << " tint " << tints[j] << " levels " << black
                << " " << white;
        }
        for (int p = 16 * planeCount; p < rowBytes; ++p) {
            ASSERT_EQ(data[static_cast<std::size_t>((b / 16) * rowBytes + p)], 0xA5)
                << "padding written";
        }
    }
}

TEST(ApplyCurves, ByteTablesEqualThePerSampleDefinitionForEveryByte) {
    const Curves sets[] = {IdentityCurves(), SteepCurves(), IrregularCurves()};
    const float levels[][2] = {
        {0.0f, 1.0f}, {0.0627451f, 0.8431373f}, {0.2f, 0.21f}, {0.0f, 0.0f}, {0.4f, 0.4f}};
    const std::int32_t tintValues[] = {0, 1, 24, 25, 26, 49, 50, 125, -100};
    for (const Curves& curves : sets) {
        for (const auto& level : levels) {
            for (std::int32_t tint : tintValues) {
                const std::int32_t tints[3] = {tint, 50 - tint, 25};
                ExpectMatchesDefinition(curves, level[0], level[1], tints, 3, 0);
            }
        }
    }
}

TEST(ApplyCurves, PaddedRowsAndFewerPlanesAlsoMatchTheDefinition) {
    const Curves curves = IrregularCurves();
    const std::int32_t tints[3] = {7, 38, 25};
    for (int planeCount : {1, 2, 3}) {
        for (int padding : {0, 5}) {
            ExpectMatchesDefinition(curves, 0.05f, 0.9f, tints, planeCount, padding);
        }
    }
}

TEST(ApplyCurves, BlocksOfAnyWidthMatchTheDefinitionToTheLastByte) {
    // Widths that are not a multiple of the eight pixels handled together.
    const Curves curves = IrregularCurves();
    std::mt19937 random(23);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int planeCount : {1, 2, 3}) {
        for (int columns : {1, 7, 9, 37}) {
            for (int padding : {0, 3}) {
                const int rows = 5;
                const int rowBytes = columns * planeCount + padding;
                std::vector<std::uint8_t> data(static_cast<std::size_t>(rows * rowBytes));
                for (std::uint8_t& v : data)
                    v = static_cast<std::uint8_t>(byte(random));
                const std::vector<std::uint8_t> original = data;
                CurveSettings settings;
                settings.tables[0] = curves.red.data();
                settings.tables[1] = curves.green.data();
                settings.tables[2] = curves.blue.data();
                settings.blackLevel = 0.1f;
                settings.whiteLevel = 0.7f;
                settings.tints[0] = 3;
                settings.tints[1] = 44;
                settings.tints[2] = 25;
                settings.planeCount = planeCount;
                ApplyCurves(data.data(), rowBytes, rows, columns, settings);
                for (int r = 0; r < rows; ++r) {
                    for (int i = 0; i < rowBytes; ++i) {
                        const std::size_t at = static_cast<std::size_t>(r * rowBytes + i);
                        const int channel = i % planeCount;
                        const std::uint8_t expected =
                            i < columns * planeCount
                                ? Reference(original[at], settings.tables[channel], 0.1f, 0.7f,
                                            settings.tints[channel])
                                : original[at];
                        ASSERT_EQ(data[at], expected) << planeCount << " planes, " << columns
                                                      << " columns, row " << r << " byte " << i;
                    }
                }
            }
        }
    }
}

TEST(ApplyCurves, IdentityCurvesWithNeutralTintsReproduceEveryByte) {
    const Curves curves = IdentityCurves();
    CurveSettings settings;
    settings.tables[0] = curves.red.data();
    settings.tables[1] = curves.green.data();
    settings.tables[2] = curves.blue.data();
    std::vector<std::uint8_t> data = AllBytes(3, 48);
    const std::vector<std::uint8_t> original = data;
    ApplyCurves(data.data(), 48, 16, 16, settings);
    EXPECT_EQ(data, original);
}

TEST(ApplyCurves, TintZeroAndFiftyBendAMidGreyToQuarterAndThreeQuarters) {
    const std::vector<float> half(256, 0.5f);
    CurveSettings settings;
    for (auto& table : settings.tables)
        table = half.data();
    settings.tints[0] = 0;
    settings.tints[1] = 50;
    settings.tints[2] = 25;
    std::uint8_t pixel[3] = {10, 200, 99};
    ApplyCurves(pixel, 3, 1, 1, settings);
    EXPECT_EQ(pixel[0], 64);   // 0.25 * 255 = 63.75
    EXPECT_EQ(pixel[1], 191);  // 0.75 * 255 = 191.25
    EXPECT_EQ(pixel[2], 128);  // 0.5 * 255 = 127.5, halves go up
}

TEST(ApplyCurves, CoincidingLevelsGiveZeroAtTheLevelWhateverTheTint) {
    // An image black everywhere: both levels 0, so byte 0 normalises to 0 * inf.
    std::vector<float> table(256, 0.75f);
    CurveSettings settings;
    for (auto& t : settings.tables)
        t = table.data();
    settings.blackLevel = 0.0f;
    settings.whiteLevel = 0.0f;
    settings.tints[0] = 0;
    settings.tints[1] = 25;
    settings.tints[2] = 50;
    std::uint8_t pixels[6] = {0, 0, 0, 1, 1, 1};
    ApplyCurves(pixels, 6, 1, 2, settings);
    EXPECT_EQ(pixels[0], 0);
    EXPECT_EQ(pixels[1], 0);
    EXPECT_EQ(pixels[2], 0);
    // Above the level the sample normalises to +inf and reads table[255].
    EXPECT_EQ(pixels[3], Reference(1, table.data(), 0.0f, 0.0f, 0));
    EXPECT_EQ(pixels[4], 191);
}

TEST(ApplyCurves, CurveValuesAboveOneSaturateInsteadOfWrapping) {
    std::vector<float> table(256, 1.5f);
    CurveSettings settings;
    for (auto& t : settings.tables)
        t = table.data();
    std::uint8_t pixel[3] = {0, 128, 255};
    ApplyCurves(pixel, 3, 1, 1, settings);
    EXPECT_EQ(pixel[0], 255);
    EXPECT_EQ(pixel[1], 255);
    EXPECT_EQ(pixel[2], 255);
}

TEST(TintFactor, NeutralIsExactlyOneAndTheEndsAreZeroAndTwo) {
    EXPECT_EQ(Bits(kTintStep), 0x3D23D70Au);
    EXPECT_EQ(TintFactor(25), 1.0f);
    EXPECT_EQ(TintFactor(0), 0.0f);
    EXPECT_EQ(TintFactor(50), 2.0f);
    EXPECT_NE(TintFactor(24), 1.0f);
    EXPECT_NE(TintFactor(26), 1.0f);
}

TEST(LookupCurve, EndsAreReadWithoutInterpolation) {
    std::vector<float> table(256);
    for (int i = 0; i < 256; ++i)
        table[static_cast<std::size_t>(i)] = 0.1f + 0.003f * static_cast<float>(i);
    table[0] = 0.03f;
    table[255] = 0.97f;
    EXPECT_EQ(LookupCurve(0.0f, table.data()), 0.03f);
    EXPECT_EQ(LookupCurve(-2.0f, table.data()), 0.03f);
    EXPECT_EQ(LookupCurve(1.0f, table.data()), 0.97f);
    EXPECT_EQ(LookupCurve(std::numeric_limits<float>::infinity(), table.data()), 0.97f);
    // Just below 1: between entries 254 and 255, very near 255.
    const float below = std::nextafter(1.0f, 0.0f);
    const float s = below * 255.0f;
    ASSERT_LT(s, 255.0f);
    const float expected = table[254] + (table[255] - table[254]) * (s - 254.0f);
    EXPECT_EQ(LookupCurve(below, table.data()), expected);
    EXPECT_GT(LookupCurve(below, table.data()), table[254]);
    EXPECT_LT(LookupCurve(below, table.data()), table[255]);
}

TEST(LookupCurve, InterpolatesLinearlyAndRaisesNegativeResultsToZero) {
    std::vector<float> table(256, 0.0f);
    table[10] = 0.2f;
    table[11] = 0.6f;
    table[20] = -0.5f;
    table[21] = -0.1f;
    EXPECT_FLOAT_EQ(LookupCurve(10.25f / 255.0f, table.data()), 0.3f);
    EXPECT_EQ(LookupCurve(20.5f / 255.0f, table.data()), 0.0f);
    // No upper limit.
    table[30] = 3.0f;
    table[31] = 3.0f;
    EXPECT_EQ(LookupCurve(30.5f / 255.0f, table.data()), 3.0f);
}

TEST(LookupCurve, NotANumberIsReturnedWithoutReadingTheTable) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_TRUE(std::isnan(LookupCurve(nan, nullptr)));
}

// The wrapper reads the parameter block and the document's plane count.
class ApplyCurvesToPixelsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::memset(&record, 0, sizeof record);
        record.planes = 3;
        record.filterCase = 1;
        curves = IdentityCurves();
        for (std::size_t i = 0; i < 256; ++i)
            curves.green[i] = 1.0f - curves.green[i];
        std::memset(&block, 0, sizeof block);
        block.redTint = 25;
        block.greenTint = 25;
        block.blueTint = 0;
        block.curveTables[0] = curves.red.data();
        block.curveTables[1] = curves.green.data();
        block.curveTables[2] = curves.blue.data();
        block.whiteLevel = 1.0f;
        gHost.filterRecord = &record;
        gHost.resultSlot = &result;
        gHost.parameterBlock = &block;
    }
    void TearDown() override { gHost = HostState{}; }

    FilterRecord record{};
    ParameterBlock block{};
    Curves curves;
    std::int16_t result = 0;
};

TEST_F(ApplyCurvesToPixelsTest, UsesTheBlockTablesLevelsAndTints) {
    std::uint8_t pixels[2 * 7] = {10, 20, 30, 200, 100, 50, 0xEE, 1, 2, 3, 4, 5, 6, 0xEE};
    ApplyCurvesToPixels(pixels, 7, Rect{100, 100, 102, 102});
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 2; ++c) {
            const std::uint8_t* p = pixels + r * 7 + c * 3;
            const std::uint8_t original[3] = {
                static_cast<std::uint8_t>(r == 0 ? (c == 0 ? 10 : 200) : (c == 0 ? 1 : 4)),
                static_cast<std::uint8_t>(r == 0 ? (c == 0 ? 20 : 100) : (c == 0 ? 2 : 5)),
                static_cast<std::uint8_t>(r == 0 ? (c == 0 ? 30 : 50) : (c == 0 ? 3 : 6))};
            EXPECT_EQ(p[0], original[0]);
            EXPECT_EQ(p[1], Reference(original[1], curves.green.data(), 0.0f, 1.0f, 25));
            EXPECT_EQ(p[2], Reference(original[2], curves.blue.data(), 0.0f, 1.0f, 0));
        }
    }
    EXPECT_EQ(pixels[6], 0xEE);
    EXPECT_EQ(pixels[13], 0xEE);
    EXPECT_EQ(pixels[1], 255 - 20);
}

TEST_F(ApplyCurvesToPixelsTest, InvertedOrEmptyRectanglesAndMissingTablesChangeNothing) {
    std::uint8_t pixels[3] = {10, 20, 30};
    ApplyCurvesToPixels(pixels, 3, Rect{5, 5, 4, 6});
    ApplyCurvesToPixels(pixels, 3, Rect{5, 5, 6, 5});
    block.curveTables[2] = nullptr;
    ApplyCurvesToPixels(pixels, 3, Rect{0, 0, 1, 1});
    block.curveTables[2] = curves.blue.data();
    gHost.parameterBlock = nullptr;
    ApplyCurvesToPixels(pixels, 3, Rect{0, 0, 1, 1});
    EXPECT_EQ(pixels[0], 10);
    EXPECT_EQ(pixels[1], 20);
    EXPECT_EQ(pixels[2], 30);
}

TEST_F(ApplyCurvesToPixelsTest, LayerDocumentsTakeThePlaneCountFromTheLayer) {
    record.filterCase = 3;
    record.planes = 3;
    record.inLayerPlanes = 1;
    std::uint8_t pixels[3] = {10, 20, 30};
    ApplyCurvesToPixels(pixels, 3, Rect{0, 0, 1, 3});
    // One plane per pixel: every byte goes through the red (identity) table.
    EXPECT_EQ(pixels[0], 10);
    EXPECT_EQ(pixels[1], 20);
    EXPECT_EQ(pixels[2], 30);
    record.inLayerPlanes = 3;
    ApplyCurvesToPixels(pixels, 3, Rect{0, 0, 1, 1});
    EXPECT_EQ(pixels[1], 255 - 20);
}

}  // namespace
}  // namespace mirtane
