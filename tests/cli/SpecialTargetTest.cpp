// Outputs that are not regular files: a device or a FIFO is written into as
// it is and stays what it was (never replaced by a regular file through a
// temporary and a rename), a socket is refused, and standard output takes
// every format the command offers, TIFF included, even into a pipe.
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>

#include <gtest/gtest.h>

#include "CliTestSupport.h"

namespace clitest {
namespace {

// Reads a FIFO from before the command opens it until told to stop, so that
// a writer never blocks and a command that replaced the FIFO instead of
// writing into it cannot hang the test.
class FifoReader {
  public:
    explicit FifoReader(const std::string& path)
        : fd_(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)), thread_([this] { Run(); }) {}
    ~FifoReader() { Finish(); }
    FifoReader(const FifoReader&) = delete;
    FifoReader& operator=(const FifoReader&) = delete;
    // Stops reading once the pipe is drained; returns what arrived.
    const std::string& Finish() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        if (fd_ >= 0) {
            close(fd_);
            fd_ = -1;
        }
        return bytes_;
    }
    bool opened() const { return fd_ >= 0; }

  private:
    void Run() {
        for (;;) {
            pollfd watch{fd_, POLLIN, 0};
            poll(&watch, 1, 20);
            char block[1 << 16];
            const ssize_t count = read(fd_, block, sizeof block);
            if (count > 0) {
                bytes_.append(block, static_cast<std::size_t>(count));
            } else if (stop_) {
                return;
            }
        }
    }
    int fd_;
    std::atomic<bool> stop_{false};
    std::string bytes_;
    std::thread thread_;
};

bool IsFifo(const std::string& path) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0 && S_ISFIFO(status.st_mode);
}

bool IsCharacterDevice(const std::string& path) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0 && S_ISCHR(status.st_mode);
}

vips::VImage Decode(const std::string& bytes) {
    return vips::VImage::new_from_buffer(bytes.data(), bytes.size(), "");
}

class SpecialTargets : public ::testing::Test {
  protected:
    void SetUp() override { WriteImage(ToVips(MakeFadedScene(600, 500)), folder_ / "in.png"); }
    // A null device to write into: one made in the scratch folder where this
    // process may (root), else the system's own, which an unprivileged
    // process can write into but never replace.
    std::string NullDevice() {
        const std::string made = folder_ / "null";
        if (mknod(made.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
            return made;
        }
        if (geteuid() == 0) {
            return {};  // root must never be given the system's /dev/null
        }
        return "/dev/null";
    }
    ScratchFolder folder_;
};

TEST_F(SpecialTargets, AFifoIsWrittenIntoAndStaysAFifo) {
    const std::string fifo = folder_ / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    for (const char* format : {"png", "jpg", "tif", "webp"}) {
        SCOPED_TRACE(format);
        FifoReader reader(fifo);
        ASSERT_TRUE(reader.opened());
        const CommandResult run =
            RunMirtane({"restore", folder_ / "in.png", "-o", fifo, "--format", format});
        const std::string& bytes = reader.Finish();
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_TRUE(IsFifo(fifo)) << "the FIFO was replaced";
        ASSERT_FALSE(bytes.empty());
        const vips::VImage image = Decode(bytes);
        EXPECT_EQ(image.width(), 600);
        EXPECT_EQ(image.height(), 500);
    }
    EXPECT_EQ(FolderEntries(folder_.path()), (std::vector<std::string>{"fifo", "in.png"}));
}

TEST_F(SpecialTargets, EveryOutputWritesIntoANullDeviceWithoutReplacingIt) {
    const std::string null = NullDevice();
    if (null.empty()) {
        GTEST_SKIP() << "no null device that this test may write into";
    }
    for (const char* format : {"png", "tif"}) {
        SCOPED_TRACE(format);
        const CommandResult run = RunMirtane({"restore", folder_ / "in.png", "-o", null, "--format",
                                              format, "--compare", null, "--preserve-times"});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_TRUE(IsCharacterDevice(null));
    }
    const CommandResult curves = RunMirtane(
        {"curves", folder_ / "in.png", "--cube", null, "--plot", null, "--lut-image", null});
    EXPECT_EQ(curves.exitCode, 0) << curves.err;
    EXPECT_TRUE(IsCharacterDevice(null));
    EXPECT_EQ(ReadFileBytes(null), "");
}

TEST_F(SpecialTargets, ASocketOrAFolderIsRefusedAndLeftAsItIs) {
    const std::string socketPath = folder_ / "sock.png";
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const CommandResult run = RunMirtane({"restore", folder_ / "in.png", "-o", socketPath});
    close(listener);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("socket"), std::string::npos) << run.err;
    EXPECT_EQ(Lines(run.err).size(), 1u) << run.err;
    struct stat status {};
    ASSERT_EQ(lstat(socketPath.c_str(), &status), 0);
    EXPECT_TRUE(S_ISSOCK(status.st_mode));

    ASSERT_EQ(mkdir((folder_ / "dir.png").c_str(), 0755), 0);
    const CommandResult folder =
        RunMirtane({"restore", folder_ / "in.png", "-o", folder_ / "dir.png"});
    EXPECT_EQ(folder.exitCode, 1);
    EXPECT_NE(folder.err.find("directory"), std::string::npos) << folder.err;
}

TEST_F(SpecialTargets, StandardOutputTakesEveryFormatTheSameAsAFile) {
    for (const char* format : {"png", "jpg", "tif", "webp"}) {
        SCOPED_TRACE(format);
        const std::string file = folder_ / (std::string("out.") + format);
        const CommandResult toFile = RunMirtane({"restore", folder_ / "in.png", "-o", file});
        ASSERT_EQ(toFile.exitCode, 0) << toFile.err;
        const CommandResult toPipe =
            RunMirtane({"restore", folder_ / "in.png", "-o", "-", "--format", format});
        EXPECT_EQ(toPipe.exitCode, 0) << toPipe.err;
        EXPECT_EQ(toPipe.out, ReadFileBytes(file));
    }
}

}  // namespace
}  // namespace clitest
