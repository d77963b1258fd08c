// When two names mean the same file. Strings say little: "out.png",
// "./out.png", "sub/../out.png", a symlink and a hard link can all reach one
// file, and an output usually does not exist yet when it is checked.
#pragma once

#include <string>

namespace mirtane::cli {

// The absolute name `path` resolves to: symlinks followed (also a final one
// whose target does not exist yet), "." and ".." removed. A file that does
// not exist keeps its last component as given.
std::string CanonicalPath(const std::string& path);

// `path` with its final symlinks followed, as far as they lead (a link whose
// target does not exist gives that target's name). Folders on the way are
// left as they are.
std::string FollowFinalLinks(const std::string& path);

// True when both names reach the same file: the same device and inode when
// both exist, else the same canonical path.
bool SameFile(const std::string& first, const std::string& second);

// True when `path` (its symlinks followed) exists and is neither a regular
// file nor a folder: a device such as /dev/null, a FIFO, a socket. Such a
// target is written into as it is, never replaced.
bool IsSpecialFile(const std::string& path);

}  // namespace mirtane::cli
