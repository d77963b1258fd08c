// Signals leave nothing behind: every terminating signal a run may meet
// (SIGQUIT, SIGINT, SIGTERM, SIGHUP, a closed pipe's SIGPIPE, a file size
// limit's SIGXFSZ, alarms and user signals) removes the temporary file, for
// the command and its workers, and standard input is never kept in a named
// file; workers end with the command
// even when only the command is killed, and write nothing after it; a run
// killed outright leaves temporary files that the next run into the same
// folder removes (and never those of a running process).
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <thread>

#include <gtest/gtest.h>

#include "CliTestSupport.h"

namespace clitest {
namespace {

// Upper bound for waiting on a condition that the system reaches in well
// under a second; only reached when the behaviour under test is broken.
constexpr auto kPatience = std::chrono::seconds(60);
constexpr auto kPollInterval = std::chrono::milliseconds(2);

bool HasHiddenFile(const std::string& folder) {
    for (const std::string& name : FolderEntries(folder)) {
        if (name[0] == '.') {
            return true;
        }
    }
    return false;
}

// Processes whose command line mentions `text` (the scratch folder's path).
int ProcessesMentioning(const std::string& text) {
    int count = 0;
    for (const std::string& entry : FolderEntries("/proc")) {
        if (entry.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::string commandLine = ReadFileBytes("/proc/" + entry + "/cmdline");
        for (char& c : commandLine) {
            c = c == '\0' ? ' ' : c;
        }
        const std::string state = ReadFileBytes("/proc/" + entry + "/stat");
        const bool zombie = state.find(") Z") != std::string::npos;
        if (!zombie && commandLine.find(text) != std::string::npos &&
            commandLine.find("restore") != std::string::npos) {
            ++count;
        }
    }
    return count;
}

template <typename Condition>
bool WaitFor(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    return true;
}

class Signals : public ::testing::Test {
  protected:
    void SetUp() override {
        // Large enough that writing each output takes a while under the
        // sanitizers, so that a signal can be sent while it is written.
        for (const char* name : {"a.png", "b.png", "c.png"}) {
            WriteImage(ToVips(MakeFadedScene(2400, 1800, name[0])), folder_ / name);
        }
        ASSERT_EQ(mkdir((folder_ / "out").c_str(), 0755), 0);
    }
    ScratchFolder folder_;
};

TEST_F(Signals, EachCleanupSignalWhileWritingLeavesNoTemporaryFile) {
    for (const int signalNumber :
         {SIGQUIT, SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGXFSZ, SIGALRM, SIGUSR1, SIGUSR2}) {
        SCOPED_TRACE(strsignal(signalNumber));
        const std::string out = folder_ / ("out-" + std::to_string(signalNumber));
        ASSERT_EQ(mkdir(out.c_str(), 0755), 0);
        RunOptions options;
        bool sent = false;
        options.whileRunning = [&](pid_t pid) {
            sent = WaitFor([&] { return HasHiddenFile(out); }) && kill(pid, signalNumber) == 0;
        };
        const CommandResult run =
            RunMirtane({"restore", folder_ / "a.png", "-o", out + "/a.png"}, options);
        ASSERT_TRUE(sent) << "no temporary file was seen: " << run.err;
        EXPECT_EQ(run.signal, signalNumber);
        // The signal may come just after the rename (the command then ends
        // with the output complete): never a temporary file, never a part.
        EXPECT_FALSE(HasHiddenFile(out)) << FolderEntries(out)[0];
        if (FileExists(out + "/a.png")) {
            EXPECT_EQ(ReadPixels(out + "/a.png").width, 2400);
        }
    }
}

TEST_F(Signals, StandardInputIsNeverKeptInAFileASignalCouldLeaveBehind) {
    const std::string temporaries = folder_ / "tmp";
    const std::string fifo = folder_ / "stdin";
    ASSERT_EQ(mkdir(temporaries.c_str(), 0755), 0);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string bytes = ReadFileBytes(folder_ / "a.png");
    RunOptions options;
    options.environment = {"TMPDIR=" + temporaries};
    // Standard input is a FIFO the command itself holds open for writing
    // too: it reads the first bytes, then waits for more that never come.
    options.inChild = [&fifo] {
        const int input = open(fifo.c_str(), O_RDWR);
        dup2(input, STDIN_FILENO);
    };
    bool sent = false;
    options.whileRunning = [&](pid_t pid) {
        const int writer = open(fifo.c_str(), O_WRONLY);
        sent = writer >= 0 && write(writer, bytes.data(), 4096) == 4096;
        // The copy is being made once the command has drained the FIFO.
        sent = sent && WaitFor([writer] {
                   int unread = -1;
                   return ioctl(writer, FIONREAD, &unread) == 0 && unread == 0;
               });
        sent = sent && kill(pid, SIGTERM) == 0;
        close(writer);
    };
    const CommandResult run = RunMirtane({"restore", "-", "-o", folder_ / "out/a.png"}, options);
    ASSERT_TRUE(sent) << run.err;
    EXPECT_EQ(run.signal, SIGTERM);
    EXPECT_TRUE(FolderEntries(temporaries).empty()) << FolderEntries(temporaries)[0];
}

TEST_F(Signals, SigquitToTheWholeGroupLeavesNoTemporaryFileAndNoWorker) {
    RunOptions options;
    options.inChild = [] { setpgid(0, 0); };
    bool sent = false;
    options.whileRunning = [&](pid_t pid) {
        sent = WaitFor([&] { return HasHiddenFile(folder_ / "out"); }) && kill(-pid, SIGQUIT) == 0;
    };
    const CommandResult run =
        RunMirtane({"restore", folder_ / "a.png", folder_ / "b.png", folder_ / "c.png",
                    "--output-dir", folder_ / "out", "-j", "2"},
                   options);
    ASSERT_TRUE(sent) << run.err;
    EXPECT_EQ(run.signal, SIGQUIT);
    EXPECT_TRUE(WaitFor([&] { return ProcessesMentioning(folder_.path()) == 0; }));
    for (const std::string& name : FolderEntries(folder_ / "out")) {
        EXPECT_NE(name[0], '.') << "temporary file left: " << name;
    }
}

TEST_F(Signals, KillingOnlyTheCommandEndsItsWorkersWhichWriteNothingAfterIt) {
    RunOptions options;
    bool sent = false;
    timespec killedAt{};
    options.whileRunning = [&](pid_t pid) {
        // A worker is writing its output, its restore done.
        sent = WaitFor([&] { return HasHiddenFile(folder_ / "out"); }) && kill(pid, SIGKILL) == 0;
        clock_gettime(CLOCK_REALTIME, &killedAt);
    };
    const CommandResult run = RunMirtane({"restore", folder_ / "a.png", folder_ / "b.png",
                                          "--output-dir", folder_ / "out", "-j", "2"},
                                         options);
    ASSERT_TRUE(sent) << run.err;
    EXPECT_EQ(run.signal, SIGKILL);
    EXPECT_TRUE(WaitFor([&] { return ProcessesMentioning(folder_.path()) == 0; }));
    // A file renamed into place before the kill is the command's; none may
    // arrive after it (a rename sets the file's change time).
    for (const std::string& name : FolderEntries(folder_ / "out")) {
        EXPECT_NE(name[0], '.') << "temporary file left: " << name;
        struct stat status {};
        ASSERT_EQ(stat((folder_ / ("out/" + name)).c_str(), &status), 0);
        EXPECT_TRUE(
            status.st_ctim.tv_sec < killedAt.tv_sec ||
            (status.st_ctim.tv_sec == killedAt.tv_sec && status.st_ctim.tv_nsec < killedAt.tv_nsec))
            << name << " was written after the command was killed";
    }
}

TEST_F(Signals, TheNextRunRemovesTemporaryFilesOfKilledRunsOnly) {
    RunOptions options;
    bool sent = false;
    options.whileRunning = [&](pid_t pid) {
        sent = WaitFor([&] { return HasHiddenFile(folder_ / "out"); }) && kill(pid, SIGKILL) == 0;
    };
    const CommandResult killed =
        RunMirtane({"restore", folder_ / "a.png", "-o", folder_ / "out/a.png"}, options);
    ASSERT_TRUE(sent) << killed.err;
    const std::vector<std::string> left = FolderEntries(folder_ / "out");
    ASSERT_EQ(left.size(), 1u);
    ASSERT_EQ(left[0][0], '.');
    // One of a running process (this test program) must stay.
    const std::string live = ".mirtane-" + std::to_string(getpid()) + "-abcdef-b.png";
    WriteFileBytes(folder_ / ("out/" + live), "being written");

    const CommandResult next =
        RunMirtane({"restore", folder_ / "b.png", "-o", folder_ / "out/b.png"});
    EXPECT_EQ(next.exitCode, 0) << next.err;
    EXPECT_EQ(FolderEntries(folder_ / "out"), (std::vector<std::string>{live, "b.png"}));
}

}  // namespace
}  // namespace clitest
