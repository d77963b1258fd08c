// Writing bytes to a descriptor so that no failure goes unnoticed: a short
// write is continued, and the first failure (with its errno) is kept, so
// that whoever wrote through a layer that drops errors (an encoder's own
// output buffering, for one) can still ask afterwards whether every byte
// arrived.
#pragma once

#include <cstddef>
#include <string>

namespace mirtane::cli {

class CheckedWriter {
  public:
    explicit CheckedWriter(int fd) : fd_(fd) {}

    // Writes all `size` bytes, continuing after short writes and EINTR.
    // Returns 0, or -1 when a write failed; after the first failure every
    // later call fails at once, so nothing is written after a gap.
    [[nodiscard]] int Write(const void* data, std::size_t size);

    // errno of the first failed write, 0 when all succeeded.
    int firstError() const { return firstError_; }
    // "No space left on device", or an empty string when all succeeded.
    std::string Reason() const;
    int fd() const { return fd_; }

  private:
    int fd_;
    int firstError_ = 0;
};

// Test seam: when the environment variable MIRTANE_FAIL_WRITE_AT holds a
// number N, the Nth write system call of this process made through a
// CheckedWriter fails with ENOSPC (counting from 1), as on a full disk.
// Unset, writes are never failed on purpose.
constexpr const char* kFailWriteVariable = "MIRTANE_FAIL_WRITE_AT";

}  // namespace mirtane::cli

namespace mirtane::cli {

// Writes `text` to standard output and closes it, so that a failure to
// deliver the last bytes (a full disk, /dev/full, a closed pipe, a network
// file system reporting at close) is seen. Returns 0, or -1 with `error`
// holding the system's reason. Standard output is closed either way.
[[nodiscard]] int WriteStandardOutputAndClose(const std::string& text, std::string& error);

}  // namespace mirtane::cli
