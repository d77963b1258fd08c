// The restore command end to end: the built program on generated photos.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "CliTestSupport.h"

namespace clitest {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 512;

TEST(RestoreCommand, GivesTheBytesOfAWholeTestHostRunWithTheSameTrims) {
    ScratchFolder folder;
    const hostkit::Image scene = MakeFadedScene(kWidth, kHeight);
    WriteImage(ToVips(scene), folder / "scene.png");

    const CommandResult run =
        RunMirtane({"restore", folder / "scene.png", "-o", folder / "out.png", "--cyan-red", "7",
                    "--magenta-green", "-4", "--yellow-blue", "12"});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    const hostkit::Image expected = RestoreThroughTestHost(scene, 7, -4, 12);
    const hostkit::Image actual = ReadPixels(folder / "out.png");
    ASSERT_EQ(actual.width, kWidth);
    ASSERT_EQ(actual.height, kHeight);
    EXPECT_TRUE(actual.pixels == expected.pixels);
    EXPECT_FALSE(actual.pixels == scene.pixels) << "the restore changed nothing";
    EXPECT_EQ(run.out, "") << "standard output is no terminal: nothing per success";
}

// Each trim bends only its own channel: up when positive, down when
// negative, the other two channels byte for byte as with neutral trims.
TEST(RestoreCommand, EachTrimMovesItsOwnChannelInItsDirection) {
    ScratchFolder folder;
    WriteImage(ToVips(MakeFadedScene(kWidth, kHeight, 3)), folder / "scene.png");
    ASSERT_EQ(RunMirtane({"restore", folder / "scene.png", "-o", folder / "neutral.png"}).exitCode,
              0);
    const hostkit::Image neutral = ReadPixels(folder / "neutral.png");

    const char* options[3] = {"--cyan-red", "--magenta-green", "--yellow-blue"};
    for (int channel = 0; channel < 3; ++channel) {
        for (const int trim : {-15, 15}) {
            const std::string name =
                "trim" + std::to_string(channel) + "_" + std::to_string(trim) + ".png";
            const CommandResult run =
                RunMirtane({"restore", folder / "scene.png", "-o", folder / name, options[channel],
                            std::to_string(trim)});
            ASSERT_EQ(run.exitCode, 0) << run.err;
            const hostkit::Image trimmed = ReadPixels(folder / name);
            const double shift = PlaneMean(trimmed, channel) - PlaneMean(neutral, channel);
            if (trim > 0) {
                EXPECT_GT(shift, 2.0) << options[channel] << " " << trim;
            } else {
                EXPECT_LT(shift, -2.0) << options[channel] << " " << trim;
            }
            for (int other = 0; other < 3; ++other) {
                if (other == channel) {
                    continue;
                }
                for (std::size_t i = other; i < trimmed.pixels.size(); i += 3) {
                    ASSERT_EQ(trimmed.pixels[i], neutral.pixels[i])
                        << options[channel] << " changed plane " << other << " at sample " << i / 3;
                }
            }
        }
    }
}

TEST(RestoreCommand, ParallelWorkersWriteTheSameFilesAsOneWorkerAndAsASingleRun) {
    ScratchFolder folder;
    std::vector<std::string> inputs;
    for (unsigned seed = 1; seed <= 3; ++seed) {
        const std::string name = folder / ("photo" + std::to_string(seed) + ".png");
        WriteImage(ToVips(MakeFadedScene(kWidth - 40 * seed, kHeight, seed)), name);
        inputs.push_back(name);
    }
    auto batch = [&](const std::string& jobs, const std::string& outputs) {
        std::vector<std::string> arguments{"restore"};
        arguments.insert(arguments.end(), inputs.begin(), inputs.end());
        arguments.insert(arguments.end(),
                         {"--output-dir", outputs, "-j", jobs, "--yellow-blue", "-6"});
        return RunMirtane(arguments);
    };
    const CommandResult one = batch("1", folder / "one");
    const CommandResult two = batch("2", folder / "two");
    ASSERT_EQ(one.exitCode, 0) << one.err;
    ASSERT_EQ(two.exitCode, 0) << two.err;
    // Neither standard output nor standard error is a terminal here: a
    // batch that went well says nothing.
    EXPECT_EQ(two.err, "");

    for (unsigned seed = 1; seed <= 3; ++seed) {
        const std::string name = "photo" + std::to_string(seed) + ".png";
        const std::string fromOne = ReadFileBytes(folder / ("one/" + name));
        ASSERT_FALSE(fromOne.empty()) << name;
        EXPECT_EQ(fromOne, ReadFileBytes(folder / ("two/" + name))) << name;
        const CommandResult single = RunMirtane(
            {"restore", folder / name, "-o", folder / ("single-" + name), "--yellow-blue", "-6"});
        ASSERT_EQ(single.exitCode, 0) << single.err;
        EXPECT_EQ(fromOne, ReadFileBytes(folder / ("single-" + name))) << name;
    }
}

TEST(RestoreCommand, ABatchWithOneBadFileRestoresTheOthersAndFails) {
    ScratchFolder folder;
    std::vector<std::string> arguments{"restore"};
    for (unsigned seed = 1; seed <= 3; ++seed) {
        const std::string name = folder / ("good" + std::to_string(seed) + ".png");
        WriteImage(ToVips(MakeFadedScene(kWidth, kHeight, seed)), name);
        arguments.push_back(name);
    }
    WriteFileBytes(folder / "notes.png", "these are not pixels\n");
    arguments.insert(arguments.begin() + 2, folder / "notes.png");
    arguments.insert(arguments.end(), {"--output-dir", folder / "out", "-j", "2"});

    const CommandResult run = RunMirtane(arguments);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("mirtane: 3 of 4 files restored, 1 failed"), std::string::npos)
        << run.err;  // standard output is no terminal here
    const std::vector<std::string> errors = Lines(run.err);
    ASSERT_EQ(errors.size(), 2u) << run.err;  // the reason, then the summary
    EXPECT_NE(errors[0].find(folder / "notes.png"), std::string::npos) << errors[0];
    EXPECT_NE(errors[0].find("not an image"), std::string::npos) << errors[0];

