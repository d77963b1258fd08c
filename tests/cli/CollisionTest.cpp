// No output of a run may be one of its inputs or another of its outputs,
// however it is spelt ("./", "..", a symlink, a hard link), and each output
// folder must exist and be writable: all checked before anything is
// written. Naming the input itself with -o stays allowed.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "CliTestSupport.h"

namespace clitest {
namespace {

class Collision : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteImage(ToVips(MakeFadedScene(600, 500)), folder_ / "in.png");
        original_ = ReadFileBytes(folder_ / "in.png");
        ASSERT_EQ(mkdir((folder_ / "sub").c_str(), 0755), 0);
    }
    // The run was refused as a usage error and wrote nothing.
    void ExpectRefusedUntouched(const CommandResult& run, const std::vector<std::string>& entries) {
        EXPECT_EQ(run.exitCode, 2) << run.err;
        EXPECT_EQ(Lines(run.err).size(), 2u) << run.err;  // the reason and where to find help
        EXPECT_EQ(ReadFileBytes(folder_ / "in.png"), original_);
        EXPECT_EQ(folder_.Entries(), entries);
    }
    ScratchFolder folder_;
    std::string original_;
};

TEST_F(Collision, TheComparisonMayNotBeTheOutputOrTheInputHoweverNamed) {
    const std::string out = folder_ / "out.png";
    const std::vector<std::string> comparisons = {
        folder_ / "./out.png",          folder_ / "sub/../out.png",  folder_ / "./in.png",
        folder_ / "sub/../in.png",      folder_ / "link-to-out.png", folder_ / "link-to-in.png",
        folder_ / "hard-link-to-in.png"};
    ASSERT_EQ(symlink("out.png", (folder_ / "link-to-out.png").c_str()),
              0);  // dangling until written
    ASSERT_EQ(symlink("in.png", (folder_ / "link-to-in.png").c_str()), 0);
    ASSERT_EQ(link((folder_ / "in.png").c_str(), (folder_ / "hard-link-to-in.png").c_str()), 0);
    const std::vector<std::string> entries = folder_.Entries();
    for (const std::string& comparison : comparisons) {
        SCOPED_TRACE(comparison);
        const CommandResult run =
            RunMirtane({"restore", folder_ / "in.png", "-o", out, "--compare", comparison});
        ExpectRefusedUntouched(run, entries);
        EXPECT_NE(run.err.find("--compare must name a file other than the input and the output"),
                  std::string::npos);
    }
}

TEST_F(Collision, TheComparisonMayNotBeAnOutputOfTheOutputFolder) {
    const CommandResult run = RunMirtane({"restore", folder_ / "in.png", "--output-dir",
                                          folder_ / "sub", "--compare", folder_ / "sub/in.png"});
    ExpectRefusedUntouched(run, {"in.png", "sub"});
    EXPECT_TRUE(FolderEntries(folder_ / "sub").empty());
}

TEST_F(Collision, ThePlotMayNotBeTheInputHoweverNamed) {
    ASSERT_EQ(symlink("in.png", (folder_ / "link-to-in.png").c_str()), 0);
    ASSERT_EQ(link((folder_ / "in.png").c_str(), (folder_ / "hard-link-to-in.png").c_str()), 0);
    const std::vector<std::string> entries = folder_.Entries();
    for (const std::string& plot :
         {folder_ / "in.png", folder_ / "./in.png", folder_ / "sub/../in.png",
          folder_ / "link-to-in.png", folder_ / "hard-link-to-in.png"}) {
        SCOPED_TRACE(plot);
        const CommandResult run = RunMirtane({"curves", folder_ / "in.png", "--plot", plot});
        ExpectRefusedUntouched(run, entries);
        EXPECT_NE(run.err.find("--plot must name a file other than the input"), std::string::npos);
        EXPECT_TRUE(run.out.empty());
    }
}

TEST_F(Collision, AnOutputOfTheFolderMayNotBeAnotherInput) {
    // sub/in.png is the second input and the first input's output.
    WriteFileBytes(folder_ / "sub/in.png", original_);
    const CommandResult run = RunMirtane(
        {"restore", folder_ / "in.png", folder_ / "sub/in.png", "--output-dir", folder_ / "sub"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(ReadFileBytes(folder_ / "sub/in.png"), original_);
    EXPECT_NE(run.err.find((folder_ / "in.png") + ": not restored: the output " +
                           (folder_ / "sub/in.png") + " would overwrite the input"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("mirtane: 0 of 2 files restored, 2 failed"), std::string::npos)
        << run.err;  // standard output is no terminal here
}

TEST_F(Collision, TheInputNamedWithDashOStaysAllowed) {
    const CommandResult run =
        RunMirtane({"restore", folder_ / "in.png", "-o", folder_ / "./in.png"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(ReadFileBytes(folder_ / "in.png"), original_);
}

TEST_F(Collision, AMissingOrUnwritableOutputFolderIsFoundBeforeAnythingIsWritten) {
    // The output could be written; the comparison's folder is missing, and
    // nothing at all is written.
    const CommandResult missing =
        RunMirtane({"restore", folder_ / "in.png", "-o", folder_ / "out.png", "--compare",
                    folder_ / "gone/compare.png"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err, "mirtane: " + (folder_ / "in.png") + ": cannot write " +
                               (folder_ / "gone/compare.png") + ": folder " + (folder_ / "gone") +
                               ": No such file or directory\n");
    EXPECT_FALSE(FileExists(folder_ / "out.png"));
    const CommandResult plot =
        RunMirtane({"curves", folder_ / "in.png", "--plot", folder_ / "gone/plot.png"});
    EXPECT_EQ(plot.exitCode, 1);
    EXPECT_TRUE(plot.out.empty()) << "nothing printed before the plot folder is known good";

    if (geteuid() != 0) {
        GTEST_SKIP() << "the unwritable folder case runs the command as nobody, which needs root";
    }
    ASSERT_EQ(chmod(folder_.path().c_str(), 0755), 0);  // let nobody reach the input
    RunOptions asNobody;
    asNobody.inChild = [] { static_cast<void>(setgid(65534) == 0 && setuid(65534) == 0); };
    const CommandResult locked = RunMirtane({"restore", folder_ / "in.png", "--output-dir",
                                             folder_ / "sub", "--compare", folder_ / "c.png"},
                                            asNobody);
    EXPECT_EQ(locked.exitCode, 1);
    EXPECT_EQ(locked.err, "mirtane: " + (folder_ / "in.png") + ": cannot write " +
                              (folder_ / "sub/in.png") + ": folder " + (folder_ / "sub") +
                              ": Permission denied\n");
    EXPECT_FALSE(FileExists(folder_ / "c.png"));
}

}  // namespace
}  // namespace clitest
