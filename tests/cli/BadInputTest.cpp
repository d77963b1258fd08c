// Every bad input gets one line naming the file and the reason, exit status
// 1, and leaves nothing behind: no output, no temporary file, no change to a
// file already at the output path.
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <stdexcept>

#include <gtest/gtest.h>

#include "CliTestSupport.h"

namespace clitest {
namespace {

constexpr const char* kTooSmall =
    "Image must be at least 480x480.  Use your imaging application to increase the image size.";

struct BadInput {
    const char* name;    // file name of the input in the scratch folder
    const char* reason;  // expected in the error line
    std::function<void(const std::string& path)> make;
};

std::string Truncated(const std::string& bytes, double keep) {
    return bytes.substr(0, static_cast<std::size_t>(static_cast<double>(bytes.size()) * keep));
}

std::string EncodedScene(const char* suffix) {
    void* buffer = nullptr;
    std::size_t size = 0;
    ToVips(MakeFadedScene(600, 500)).write_to_buffer(suffix, &buffer, &size);
    std::string bytes(static_cast<const char*>(buffer), size);
    g_free(buffer);
    return bytes;
}

vips::VImage Bands(int width, int height, int bands, VipsInterpretation space) {
    hostkit::Image image = hostkit::MakeImage(width, height, bands, 100);
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        image.pixels[i] = static_cast<std::uint8_t>(40 + (i * 7) % 150);
    }
    return ToVips(image).copy(vips::VImage::option()->set("interpretation", space));
}

// Offset of the first byte after `marker` (two bytes, 0xFF then the code).
std::size_t AfterMarker(const std::string& bytes, unsigned char code) {
    const std::string marker{static_cast<char>(0xFF), static_cast<char>(code)};
    const std::size_t at = bytes.find(marker);
    if (at == std::string::npos) {
        throw std::runtime_error("JPEG marker not found");
    }
    return at + 2;
}

// The scan data of a baseline JPEG begins after the start-of-scan header.
std::size_t ScanDataStart(const std::string& jpeg) {
    const std::size_t header = AfterMarker(jpeg, 0xDA);
    const std::size_t length = (static_cast<unsigned char>(jpeg[header]) << 8) |
                               static_cast<unsigned char>(jpeg[header + 1]);
    return header + length;
}

// A JPEG whose end-of-image marker comes at a third of its scan data.
std::string JpegEndingEarly() {
    std::string jpeg = EncodedScene(".jpg");
    const std::size_t start = ScanDataStart(jpeg);
    const std::size_t cut = start + (jpeg.size() - start) / 3;
    return jpeg.substr(0, cut) + "\xFF\xD9";
}

// A JPEG with a run of its scan data overwritten by stray restart markers,
// as a damaged transfer leaves it.
std::string JpegWithGarbledScan() {
    std::string jpeg = EncodedScene(".jpg");
    const std::size_t start = ScanDataStart(jpeg) + (jpeg.size() - ScanDataStart(jpeg)) / 2;
    for (std::size_t i = start; i < start + 64; i += 2) {
        jpeg[i] = static_cast<char>(0xFF);
        jpeg[i + 1] = static_cast<char>(0xD0 + (i / 2) % 8);
    }
    return jpeg;
}

// `pages` copies of the scene stacked as the pages (frames) of one file.
void WritePages(const std::string& path, int pages) {
    std::vector<vips::VImage> frames(static_cast<std::size_t>(pages),
                                     ToVips(MakeFadedScene(600, 500)));
    vips::VImage stacked =
        vips::VImage::arrayjoin(frames, vips::VImage::option()->set("across", 1)).copy();
    stacked.set("page-height", 500);
    stacked.write_to_file(path.c_str());
}

// A JPEG whose frame header declares twice its real height.
std::string JpegWithEnlargedHeight() {
    std::string jpeg = EncodedScene(".jpg");
    const std::size_t frame = AfterMarker(jpeg, 0xC0);  // length(2) precision(1) height(2)
    const int height = ((static_cast<unsigned char>(jpeg[frame + 3]) << 8) |
                        static_cast<unsigned char>(jpeg[frame + 4])) *
                       2;
    jpeg[frame + 3] = static_cast<char>(height >> 8);
    jpeg[frame + 4] = static_cast<char>(height & 0xFF);
    return jpeg;
}

const std::vector<BadInput>& BadInputs() {
    static const std::vector<BadInput> inputs = {
        {"missing.png", "cannot open: No such file or directory", [](const std::string&) {}},
        {"folder.png", "is a directory",
         [](const std::string& path) { ASSERT_EQ(mkdir(path.c_str(), 0755), 0); }},
        {"empty.png", "empty file", [](const std::string& path) { WriteFileBytes(path, ""); }},
        {"letter.jpg", "not an image",
         [](const std::string& path) { WriteFileBytes(path, "Dear reader,\nthis is text.\n"); }},
        {"cut.png", "damaged or truncated image",
         [](const std::string& path) {
             WriteFileBytes(path, Truncated(EncodedScene(".png"), 0.5));
         }},
        {"cut.jpg", "damaged or truncated image",
         [](const std::string& path) {
             WriteFileBytes(path, Truncated(EncodedScene(".jpg"), 0.5));
         }},
        {"cut.tif", "damaged or truncated image",
         [](const std::string& path) {
             WriteFileBytes(path, Truncated(EncodedScene(".tif"), 0.5));
         }},
        {"garbled.png", "damaged or truncated image",
         [](const std::string& path) {
             std::string bytes = EncodedScene(".png");
             for (std::size_t i = 100; i < bytes.size(); i += 3) {
                 bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
             }
             WriteFileBytes(path, bytes);
         }},
        {"early-end.jpg", "damaged or truncated image",
         [](const std::string& path) { WriteFileBytes(path, JpegEndingEarly()); }},
        {"garbled-scan.jpg", "damaged or truncated image",
         [](const std::string& path) { WriteFileBytes(path, JpegWithGarbledScan()); }},
        {"enlarged.jpg", "damaged or truncated image",
         [](const std::string& path) { WriteFileBytes(path, JpegWithEnlargedHeight()); }},
        {"three-pages.tif", "has 3 pages or frames; restore one page at a time",
         [](const std::string& path) { WritePages(path, 3); }},
        {"animated.gif", "has 2 pages or frames; restore one page at a time",
         [](const std::string& path) { WritePages(path, 2); }},
        {"png-signature-only.png", "not an image file (too short)",
         [](const std::string& path) { WriteFileBytes(path, EncodedScene(".png").substr(0, 8)); }},
        {"png-cut-in-header.png", "not an image file (too short)",
         [](const std::string& path) { WriteFileBytes(path, EncodedScene(".png").substr(0, 20)); }},
        {"png-header-only.png", "not an image file (too short)",
         [](const std::string& path) { WriteFileBytes(path, EncodedScene(".png").substr(0, 33)); }},
        {"small.png", kTooSmall,
         [](const std::string& path) { WriteImage(ToVips(MakeFadedScene(300, 300)), path); }},
        {"narrow.png", kTooSmall,
         [](const std::string& path) { WriteImage(ToVips(MakeFadedScene(479, 900)), path); }},
        {"wide.png", "at most 32767 pixels a side",
         [](const std::string& path) {
             WriteImage(Bands(32768, 480, 3, VIPS_INTERPRETATION_sRGB), path);
         }},
        {"grey.png", "greyscale image",
         [](const std::string& path) {
             WriteImage(Bands(600, 500, 1, VIPS_INTERPRETATION_B_W), path);
         }},
        {"grey-alpha.png", "greyscale image",
         [](const std::string& path) {
             WriteImage(Bands(600, 500, 2, VIPS_INTERPRETATION_B_W), path);
         }},
        {"cmyk.tif", "CMYK image",
         [](const std::string& path) {
             WriteImage(Bands(600, 500, 4, VIPS_INTERPRETATION_CMYK), path);
         }},
        {"cmyk.jpg", "CMYK image",
         [](const std::string& path) {
             WriteImage(Bands(600, 500, 4, VIPS_INTERPRETATION_CMYK), path);
         }},
        {"float.tif", "unsupported sample format",
         [](const std::string& path) {
             WriteImage(Bands(600, 500, 3, VIPS_INTERPRETATION_sRGB).cast(VIPS_FORMAT_FLOAT), path);
         }},
        {"lab.tif", "not an RGB image",
         [](const std::string& path) {
             WriteImage(
                 Bands(600, 500, 3, VIPS_INTERPRETATION_sRGB).colourspace(VIPS_INTERPRETATION_LAB),
                 path);
         }},
    };
    return inputs;
}

TEST(BadInput, EachIsRefusedWithOneLineNamingFileAndReasonAndNothingWritten) {
    for (const BadInput& bad : BadInputs()) {
        SCOPED_TRACE(bad.name);
        ScratchFolder folder;
        const std::string input = folder / bad.name;
        bad.make(input);
        ASSERT_EQ(mkdir((folder / "out").c_str(), 0755), 0);

        const CommandResult run = RunMirtane({"restore", input, "-o", folder / "out/result.png"});
        EXPECT_EQ(run.exitCode, 1);
        const std::vector<std::string> lines = Lines(run.err);
        if (lines.size() != 1u) {
            ADD_FAILURE() << "expected one line:\n" << run.err;
            continue;  // and go on with the other cases
        }
        EXPECT_NE(lines[0].find(input), std::string::npos) << lines[0];
        EXPECT_NE(lines[0].find(bad.reason), std::string::npos) << lines[0];
        EXPECT_TRUE(run.out.empty()) << run.out;
        EXPECT_TRUE(FolderEntries(folder / "out").empty());
    }
}

TEST(BadInput, AFailedRestoreLeavesAnExistingOutputUntouched) {
    ScratchFolder folder;
    WriteImage(ToVips(MakeFadedScene(300, 300)), folder / "small.png");
    WriteFileBytes(folder / "result.png", "an earlier result");
    const CommandResult run =
        RunMirtane({"restore", folder / "small.png", "-o", folder / "result.png"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(kTooSmall), std::string::npos) << run.err;
    EXPECT_EQ(ReadFileBytes(folder / "result.png"), "an earlier result");
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"result.png", "small.png"}));
}

