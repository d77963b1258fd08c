// How the hidden temporary files of an output are named, so that any later
// run can tell whose they are: ".mirtane-PID-XXXXXX-NAME" beside the output,
// PID the writing process, XXXXXX random, NAME the output's name shortened
// as far as the file system's name limit requires (the output itself keeps
// its full name).
#pragma once

#include <string>

#include <sys/types.h>

namespace mirtane::cli {

// The mkstemp-style pattern (six X's to fill in) for an output at `path`
// written by process `pid`; `suffixLength` receives the length of the part
// after the X's.
std::string TemporaryPattern(const std::string& path, pid_t pid, int& suffixLength);

// The process that wrote the temporary file called `name`, or 0 when the
// name is not one of ours.
pid_t TemporaryOwner(const std::string& name);

// The folder the temporary files of output `path` go to ("" for the
// current folder, else ending in '/'): its own, or that of the file its
// symlink leads to.
std::string TemporaryFolder(const std::string& path);

// Removes from `folder` the temporary files of processes that no longer run
// (left by a run killed with SIGKILL, or by a crash). Files of running
// processes, this one's included, are kept; so are files of a live process
// that happens to have a dead writer's pid. Returns the number removed.
int RemoveStaleTemporaries(const std::string& folder);

}  // namespace mirtane::cli