    EXPECT_TRUE(FileExists(folder / "out/good1.png"));
    EXPECT_TRUE(FileExists(folder / "out/good2.png"));
    EXPECT_TRUE(FileExists(folder / "out/good3.png"));
    EXPECT_FALSE(FileExists(folder / "out/notes.png"));
}

// With standard error on a terminal the plug-in's progress reports draw a
// bar (redrawn in place, erased at the end); on a pipe, as in every other
// test here, nothing but the message lines appears.
TEST(RestoreCommand, DrawsAProgressBarOnlyOnATerminal) {
    if (!FileExists("/usr/bin/script")) {
        GTEST_SKIP() << "script (bsdutils) is needed to give the command a terminal";
    }
    ScratchFolder folder;
    WriteImage(ToVips(MakeFadedScene(kWidth, kHeight)), folder / "scene.png");
    const std::string command = std::string(MIRTANE_CLI_PATH) + " restore " +
                                (folder / "scene.png") + " -o " + (folder / "out.png");
    const CommandResult terminal = RunProgram({"/usr/bin/script", "-qec", command, "/dev/null"});
    ASSERT_EQ(terminal.exitCode, 0) << terminal.out;
    EXPECT_NE(terminal.out.find("\r\033[K[#"), std::string::npos) << terminal.out;
    EXPECT_NE(terminal.out.find("100%  scene.png"), std::string::npos) << terminal.out;
    EXPECT_NE(terminal.out.find("restored " + (folder / "scene.png")), std::string::npos);

    const CommandResult piped =
        RunMirtane({"restore", folder / "scene.png", "-o", folder / "out.png"});
    ASSERT_EQ(piped.exitCode, 0);
    EXPECT_TRUE(piped.err.empty()) << piped.err;
}

