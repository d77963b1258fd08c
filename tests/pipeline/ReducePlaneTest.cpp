// The four-fold reduction against its plain definition and its worked
// examples: the lost weight at row and column 0, the columns and rows that
// never contribute, and the scratch size test.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "pipeline/MedianFilter.h"
#include "pipeline/PlaneToFloats.h"
#include "pipeline/ReadAndReducePlanes.h"
#include "pipeline/ReducePlane.h"
#include "tests/pipeline/References.h"

namespace mirtane {
namespace {

// A plane as the intake makes it: random bytes scaled by the sample scale.
std::vector<float> RandomSamplePlane(int width, int height, std::mt19937& random) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<float> plane(static_cast<std::size_t>(width * height));
    for (float& v : plane)
        v = static_cast<float>(byte(random)) * kSampleScale;
    return plane;
}

// Eight rows of width / 4 floats, whatever the height.
std::int64_t ScratchBytes(int width, int /*height*/) { return 4LL * (width / 4) * 8; }

TEST(DownsampleByFour, EqualsThePlainDefinition) {
    std::mt19937 random(1);
    const int sizes[][2] = {{4, 4}, {8, 8}, {9, 13}, {23, 17}, {40, 41}, {483, 37}};
    for (const auto& size : sizes) {
        const int width = size[0];
        const int height = size[1];
        const std::vector<float> plane = RandomSamplePlane(width, height, random);
        std::vector<float> out(static_cast<std::size_t>((width / 4) * (height / 4)), -1.0f);
        std::vector<float> scratch(static_cast<std::size_t>(ScratchBytes(width, height) / 4));
        ASSERT_EQ(DownsampleByFour(plane.data(), width, height, out.data(), scratch.data(),
                                   ScratchBytes(width, height)),
                  0);
        EXPECT_EQ(out, reference::Downsample(plane, width, height)) << width << " x " << height;
    }
}

TEST(DownsampleByFour, WeighsAnImpulseByTheProductOfTheTapWeights) {
    const int width = 16;
    const int height = 16;
    // An impulse at row 9, column 6: output row 2 (rows 6 ... 10, tap +1) and
    // column 1 (columns 2 ... 6, tap +2), and output column 2 (tap -2).
    std::vector<float> plane(static_cast<std::size_t>(width * height), 0.0f);
    plane[static_cast<std::size_t>(9 * width + 6)] = 1.0f;
    std::vector<float> out(16, -1.0f);
    std::vector<float> scratch(static_cast<std::size_t>(ScratchBytes(width, height) / 4));
    ASSERT_EQ(DownsampleByFour(plane.data(), width, height, out.data(), scratch.data(),
                               ScratchBytes(width, height)),
              0);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            float expected = 0.0f;
            if (r == 2 && c == 1) expected = 0.25f * 0.125f;
            if (r == 2 && c == 2) expected = 0.25f * 0.125f;
            EXPECT_EQ(out[static_cast<std::size_t>(r * 4 + c)], expected)
                << "row " << r << " column " << c;
        }
    }
}

TEST(ReducePlane, PlaneOfFullIntensityKeepsTheLostWeightAtRowAndColumnZero) {
    const int width = 48;
    const int height = 40;
    const std::vector<std::uint8_t> bytes(static_cast<std::size_t>(width * height), 255);
    std::vector<float> plane(bytes.size());
    const Rect rect = {0, 0, static_cast<std::int16_t>(height), static_cast<std::int16_t>(width)};
    PlaneToScaledFloats(bytes.data(), plane.data(), rect, width, 1, kSampleScale);
    ASSERT_EQ(plane[0], 1.0f);
    std::vector<float> out(static_cast<std::size_t>((width / 4) * (height / 4)), -1.0f);
    std::vector<float> scratch(static_cast<std::size_t>(ScratchBytes(width, height) / 4));
    ASSERT_EQ(ReducePlane(plane.data(), width, height, out.data(), scratch.data(),
                          ScratchBytes(width, height)),
              0);
    for (int r = 0; r < height / 4; ++r) {
        for (int c = 0; c < width / 4; ++c) {
            const float expected =
                r == 0 && c == 0 ? 0.390625f : (r == 0 || c == 0 ? 0.625f : 1.0f);
            ASSERT_EQ(out[static_cast<std::size_t>(r * (width / 4) + c)], expected)
                << "row " << r << " column " << c;
        }
    }
}

