#include "CliTestSupport.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "host/PluginMain.h"
#include "hosts/testhost/ScriptingHost.h"
#include "hosts/testhost/TestHost.h"
#include "platform/headless/HeadlessPlatform.h"

namespace clitest {
namespace {

class VipsEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        if (VIPS_INIT("tests_cli") != 0) {
            throw std::runtime_error("cannot start libvips");
        }
        vips_cache_set_max(0);
    }
};

[[maybe_unused]] ::testing::Environment* const gVipsEnvironment =
    ::testing::AddGlobalTestEnvironment(new VipsEnvironment);

void RemoveTree(const std::string& path) {
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0) {
        return;
    }
    if (S_ISDIR(status.st_mode)) {
        chmod(path.c_str(), 0700);
        if (DIR* folder = opendir(path.c_str())) {
            while (const dirent* entry = readdir(folder)) {
                const std::string name = entry->d_name;
                if (name != "." && name != "..") {
                    RemoveTree(path + "/" + name);
                }
            }
            closedir(folder);
        }
        rmdir(path.c_str());
    } else {
        unlink(path.c_str());
    }
}

// Reads both pipes until they close, so that neither can fill and stall.
void Collect(int outFd, int errFd, std::string& out, std::string& err) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* sinks[2] = {&out, &err};
    int open = 2;
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) {
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            char buffer[4096];
            const ssize_t count = read(fds[i].fd, buffer, sizeof buffer);
            if (count > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(count));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
}

std::uint8_t ToByte(double value) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

pid_t Spawn(std::vector<char*>& argv, std::vector<char*>& envp, int outFd, int errFd) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        throw std::runtime_error(std::string("cannot start ") + argv[0] + ": " +
                                 std::strerror(failed));
    }
    return pid;
}

}  // namespace

ScratchFolder::ScratchFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/mirtane-cli-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a scratch folder");
    }
    path_ = pattern;
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

std::vector<std::string> FolderEntries(const std::string& path) {
    std::vector<std::string> names;
    if (DIR* folder = opendir(path.c_str())) {
        while (const dirent* entry = readdir(folder)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        closedir(folder);
    }
    std::sort(names.begin(), names.end());
    return names;
}

CommandResult RunMirtane(const std::vector<std::string>& arguments, const RunOptions& options) {
    // MIRTANE_CLI_UNDER_TEST runs these tests against another build of the
    // command (an earlier one, to see a test fail before its fix).
    const char* other = std::getenv("MIRTANE_CLI_UNDER_TEST");
    std::vector<std::string> all{other != nullptr && *other != '\0' ? other : MIRTANE_CLI_PATH};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return RunProgram(all, options);
}

// Runs argv[2:] and writes its peak resident set in kilobytes (from wait4,
// children included) to the file argv[1]; exits as the program did.
constexpr const char* kPeakMeter = R"(
import os, sys
pid = os.fork()
if pid == 0:
    os.execv(sys.argv[2], sys.argv[2:])
_, status, usage = os.wait4(pid, 0)
open(sys.argv[1], 'w').write(str(usage.ru_maxrss))
os._exit(os.waitstatus_to_exitcode(status) if os.WIFEXITED(status) else 255)
)";

