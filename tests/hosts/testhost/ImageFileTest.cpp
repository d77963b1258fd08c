// Reading and writing PPM and BMP files, including the malformed ones a
// command line may be handed.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "hosts/testhost/ImageFile.h"

namespace {

using hostkit::Image;
using testhost::DecodeImage;
using testhost::EncodeImage;
using testhost::ImageFormat;

using Bytes = std::vector<std::uint8_t>;

Image Gradient(int width, int height) {
    Image image = hostkit::MakeImage(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.At(x, y, 0) = static_cast<std::uint8_t>(x * 40);
            image.At(x, y, 1) = static_cast<std::uint8_t>(y * 50);
            image.At(x, y, 2) = static_cast<std::uint8_t>(x + y * 3 + 1);
        }
    }
    return image;
}

Bytes Concat(const std::string& text, const Bytes& tail) {
    Bytes bytes(text.begin(), text.end());
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    return bytes;
}

void PutLe32(Bytes& bytes, std::size_t pos, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[pos + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// A BMP with a 40-byte header and the given pixel rows as stored.
Bytes Bmp(int width, int height, int bitsPerPixel, const Bytes& rows) {
    Bytes bytes(54, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    PutLe32(bytes, 2, static_cast<std::uint32_t>(54 + rows.size()));
    PutLe32(bytes, 10, 54);
    PutLe32(bytes, 14, 40);
    PutLe32(bytes, 18, static_cast<std::uint32_t>(width));
    PutLe32(bytes, 22, static_cast<std::uint32_t>(height));
    bytes[26] = 1;
    bytes[28] = static_cast<std::uint8_t>(bitsPerPixel);
    bytes.insert(bytes.end(), rows.begin(), rows.end());
    return bytes;
}

TEST(ImageFile, BothFormatsRoundTripForEveryRowPadding) {
    for (int width = 1; width <= 5; ++width) {
        const Image original = Gradient(width, 3);
        for (const ImageFormat format : {ImageFormat::Ppm, ImageFormat::Bmp}) {
            Bytes bytes;
            std::string error;
            ASSERT_TRUE(EncodeImage(original, format, bytes, error)) << error;
            Image decoded;
            ASSERT_TRUE(DecodeImage(bytes, decoded, error)) << error;
            EXPECT_EQ(decoded.width, width);
            EXPECT_EQ(decoded.height, 3);
            EXPECT_EQ(decoded.pixels, original.pixels) << "width " << width;
        }
    }
}

TEST(ImageFile, PpmHeadersMayCarryComments) {
    Image image;
    std::string error;
    ASSERT_TRUE(DecodeImage(Concat("P6\n# made by hand\n2 1 # size\n255\n", {1, 2, 3, 4, 5, 6}),
                            image, error))
        << error;
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.At(1, 0, 2), 6);
}

TEST(ImageFile, BmpRowsAreReadBottomUpUnlessTheHeightIsNegative) {
    // Two rows of one pixel each, stored BGR and padded to 4 bytes.
    const Bytes rows = {10, 20, 30, 0, 40, 50, 60, 0};
    Image image;
    std::string error;
    ASSERT_TRUE(DecodeImage(Bmp(1, 2, 24, rows), image, error)) << error;
    EXPECT_EQ(image.At(0, 0, 0), 60) << "the last stored row is the top one";
    EXPECT_EQ(image.At(0, 1, 2), 10);
    ASSERT_TRUE(DecodeImage(Bmp(1, -2, 24, rows), image, error)) << error;
    EXPECT_EQ(image.At(0, 0, 0), 30);
    EXPECT_EQ(image.At(0, 0, 2), 10);
}

TEST(ImageFile, ThirtyTwoBitBmpIgnoresTheFourthByte) {
    Image image;
    std::string error;
    ASSERT_TRUE(DecodeImage(Bmp(2, 1, 32, {1, 2, 3, 99, 4, 5, 6, 99}), image, error)) << error;
    EXPECT_EQ(image.pixels, (Bytes{3, 2, 1, 6, 5, 4}));
}

TEST(ImageFile, MalformedFilesAreRefusedAndLeaveTheImageAlone) {
    Bytes compressed = Bmp(1, 1, 24, {1, 2, 3, 0});
    compressed[30] = 1;  // run-length encoded
    Bytes truncatedBmp = Bmp(2, 2, 24, {1, 2, 3, 4, 5, 6, 0, 0});
    const std::vector<std::pair<const char*, Bytes>> cases = {
        {"empty", {}},
        {"unknown magic", Concat("P3\n1 1\n255\n", {1, 2, 3})},
        {"truncated ppm", Concat("P6\n2 2\n255\n", {1, 2, 3, 4, 5, 6})},
        {"sixteen-bit ppm", Concat("P6\n1 1\n65535\n", Bytes(6, 0))},
        {"zero width", Concat("P6\n0 1\n255\n", {})},
        {"too wide", Concat("P6\n40000 1\n255\n", Bytes(120000, 0))},
        {"header without data", Concat("P6\n1 1\n255", {})},
        {"eight-bit bmp", Bmp(1, 1, 8, {0, 0, 0, 0})},
        {"compressed bmp", compressed},
        {"truncated bmp", truncatedBmp},
        {"short bmp header", Bytes{'B', 'M', 0, 0}},
    };
    for (const auto& [name, bytes] : cases) {
        Image image = hostkit::MakeImage(1, 1, 3, 9);
        std::string error;
        EXPECT_FALSE(DecodeImage(bytes, image, error)) << name;
        EXPECT_FALSE(error.empty()) << name;
        EXPECT_EQ(image.pixels, (Bytes{9, 9, 9})) << name;
    }
}

TEST(ImageFile, FilesAreWrittenInTheFormatTheirNameSays) {
    EXPECT_EQ(testhost::FormatForPath("out.BMP"), ImageFormat::Bmp);
    EXPECT_EQ(testhost::FormatForPath("out.ppm"), ImageFormat::Ppm);
    const std::string path = ::testing::TempDir() + "testhost-image.bmp";
    std::string error;
    ASSERT_TRUE(testhost::WriteImageFile(path, Gradient(3, 2), error)) << error;
    Image read;
    ASSERT_TRUE(testhost::ReadImageFile(path, read, error)) << error;
    EXPECT_EQ(read.pixels, Gradient(3, 2).pixels);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(std::fgetc(file), 'B');
    std::fclose(file);
    std::remove(path.c_str());
    EXPECT_FALSE(testhost::ReadImageFile(path, read, error));
}

TEST(ImageFile, OnlyThreePlaneImagesAreWritten) {
    Bytes bytes;
    std::string error;
    EXPECT_FALSE(EncodeImage(hostkit::MakeImage(2, 2, 4), ImageFormat::Ppm, bytes, error));
    EXPECT_FALSE(EncodeImage(Image{}, ImageFormat::Bmp, bytes, error));
}

}  // namespace
