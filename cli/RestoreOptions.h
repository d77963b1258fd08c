// The restore command's options as CLI11 reads them (and those of its
// internal worker, which restores one file of a batch in a process of its
// own), and their checks into the RestoreJob every file is restored with.
// RestoreCommand.h runs them.
#pragma once

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/CommonOptions.h"
#include "cli/PhotoWriting.h"
#include "cli/RestoreFile.h"

namespace mirtane::cli {

// What every file of a restore is restored with, as the command line says.
struct JobOptions {
    Trims trims;
    int quality = kDefaultQuality;
    PhotoLimits limits;
    std::string format;       // --format EXT
    std::string saveOptions;  // --save-options '[...]'
    bool strip = false;
    bool preserveTimes = false;
    int strength = MIRTANE_FULL_STRENGTH;
    bool trimBorder = false;
    std::string area;  // X,Y,W,H
    bool verbose = false;
    MethodOptions method;
};

struct RestoreOptions {
    std::vector<std::string> inputs;
    std::string output;
    std::string outputFolder;
    std::string comparison;
    JobOptions job;
    int jobs = 1;
    bool quiet = false;
};

struct WorkerOptions {
    std::vector<std::string> files;  // input, output
    std::string comparison;
    JobOptions job;
    int reportFd = -1;
    int threads = 1;
};

// Adds the restore subcommand and its options, read into `restore`; its
// -j defaults to the processor count.
CLI::App* AddRestoreCommand(CLI::App& app, RestoreOptions& restore);

// Adds the worker subcommand, which help does not show, and its options,
// read into `worker`.
CLI::App* AddWorkerCommand(CLI::App& app, WorkerOptions& worker);

// "out.jpg[Q=85,strip]" split into the file name and the libvips options
// between the brackets (empty when there are none).
void SplitSaveOptions(const std::string name, std::string& path, std::string& options);

// Checks of the job options that need more than a range. Returns 0, or -1
// with `error`.
int JobFromOptions(const JobOptions& options, RestoreJob& job, std::string& error);

// Why the outputs a restore names could never be written, whatever the
// inputs hold: the command line's fault, refused before anything runs. A
// pattern whose extension comes from each input (%e) is checked file by
// file instead.
std::string OutputNamingProblem(const RestoreOptions& options, const SaveSettings& save);

}  // namespace mirtane::cli
