// Restoring a batch of files in worker processes. The plug-in keeps
// module-level state and serves one run at a time, so parallel work means
// separate processes, never threads: each file is restored by a fresh
// process running this same program in its hidden worker mode, which
// reports back through a pipe (see PipeReporter).
#pragma once

#include <string>
#include <vector>

#include "cli/Reporter.h"
#include "cli/RestoreFile.h"

namespace mirtane::cli {

// The hidden subcommand a worker runs and its option for the report pipe.
constexpr const char* kWorkerCommand = "restore-worker";
constexpr const char* kProgressFdOption = "--report-fd";

struct BatchCounts {
    int restored = 0;
    int failed = 0;
};

// Restores `jobs` with at most `workers` processes at a time, each told to
// use `threadsPerWorker` libvips threads. Lines from the workers go to
// `console` as they arrive; the bar shows the whole batch. A worker that
// dies counts its file as failed with a line saying so.
BatchCounts RunBatch(const std::vector<RestoreJob>& jobs, int workers, int threadsPerWorker,
                     ConsoleReporter& console);

// The worker's command line for `job` (without the program path).
std::vector<std::string> WorkerArguments(const RestoreJob& job, int reportFd, int threads);

}  // namespace mirtane::cli
