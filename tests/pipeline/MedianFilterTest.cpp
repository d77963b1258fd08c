// The median network is proved on every input of zeros and ones (by the 0-1
// principle a comparator network that selects the k-th smallest of all 0-1
// inputs does so for every input), and the lagged multi-row filter is checked
// against the plain definition: one window at a time, a full sort, in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "pipeline/MedianFilter.h"
#include "pipeline/MedianNetwork.h"
#include "tests/pipeline/References.h"

namespace mirtane {
namespace {

using median::Comparator;
using median::Keep;
using median::kMedianNetwork;

TEST(MedianNetwork, SelectsTheThirteenthOfEveryZeroOneInput) {
    // 64 inputs at a time: bit `lane` of each word belongs to input base + lane.
    constexpr std::uint64_t kInputs = std::uint64_t{1} << 25;
    std::uint64_t lowPatterns[6];
    for (int wire = 0; wire < 6; ++wire) {
        lowPatterns[wire] = 0;
        for (int lane = 0; lane < 64; ++lane) {
            if ((lane >> wire) & 1) lowPatterns[wire] |= std::uint64_t{1} << lane;
        }
    }
    std::uint64_t wrongWords = 0;
    for (std::uint64_t base = 0; base < kInputs; base += 64) {
        std::uint64_t wires[25];
        for (int wire = 0; wire < 25; ++wire) {
            wires[wire] =
                wire < 6 ? lowPatterns[wire] : (((base >> wire) & 1) ? ~std::uint64_t{0} : 0);
        }
        for (std::size_t n = 0; n < kMedianNetwork.count; ++n) {
            const Comparator c = kMedianNetwork.comparators[n];
            const std::uint64_t low = wires[c.low] & wires[c.high];
            const std::uint64_t high = wires[c.low] | wires[c.high];
            if (c.keep != Keep::MaxOnly) wires[c.low] = low;
            if (c.keep != Keep::MinOnly) wires[c.high] = high;
        }
        std::uint64_t expected = 0;
        for (int lane = 0; lane < 64; ++lane) {
            // The 13th smallest is 1 exactly when at least 13 of the 25 are 1.
            if (__builtin_popcountll(base + static_cast<std::uint64_t>(lane)) >= 13) {
                expected |= std::uint64_t{1} << lane;
            }
        }
        if (wires[median::kMiddle] != expected) ++wrongWords;
    }
    EXPECT_EQ(wrongWords, 0u);
}

TEST(MedianNetwork, MatchesASortOnFloatsWithTies) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> level(0, 6);  // few levels: many ties
    for (int trial = 0; trial < 2000; ++trial) {
        float window[25];
        std::vector<float> sorted(25);
        for (int i = 0; i < 25; ++i) {
            window[i] = static_cast<float>(level(random)) / 6.0f;
            sorted[static_cast<std::size_t>(i)] = window[i];
        }
        std::sort(sorted.begin(), sorted.end());
        ASSERT_EQ(median::Median25(window), sorted[12]) << "trial " << trial;
    }
}

// Every window read from the unfiltered plane: what the filter is not.
std::vector<float> NonRecursiveMedian(const std::vector<float>& plane, int width, int height) {
    std::vector<float> out = plane;
    for (int r = 2; r <= height - 3; ++r) {
        for (int c = 2; c <= width - 3; ++c) {
            std::vector<float> window;
            for (int dr = -2; dr <= 2; ++dr) {
                for (int dc = -2; dc <= 2; ++dc)
                    window.push_back(plane[static_cast<std::size_t>((r + dr) * width + c + dc)]);
            }
            std::sort(window.begin(), window.end());
            out[static_cast<std::size_t>(r * width + c)] = window[12];
        }
    }
    return out;
}

std::vector<float> RandomPlane(int width, int height, std::mt19937& random, int levels) {
    std::uniform_int_distribution<int> level(0, levels);
    std::vector<float> plane(static_cast<std::size_t>(width * height));
    for (float& v : plane)
        v = static_cast<float>(level(random)) / static_cast<float>(levels);
    return plane;
}

TEST(MedianFilterPlanes, EqualsTheOneWindowAtATimeDefinitionOnRandomPlanes) {
    std::mt19937 random(11);
    const int sizes[][2] = {{5, 5},   {6, 5},  {5, 9},  {7, 7},   {12, 8},  {13, 11},
                            {16, 17}, {31, 6}, {6, 31}, {40, 23}, {64, 64}, {75, 50}};
    for (const auto& size : sizes) {
        const int width = size[0];
        const int height = size[1];
        for (int levels : {3, 255}) {
            std::vector<float> plane = RandomPlane(width, height, random, levels);
            std::vector<float> expected = plane;
            reference::Median(expected, width, height);
            MedianFilterPlanes(plane.data(), width, height, 1);
            ASSERT_EQ(plane, expected) << width << " x " << height << ", " << levels << " levels";
        }
    }
}

TEST(MedianFilterPlanes, IsRecursive) {
    // On random data the recursive and the plain median differ somewhere, and
    // the filter must give the recursive one.
    std::mt19937 random(3);
    const int width = 30;
    const int height = 20;
    const std::vector<float> original = RandomPlane(width, height, random, 255);
    std::vector<float> plane = original;
    MedianFilterPlanes(plane.data(), width, height, 1);
    std::vector<float> recursive = original;
    reference::Median(recursive, width, height);
    const std::vector<float> plain = NonRecursiveMedian(original, width, height);
    ASSERT_NE(recursive, plain);
    EXPECT_EQ(plane, recursive);
}

TEST(MedianFilterPlanes, FiltersPlanesLyingBackToBackEachOnItsOwn) {
    std::mt19937 random(5);
    const int width = 19;
    const int height = 14;
    const std::size_t planeSize = static_cast<std::size_t>(width * height);
    std::vector<float> planes;
    std::vector<std::vector<float>> expected;
    for (int p = 0; p < 3; ++p) {
        std::vector<float> plane = RandomPlane(width, height, random, 255);
        planes.insert(planes.end(), plane.begin(), plane.end());
        reference::Median(plane, width, height);
        expected.push_back(plane);
    }
    MedianFilterPlanes(planes.data(), width, height, 3);
    for (int p = 0; p < 3; ++p) {
        const std::vector<float> got(
            planes.begin() + static_cast<std::ptrdiff_t>(p * planeSize),
            planes.begin() + static_cast<std::ptrdiff_t>((p + 1) * planeSize));
        EXPECT_EQ(got, expected[static_cast<std::size_t>(p)]) << "plane " << p;
    }
}

TEST(MedianFilterPlanes, RemovesABrightSampleFromADarkInterior) {
    const int width = 12;
    const int height = 10;
    std::vector<float> plane(static_cast<std::size_t>(width * height), 0.1f);
    plane[static_cast<std::size_t>(5 * width + 6)] = 1.0f;
    MedianFilterPlanes(plane.data(), width, height, 1);
    for (float v : plane)
        ASSERT_EQ(v, 0.1f);
}

TEST(MedianFilterPlanes, KeepsTheTwoOutermostRowsAndColumns) {
    std::mt19937 random(9);
    const int width = 9;
    const int height = 8;
    const std::vector<float> original = RandomPlane(width, height, random, 255);
    std::vector<float> plane = original;
    MedianFilterPlanes(plane.data(), width, height, 1);
    int changedInside = 0;
    for (int r = 0; r < height; ++r) {
        for (int c = 0; c < width; ++c) {
            const std::size_t i = static_cast<std::size_t>(r * width + c);
            const bool border = r < 2 || r >= height - 2 || c < 2 || c >= width - 2;
            if (border) {
                EXPECT_EQ(plane[i], original[i]) << "row " << r << " column " << c;
            } else if (plane[i] != original[i]) {
                ++changedInside;
            }
        }
    }
    EXPECT_GT(changedInside, 0);
}

TEST(MedianFilterPlanes, LeavesPlanesNarrowerOrLowerThanFiveAlone) {
    std::mt19937 random(2);
    for (const auto& size : {std::pair<int, int>{4, 9}, {9, 4}, {1, 1}}) {
        const std::vector<float> original = RandomPlane(size.first, size.second, random, 255);
        std::vector<float> plane = original;
        MedianFilterPlanes(plane.data(), size.first, size.second, 1);
        EXPECT_EQ(plane, original) << size.first << " x " << size.second;
    }
}

}  // namespace
}  // namespace mirtane
