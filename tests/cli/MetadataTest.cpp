// What the plug-in must not touch survives a restore: the ICC profile, EXIF,
// the resolution and an alpha channel.
#include <cstring>

#include <gtest/gtest.h>

#include "CliTestSupport.h"

namespace clitest {
namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 500;
constexpr const char* kCameraMake = "Mirtane test camera";

// A minimal EXIF block: "Exif\0\0", a little-endian TIFF header and IFD0
// holding one entry, Make (tag 0x010F, ASCII).
std::string ExifWithMake(const std::string& make) {
    const std::string text = make + '\0';
    auto u16 = [](std::uint16_t v) { return std::string{char(v & 0xFF), char(v >> 8)}; };
    auto u32 = [](std::uint32_t v) {
        return std::string{char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
    };
    const std::uint32_t ifdOffset = 8;
    const std::uint32_t valueOffset = ifdOffset + 2 + 12 + 4;
    std::string tiff = "II" + u16(42) + u32(ifdOffset);
    tiff += u16(1);                                                       // one entry
    tiff += u16(0x010F) + u16(2) + u32(static_cast<std::uint32_t>(text.size())) + u32(valueOffset);
    tiff += u32(0);                                                       // no next IFD
    tiff += text;
    return std::string("Exif\0\0", 6) + tiff;
}

std::string SrgbProfile() {
    VipsBlob* blob = vips::VImage::profile_load("srgb");
    std::size_t size = 0;
    const void* data = vips_blob_get(blob, &size);
    std::string bytes(static_cast<const char*>(data), size);
    vips_area_unref(reinterpret_cast<VipsArea*>(blob));
    return bytes;
}

std::string Blob(const vips::VImage& image, const char* field) {
    if (image.get_typeof(field) == 0) {
        return {};
    }
    std::size_t size = 0;
    const void* data = image.get_blob(field, &size);
    return std::string(static_cast<const char*>(data), size);
}

vips::VImage WithMetadata(vips::VImage image, const std::string& profile, const std::string& exif) {
    image = image.copy(vips::VImage::option()->set("xres", 11.811)->set("yres", 11.811));
    vips_image_set_blob_copy(image.get_image(), "icc-profile-data", profile.data(), profile.size());
    vips_image_set_blob_copy(image.get_image(), "exif-data", exif.data(), exif.size());
    return image;
}

TEST(Metadata, IccProfileExifAndResolutionSurviveInEveryOutputFormat) {
    const std::string profile = SrgbProfile();
    ASSERT_GT(profile.size(), 100u);
    for (const char* extension : {".jpg", ".png", ".webp", ".tif"}) {
        SCOPED_TRACE(extension);
        ScratchFolder folder;
        const std::string input = folder / (std::string("in") + extension);
        const std::string output = folder / (std::string("out") + extension);
        WriteImage(WithMetadata(ToVips(MakeFadedScene(kWidth, kHeight)), profile,
                                ExifWithMake(kCameraMake)),
                   input);
        const vips::VImage written = vips::VImage::new_from_file(input.c_str());
        const bool inputHasExif = written.get_typeof("exif-ifd0-Make") != 0;
        const double inputResolution = written.xres();  // WebP files hold none

        const CommandResult run = RunMirtane({"restore", input, "-o", output});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const vips::VImage result = vips::VImage::new_from_file(output.c_str());
        EXPECT_EQ(Blob(result, "icc-profile-data"), profile);
        EXPECT_NEAR(result.xres(), inputResolution, 0.01);
        // libvips keeps EXIF in JPEG, PNG and WebP files, not in TIFF.
        const bool formatHoldsExif = std::string(extension) != ".tif";
        ASSERT_EQ(inputHasExif, formatHoldsExif) << "the test input was not written as planned";
        if (formatHoldsExif) {
            ASSERT_NE(result.get_typeof("exif-ifd0-Make"), 0u);
            EXPECT_NE(std::string(result.get_string("exif-ifd0-Make")).find(kCameraMake),
                      std::string::npos);
        }
    }
}

TEST(Metadata, AlphaIsUntouchedAndTheColourIsThatOfTheOpaqueImage) {
    ScratchFolder folder;
    const testhost::Image scene = MakeFadedScene(kWidth, kHeight);
    testhost::Image rgba = testhost::MakeImage(kWidth, kHeight, 4);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            for (int plane = 0; plane < 3; ++plane) {
                rgba.At(x, y, plane) = scene.At(x, y, plane);
            }
            rgba.At(x, y, 3) = static_cast<std::uint8_t>((x * 3 + y * 5) % 256);
        }
    }
    WriteImage(ToVips(rgba), folder / "rgba.png");
    const CommandResult run = RunMirtane({"restore", folder / "rgba.png", "-o", folder / "out.png"});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    const testhost::Image result = ReadPixels(folder / "out.png", 4);
    const testhost::Image opaque = RestoreThroughTestHost(scene, 0, 0, 0);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            ASSERT_EQ(result.At(x, y, 3), rgba.At(x, y, 3)) << "alpha at " << x << "," << y;
            for (int plane = 0; plane < 3; ++plane) {
                ASSERT_EQ(result.At(x, y, plane), opaque.At(x, y, plane))
                    << "plane " << plane << " at " << x << "," << y;
            }
        }
    }
}

}  // namespace
}  // namespace clitest
