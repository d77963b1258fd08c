// What the plug-in must not touch survives a restore: the ICC profile, EXIF,
// IPTC, XMP, a TIFF file's own tags, the resolution and an alpha channel;
// and --strip removes all of it but the profile. Metadata is read back with
// exiftool, which reads every format the way other programs do.
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
        return std::string{char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF),
                           char(v >> 24)};
    };
    const std::uint32_t ifdOffset = 8;
    const std::uint32_t valueOffset = ifdOffset + 2 + 12 + 4;
    std::string tiff = "II" + u16(42) + u32(ifdOffset);
    tiff += u16(1);  // one entry
    tiff += u16(0x010F) + u16(2) + u32(static_cast<std::uint32_t>(text.size())) + u32(valueOffset);
    tiff += u32(0);  // no next IFD
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

// One tag of `path` as exiftool prints its value ("-s3"), empty when the
// file does not hold it.
std::string ExifTag(const std::string& path, const std::string& tag) {
    const CommandResult read = RunProgram({"/usr/bin/exiftool", "-s3", "-" + tag, path});
    EXPECT_EQ(read.exitCode, 0) << read.err;
    std::string value = read.out;
    while (!value.empty() && (value.back() == '\n' || value.back() == '\r')) {
        value.pop_back();
    }
    return value;
}

// Writes tags into `path` with exiftool ("-Make=Maker" and the like).
void TagFile(const std::string& path, const std::vector<std::string>& assignments) {
    std::vector<std::string> argv{"/usr/bin/exiftool", "-q", "-overwrite_original"};
    argv.insert(argv.end(), assignments.begin(), assignments.end());
    argv.push_back(path);
    const CommandResult tagged = RunProgram(argv);
    ASSERT_EQ(tagged.exitCode, 0) << tagged.err;
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
        const double inputResolution = written.xres();  // WebP files hold none
        // libvips writes no EXIF into a TIFF file: that input has none.
        const std::string inputMake = ExifTag(input, "Make");
        ASSERT_EQ(inputMake, std::string(extension) == ".tif" ? "" : kCameraMake);

        const CommandResult run = RunMirtane({"restore", input, "-o", output});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const vips::VImage result = vips::VImage::new_from_file(output.c_str());
        EXPECT_EQ(Blob(result, "icc-profile-data"), profile);
        EXPECT_NEAR(result.xres(), inputResolution, 0.01);
        EXPECT_EQ(ExifTag(output, "Make"), inputMake);
    }
}

TEST(Metadata, ACameraJpegKeepsItsExifIptcAndXmpInTiffAndStripRemovesThem) {
    ScratchFolder folder;
    const std::string input = folder / "camera.jpg";
    WriteImage(ToVips(MakeFadedScene(kWidth, kHeight)), input);
    TagFile(input,
            {"-Make=Camera Maker", "-Model=Model 7", "-Copyright=(c) A. Photographer",
             "-DateTimeOriginal=2001:02:03 04:05:06", "-GPSLatitude=48.5", "-GPSLatitudeRef=N",
             "-IPTC:Keywords=grandmother", "-IPTC:City=Basel", "-XMP:Title=On the lake"});

    const std::string kept = folder / "kept.tif";
    const CommandResult run = RunMirtane({"restore", input, "-o", kept});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ExifTag(kept, "Make"), "Camera Maker");
    EXPECT_EQ(ExifTag(kept, "Model"), "Model 7");
    EXPECT_EQ(ExifTag(kept, "Copyright"), "(c) A. Photographer");
    EXPECT_EQ(ExifTag(kept, "DateTimeOriginal"), "2001:02:03 04:05:06");
    EXPECT_EQ(ExifTag(kept, "GPSLatitudeRef"), "North");
    EXPECT_EQ(ExifTag(kept, "Keywords"), "grandmother");
    EXPECT_EQ(ExifTag(kept, "City"), "Basel");
    EXPECT_EQ(ExifTag(kept, "Title"), "On the lake");

    // The same restore without metadata, asked for in both ways: nothing of
    // it is left, and the pixels are those of the file that kept it all.
    for (const std::vector<std::string>& strip :
         {std::vector<std::string>{"-o", folder / "bare.tif", "--strip"},
          std::vector<std::string>{"-o", folder / "bare.tif[strip]"}}) {
        std::vector<std::string> arguments{"restore", input};
        arguments.insert(arguments.end(), strip.begin(), strip.end());
        const CommandResult bare = RunMirtane(arguments);
        ASSERT_EQ(bare.exitCode, 0) << bare.err;
        for (const char* tag :
             {"Make", "DateTimeOriginal", "GPSLatitudeRef", "Keywords", "Title"}) {
            EXPECT_EQ(ExifTag(folder / "bare.tif", tag), "") << tag;
        }
        EXPECT_EQ(ReadPixels(folder / "bare.tif").pixels, ReadPixels(kept).pixels);
    }
}

