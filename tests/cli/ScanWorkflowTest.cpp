// The command in a scanning workflow: 16-bit files stay 16-bit, encoder
// options and defaults, turned photos, strength, borders, the exported
// lookup tables, and the console conventions.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "CliTestSupport.h"
#include "cli/EncoderDefaults.h"

namespace clitest {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 520;

// The faded scene widened to 16 bits, each byte b as 257 b plus an offset
// spread over -spread/2 ... spread/2 by position (a fine pattern, so that
// every byte meets every offset): with spread 0 every sample is exactly its
// byte, with spread 255 the samples fill each byte's whole interval, as a
// smooth 16-bit scan does, and still render as the same bytes.
vips::VImage DeepScene(const hostkit::Image& scene, double spread) {
    const vips::VImage xy = vips::VImage::xyz(scene.width, scene.height);
    const vips::VImage ramp =
        (xy[0] * 37 + xy[1] * 101).remainder_const({256}) * (spread / 255.0) - spread / 2.0;
    return (ToVips(scene).cast(VIPS_FORMAT_USHORT) * 257 + ramp)
        .cast(VIPS_FORMAT_USHORT)
        .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_RGB16));
}

std::vector<std::uint16_t> ReadWords(const std::string& path) {
    const vips::VImage image = vips::VImage::new_from_file(path.c_str());
    std::size_t size = 0;
    void* data = image.write_to_memory(&size);
    std::vector<std::uint16_t> words(size / 2);
    std::copy_n(static_cast<const std::uint16_t*>(data), words.size(), words.begin());
    g_free(data);
    return words;
}

TEST(ScanWorkflow, SixteenBitsStaySixteenWithoutBandingAndMatchTheEightBitResult) {
    ScratchFolder folder;
    const hostkit::Image scene = MakeFadedScene(kWidth, kHeight);
    WriteImage(DeepScene(scene, 0.0), folder / "deep.tif");
    WriteImage(DeepScene(scene, 255.0), folder / "smooth.tif");
    WriteImage(ToVips(scene), folder / "flat.png");
    for (const char* name : {"out.tif", "out.png", "smooth-out.tif"}) {
        SCOPED_TRACE(name);
        const std::string input = folder / (name[0] == 's' ? "smooth.tif" : "deep.tif");
        const CommandResult run = RunMirtane({"restore", input, "-o", folder / name});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "");
        ASSERT_EQ(vips::VImage::new_from_file((folder / name).c_str()).format(),
                  VIPS_FORMAT_USHORT);
    }
    ASSERT_EQ(RunMirtane({"restore", folder / "flat.png", "-o", folder / "flat-out.png"}).exitCode,
              0);
    const std::vector<std::uint16_t> words = ReadWords(folder / "out.tif");
    const hostkit::Image bytes = ReadPixels(folder / "flat-out.png");
    ASSERT_EQ(words.size(), bytes.pixels.size());
    int worst = 0;
    for (std::size_t i = 0; i < words.size(); ++i) {
        worst = std::max(worst, std::abs(words[i] / 257 - bytes.pixels[i]));
    }
    EXPECT_LE(worst, 1) << "top byte against the 8-bit restore";
    // Levels used per channel between the darkest and lightest: a 16-bit
    // result of a smooth scan fills its range, an 8-bit one stretched leaves
    // whole bytes out.
    const std::vector<std::uint16_t> smooth = ReadWords(folder / "smooth-out.tif");
    for (int c = 0; c < 3; ++c) {
        std::vector<bool> used(65536, false);
        for (std::size_t i = c; i < smooth.size(); i += 3)
            used[smooth[i]] = true;
        const auto low = std::find(used.begin(), used.end(), true) - used.begin();
        const auto high = used.rend() - std::find(used.rbegin(), used.rend(), true) - 1;
        int emptyBytes = 0;  // 8-bit levels of the range no 16-bit sample falls into
        for (long b = low / 257; b <= high / 257; ++b) {
            emptyBytes +=
                std::none_of(used.begin() + b * 257, used.begin() + std::min(65536L, b * 257 + 257),
                             [](bool u) { return u; });
        }
        EXPECT_LE(emptyBytes, 4) << "channel " << c;
    }
}

