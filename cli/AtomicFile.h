// Writing a file so that a failure never leaves a partial or half-replaced
// file: the bytes go to a hidden temporary file beside the target (see
// TemporaryName.h), which is renamed over the target only once complete and
// flushed.
//
// What a replaced file keeps: an output that is a symlink is written through
// to the file it points to (that file is replaced, the link stays); the new
// file gets the permission bits of the file it replaces, and its owner and
// group as far as this process may set them. A file this process could not
// write in place (a read-only file) is not replaced. Other hard links of a
// replaced file keep the old contents: the new file is a new inode.
//
// An existing target that is not a regular file (a device such as /dev/null,
// a FIFO) is never replaced: it is opened and written into directly, as cp
// and shells do, without a temporary file; such a target cannot seek or be
// read back (see Direct()).
#pragma once

#include <sys/types.h>

#include <string>

namespace mirtane::cli {

class AtomicFile {
  public:
    AtomicFile() = default;
    // Removes the temporary file unless it was committed.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file for `path`, open for reading and writing as
    // fd(), or opens a device or FIFO for writing. Returns 0, or -1 with
    // `error` naming the reason (a folder, a socket, a read-only file, a
    // folder that cannot be written). Until Commit or destruction, every
    // terminating signal that can be caught (SIGINT, SIGTERM, SIGHUP,
    // SIGQUIT, SIGPIPE, SIGXFSZ, ...) removes the temporary file before the
    // process ends.
    [[nodiscard]] int Create(const std::string& path, std::string& error);
    int fd() const { return fd_; }
    // True when fd() is the target itself, a device or FIFO, rather than a
    // temporary file.
    bool Direct() const { return direct_; }

    // Flushes the file to disk, gives it the replaced file's permissions,
    // owner and group (a new file: 0666 less the umask) and renames it over
    // the target. Returns 0, or -1 with `error`; the target is then untouched
    // and the temporary file removed. A direct target is only closed.
    [[nodiscard]] int Commit(std::string& error);

  private:
    void Abandon();
    std::string shownName_;  // the name the user gave, for messages
    std::string target_;     // that name with its final symlinks followed
    std::string temporary_;
    int fd_ = -1;
    bool replacing_ = false;
    bool direct_ = false;
    mode_t mode_ = 0;
    uid_t owner_ = 0;
    gid_t group_ = 0;
};

// Makes every later Commit of this process check first that its parent is
// still `parent`, and fail otherwise: a worker whose command has ended (and
// reported its files as failed) must not write them afterwards.
void RequireParentForCommit(pid_t parent);

}  // namespace mirtane::cli