TEST(ReducePlane, IsTheDownsampleFollowedByTheMedian) {
    std::mt19937 random(4);
    const int width = 57;
    const int height = 45;
    const std::vector<float> plane = RandomSamplePlane(width, height, random);
    std::vector<float> expected = reference::Downsample(plane, width, height);
    MedianFilterPlanes(expected.data(), width / 4, height / 4, 1);
    std::vector<float> out(expected.size());
    std::vector<float> scratch(static_cast<std::size_t>(ScratchBytes(width, height) / 4));
    ASSERT_EQ(ReducePlane(plane.data(), width, height, out.data(), scratch.data(),
                          ScratchBytes(width, height)),
              0);
    EXPECT_EQ(out, expected);
}

TEST(ReducePlane, NeverReadsColumnsOrRowsPastTheLastTap) {
    // 483 x 483: W4 = H4 = 120, the last tap is column (row) 4 * 119 + 2 = 478.
    std::mt19937 random(8);
    const int size = 483;
    const std::vector<float> plane = RandomSamplePlane(size, size, random);
    const std::int64_t scratchBytes = ScratchBytes(size, size);
    std::vector<float> scratch(static_cast<std::size_t>(scratchBytes / 4));
    auto reduce = [&](const std::vector<float>& source) {
        std::vector<float> out(120 * 120);
        EXPECT_EQ(ReducePlane(source.data(), size, size, out.data(), scratch.data(), scratchBytes),
                  0);
        return out;
    };
    const std::vector<float> original = reduce(plane);

    std::vector<float> beyond = plane;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            if (x >= 479 || y >= 479)
                beyond[static_cast<std::size_t>(y * size + x)] =
                    1.0f - beyond[static_cast<std::size_t>(y * size + x)];
        }
    }
    EXPECT_EQ(reduce(beyond), original);

    std::vector<float> lastTap = plane;
    for (int y = 0; y < size; ++y)
        lastTap[static_cast<std::size_t>(y * size + 478)] =
            1.0f - lastTap[static_cast<std::size_t>(y * size + 478)];
    EXPECT_NE(reduce(lastTap), original);
}

TEST(ReducePlane, RefusesAScratchOneByteShortAndWritesNothing) {
    const int width = 20;
    const int height = 24;
    const std::vector<float> plane(static_cast<std::size_t>(width * height), 0.5f);
    const std::int64_t needed = ScratchBytes(width, height);
    ASSERT_EQ(static_cast<std::uint64_t>(needed), ReductionScratchBytes(width, height));
    std::vector<float> scratch(static_cast<std::size_t>(needed / 4));
    std::vector<float> out(30, -1.0f);
    EXPECT_EQ(ReducePlane(plane.data(), width, height, out.data(), scratch.data(), needed - 1), -1);
    EXPECT_EQ(DownsampleByFour(plane.data(), width, height, out.data(), scratch.data(), needed - 1),
              -1);
    EXPECT_EQ(DownsampleByFour(plane.data(), width, height, out.data(), scratch.data(), -4), -1);
    for (float v : out)
        ASSERT_EQ(v, -1.0f);
    EXPECT_EQ(ReducePlane(plane.data(), width, height, out.data(), scratch.data(), needed), 0);
    EXPECT_EQ(out[7], 0.5f);
}

TEST(DownsampleByFour, PlaneLowerThanFourRowsHasNothingToWrite) {
    const int width = 8;
    const int height = 3;
    const std::vector<float> plane(static_cast<std::size_t>(width * height), 0.5f);
    std::vector<float> scratch(static_cast<std::size_t>(ScratchBytes(width, height) / 4) + 1);
    float out[2] = {-1.0f, -1.0f};
    EXPECT_EQ(DownsampleByFour(plane.data(), width, height, out, scratch.data(),
                               ScratchBytes(width, height)),
              0);
    EXPECT_EQ(out[0], -1.0f);
}

TEST(WorkBufferBytes, IsThreeBytesAPixelRoundedThroughSinglePrecision) {
    EXPECT_EQ(WorkBufferBytes(480, 480), 3u * 480 * 480);
    EXPECT_EQ(WorkBufferBytes(1000, 1000), 3000000u);
    // 3 * 2001 * 1999 = 11999997 lies above 2^23, where floats are 1 apart:
    // 11999997.5 is a tie and goes to the even 11999998.
    EXPECT_EQ(WorkBufferBytes(2001, 1999), 11999998u);
    // The largest document: 3 * 32767^2 = 3221028867 passes 2^31; floats
    // there are 256 apart, the nearest being 3221028864.
    EXPECT_EQ(WorkBufferBytes(32767, 32767), 3221028864u);
    // Always enough for the three planes and the scratch behind the last one.
    for (int side : {480, 483, 2001, 6000, 32767}) {
        const std::uint64_t reduced = 4ull * (side / 4) * (side / 4);
        EXPECT_GE(WorkBufferBytes(side, side), 3 * reduced + ReductionScratchBytes(side, side))
            << side;
    }
}

}  // namespace
}  // namespace mirtane