TEST(ScanWorkflow, EncoderOptionsOnTheNameAndInTheBatchAndTheDefaultsReadBack) {
    ScratchFolder folder;
    const hostkit::Image scene = MakeFadedScene(kWidth, kHeight);
    ToVips(scene).jpegsave((folder / "q70.jpg").c_str(), vips::VImage::option()->set("Q", 70));
    ASSERT_EQ(mirtane::cli::EstimateJpegQuality(folder / "q70.jpg"), 70);
    ASSERT_EQ(RunMirtane({"restore", folder / "q70.jpg", "-o", folder / "same.jpg"}).exitCode, 0);
    EXPECT_EQ(mirtane::cli::EstimateJpegQuality(folder / "same.jpg"), 70) << "the input's quality";
    ASSERT_EQ(RunMirtane({"restore", folder / "q70.jpg", "-o", folder / "q85.jpg[Q=85]"}).exitCode,
              0);
    EXPECT_EQ(mirtane::cli::EstimateJpegQuality(folder / "q85.jpg"), 85);
    const CommandResult bad =
        RunMirtane({"restore", folder / "q70.jpg", "-o", folder / "x.jpg[bogus=1]"});
    EXPECT_EQ(bad.exitCode, 2);  // a usage error
    EXPECT_NE(bad.err.find("bogus"), std::string::npos) << bad.err;
    EXPECT_FALSE(FileExists(folder / "x.jpg"));

    WriteImage(DeepScene(scene, 0.0), folder / "a.tif");
    vips::VImage::new_from_file((folder / "a.tif").c_str())
        .tiffsave((folder / "b.tif").c_str(),
                  vips::VImage::option()->set("compression", "deflate"));
    ASSERT_EQ(
        RunMirtane({"restore", folder / "a.tif", folder / "b.tif", "--output-dir", folder / "kept"})
            .exitCode,
        0);
    EXPECT_EQ(mirtane::cli::TiffCompression(folder / "kept/a.tif"), "none") << "the input's own";
    EXPECT_EQ(mirtane::cli::TiffCompression(folder / "kept/b.tif"), "deflate");
    ASSERT_EQ(RunMirtane({"restore", folder / "a.tif", folder / "b.tif", "--output-dir",
                          folder / "lzw", "--save-options", "[compression=lzw]"})
                  .exitCode,
              0);
    EXPECT_EQ(mirtane::cli::TiffCompression(folder / "lzw/b.tif"), "lzw");
    ASSERT_EQ(RunMirtane({"restore", folder / "a.tif", folder / "b.tif", "--output-dir",
                          folder / "web", "--format", "jpg", "--quality", "80"})
                  .exitCode,
              0);
    EXPECT_EQ(FolderEntries(folder / "web"), (std::vector<std::string>{"a.jpg", "b.jpg"}));
    EXPECT_EQ(mirtane::cli::EstimateJpegQuality(folder / "web/a.jpg"), 80);
}

