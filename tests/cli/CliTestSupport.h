// Shared fixtures of the mirtane command's tests: a scratch folder, running
// the built command, synthetic photos written and read through libvips, and
// a whole run of the plug-in through the test host to compare against.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <vips/vips8>

#include "hosts/kit/Image.h"

namespace clitest {

// Names in a folder, sorted, hidden files included; empty when unreadable.
std::vector<std::string> FolderEntries(const std::string& path);

// A fresh folder under the temporary-files folder, removed with its
// contents at the end of the test.
class ScratchFolder {
  public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    std::vector<std::string> Entries() const { return FolderEntries(path_); }

  private:
    std::string path_;
};

struct CommandResult {
    int exitCode = -1;  // -1 when the command did not exit normally
    std::string out;
    std::string err;
    long peakResidentKilobytes = 0;  // with RunOptions::measurePeak: the peak resident set
    int signal = 0;                  // the signal that ended it, 0 when it exited
};

// How a program is started, beyond its arguments.
struct RunOptions {
    std::vector<std::string> environment;  // "NAME=VALUE" entries added to the test's own
    std::string standardOutput;  // a file to send standard output to instead of collecting it
    // Called in the child between fork and exec: async-signal-safe calls only
    // (setuid, setrlimit, setpgid).
    std::function<void()> inChild;
    // Called in the parent with the child's pid once it runs; the run still
    // waits for the child to end.
    std::function<void(pid_t)> whileRunning;
    // Measure the program's peak resident set (with its children's): the
    // program is started by a small go-between, since a child forked from
    // this test program inherits the test program's peak in its rusage.
    bool measurePeak = false;
};

// Runs a program (argv[0] a path) with standard input empty.
CommandResult RunProgram(const std::vector<std::string>& argv, const RunOptions& options = {});
// Runs the built mirtane program with `arguments`.
CommandResult RunMirtane(const std::vector<std::string>& arguments, const RunOptions& options = {});

// Lines of `text`, without their newlines.
std::vector<std::string> Lines(const std::string& text);

// A faded, colour-cast synthetic photograph: gradients, discs and fine
// noise squeezed into a narrow tonal range with a warm cast, so that the
// analysis has real work to do. Deterministic for a given seed.
hostkit::Image MakeFadedScene(int width, int height, unsigned seed = 1);

// Wraps an image (any plane count) as a vips image.
vips::VImage ToVips(const hostkit::Image& image);
// Reads the pixels of a file with 3 or more bands (8-bit) back.
hostkit::Image ReadPixels(const std::string& path, int bands = 3);

// Writes `image` to `path` in the format of its extension.
void WriteImage(const vips::VImage& image, const std::string& path);

// The plug-in run through the test host over `image` with the given trims,
// replayed with the dialog not displayed, exactly as a host would do it.
hostkit::Image RestoreThroughTestHost(const hostkit::Image& image, int cyanRed, int magentaGreen,
                                      int yellowBlue);

// Bytes of a file; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// Mean of one plane of an interleaved image.
double PlaneMean(const hostkit::Image& image, int plane);

}  // namespace clitest
