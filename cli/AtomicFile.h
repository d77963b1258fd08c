// Writing a file so that a failure never leaves a partial or half-replaced
// file: the bytes go to a hidden temporary file beside the target, which is
// renamed over the target only once complete and flushed.
#pragma once

#include <string>

namespace mirtane::cli {

class AtomicFile {
  public:
    AtomicFile() = default;
    // Removes the temporary file unless it was committed.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file for `path`: TemporaryName(path), open for
    // writing as fd(). Returns 0, or -1 with `error` naming the reason.
    // Until Commit or destruction, an interrupt (SIGINT, SIGTERM, SIGHUP)
    // removes the temporary file before the process ends.
    [[nodiscard]] int Create(const std::string& path, std::string& error);
    int fd() const { return fd_; }

    // Flushes the file to disk, gives it the usual permissions (0666 less
    // the umask) and renames it over the target. Returns 0, or -1 with
    // `error`; the target is then untouched and the temporary file removed.
    [[nodiscard]] int Commit(std::string& error);

  private:
    void Abandon();
    std::string target_;
    std::string temporary_;
    int fd_ = -1;
};

// The temporary name pattern for `path`: ".NAME.mirtane-XXXXXX" in its folder.
std::string TemporaryPattern(const std::string& path);

}  // namespace mirtane::cli