TEST(ScanWorkflow, ATurnedPhotoGetsItsUprightCopysCorrection) {
    ScratchFolder folder;
    const hostkit::Image scene = MakeFadedScene(kWidth, kHeight);
    // Stored turned a quarter anticlockwise; orientation 6 turns it back.
    vips::VImage stored = ToVips(scene).rot(VIPS_ANGLE_D270).copy();
    stored.set(VIPS_META_ORIENTATION, 6);
    WriteImage(stored, folder / "turned.jpg");
    const vips::VImage read = vips::VImage::new_from_file((folder / "turned.jpg").c_str());
    ASSERT_EQ(read.get_int(VIPS_META_ORIENTATION), 6);
    // A lossless copy of the stored pixels, tag included.
    read.copy().pngsave((folder / "turned.png").c_str());
    ASSERT_EQ(
        vips::VImage::new_from_file((folder / "turned.png").c_str()).get_int(VIPS_META_ORIENTATION),
        6);
    ASSERT_EQ(RunMirtane({"restore", folder / "turned.png", "-o", folder / "out.png"}).exitCode, 0);
    const vips::VImage out = vips::VImage::new_from_file((folder / "out.png").c_str());
    EXPECT_EQ(out.width(), kHeight) << "the stored layout is kept";
    EXPECT_EQ(out.get_int(VIPS_META_ORIENTATION), 6) << "and so is the tag";
    // The restored stored pixels turned upright are the restore of the
    // stored pixels turned upright: the correction is the upright picture's.
    out.autorot().pngsave((folder / "out-upright.png").c_str());
    read.autorot().pngsave((folder / "stored-upright.png").c_str());
    const hostkit::Image uprightStored = ReadPixels(folder / "stored-upright.png");
    EXPECT_EQ(ReadPixels(folder / "out-upright.png").pixels,
              RestoreThroughTestHost(uprightStored, 0, 0, 0).pixels);
    const CommandResult turned = RunMirtane({"curves", folder / "turned.png"});
    const CommandResult upright = RunMirtane({"curves", folder / "stored-upright.png"});
    ASSERT_EQ(turned.exitCode, 0) << turned.err;
    EXPECT_EQ(turned.out, upright.out) << "the curves command analyses the upright picture too";
}

TEST(ScanWorkflow, StrengthBlendsAndFullStrengthIsTheDefault) {
    ScratchFolder folder;
    const hostkit::Image scene = MakeFadedScene(kWidth, kHeight);
    WriteImage(ToVips(scene), folder / "in.png");
    for (const char* strength : {"0", "50", "100"}) {
        ASSERT_EQ(
            RunMirtane({"restore", folder / "in.png", "-o",
                        folder / (std::string("s") + strength + ".png"), "--strength", strength})
                .exitCode,
            0);
    }
    const hostkit::Image full = RestoreThroughTestHost(scene, 0, 0, 0);
    EXPECT_EQ(ReadPixels(folder / "s100.png").pixels, full.pixels);
    EXPECT_EQ(ReadPixels(folder / "s0.png").pixels, scene.pixels);
    const hostkit::Image half = ReadPixels(folder / "s50.png");
    for (std::size_t i = 0; i < half.pixels.size(); ++i) {
        ASSERT_EQ(half.pixels[i],
                  static_cast<int>(std::floor((scene.pixels[i] + full.pixels[i]) / 2.0 + 0.5)))
            << "sample " << i;
    }
    EXPECT_EQ(
        RunMirtane({"restore", folder / "in.png", "-o", folder / "x.png", "--strength", "101"})
            .exitCode,
        2);
}

TEST(ScanWorkflow, TheExportedLookupTablesGiveTheRestoredBytesThroughVips) {
    ScratchFolder folder;
    const hostkit::Image scene = MakeFadedScene(kWidth, kHeight);
    WriteImage(ToVips(scene), folder / "in.png");
    const CommandResult curves =
        RunMirtane({"curves", folder / "in.png", "--cube", folder / "c.cube", "--lut-image",
                    folder / "lut.png", "--cyan-red", "6"});
    ASSERT_EQ(curves.exitCode, 0) << curves.err;
    ASSERT_EQ(
        RunMirtane({"restore", folder / "in.png", "-o", folder / "out.png", "--cyan-red", "6"})
            .exitCode,
        0);
    const vips::VImage lut = vips::VImage::new_from_file((folder / "lut.png").c_str());
    ASSERT_EQ(lut.width(), 256);
    vips::VImage::new_from_file((folder / "in.png").c_str())
        .maplut(lut)
        .pngsave((folder / "mapped.png").c_str());
    const hostkit::Image restored = ReadPixels(folder / "out.png");
    EXPECT_EQ(ReadPixels(folder / "mapped.png").pixels, restored.pixels);
    // The .cube entries, rounded back to bytes, are the same tables.
    const std::vector<std::string> lines = Lines(ReadFileBytes(folder / "c.cube"));
    ASSERT_EQ(lines.size(), 4u + 256u);
    EXPECT_EQ(lines[1], "LUT_1D_SIZE 256");
    const hostkit::Image table = ReadPixels(folder / "lut.png");
    for (int b = 0; b < 256; ++b) {
        double rgb[3] = {};
        ASSERT_EQ(std::sscanf(lines[4 + b].c_str(), "%lf %lf %lf", &rgb[0], &rgb[1], &rgb[2]), 3);
        for (int c = 0; c < 3; ++c) {
            ASSERT_EQ(static_cast<int>(std::floor(rgb[c] * 255.0 + 0.5)), table.pixels[b * 3 + c])
                << b;
        }
    }
}