TEST(Metadata, ATiffScansOwnTagsTravelIntoJpegAndTiffAt16Bits) {
    ScratchFolder folder;
    const std::string input = folder / "scan.tif";
    // A 16-bit LZW scan, as a scanner's software writes it.
    const vips::VImage scan =
        ToVips(MakeFadedScene(kWidth, kHeight))
            .cast(VIPS_FORMAT_USHORT)
            .linear(257.0, 0.0)
            .cast(VIPS_FORMAT_USHORT)
            .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_RGB16));
    scan.tiffsave(input.c_str(), vips::VImage::option()->set("compression", "lzw"));
    TagFile(input, {"-Make=Scanner Maker", "-Model=Flatbed 9", "-Copyright=Family archive",
                    "-Artist=Uncle B.", "-ModifyDate=2019:07:06 05:04:03"});

    for (const char* output : {"web.jpg", "master.tif", "copy.webp"}) {
        SCOPED_TRACE(output);
        const CommandResult run = RunMirtane({"restore", input, "-o", folder / output});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(ExifTag(folder / output, "Make"), "Scanner Maker");
        EXPECT_EQ(ExifTag(folder / output, "Model"), "Flatbed 9");
        EXPECT_EQ(ExifTag(folder / output, "Copyright"), "Family archive");
        EXPECT_EQ(ExifTag(folder / output, "Artist"), "Uncle B.");
        EXPECT_EQ(ExifTag(folder / output, "ModifyDate"), "2019:07:06 05:04:03");
    }
    // The TIFF master is still a 16-bit LZW file after its tags were added.
    EXPECT_EQ(ExifTag(folder / "master.tif", "BitsPerSample"), "16 16 16");
    EXPECT_EQ(ExifTag(folder / "master.tif", "Compression"), "LZW");
    // Written to standard output, it is the same file, tags and all.
    const CommandResult piped = RunMirtane({"restore", input, "-o", "-", "--format", "tif"});
    ASSERT_EQ(piped.exitCode, 0) << piped.err;
    EXPECT_EQ(piped.out, ReadFileBytes(folder / "master.tif"));

    const CommandResult bare = RunMirtane({"restore", input, "-o", folder / "bare.jpg", "--strip"});
    ASSERT_EQ(bare.exitCode, 0) << bare.err;
    EXPECT_EQ(ExifTag(folder / "bare.jpg", "Make"), "");
    EXPECT_EQ(ReadPixels(folder / "bare.jpg").pixels, ReadPixels(folder / "web.jpg").pixels);
}

TEST(Metadata, TheComparisonOfAWideGamutScanIsDrawnInSrgb) {
    // An Adobe RGB (1998) compatible profile, from Debian's libgs-common.
    const std::string wide = ReadFileBytes("/usr/share/color/icc/ghostscript/a98.icc");
    ASSERT_GT(wide.size(), 100u);
    ScratchFolder folder;
    const std::string input = folder / "scan.png";
    WriteImage(WithMetadata(ToVips(MakeFadedScene(kWidth, kHeight)), wide, ExifWithMake("x")),
               input);
    const CommandResult run = RunMirtane(
        {"restore", input, "-o", folder / "out.png", "--compare", folder / "compare.png"});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    // The left panel (below its caption, inside the margin) is the input as
    // a colour-managed viewer shows it: converted from its profile to sRGB.
    const vips::VImage shown =
        vips::VImage::new_from_file(input.c_str())
            .icc_transform("srgb", vips::VImage::option()->set("embedded", true));
    const vips::VImage comparison = vips::VImage::new_from_file((folder / "compare.png").c_str());
    constexpr int kPanelLeft = 12;  // the margin
    constexpr int kPanelTop = 40;   // the caption
    const vips::VImage panel = comparison.extract_area(kPanelLeft, kPanelTop, kWidth, kHeight);
    const double largest = (panel.cast(VIPS_FORMAT_INT) - shown.cast(VIPS_FORMAT_INT)).abs().max();
    EXPECT_LE(largest, 1.0);
    // A saturated region differs between the two spaces: the test can tell.
    const double unconverted = (panel.cast(VIPS_FORMAT_INT) -
                                vips::VImage::new_from_file(input.c_str()).cast(VIPS_FORMAT_INT))
                                   .abs()
                                   .max();
    EXPECT_GT(unconverted, 8.0);
    EXPECT_NE(Blob(comparison, "icc-profile-data"), wide);
    EXPECT_FALSE(Blob(comparison, "icc-profile-data").empty());
}

TEST(Metadata, AlphaIsUntouchedAndTheColourIsThatOfTheOpaqueImage) {
    ScratchFolder folder;
    const hostkit::Image scene = MakeFadedScene(kWidth, kHeight);
    hostkit::Image rgba = hostkit::MakeImage(kWidth, kHeight, 4);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            for (int plane = 0; plane < 3; ++plane) {
                rgba.At(x, y, plane) = scene.At(x, y, plane);
            }
            rgba.At(x, y, 3) = static_cast<std::uint8_t>((x * 3 + y * 5) % 256);
        }
    }
    WriteImage(ToVips(rgba), folder / "rgba.png");
    const CommandResult run =
        RunMirtane({"restore", folder / "rgba.png", "-o", folder / "out.png"});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    const hostkit::Image result = ReadPixels(folder / "out.png", 4);
    const hostkit::Image opaque = RestoreThroughTestHost(scene, 0, 0, 0);
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
