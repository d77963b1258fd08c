// The command line as people type it and scripts write it: numbers are read
// in decimal only and never as NaN or infinity; usage errors exit 2 before
// any file is touched, a failed file exits 1; messages blame the right thing;
// a successful run says nothing on a standard error that is not a terminal;
// batches name their outputs by a pattern, and curves reads several files.
#include <gtest/gtest.h>

#include "CliTestSupport.h"

namespace clitest {
namespace {

constexpr int kUsage = 2;

class CommandLineHabits : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteImage(ToVips(MakeFadedScene(600, 500, 1)), folder_ / "a.png");
        WriteImage(ToVips(MakeFadedScene(600, 500, 2)), folder_ / "b.tif");
    }
    CommandResult Restore(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"restore", folder_ / "a.png"});
        return RunMirtane(arguments);
    }
    // A usage error: exit 2, a message and a pointer to the help, no output.
    void ExpectUsageError(const CommandResult& run, const std::string& words) {
        EXPECT_EQ(run.exitCode, kUsage) << run.err;
        EXPECT_NE(run.err.find(words), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("GLib"), std::string::npos) << run.err;
        EXPECT_FALSE(FileExists(folder_ / "out.png"));
        EXPECT_FALSE(FileExists(folder_ / "out.jpg"));
    }
    ScratchFolder folder_;
};

TEST_F(CommandLineHabits, NumbersWithLeadingZerosAreDecimal) {
    ASSERT_EQ(Restore({"-o", folder_ / "ten.png", "--strength", "10"}).exitCode, 0);
    ASSERT_EQ(Restore({"-o", folder_ / "eight.png", "--strength", "8"}).exitCode, 0);
    const CommandResult padded = Restore({"-o", folder_ / "padded.png", "--strength", "010"});
    EXPECT_EQ(padded.exitCode, 0) << padded.err;
    EXPECT_EQ(ReadFileBytes(folder_ / "padded.png"), ReadFileBytes(folder_ / "ten.png"));
    EXPECT_NE(ReadFileBytes(folder_ / "padded.png"), ReadFileBytes(folder_ / "eight.png"));

    ASSERT_EQ(Restore({"-o", folder_ / "q85.jpg", "--quality", "85"}).exitCode, 0);
    const CommandResult quality = Restore({"-o", folder_ / "q085.jpg", "--quality", "085"});
    EXPECT_EQ(quality.exitCode, 0) << quality.err;
    EXPECT_EQ(ReadFileBytes(folder_ / "q085.jpg"), ReadFileBytes(folder_ / "q85.jpg"));
}

TEST_F(CommandLineHabits, HexadecimalNanInfinityAndOutOfRangeNumbersAreUsageErrors) {
    const std::vector<std::vector<std::string>> refused = {{"--strength", "0x32"},
                                                           {"--quality", "0x50"},
                                                           {"-j", "0x2"},
                                                           {"--max-pixels", "1e9"},
                                                           {"--method", "natural", "--dmax", "nan"},
                                                           {"--flare", "inf"},
                                                           {"--flare", "-nan"},
                                                           {"--dmax", "0x1p1"},
                                                           {"--strength", "101"},
                                                           {"--max-memory", "-1G"},
                                                           {"--max-memory", "12QB"}};
    for (std::vector<std::string> arguments : refused) {
        SCOPED_TRACE(arguments[arguments.size() - 2] + " " + arguments.back());
        arguments.insert(arguments.begin(), {"-o", folder_ / "out.png"});
        ExpectUsageError(Restore(arguments), arguments[arguments.size() - 2]);
    }
    const CommandResult curves = RunMirtane({"curves", folder_ / "a.png", "--flare", "nan"});
    EXPECT_EQ(curves.exitCode, kUsage) << curves.err;
}

TEST_F(CommandLineHabits, SaverOptionsOutOfRangeAreUsageErrors) {
    ExpectUsageError(Restore({"-o", folder_ / "out.jpg[Q=999]"}), "Q=999 is out of range");
    ExpectUsageError(Restore({"-o", folder_ / "out.png", "--save-options", "[compression=99]"}),
                     "compression=99 is out of range");
    ExpectUsageError(Restore({"-o", folder_ / "out.png[frobnicate=1]"}), "bad save options");
    const CommandResult batch =
        RunMirtane({"restore", folder_ / "a.png", folder_ / "b.tif", "--output-dir",
                    folder_ / "out", "--format", "jpg", "--save-options", "Q=0"});
    ExpectUsageError(batch, "Q=0 is out of range");
    EXPECT_FALSE(FileExists(folder_ / "out"));
}

