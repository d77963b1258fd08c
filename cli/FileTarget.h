// A libvips output target over a file descriptor whose every write goes
// through a CheckedWriter: libvips' own descriptor target lets an encoder
// carry on after a failed write (and succeed when a later one works), so the
// save's own status cannot be trusted alone. Ask failed() after the save.
#pragma once

#include <string>

#include <vips/vips8>

#include "cli/CheckedWrite.h"

namespace mirtane::cli {

class FileTarget {
  public:
    // `fd` open for reading and writing (some encoders, TIFF's, read back
    // and seek); it stays owned by the caller.
    explicit FileTarget(int fd);
    FileTarget(const FileTarget&) = delete;
    FileTarget& operator=(const FileTarget&) = delete;

    const vips::VTarget& target() const { return target_; }
    // True when any write failed or came up short.
    bool failed() const { return writer_.firstError() != 0; }
    // The system's reason for the first failure ("No space left on device").
    std::string Reason() const { return writer_.Reason(); }

  private:
    CheckedWriter writer_;
    vips::VTarget target_;
};

}  // namespace mirtane::cli
