// A file of the temporary-files folder ($TMPDIR, else /tmp) that has no name:
// it vanishes with its descriptor, whatever ends the process. Encoders that
// seek or read back (TIFF's) write into one when their output is a pipe or a
// device, which cannot seek.
#pragma once

#include <string>

namespace mirtane::cli {

// Opens a new, nameless file for reading and writing. Returns its descriptor
// (the caller closes it), or -1 with `error` saying why.
[[nodiscard]] int OpenScratchFile(std::string& error);

// The temporary-files folder: $TMPDIR when set, else /tmp.
std::string TemporaryFilesFolder();

// Copies everything of `from` (from its start) to `to`. Returns 0, or -1
// with `error` holding the system's reason for the failed read or write.
[[nodiscard]] int CopyWholeFile(int from, int to, std::string& error);

}  // namespace mirtane::cli