TEST(RestoreCommand, CompareWritesBothPicturesSideBySideUnderCaptions) {
    ScratchFolder folder;
    WriteImage(ToVips(MakeFadedScene(kWidth, kHeight)), folder / "scene.png");
    const CommandResult run = RunMirtane({"restore", folder / "scene.png", "-o", folder / "out.jpg",
                                          "--compare", folder / "compare.png", "--verbose"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const vips::VImage comparison = vips::VImage::new_from_file((folder / "compare.png").c_str());
    EXPECT_GE(comparison.width(), 2 * kWidth);
    EXPECT_GT(comparison.height(), kHeight);  // room for the captions
    EXPECT_NE(run.out.find("comparison: " + (folder / "compare.png")), std::string::npos)
        << run.out;
}

TEST(RestoreCommand, AnOutputFolderHoldingTheInputsIsRefusedAndTheInputsKept) {
    ScratchFolder folder;
    WriteImage(ToVips(MakeFadedScene(kWidth, kHeight)), folder / "scene.png");
    const std::string before = ReadFileBytes(folder / "scene.png");
    const CommandResult run =
        RunMirtane({"restore", folder / "scene.png", "--output-dir", folder.path()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("would overwrite the input"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFileBytes(folder / "scene.png"), before);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"scene.png"});
}

TEST(RestoreCommand, TwoInputsWithTheSameNameDoNotOverwriteEachOther) {
    ScratchFolder folder;
    WriteImage(ToVips(MakeFadedScene(kWidth, kHeight, 1)), folder / "first.png");
    ASSERT_EQ(mkdir((folder / "b").c_str(), 0755), 0);
    WriteImage(ToVips(MakeFadedScene(kWidth, kHeight, 2)), folder / "b/first.png");
    const CommandResult run = RunMirtane(
        {"restore", folder / "first.png", folder / "b/first.png", "--output-dir", folder / "out"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(folder / "b/first.png"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("mirtane: 1 of 2 files restored, 1 failed"), std::string::npos)
        << run.err;  // standard output is no terminal here
    EXPECT_EQ(ReadPixels(folder / "out/first.png").pixels,
              RestoreThroughTestHost(MakeFadedScene(kWidth, kHeight, 1), 0, 0, 0).pixels);
}

TEST(RestoreCommand, NamingTheInputAsTheOutputReplacesItWithTheResult) {
    ScratchFolder folder;
    const hostkit::Image scene = MakeFadedScene(kWidth, kHeight);
    WriteImage(ToVips(scene), folder / "scene.png");
    const CommandResult run =
        RunMirtane({"restore", folder / "scene.png", "-o", folder / "scene.png"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadPixels(folder / "scene.png").pixels,
              RestoreThroughTestHost(scene, 0, 0, 0).pixels);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"scene.png"});
}

TEST(CommandLine, UsageErrorsExitWithTwoAndHelpAndVersionWithZero) {
    ScratchFolder folder;
    WriteImage(ToVips(MakeFadedScene(kWidth, kHeight)), folder / "a.png");
    const std::vector<std::vector<std::string>> misuses = {
        {},
        {"polish", folder / "a.png"},
        {"restore", folder / "a.png"},                                            // no output named
        {"restore", folder / "a.png", folder / "a.png", "-o", folder / "x.png"},  // -o, 2 inputs
        {"restore", folder / "a.png", "-o", folder / "x.png", "--cyan-red", "26"},
        {"restore", folder / "a.png", "-o", folder / "x.png", "--yellow-blue", "-26"},
        {"restore", folder / "a.png", "-o", folder / "x.png", "--magenta-green", "many"},
        {"restore", folder / "a.png", "-o", folder / "x.png", "--output-dir", folder / "d"},
        {"restore", folder / "a.png", "-o", folder / "x.png", "-j", "0"},
        {"restore", folder / "a.png", "-o", folder / "x.png", "--quality", "101"},
        {"restore", folder / "a.png", folder / "a.png", "--output-dir", folder / "d", "--compare",
         folder / "c.png"},
        {"restore", folder / "a.png", "-o", folder / "x.png", "--compare", folder / "a.png"},
        {"restore", folder / "a.png", "-o", folder / "x.png", "--compare", folder / "x.png"},
        {"curves"},
    };
    for (const auto& arguments : misuses) {
        const CommandResult run = RunMirtane(arguments);
        std::string joined;
        for (const std::string& argument : arguments) {
            joined += argument + " ";
        }
        EXPECT_EQ(run.exitCode, 2) << joined << "\n" << run.err;
        EXPECT_FALSE(run.err.empty()) << joined;
    }
    EXPECT_FALSE(FileExists(folder / "x.png"));
    EXPECT_FALSE(FileExists(folder / "d"));

    const CommandResult version = RunMirtane({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "mirtane 1.1.4\n");
    const CommandResult help = RunMirtane({"restore", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--cyan-red"), std::string::npos) << help.out;
    EXPECT_EQ(help.out.find("restore-worker"), std::string::npos);
}

}  // namespace
}  // namespace clitest