TEST(BadInput, OutputsThatCannotBeWrittenAreRefusedPerFile) {
    ScratchFolder folder;
    WriteImage(ToVips(MakeFadedScene(600, 500)), folder / "scene.png");
    WriteFileBytes(folder / "plain-file", "x");
    struct Case {
        std::string output;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {folder / "plain-file/out.png", "cannot write"},
        {folder / "no-such-folder/out.png", "cannot write"},
    };
    for (const Case& bad : cases) {
        SCOPED_TRACE(bad.output);
        const CommandResult run = RunMirtane({"restore", folder / "scene.png", "-o", bad.output});
        EXPECT_EQ(run.exitCode, 1);
        const std::vector<std::string> lines = Lines(run.err);
        ASSERT_EQ(lines.size(), 1u) << run.err;
        EXPECT_NE(lines[0].find(folder / "scene.png"), std::string::npos) << lines[0];
        EXPECT_NE(lines[0].find(bad.reason), std::string::npos) << lines[0];
    }
    // A name no format goes with is the command line's fault: a usage error.
    for (const std::string& output : {folder / "out.bmp", folder / "out"}) {
        SCOPED_TRACE(output);
        const CommandResult run = RunMirtane({"restore", folder / "scene.png", "-o", output});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find("unknown output format for " + output), std::string::npos)
            << run.err;
    }
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"plain-file", "scene.png"}));
}

