// What an output keeps of the file it replaces: permission bits, owner and
// group; a symlink stays a link and its target gets the new contents; a file
// the user could not write in place is refused; other hard links keep the
// old contents (a new file takes the name).
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "CliTestSupport.h"

namespace clitest {
namespace {

class ReplacedFile : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteImage(ToVips(MakeFadedScene(600, 500)), folder_ / "in.png");
        ASSERT_EQ(mkdir((folder_ / "real").c_str(), 0755), 0);
    }
    CommandResult Restore(const std::string& output, const RunOptions& options = {}) {
        return RunMirtane({"restore", folder_ / "in.png", "-o", output}, options);
    }
    static struct stat Status(const std::string& path) {
        struct stat status {};
        EXPECT_EQ(lstat(path.c_str(), &status), 0) << path;
        return status;
    }
    // A PNG of the restored size, read back.
    static bool IsRestoredImage(const std::string& path) {
        const hostkit::Image image = ReadPixels(path);
        return image.width == 600 && image.height == 500;
    }
    ScratchFolder folder_;
};

TEST_F(ReplacedFile, PermissionBitsOfTheReplacedFileAreKept) {
    for (const mode_t mode : {0600, 0640, 0664, 0604}) {
        SCOPED_TRACE(mode);
        WriteFileBytes(folder_ / "out.png", "earlier");
        ASSERT_EQ(chmod((folder_ / "out.png").c_str(), mode), 0);
        const CommandResult run = Restore(folder_ / "out.png");
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(Status(folder_ / "out.png").st_mode & 07777, mode);
    }
    // A new file gets 0666 less the umask, as before.
    RunOptions umask027;
    umask027.inChild = [] { umask(027); };
    const CommandResult fresh = Restore(folder_ / "new.png", umask027);
    EXPECT_EQ(fresh.exitCode, 0) << fresh.err;
    EXPECT_EQ(Status(folder_ / "new.png").st_mode & 07777, 0640u);
}

TEST_F(ReplacedFile, OwnerAndGroupOfTheReplacedFileAreKeptWherePermitted) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "giving a file to another owner needs root";
    }
    WriteFileBytes(folder_ / "out.png", "earlier");
    ASSERT_EQ(chown((folder_ / "out.png").c_str(), 1234, 5678), 0);
    const CommandResult run = Restore(folder_ / "out.png");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Status(folder_ / "out.png").st_uid, 1234u);
    EXPECT_EQ(Status(folder_ / "out.png").st_gid, 5678u);
}

TEST_F(ReplacedFile, ASymlinkOutputIsWrittenThroughAndStaysALink) {
    WriteFileBytes(folder_ / "real/target.png", "earlier");
    ASSERT_EQ(chmod((folder_ / "real/target.png").c_str(), 0600), 0);
    ASSERT_EQ(symlink("real/target.png", (folder_ / "out.png").c_str()), 0);
    ASSERT_EQ(symlink("real/later.png", (folder_ / "dangling.png").c_str()), 0);
    for (const char* link : {"out.png", "dangling.png"}) {
        SCOPED_TRACE(link);
        const CommandResult run = Restore(folder_ / link);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_TRUE(S_ISLNK(Status(folder_ / link).st_mode));
    }
    EXPECT_TRUE(IsRestoredImage(folder_ / "real/target.png"));
    EXPECT_EQ(Status(folder_ / "real/target.png").st_mode & 07777, 0600u);
    EXPECT_TRUE(IsRestoredImage(folder_ / "real/later.png"));
    EXPECT_EQ(FolderEntries(folder_ / "real"),
              (std::vector<std::string>{"later.png", "target.png"}));
    EXPECT_EQ(folder_.Entries(),
              (std::vector<std::string>{"dangling.png", "in.png", "out.png", "real"}));
}

TEST_F(ReplacedFile, AReadOnlyFileIsNotReplaced) {
    // As root every file is writable, so the command runs as nobody, in a
    // folder nobody may write, over a read-only file of root's.
    RunOptions options;
    if (geteuid() == 0) {
        ASSERT_EQ(chmod(folder_.path().c_str(), 0777), 0);
        options.inChild = [] { static_cast<void>(setgid(65534) == 0 && setuid(65534) == 0); };
    }
    WriteFileBytes(folder_ / "locked.png", "earlier");
    ASSERT_EQ(chmod((folder_ / "locked.png").c_str(), 0444), 0);
    const CommandResult run = Restore(folder_ / "locked.png", options);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "mirtane: " + (folder_ / "in.png") + ": cannot write " +
                           (folder_ / "locked.png") +
                           ": the existing file is read-only (Permission denied); not replaced\n");
    EXPECT_EQ(ReadFileBytes(folder_ / "locked.png"), "earlier");
    EXPECT_EQ(folder_.Entries(), (std::vector<std::string>{"in.png", "locked.png", "real"}));
}

TEST_F(ReplacedFile, OtherHardLinksKeepTheOldContents) {
    WriteFileBytes(folder_ / "out.png", "earlier");
    ASSERT_EQ(link((folder_ / "out.png").c_str(), (folder_ / "real/other-name.png").c_str()), 0);
    const CommandResult run = Restore(folder_ / "out.png");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(IsRestoredImage(folder_ / "out.png"));
    EXPECT_EQ(ReadFileBytes(folder_ / "real/other-name.png"), "earlier");
    EXPECT_EQ(Status(folder_ / "out.png").st_nlink, 1u);
}

}  // namespace
}  // namespace clitest