CommandResult RunProgram(const std::vector<std::string>& command, const RunOptions& options) {
    if (options.measurePeak) {
        char peakFile[] = "/tmp/mirtane-peak-XXXXXX";
        const int fd = mkstemp(peakFile);
        if (fd < 0) {
            throw std::runtime_error("cannot create a file for the peak resident set");
        }
        close(fd);
        std::vector<std::string> metered{"/usr/bin/python3", "-c", kPeakMeter, peakFile};
        metered.insert(metered.end(), command.begin(), command.end());
        RunOptions direct = options;
        direct.measurePeak = false;
        CommandResult result = RunProgram(metered, direct);
        result.peakResidentKilobytes = std::atol(ReadFileBytes(peakFile).c_str());
        unlink(peakFile);
        return result;
    }
    std::vector<std::string> all = command;
    std::vector<char*> argv;
    for (std::string& argument : all) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    // Everything the child needs is made before fork: the test program has
    // libvips threads, so the child may only make async-signal-safe calls.
    std::vector<std::string> environment = options.environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        environment.emplace_back(*entry);
    }
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);

    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    int outFile = -1;
    if (!options.standardOutput.empty()) {
        outFile =
            open(options.standardOutput.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (outFile < 0) {
            throw std::runtime_error("cannot open " + options.standardOutput);
        }
    }
    // Without work to do in the child, spawn it without copying this
    // process's pages: a forked child's peak resident set would start at the
    // test program's, which measurements of the child must not include.
    const pid_t pid = options.inChild
                          ? fork()
                          : Spawn(argv, envp, outFile >= 0 ? outFile : outPipe[1], errPipe[1]);
    if (pid == 0) {
        const int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, STDIN_FILENO);
        dup2(outFile >= 0 ? outFile : outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        if (options.inChild) {
            options.inChild();
        }
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    if (outFile >= 0) {
        close(outFile);
    }
    if (options.whileRunning) {
        options.whileRunning(pid);
    }
    CommandResult result;
    Collect(outPipe[0], errPipe[0], result.out, result.err);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return result;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

hostkit::Image MakeFadedScene(int width, int height, unsigned seed) {
    hostkit::Image image = hostkit::MakeImage(width, height, 3);
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> noise(-6.0, 6.0);
    const double cx = width * 0.35, cy = height * 0.4, radius = std::min(width, height) * 0.22;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double u = static_cast<double>(x) / (width - 1);
            const double v = static_cast<double>(y) / (height - 1);
            // A sky-to-ground scene: blue above, green-brown below, a pale disc.
            double r = 60 + 150 * u * (1 - v) + 90 * v * v;
            double g = 80 + 120 * (1 - u) * v + 60 * (1 - v);
            double b = 200 * (1 - v) + 30 * u;
            if (std::hypot(x - cx, y - cy) < radius) {
                r = 235 - 40 * v;
                g = 225 - 30 * v;
                b = 200 - 20 * u;
            }
            if ((x / 40 + y / 40) % 7 == 0) {  // dark tiles, for the shadows
                r *= 0.2;
                g *= 0.25;
                b *= 0.3;
            }
            // Fading: squeezed into the middle tones, with a warm cast.
            image.At(x, y, 0) = ToByte(70 + 0.55 * r + noise(random));
            image.At(x, y, 1) = ToByte(55 + 0.50 * g + noise(random));
            image.At(x, y, 2) = ToByte(45 + 0.45 * b + noise(random));
        }
    }
    return image;
}

vips::VImage ToVips(const hostkit::Image& image) {
    auto* data = const_cast<std::uint8_t*>(image.pixels.data());
    const VipsInterpretation space =
        image.planes >= 3 ? VIPS_INTERPRETATION_sRGB : VIPS_INTERPRETATION_B_W;
    return vips::VImage::new_from_memory(data, image.pixels.size(), image.width, image.height,
                                         image.planes, VIPS_FORMAT_UCHAR)
        .copy(vips::VImage::option()->set("interpretation", space))
        .copy_memory();
}

hostkit::Image ReadPixels(const std::string& path, int bands) {
    const vips::VImage file = vips::VImage::new_from_file(path.c_str());
    const vips::VImage wanted = file.extract_band(0, vips::VImage::option()->set("n", bands));
    hostkit::Image image = hostkit::MakeImage(file.width(), file.height(), bands);
    std::size_t size = 0;
    void* pixels = wanted.cast(VIPS_FORMAT_UCHAR).write_to_memory(&size);
    if (size != image.pixels.size()) {
        g_free(pixels);
        throw std::runtime_error("unexpected pixel data size in " + path);
    }
    std::memcpy(image.pixels.data(), pixels, size);
    g_free(pixels);
    return image;
}

void WriteImage(const vips::VImage& image, const std::string& path) {
    image.write_to_file(path.c_str());
}

hostkit::Image RestoreThroughTestHost(const hostkit::Image& image, int cyanRed, int magentaGreen,
                                      int yellowBlue) {
    namespace headless = mirtane::platform::headless;
    headless::ResetHeadlessPlatform();
    headless::SetMessagesEchoed(false);
    testhost::TestHost host(&PluginMain);
    host.SetImage(image);
    testhost::ScriptingHost scripting(host);
    scripting.SetReplayedTints(cyanRed, magentaGreen, yellowBlue, /*playInfo: no dialog*/ 0);
    const testhost::RunResult run = host.Run();
    const int dialogs = headless::MainDialogCount();
    headless::ResetHeadlessPlatform();
    // The plug-in records the step it ran, with the trims it applied.
    const std::optional<testhost::DescriptorItems> recorded = scripting.TakeRecorded();
    const testhost::DescriptorItems expected = {
        {0x52642020, cyanRed}, {0x47726E20, magentaGreen}, {0x426C2020, yellowBlue}};
    if (run.result != 0 || dialogs != 0 || !host.LeakReport().empty() || recorded != expected) {
        throw std::runtime_error(
            "the test host run failed: result " + std::to_string(run.result) + ", dialogs shown " +
            std::to_string(dialogs) + ", left over: " + host.LeakReport() +
            ", trims recorded as expected: " + (recorded == expected ? "yes" : "no"));
    }
    return host.image();
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary);
    file << bytes;
}

bool FileExists(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0;
}

double PlaneMean(const hostkit::Image& image, int plane) {
    double sum = 0.0;
    const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
    for (std::size_t i = 0; i < count; ++i) {
        sum += image.pixels[i * image.planes + plane];
    }
    return count > 0 ? sum / static_cast<double>(count) : 0.0;
}

}  // namespace clitest