TEST(ScanWorkflow, TrimAnalysesThePhotoInsideAScannerBorder) {
    ScratchFolder folder;
    const hostkit::Image scene = MakeFadedScene(kWidth, kHeight);
    WriteImage(ToVips(scene), folder / "photo.png");
    for (double border : {255.0, 0.0}) {
        SCOPED_TRACE(border);
        const vips::VImage framed =
            ToVips(scene).embed(60, 60, kWidth + 120, kHeight + 120,
                                vips::VImage::option()
                                    ->set("extend", VIPS_EXTEND_BACKGROUND)
                                    ->set("background", std::vector<double>{border}));
        WriteImage(framed.cast(VIPS_FORMAT_UCHAR), folder / "framed.png");
        ASSERT_EQ(
            RunMirtane({"restore", folder / "framed.png", "-o", folder / "trimmed.png", "--trim"})
                .exitCode,
            0);
        ASSERT_EQ(RunMirtane({"restore", folder / "framed.png", "-o", folder / "area.png",
                              "--analyse-area",
                              "60,60," + std::to_string(kWidth) + "," + std::to_string(kHeight)})
                      .exitCode,
                  0);
        const hostkit::Image alone = RestoreThroughTestHost(scene, 0, 0, 0);
        for (const char* name : {"trimmed.png", "area.png"}) {
            vips::VImage::new_from_file((folder / name).c_str())
                .extract_area(60, 60, kWidth, kHeight)
                .pngsave((folder / "inside.png").c_str());
            const hostkit::Image inside = ReadPixels(folder / "inside.png");
            int worst = 0;
            for (std::size_t i = 0; i < inside.pixels.size(); ++i) {
                worst = std::max(worst, std::abs(inside.pixels[i] - alone.pixels[i]));
            }
            EXPECT_LE(worst, 1) << name;
        }
    }
}

TEST(ScanWorkflow, QuietVerboseAndSubcommandErrors) {
    ScratchFolder folder;
    WriteImage(ToVips(MakeFadedScene(kWidth, kHeight)), folder / "in.png");
    const CommandResult verbose =
        RunMirtane({"restore", folder / "in.png", "-o", folder / "v.png", "-v"});
    ASSERT_EQ(verbose.exitCode, 0);
    EXPECT_NE(verbose.out.find(" s; black "), std::string::npos) << verbose.out;
    const CommandResult quiet = RunMirtane(
        {"restore", folder / "in.png", "missing.png", "--output-dir", folder / "q", "-q"});
    EXPECT_EQ(quiet.exitCode, 1);
    EXPECT_EQ(Lines(quiet.err).size(), 1u) << quiet.err;
    const CommandResult option = RunMirtane({"restore", folder / "in.png", "--bogus"});
    EXPECT_EQ(option.exitCode, 2);
    EXPECT_NE(option.err.find("mirtane restore --help"), std::string::npos) << option.err;
    // Standard input to standard output gives the bytes of a named file's restore.
    const CommandResult piped = RunProgram(
        {"/bin/sh", "-c", std::string("\"$0\" restore - -o - --format png < \"$1\" > \"$2\""),
         MIRTANE_CLI_PATH, folder / "in.png", folder / "piped.png"});
    ASSERT_EQ(piped.exitCode, 0) << piped.err;
    EXPECT_EQ(ReadFileBytes(folder / "piped.png"), ReadFileBytes(folder / "v.png"));
    EXPECT_EQ(RunMirtane({"restore", folder / "in.png", "-o", "-"}).exitCode, 2)
        << "no format named";
    const CommandResult unknown = RunMirtane({"bogus"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("unknown command 'bogus'"), std::string::npos) << unknown.err;
}

}  // namespace
}  // namespace clitest
