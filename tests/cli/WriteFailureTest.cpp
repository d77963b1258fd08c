// A write that fails, anywhere in an output, fails the file: exit status 1,
// the system's reason in the message, no output committed, an existing
// output untouched and no temporary file left. Failures come from the
// command's write seam (the Nth write fails with ENOSPC and later writes
// succeed, as when another process frees space) and from a real full file
// system, a small tmpfs mounted when the test runs as root.
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "CliTestSupport.h"

namespace clitest {
namespace {

constexpr const char* kNoSpace = "No space left on device";

RunOptions FailingWrite(int index) {
    return RunOptions{{"MIRTANE_FAIL_WRITE_AT=" + std::to_string(index)}, {}, {}, {}};
}

// A small tmpfs over a folder of the scratch folder, unmounted at the end.
class SmallFileSystem {
  public:
    SmallFileSystem(const std::string& path, const char* size) : path_(path) {
        mkdir(path.c_str(), 0755);
        const std::string options = std::string("size=") + size;
        mounted_ = mount("tmpfs", path.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallFileSystem() {
        if (mounted_) {
            umount2(path_.c_str(), MNT_DETACH);
        }
    }
    bool mounted() const { return mounted_; }

  private:
    std::string path_;
    bool mounted_ = false;
};

class WriteFailure : public ::testing::Test {
  protected:
    void SetUp() override {
        // Noise makes the PNG large (about 700 KB), so that it takes many writes.
        WriteImage(ToVips(MakeFadedScene(600, 500, 3)), folder_ / "a.png");
        WriteImage(ToVips(MakeFadedScene(600, 500, 4)), folder_ / "b.png");
        ASSERT_EQ(mkdir((folder_ / "out").c_str(), 0755), 0);
    }
    void ExpectOnlyEarlierOutputs(const std::string& outFolder) {
        EXPECT_EQ(ReadFileBytes(outFolder + "/a.png"), "an earlier result");
        EXPECT_EQ(FolderEntries(outFolder), (std::vector<std::string>{"a.png"}));
    }
    ScratchFolder folder_;
};

TEST_F(WriteFailure, AnyFailedWriteOfOneFileFailsItAndKeepsTheEarlierOutput) {
    // Early, middle and late in the encoded file (the PNG takes about 80 writes).
    for (const int index : {1, 2, 7, 30, 60}) {
        SCOPED_TRACE(index);
        WriteFileBytes(folder_ / "out/a.png", "an earlier result");
        const CommandResult run = RunMirtane(
            {"restore", folder_ / "a.png", "-o", folder_ / "out/a.png"}, FailingWrite(index));
        EXPECT_EQ(run.exitCode, 1);
        const std::vector<std::string> lines = Lines(run.err);
        ASSERT_EQ(lines.size(), 1u) << run.err;
        EXPECT_NE(lines[0].find("cannot write " + (folder_ / "out/a.png") + ": " + kNoSpace),
                  std::string::npos)
            << lines[0];
        EXPECT_TRUE(run.out.empty()) << run.out;
        ExpectOnlyEarlierOutputs(folder_ / "out");
    }
}

TEST_F(WriteFailure, EveryWorkerOfABatchFailsItsFileOnAFailedWrite) {
    for (const int index : {3, 40}) {
        SCOPED_TRACE(index);
        WriteFileBytes(folder_ / "out/a.png", "an earlier result");
        const CommandResult run = RunMirtane({"restore", folder_ / "a.png", folder_ / "b.png",
                                              "--output-dir", folder_ / "out", "-j", "2"},
                                             FailingWrite(index));
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(Lines(run.err).size(), 3u) << run.err;  // two reasons and the summary
        for (const char* name : {"a.png", "b.png"}) {
            EXPECT_NE(run.err.find("cannot write " + (folder_ / "out/") + name + ": " + kNoSpace),
                      std::string::npos)
                << run.err;
        }
        EXPECT_NE(run.err.find("mirtane: 0 of 2 files restored, 2 failed"), std::string::npos)
            << run.err;  // standard output is no terminal here
        ExpectOnlyEarlierOutputs(folder_ / "out");
    }
}

TEST_F(WriteFailure, TheComparisonAndThePlotFailTheSameWay) {
    // The restored output takes the first writes; the comparison comes after it.
    const CommandResult compare = RunMirtane(
        {"restore", folder_ / "a.png", "-o", folder_ / "r.png", "--compare", folder_ / "out/c.png"},
        FailingWrite(90));
    EXPECT_EQ(compare.exitCode, 1);
    EXPECT_NE(compare.err.find("comparison not written: cannot write " + (folder_ / "out/c.png") +
                               ": " + kNoSpace),
              std::string::npos)
        << compare.err;
    const CommandResult plot =
        RunMirtane({"curves", folder_ / "a.png", "--plot", folder_ / "out/p.png"}, FailingWrite(2));
    EXPECT_EQ(plot.exitCode, 1);
    EXPECT_NE(plot.err.find(kNoSpace), std::string::npos) << plot.err;
    EXPECT_TRUE(FolderEntries(folder_ / "out").empty());
}

TEST_F(WriteFailure, CurvesReportsAFailedPrintWithTheSystemsReason) {
    for (const bool json : {false, true}) {
        SCOPED_TRACE(json);
        std::vector<std::string> arguments{"curves", folder_ / "a.png"};
        if (json) {
            arguments.push_back("--json");
        }
        RunOptions full;
        full.standardOutput = "/dev/full";
        const CommandResult run = RunMirtane(arguments, full);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, "mirtane: " + (folder_ / "a.png") +
                               ": cannot write the output: " + kNoSpace + "\n");
        // Part-way: the text takes one write, so the first one fails.
        RunOptions failing = FailingWrite(1);
        failing.standardOutput = folder_ / "printed.txt";
        const CommandResult partWay = RunMirtane(arguments, failing);
        EXPECT_EQ(partWay.exitCode, 1);
        EXPECT_NE(partWay.err.find(kNoSpace), std::string::npos) << partWay.err;
    }
}

TEST_F(WriteFailure, AFullFileSystemFailsEveryOutputAndKeepsTheEarlierOne) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "mounting a small tmpfs needs root; the write seam tests above still run";
    }
    const std::string small = folder_ / "small";
    // Room for the earlier output and the plot's first part, not for a whole output.
    const SmallFileSystem fileSystem(small, "96k");
    ASSERT_TRUE(fileSystem.mounted()) << "cannot mount a tmpfs on " << small;
    for (const char* jobs : {"1", "2"}) {
        SCOPED_TRACE(jobs);
        WriteFileBytes(small + "/a.png", "an earlier result");
        const std::vector<std::string> inputs =
            std::string(jobs) == "1"
                ? std::vector<std::string>{folder_ / "a.png"}
                : std::vector<std::string>{folder_ / "a.png", folder_ / "b.png"};
        std::vector<std::string> arguments{"restore"};
        arguments.insert(arguments.end(), inputs.begin(), inputs.end());
        arguments.insert(arguments.end(), {"--output-dir", small, "-j", jobs});
        const CommandResult run = RunMirtane(arguments);
        EXPECT_EQ(run.exitCode, 1);
        // One reason per file, and the summary of a batch.
        EXPECT_EQ(Lines(run.err).size(), inputs.size() + (inputs.size() > 1 ? 1 : 0)) << run.err;
        EXPECT_NE(run.err.find(kNoSpace), std::string::npos) << run.err;
        ExpectOnlyEarlierOutputs(small);
    }
    const CommandResult plot =
        RunMirtane({"curves", folder_ / "a.png", "--plot", small + "/p.png"});
    EXPECT_EQ(plot.exitCode, 0) << "a plot of about 40 KB fits: " << plot.err;

    WriteFileBytes(small + "/filler", std::string(200 * 1024, 'x'));  // cut short by the tmpfs
    RunOptions intoFull;
    intoFull.standardOutput = small + "/curves.json";
    const CommandResult json = RunMirtane({"curves", folder_ / "a.png", "--json"}, intoFull);
    EXPECT_EQ(json.exitCode, 1);
    EXPECT_NE(json.err.find(kNoSpace), std::string::npos) << json.err;
}

}  // namespace
}  // namespace clitest