TEST_F(CommandLineHabits, NamesThatNoFileCouldTakeAreUsageErrors) {
    ExpectUsageError(Restore({"-o", folder_ / "out.xyz"}), "unknown output format");
    ExpectUsageError(Restore({"-o", "-"}), "name its format with --format");
    ExpectUsageError(Restore({"-o", folder_ / "out.png", "--format", "jpg"}),
                     "--format jpg contradicts the output name");
    ExpectUsageError(Restore({"-o", folder_ / "out.png", "--compare", folder_ / "side.xyz"}),
                     "--compare: unknown output format");
    ExpectUsageError(Restore({"-o", folder_ / "out.png", "--frobnicate"}), "--frobnicate");
    // Spelt the way ImageMagick spells its options: a hint, not a puzzle.
    ExpectUsageError(Restore({"-quality", "85", "-o", folder_ / "out.jpg"}),
                     "did you mean --quality?");
    const CommandResult exists = Restore({"-o", folder_ / "out.jpg", "--format", "jpeg"});
    EXPECT_EQ(exists.exitCode, 0) << exists.err;  // two names of one format agree
}

TEST_F(CommandLineHabits, AnAnalysedAreaTooSmallIsBlamedNotTheImage) {
    WriteImage(ToVips(MakeFadedScene(3200, 2560)), folder_ / "scan.png");
    const CommandResult area = RunMirtane({"restore", folder_ / "scan.png", "-o",
                                           folder_ / "out.png", "--analyse-area", "0,0,300,300"});
    EXPECT_EQ(area.exitCode, 1);
    EXPECT_NE(area.err.find("the analysed area is 300 x 300 pixels, too small: the analysis "
                            "needs at least 480 x 480"),
              std::string::npos)
        << area.err;
    EXPECT_EQ(area.err.find("increase the image size"), std::string::npos) << area.err;

    // A small picture in a wide white margin: --trim leaves 400 x 300.
    const vips::VImage small = ToVips(MakeFadedScene(400, 300));
    WriteImage(small.embed(300, 250, 1000, 800,
                           vips::VImage::option()
                               ->set("extend", VIPS_EXTEND_BACKGROUND)
                               ->set("background", std::vector<double>{255, 255, 255})),
               folder_ / "margin.png");
    const CommandResult trim = RunMirtane({"curves", folder_ / "margin.png", "--trim"});
    EXPECT_EQ(trim.exitCode, 1);
    EXPECT_NE(trim.err.find("the picture inside the border --trim found is 400 x 300 pixels, too "
                            "small"),
              std::string::npos)
        << trim.err;
    // The natural method has no minimum: the same area is analysed.
    const CommandResult natural =
        RunMirtane({"curves", folder_ / "margin.png", "--trim", "--method", "natural"});
    EXPECT_EQ(natural.exitCode, 0) << natural.err;
}

TEST_F(CommandLineHabits, SuccessIsSilentOnAStandardErrorThatIsNotATerminal) {
    const std::vector<std::string> batch = {
        "restore", folder_ / "a.png", folder_ / "b.tif", "--output-dir", folder_ / "out", "-j",
        "2"};
    const CommandResult quiet = RunMirtane(batch);
    EXPECT_EQ(quiet.exitCode, 0) << quiet.err;
    EXPECT_EQ(quiet.err, "");
    EXPECT_EQ(quiet.out, "");
    std::vector<std::string> verbose = batch;
    verbose.push_back("-v");
    const CommandResult told = RunMirtane(verbose);
    EXPECT_NE(told.err.find("2 of 2 files restored, 0 failed"), std::string::npos) << told.err;
    // A failure is still reported with the summary.
    WriteFileBytes(folder_ / "broken.png", "not a picture at all");
    const CommandResult failed = RunMirtane(
        {"restore", folder_ / "a.png", folder_ / "broken.png", "--output-dir", folder_ / "out2"});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_NE(failed.err.find("1 of 2 files restored, 1 failed"), std::string::npos) << failed.err;
}

TEST_F(CommandLineHabits, DashIsStandardOutputForEveryExportAndMinusVIsTheVersion) {
    const CommandResult cube = RunMirtane({"curves", folder_ / "a.png", "--cube", "-"});
    EXPECT_EQ(cube.exitCode, 0) << cube.err;
    EXPECT_NE(cube.out.find("LUT_1D_SIZE 256"), std::string::npos);
    EXPECT_EQ(cube.out.find("black-level"), std::string::npos);  // the export, not the report
    EXPECT_FALSE(FileExists(folder_ / "-"));
    const CommandResult lut = RunMirtane({"curves", folder_ / "a.png", "--lut-image", "-"});
    EXPECT_EQ(lut.exitCode, 0) << lut.err;
    EXPECT_EQ(lut.out.compare(1, 3, "PNG"), 0);
    const CommandResult both =
        RunMirtane({"curves", folder_ / "a.png", "--cube", "-", "--plot", "-"});
    EXPECT_EQ(both.exitCode, kUsage) << both.err;

    const CommandResult shortVersion = RunMirtane({"-V"});
    EXPECT_EQ(shortVersion.exitCode, 0);
    EXPECT_EQ(shortVersion.out, RunMirtane({"--version"}).out);
    EXPECT_EQ(shortVersion.out.rfind("mirtane ", 0), 0u) << shortVersion.out;
}

