// Every bad input gets one line naming the file and the reason, exit status
// 1, and leaves nothing behind: no output, no temporary file, no change to a
// file already at the output path.
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include <gtest/gtest.h>

#include "CliTestSupport.h"

namespace clitest {
namespace {

constexpr const char* kTooSmall =
    "Image must be at least 480x480.  Use your imaging application to increase the image size.";

struct BadInput {
    const char* name;       // file name of the input in the scratch folder
    const char* reason;     // expected in the error line
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
    testhost::Image image = testhost::MakeImage(width, height, bands, 100);
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        image.pixels[i] = static_cast<std::uint8_t>(40 + (i * 7) % 150);
    }
    return ToVips(image).copy(vips::VImage::option()->set("interpretation", space));
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
         [](const std::string& path) { WriteFileBytes(path, Truncated(EncodedScene(".png"), 0.5)); }},
        {"cut.jpg", "damaged or truncated image",
         [](const std::string& path) { WriteFileBytes(path, Truncated(EncodedScene(".jpg"), 0.5)); }},
        {"cut.tif", "damaged or truncated image",
         [](const std::string& path) { WriteFileBytes(path, Truncated(EncodedScene(".tif"), 0.5)); }},
        {"garbled.png", "damaged or truncated image",
         [](const std::string& path) {
             std::string bytes = EncodedScene(".png");
             for (std::size_t i = 100; i < bytes.size(); i += 3) {
                 bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
             }
             WriteFileBytes(path, bytes);
         }},
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
             WriteImage(Bands(600, 500, 3, VIPS_INTERPRETATION_sRGB).colourspace(VIPS_INTERPRETATION_LAB),
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
        ASSERT_EQ(lines.size(), 1u) << run.err;
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
    const CommandResult run = RunMirtane({"restore", folder / "small.png", "-o", folder / "result.png"});
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
        {folder / "out.bmp", "unknown output format"},
        {folder / "out", "unknown output format"},
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
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"plain-file", "scene.png"}));
}

TEST(BadInput, AlphaCannotGoToJpegAndIsRefusedBeforeAnythingIsWritten) {
    ScratchFolder folder;
    testhost::Image rgba = testhost::MakeImage(600, 500, 4);
    const testhost::Image scene = MakeFadedScene(600, 500);
    for (std::size_t i = 0; i < scene.pixels.size() / 3; ++i) {
        for (int plane = 0; plane < 3; ++plane) {
            rgba.pixels[i * 4 + plane] = scene.pixels[i * 3 + plane];
        }
        rgba.pixels[i * 4 + 3] = 255;
    }
    WriteImage(ToVips(rgba), folder / "rgba.png");
    const CommandResult run = RunMirtane({"restore", folder / "rgba.png", "-o", folder / "out.jpg"});
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

    const CommandResult missing = RunMirtane({"curves", folder / "gone.png", "--plot", folder / "p.png"});
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
    const CommandResult run = RunMirtane({"restore", folder / "locked.png", "-o", folder / "out.png"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("cannot read: Permission denied"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace clitest
