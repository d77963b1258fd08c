// Running the restore command once its options are read: the command line's
// faults refused before anything runs, the outputs planned, and the files
// restored one in this process or several at once in worker processes.
#pragma once

#include "cli/RestoreOptions.h"

namespace mirtane::cli {

// Restores the files `options` name; returns the exit status.
int RunRestore(RestoreOptions options);

// Restores the one file of a batch that a worker process is started for,
// reporting through options.reportFd; returns the exit status.
int RunWorker(const WorkerOptions& options);

}  // namespace mirtane::cli
