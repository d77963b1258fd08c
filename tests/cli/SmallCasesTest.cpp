// Smaller promises of the command: trims and every other number are
// decimal, sizes take their units, output-name patterns expand; JSON is
// valid UTF-8 whatever the file name's bytes; output names up to the file
// system's limit work; a batch that cannot start a worker for lack of
// descriptors waits for one to end instead of failing the file.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "CliTestSupport.h"
#include "cli/CurvesReport.h"
#include "cli/NumberText.h"
#include "cli/OutputPaths.h"
#include "cli/Trims.h"

namespace clitest {
namespace {

using mirtane::cli::DescribeBytes;
using mirtane::cli::ExpandOutputPattern;
using mirtane::cli::JsonString;
using mirtane::cli::NormaliseByteSize;
using mirtane::cli::NormaliseDecimalInteger;
using mirtane::cli::NormaliseDecimalReal;
using mirtane::cli::OutputPatternProblem;

class SmallCases : public ::testing::Test {
  protected:
    void SetUp() override { WriteImage(ToVips(MakeFadedScene(600, 500)), folder_ / "in.png"); }
    std::string RestoredWithCyanRed(const std::string& value) {
        const std::string out = folder_ / ("cr" + value + ".png");
        const CommandResult run =
            RunMirtane({"restore", folder_ / "in.png", "-o", out, "--cyan-red", value});
        EXPECT_EQ(run.exitCode, 0) << value << ": " << run.err;
        return ReadFileBytes(out);
    }
    ScratchFolder folder_;
};

TEST(DecimalTrims, OnlyDecimalWholeNumbersAreAcceptedAndLeadingZerosMeanNothing) {
    const std::vector<std::pair<std::string, std::string>> accepted = {
        {"010", "10"}, {"08", "8"},  {"-07", "-7"}, {"+5", "5"},
        {"-0", "0"},   {"000", "0"}, {"25", "25"}};
    for (const auto& [given, normal] : accepted) {
        std::string text = given;
        EXPECT_EQ(NormaliseDecimalInteger(text), "") << given;
        EXPECT_EQ(text, normal) << given;
    }
    for (const char* refused : {"0x10", "1e1", "", "-", "+", " 5", "5 ", "1.0", "0b1", "ten"}) {
        std::string text = refused;
        EXPECT_EQ(
            NormaliseDecimalInteger(text).rfind("not a number: '" + std::string(refused) + "'", 0),
            0u)
            << refused;
        EXPECT_EQ(text, refused);
    }
}

TEST(DecimalNumbers, RealsAreDecimalAndFiniteAndSizesTakeTheirUnits) {
    const std::vector<std::pair<std::string, double>> reals = {
        {"0.05", 0.05}, {"010", 10.0}, {"-.5", -0.5}, {"2e-2", 0.02}, {"+3.", 3.0}, {"1E1", 10.0}};
    for (const auto& [given, value] : reals) {
        std::string text = given;
        EXPECT_EQ(NormaliseDecimalReal(text), "") << given;
        EXPECT_EQ(std::stod(text), value) << given;
    }
    for (const char* refused :
         {"nan", "-nan", "inf", "-infinity", "0x1p1", "1e400", "", ".", "1e", "1.2.3", " 1"}) {
        std::string text = refused;
        EXPECT_NE(NormaliseDecimalReal(text), "") << refused;
        EXPECT_EQ(text, refused);
    }
    const std::vector<std::pair<std::string, std::string>> sizes = {{"2147483648", "2147483648"},
                                                                    {"1k", "1024"},
                                                                    {"1.5G", "1610612736"},
                                                                    {"800MB", "800000000"},
                                                                    {"2GiB", "2147483648"},
                                                                    {"1t", "1099511627776"},
                                                                    {"0.5K", "512"}};
    for (const auto& [given, bytes] : sizes) {
        std::string text = given;
        EXPECT_EQ(NormaliseByteSize(text), "") << given;
        EXPECT_EQ(text, bytes) << given;
    }
    for (const char* refused : {"0", "-1G", "12QB", "G", "0.1", "1e30", "nan", "0x10", "1 G"}) {
        std::string text = refused;
        EXPECT_NE(NormaliseByteSize(text), "") << refused;
    }
    EXPECT_EQ(DescribeBytes(999), "999 bytes");
    EXPECT_EQ(DescribeBytes(1'728'000'000), "1.7 GB");
    EXPECT_EQ(DescribeBytes(900'000), "900 kB");
}

TEST(OutputPatterns, NameEachInputsOutputAndRefuseUnknownSequences) {
    EXPECT_EQ(ExpandOutputPattern("%s_restored.jpg", "scans/a.b.tif"), "a.b_restored.jpg");
    EXPECT_EQ(ExpandOutputPattern("%d/%f.%e", "scans/a.tif"), "scans/a.tif");
    EXPECT_EQ(ExpandOutputPattern("%d/%s.png", "a.tif"), "./a.png");
    EXPECT_EQ(ExpandOutputPattern("%d/x.png", "/a.tif"), "//x.png");
    EXPECT_EQ(ExpandOutputPattern("out/%s-%e.png", ".hidden"), "out/.hidden-.png");
    EXPECT_EQ(ExpandOutputPattern("100%%-%s.png", "a.png"), "100%-a.png");
    EXPECT_EQ(ExpandOutputPattern("%s.png", "-"), "stdin.png");
    EXPECT_EQ(OutputPatternProblem("%d/%s_%%.%e"), "");
    for (const char* bad : {"%x.png", "a%", "%S.png", "%%%"}) {
        EXPECT_NE(OutputPatternProblem(bad), "") << bad;
    }
}

TEST(JsonNames, EveryByteSequenceGivesValidUtf8) {
    EXPECT_EQ(JsonString("caf\xC3\xA9"), "\"caf\xC3\xA9\"");             // UTF-8 copied
    EXPECT_EQ(JsonString("caf\xE9.png"), "\"caf\\u00e9.png\"");          // Latin-1 byte
    EXPECT_EQ(JsonString("\xC0\xAF"), "\"\\u00c0\\u00af\"");             // overlong '/'
    EXPECT_EQ(JsonString("\xED\xA0\x80"), "\"\\u00ed\\u00a0\\u0080\"");  // a surrogate
    EXPECT_EQ(JsonString("\xF0\x9F\x93\xB7"), "\"\xF0\x9F\x93\xB7\"");   // U+1F4F7
    EXPECT_EQ(JsonString("\xF4\x90\x80\x80"),
              "\"\\u00f4\\u0090\\u0080\\u0080\"");            // above U+10FFFF
    EXPECT_EQ(JsonString("\xE2\x82"), "\"\\u00e2\\u0082\"");  // cut short
}

TEST_F(SmallCases, TrimsAreReadInDecimal) {
    EXPECT_EQ(RestoredWithCyanRed("010"), RestoredWithCyanRed("10"));
    EXPECT_EQ(RestoredWithCyanRed("08"), RestoredWithCyanRed("8"));
    const CommandResult hex =
        RunMirtane({"restore", folder_ / "in.png", "-o", folder_ / "x.png", "--cyan-red", "0x10"});
    EXPECT_EQ(hex.exitCode, 2);
    EXPECT_NE(hex.err.find("--cyan-red: not a number: '0x10'"), std::string::npos) << hex.err;
    EXPECT_FALSE(FileExists(folder_ / "x.png"));
}

TEST_F(SmallCases, JsonOfALatin1FileNameIsValidUtf8) {
    const std::string latin1 = folder_ / "caf\xE9.png";
    ASSERT_EQ(rename((folder_ / "in.png").c_str(), latin1.c_str()), 0);
    RunOptions toFile;
    toFile.standardOutput = folder_ / "curves.json";
    const CommandResult run = RunMirtane({"curves", latin1, "--json"}, toFile);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    // Python decodes the file as strict UTF-8 and parses it as JSON.
    const CommandResult read = RunProgram({"/usr/bin/python3", "-c",
                                           "import json, sys; print(json.loads(open(sys.argv[1], "
                                           "'rb').read().decode('utf-8'))['file'])",
                                           folder_ / "curves.json"});
    EXPECT_EQ(read.exitCode, 0) << read.err;
    EXPECT_EQ(read.out, folder_ / "caf\xC3\xA9.png\n");
}

TEST_F(SmallCases, OutputNamesUpToTheNameLimitCanBeWritten) {
    for (const std::size_t length : {240u, 250u, 255u}) {
        SCOPED_TRACE(length);
        const std::string name = std::string(length - 4, 'r') + ".png";
        const CommandResult run = RunMirtane({"restore", folder_ / "in.png", "-o", folder_ / name});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_TRUE(FileExists(folder_ / name));
    }
}

TEST_F(SmallCases, ABatchWaitsForAWorkerWhenANewOneCannotStart) {
    // The second start fails with EMFILE (through the command's test seam):
    // the first worker is running, so the batch waits for it and retries.
    RunOptions options{{"MIRTANE_FAIL_WORKER_START_AT=2"}, {}, {}, {}};
    for (const char* name : {"b.png", "c.png"}) {
        WriteFileBytes(folder_ / name, ReadFileBytes(folder_ / "in.png"));
    }
    const CommandResult batch =
        RunMirtane({"restore", folder_ / "in.png", folder_ / "b.png", folder_ / "c.png",
                    "--output-dir", folder_ / "batch", "-j", "2"},
                   options);
    EXPECT_EQ(batch.exitCode, 0) << batch.err;
    EXPECT_EQ(batch.err,
              "mirtane: waiting for a worker to end before starting another (Too many open "
              "files)\n");
    EXPECT_EQ(FolderEntries(folder_ / "batch"),
              (std::vector<std::string>{"b.png", "c.png", "in.png"}));
}

}  // namespace
}  // namespace clitest
