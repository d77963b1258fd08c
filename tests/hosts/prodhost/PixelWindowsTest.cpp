// Requests served by the production host's pixel exchange, one by one:
// pointers into the image where possible, staged copies with the plug-in's
// padding elsewhere, output kept inside the image and the selection.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "hosts/prodhost/PixelWindows.h"
#include "pluginapi/PluginConstants.h"

namespace prodhost {
namespace {

constexpr int kWidth = 7;
constexpr int kHeight = 5;
constexpr Fixed kFullResolution = 0x00010000;

std::uint8_t Value(int x, int y, int plane) {
    return static_cast<std::uint8_t>(100 + 10 * y + x + 50 * plane);
}

class PixelWindowsTest : public ::testing::Test {
  protected:
    PixelWindowsTest() : pool_(1 << 20), windows_(pool_), pixels_(kWidth * kHeight * 3) {
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                for (int p = 0; p < 3; ++p)
                    pixels_[(y * kWidth + x) * 3 + p] = Value(x, y, p);
        image_ = ImageView{pixels_.data(), kWidth, kHeight};
        record_.inputRate = kFullResolution;
        record_.inputPadding = record_.outputPadding = plugInWantsErrorOnBoundsException;
    }
    ~PixelWindowsTest() override { windows_.Release(record_); }

    void AskInput(Rect rect, int lo, int hi, std::int16_t padding) {
        record_.inRect = rect;
        record_.inLoPlane = static_cast<std::int16_t>(lo);
        record_.inHiPlane = static_cast<std::int16_t>(hi);
        record_.inputPadding = padding;
    }
    void AskOutput(Rect rect, std::int16_t padding) {
        record_.outRect = rect;
        record_.outLoPlane = 0;
        record_.outHiPlane = 2;
        record_.outputPadding = padding;
    }
    // The record is packed: its pointer fields are read by value, never bound
    // to a reference.
    void* InData() const { return record_.inData; }
    void* OutData() const { return record_.outData; }
    std::uint8_t In(int row, int column, int plane) const {
        const auto* data = static_cast<const std::uint8_t*>(record_.inData);
        return data[row * record_.inRowBytes + column * record_.inColumnBytes +
                    plane * record_.inPlaneBytes];
    }

    BufferPool pool_;
    PixelWindows windows_;
    std::vector<std::uint8_t> pixels_;
    ImageView image_;
    FilterRecord record_{};
    const Rect whole_{0, 0, kHeight, kWidth};
};

TEST_F(PixelWindowsTest, RequestsInsideTheImagePointIntoIt) {
    AskInput(Rect{1, 2, 4, 6}, 1, 2, plugInWantsErrorOnBoundsException);
    AskOutput(Rect{1, 2, 4, 6}, plugInWantsErrorOnBoundsException);
    ASSERT_EQ(windows_.Advance(record_, image_, whole_), noErr);
    EXPECT_EQ(InData(), pixels_.data() + (1 * kWidth + 2) * 3 + 1);
    EXPECT_EQ(OutData(), pixels_.data() + (1 * kWidth + 2) * 3);
    EXPECT_EQ(record_.inRowBytes, kWidth * 3);
    EXPECT_EQ(record_.inColumnBytes, 3);
    EXPECT_EQ(record_.inPlaneBytes, 1);
    EXPECT_EQ(record_.outRowBytes, kWidth * 3);
    EXPECT_EQ(In(2, 3, 1), Value(5, 3, 2));
    EXPECT_EQ(pool_.BlocksLent(), 0);
}

TEST_F(PixelWindowsTest, InputPastTheEdgeIsPaddedAsAsked) {
    AskInput(Rect{-1, 5, 2, 9}, 0, 2, 7);
    ASSERT_EQ(windows_.Advance(record_, image_, whole_), noErr);
    EXPECT_EQ(record_.inColumnBytes, 3);
    EXPECT_EQ(record_.inRowBytes, 4 * 3);
    EXPECT_EQ(In(0, 0, 0), 7);  // row -1
    EXPECT_EQ(In(1, 1, 2), Value(6, 0, 2));
    EXPECT_EQ(In(1, 2, 1), 7);  // column 7
    EXPECT_EQ(pool_.BlocksLent(), 1);

    AskInput(Rect{-1, 5, 2, 9}, 2, 2, plugInWantsEdgeReplication);
    ASSERT_EQ(windows_.Advance(record_, image_, whole_), noErr);
    EXPECT_EQ(record_.inColumnBytes, 1);
    EXPECT_EQ(In(0, 0, 0), Value(5, 0, 2));
    EXPECT_EQ(In(2, 3, 0), Value(6, 1, 2));
    EXPECT_EQ(pool_.BlocksLent(), 1) << "the earlier staging was not given back";

    AskInput(Rect{-1, 5, 2, 9}, 0, 2, plugInWantsErrorOnBoundsException);
    EXPECT_EQ(windows_.Advance(record_, image_, whole_), paramErr);
    EXPECT_EQ(InData(), nullptr);
    EXPECT_EQ(pool_.BlocksLent(), 0);
}

TEST_F(PixelWindowsTest, RequestsTheHostCannotServeAreRefused) {
    AskInput(Rect{0, 0, 2, 2}, 1, 3, 0);  // a fourth plane
    EXPECT_EQ(windows_.Advance(record_, image_, whole_), paramErr);
    AskInput(Rect{0, 0, 2, 2}, 2, 1, 0);  // an inverted range
    EXPECT_EQ(windows_.Advance(record_, image_, whole_), paramErr);
    AskInput(Rect{0, 0, 2, 2}, 0, 2, 0);
    record_.inputRate = 2 * kFullResolution;  // sampled preview input
    EXPECT_EQ(windows_.Advance(record_, image_, whole_), paramErr);
    record_.inputRate = 0;  // hosts read 0 as 1
    EXPECT_EQ(windows_.Advance(record_, image_, whole_), noErr);
    AskInput(Rect{0, 0, 2, 2}, 0, 2, 256);
    EXPECT_EQ(windows_.Advance(record_, image_, whole_), paramErr);
    EXPECT_EQ(InData(), nullptr);
}

TEST_F(PixelWindowsTest, OutputBeyondTheSelectionLandsOnlyInsideIt) {
    const Rect selection{1, 1, 3, 4};
    AskOutput(Rect{0, 0, 4, 6}, 0);
    ASSERT_EQ(windows_.Advance(record_, image_, selection), noErr);
    ASSERT_NE(OutData(), nullptr);
    EXPECT_EQ(record_.outColumnBytes, 3);
    auto* out = static_cast<std::uint8_t*>(record_.outData);
    // Staged with the current pixels, as hosts pre-fill output.
    EXPECT_EQ(out[2 * record_.outRowBytes + 3 * 3 + 1], Value(3, 2, 1));
    for (int i = 0; i < 4 * record_.outRowBytes; ++i)
        out[i] = 1;
    AskOutput(Rect{0, 0, 0, 0}, 0);
    ASSERT_EQ(windows_.Advance(record_, image_, selection), noErr);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const bool inside = y >= 1 && y < 3 && x >= 1 && x < 4;
            EXPECT_EQ(pixels_[(y * kWidth + x) * 3 + 2], inside ? 1 : Value(x, y, 2))
                << x << "," << y;
        }
    }
    EXPECT_EQ(pool_.BlocksLent(), 0);
}

}  // namespace
}  // namespace prodhost