TEST(BadInput, AlphaCannotGoToJpegAndIsRefusedBeforeAnythingIsWritten) {
    ScratchFolder folder;
    hostkit::Image rgba = hostkit::MakeImage(600, 500, 4);
    const hostkit::Image scene = MakeFadedScene(600, 500);
    for (std::size_t i = 0; i < scene.pixels.size() / 3; ++i) {
        for (int plane = 0; plane < 3; ++plane) {
            rgba.pixels[i * 4 + plane] = scene.pixels[i * 3 + plane];
        }
        rgba.pixels[i * 4 + 3] = 255;
    }
    WriteImage(ToVips(rgba), folder / "rgba.png");
    const CommandResult run =
        RunMirtane({"restore", folder / "rgba.png", "-o", folder / "out.jpg"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("alpha"), std::string::npos) << run.err;
    EXPECT_FALSE(FileExists(folder / "out.jpg"));
}

TEST(BadInput, CurvesRefusesBadInputsTheSameWay) {
    ScratchFolder folder;
    WriteImage(ToVips(MakeFadedScene(300, 300)), folder / "small.png");
    const CommandResult small = RunMirtane({"curves", folder / "small.png"});
    EXPECT_EQ(small.exitCode, 1);
    EXPECT_EQ(small.err, "mirtane: " + (folder / "small.png") + ": " + kTooSmall + "\n");
    EXPECT_TRUE(small.out.empty());

    const CommandResult missing =
        RunMirtane({"curves", folder / "gone.png", "--plot", folder / "p.png"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("No such file"), std::string::npos) << missing.err;
    EXPECT_FALSE(FileExists(folder / "p.png"));
}

TEST(BadInput, UnreadableFilesAreNamedAsSuch) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root reads every file";
    }
    ScratchFolder folder;
    WriteImage(ToVips(MakeFadedScene(600, 500)), folder / "locked.png");
    ASSERT_EQ(chmod((folder / "locked.png").c_str(), 0), 0);
    const CommandResult run =
        RunMirtane({"restore", folder / "locked.png", "-o", folder / "out.png"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("cannot read: Permission denied"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace clitest