TEST_F(CommandLineHabits, ABatchNamesItsOutputsByAPattern) {
    const CommandResult beside =
        RunMirtane({"restore", folder_ / "a.png", folder_ / "b.tif", "-o", "%d/%s_restored.%e"});
    EXPECT_EQ(beside.exitCode, 0) << beside.err;
    EXPECT_EQ(ReadPixels(folder_ / "a_restored.png").width, 600);
    EXPECT_EQ(ReadPixels(folder_ / "b_restored.tif").width, 600);
    const CommandResult converted = RunMirtane(
        {"restore", folder_ / "a.png", folder_ / "b.tif", "-o", folder_ / "%f-100%%.jpg[Q=80]"});
    EXPECT_EQ(converted.exitCode, 0) << converted.err;
    EXPECT_TRUE(FileExists(folder_ / "a-100%.jpg"));
    EXPECT_TRUE(FileExists(folder_ / "b-100%.jpg"));
    // One name for several inputs, or a pattern that names them alike.
    ExpectUsageError(
        RunMirtane({"restore", folder_ / "a.png", folder_ / "b.tif", "-o", folder_ / "out.png"}),
        "-o names one output");
    ExpectUsageError(
        RunMirtane({"restore", folder_ / "a.png", folder_ / "b.tif", "-o", folder_ / "%x.png"}),
        "unknown %-sequence");
    const CommandResult alike =
        RunMirtane({"restore", folder_ / "a.png", folder_ / "b.tif", "-o", folder_ / "%e-out.png"});
    EXPECT_EQ(alike.exitCode, 0) << alike.err;  // png-out.png and tif-out.png
    WriteImage(ToVips(MakeFadedScene(600, 500, 3)), folder_ / "a.tif");
    const CommandResult same = RunMirtane(
        {"restore", folder_ / "a.png", folder_ / "a.tif", "-o", folder_ / "%s-same.png"});
    EXPECT_EQ(same.exitCode, 1);
    EXPECT_NE(same.err.find("already (same file name)"), std::string::npos) << same.err;
}

TEST_F(CommandLineHabits, CurvesReadsSeveralFilesAsExiftoolDoes) {
    const CommandResult json =
        RunMirtane({"curves", folder_ / "a.png", folder_ / "b.tif", "--json"});
    EXPECT_EQ(json.exitCode, 0) << json.err;
    EXPECT_EQ(json.out.front(), '[');
    EXPECT_NE(json.out.find("\"file\": \"" + (folder_ / "a.png") + "\""), std::string::npos);
    EXPECT_NE(json.out.find("},\n{"), std::string::npos);
    EXPECT_EQ(json.out.substr(json.out.size() - 3), "}]\n");
    const CommandResult text = RunMirtane({"curves", folder_ / "a.png", folder_ / "b.tif"});
    EXPECT_NE(text.out.find("======== " + (folder_ / "b.tif") + "\nblack-level"), std::string::npos)
        << text.out;
    const CommandResult cubes =
        RunMirtane({"curves", folder_ / "a.png", folder_ / "b.tif", "--cube", folder_ / "%s.cube"});
    EXPECT_EQ(cubes.exitCode, 0) << cubes.err;
    EXPECT_TRUE(FileExists(folder_ / "a.cube"));
    EXPECT_TRUE(FileExists(folder_ / "b.cube"));
    const CommandResult one = RunMirtane(
        {"curves", folder_ / "a.png", folder_ / "b.tif", "--cube", folder_ / "one.cube"});
    EXPECT_EQ(one.exitCode, kUsage) << one.err;
    // A file that fails leaves the others reported.
    WriteFileBytes(folder_ / "broken.png", "not a picture at all");
    const CommandResult partly =
        RunMirtane({"curves", folder_ / "broken.png", folder_ / "a.png", "--json"});
    EXPECT_EQ(partly.exitCode, 1);
    EXPECT_NE(partly.out.find("a.png"), std::string::npos);
    EXPECT_NE(partly.err.find("broken.png"), std::string::npos);
}

}  // namespace
}  // namespace clitest
