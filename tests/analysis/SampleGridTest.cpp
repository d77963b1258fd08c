#include "analysis/SampleGrid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

namespace mirtane {
namespace {

TEST(SampleGridBounds, FreshGridHasInvertedBoundsAndNoPeak) {
    const SampleGrid grid(256, 257);
    EXPECT_EQ(grid.MinColumn(), 255);
    EXPECT_EQ(grid.MaxColumn(), 0);
    EXPECT_EQ(grid.MinRow(), 256);
    EXPECT_EQ(grid.MaxRow(), 0);
    EXPECT_EQ(grid.Peak(), 0.0f);
}

TEST(SampleGridBounds, WritesWidenBoundsToExactlyTheCellsWritten) {
    SampleGrid grid(10, 8);
    ASSERT_EQ(grid.AddAt(1.5f, 3, 5), 0);
    EXPECT_EQ(grid.MinColumn(), 3);
    EXPECT_EQ(grid.MaxColumn(), 3);
    EXPECT_EQ(grid.MinRow(), 5);
    EXPECT_EQ(grid.MaxRow(), 5);
    ASSERT_EQ(grid.SetAt(0.5f, 7, 2), 0);
    EXPECT_EQ(grid.MinColumn(), 3);
    EXPECT_EQ(grid.MaxColumn(), 7);
    EXPECT_EQ(grid.MinRow(), 2);
    EXPECT_EQ(grid.MaxRow(), 5);
    EXPECT_EQ(grid.Reset(), 0);
    EXPECT_EQ(grid.MinColumn(), 9);
    EXPECT_EQ(grid.MaxColumn(), 0);
    EXPECT_EQ(grid.MinRow(), 7);
    EXPECT_EQ(grid.MaxRow(), 0);
    EXPECT_EQ(grid.Peak(), 0.0f);
    EXPECT_EQ(grid.GetAt(3, 5), 0.0f);
}

TEST(SampleGridPeak, AddComparesNewCellSetComparesValue) {
    SampleGrid grid(4, 4);
    ASSERT_EQ(grid.AddAt(2.0f, 1, 1), 0);
    ASSERT_EQ(grid.AddAt(3.0f, 1, 1), 0);
    EXPECT_EQ(grid.GetAt(1, 1), 5.0f);
    EXPECT_EQ(grid.Peak(), 5.0f);
    ASSERT_EQ(grid.SetAt(1.0f, 1, 1), 0);
    EXPECT_EQ(grid.Peak(), 5.0f) << "peak never falls";
    ASSERT_EQ(grid.SetAt(7.0f, 2, 2), 0);
    EXPECT_EQ(grid.Peak(), 7.0f);
}

TEST(SampleGridAccess, OutsideTheGridIsRejectedAndReadsZero) {
    SampleGrid grid(4, 3);
    EXPECT_EQ(grid.AddAt(1.0f, 4, 0), -1);
    EXPECT_EQ(grid.AddAt(1.0f, 0, 3), -1);
    EXPECT_EQ(grid.SetAt(1.0f, -1, 0), -1);
    EXPECT_EQ(grid.GetAt(-1, 0), 0.0f);
    EXPECT_EQ(grid.GetAt(0, 3), 0.0f);
    EXPECT_EQ(grid.MaxColumn(), 0) << "a rejected write must not widen the bounds";
    EXPECT_EQ(grid.MinColumn(), 3);
}

TEST(SampleGridAccess, GridWithoutStorageFailsEverything) {
    SampleGrid grid(0, 5);
    EXPECT_FALSE(grid.HasStorage());
    EXPECT_EQ(grid.Reset(), -1);
    EXPECT_EQ(grid.AddAt(1.0f, 0, 0), -1);
    EXPECT_EQ(grid.AddAtNormalised(1.0f, 0.5f, 0.5f), -1);
    EXPECT_EQ(grid.SetAtNormalised(1.0f, 0.5f, 0.5f), -1);
    EXPECT_EQ(grid.GetAt(0, 0), 0.0f);
    EXPECT_EQ(grid.GetAtNormalised(0.0f, 0.0f), 0.0f);
    EXPECT_EQ(grid.DumpRaw(::testing::TempDir().c_str(), "none"), 0);
}

TEST(SampleGridNormalised, RoundsToNearestCellWithHalvesUp) {
    SampleGrid grid(256, 257);
    ASSERT_EQ(grid.AddAtNormalised(2.5f, 0.5f, 0.5f), 0);
    // 0.5 * 255 + 0.5 = 128.0 and 0.5 * 256 + 0.5 = 128.5.
    EXPECT_EQ(grid.GetAt(128, 128), 2.5f);
    EXPECT_EQ(grid.MinColumn(), 128);
    EXPECT_EQ(grid.MaxColumn(), 128);
    EXPECT_EQ(grid.MinRow(), 128);
    EXPECT_EQ(grid.MaxRow(), 128);
    ASSERT_EQ(grid.AddAtNormalised(1.0f, 0.0f, 1.0f), 0);
    EXPECT_EQ(grid.GetAt(0, 256), 1.0f);
    ASSERT_EQ(grid.AddAtNormalised(1.0f, 1.0f, 0.0f), 0);
    EXPECT_EQ(grid.GetAt(255, 0), 1.0f);
    // 2.5 / 255 lies exactly half-way: up to column 3.
    SampleGrid small(256, 2);
    ASSERT_EQ(small.AddAtNormalised(1.0f, 2.5f / 255.0f, 0.0f), 0);
    const float t = (2.5f / 255.0f) * 255.0f + 0.5f;
    EXPECT_EQ(small.GetAt(static_cast<std::int32_t>(std::floor(t)), 0), 1.0f);
}

TEST(SampleGridNormalised, CoordinatesOutsideUnitRangeOrNaNChangeNothing) {
    SampleGrid grid(256, 257);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(grid.AddAtNormalised(1.0f, 1.0001f, 0.5f), -1);
    EXPECT_EQ(grid.AddAtNormalised(1.0f, 0.5f, -0.0001f), -1);
    EXPECT_EQ(grid.AddAtNormalised(1.0f, nan, 0.5f), -1);
    EXPECT_EQ(grid.SetAtNormalised(1.0f, 0.5f, nan), -1);
    EXPECT_EQ(grid.Peak(), 0.0f);
    EXPECT_EQ(grid.MaxColumn(), 0);
    EXPECT_EQ(grid.MinColumn(), 255);
    EXPECT_EQ(grid.GetAtNormalised(1.0001f, 0.5f), 0.0f);
}

TEST(SampleGridNormalised, GetReadsTheCellSetWrites) {
    SampleGrid grid(7, 5);
    const float xs[4] = {0.0f, 0.25f, 0.58f, 1.0f};
    for (float x : xs) {
        for (float y : xs) {
            ASSERT_EQ(grid.Reset(), 0);
            ASSERT_EQ(grid.SetAtNormalised(9.0f, x, y), 0);
            EXPECT_EQ(grid.GetAtNormalised(x, y), 9.0f) << x << ", " << y;
        }
    }
}

// A folder of its own under the test temporary folder, removed with what the
// test wrote into it.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::string pattern = ::testing::TempDir() + "mirtane_dump_XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~ScratchFolder() {
        if (!path.empty()) std::filesystem::remove_all(path);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::string path;
};

TEST(SampleGridDump, PathHasOneSeparatorWhateverTheFolderEndsWith) {
    const SampleGrid grid(3, 2);
    EXPECT_EQ(grid.DumpPath("/tmp", "grid"), "/tmp/grid_3x2.raw");
    EXPECT_EQ(grid.DumpPath("/tmp/", "grid"), "/tmp/grid_3x2.raw");
    EXPECT_EQ(grid.DumpPath("C:\\Temp\\", "grid"), "C:\\Temp\\grid_3x2.raw");
    EXPECT_EQ(grid.DumpPath("", "grid"), "grid_3x2.raw");
    EXPECT_EQ(grid.DumpPath(nullptr, "grid"), "");
    EXPECT_EQ(grid.DumpPath("/tmp", nullptr), "");
}

TEST(SampleGridDump, WritesLastRowFirstScaledToPeakAndLeavesNothingBehind) {
    std::string folderPath;
    {
        const ScratchFolder folder;
        ASSERT_FALSE(folder.path.empty());
        folderPath = folder.path;
        SampleGrid grid(3, 2);
        ASSERT_EQ(grid.SetAt(4.0f, 0, 0), 0);
        ASSERT_EQ(grid.SetAt(2.0f, 1, 0), 0);
        ASSERT_EQ(grid.SetAt(1.0f, 2, 1), 0);
        ASSERT_EQ(grid.SetAt(-3.0f, 0, 1), 0);
        EXPECT_EQ(grid.DumpRaw((folder.path + "/").c_str(), "grid"), 6);
        std::ifstream file(folder.path + "/grid_3x2.raw", std::ios::binary);
        ASSERT_TRUE(file.good());
        const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)),
                                               std::istreambuf_iterator<char>());
        // Row 1 first: -3 limited to 0, 0, 1 * 255 / 4 + 0.5 = 64.25; then row 0.
        const std::vector<unsigned char> expected = {0, 0, 64, 255, 128, 0};
        EXPECT_EQ(bytes, expected);
    }
    EXPECT_FALSE(std::filesystem::exists(folderPath));
}

TEST(SampleGridDump, MissingFolderWritesNothing) {
    SampleGrid grid(3, 2);
    EXPECT_EQ(grid.DumpRaw("/nonexistent-mirtane-folder", "grid"), 0);
    EXPECT_EQ(grid.DumpRaw(nullptr, "grid"), 0);
}

}  // namespace
}  // namespace mirtane
