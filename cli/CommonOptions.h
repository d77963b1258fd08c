// What the command's subcommands share on the command line: the exit
// statuses, the usage-error message, numbers read in decimal only, the
// limit, trim and method options, and the hint for a long option written
// with one dash. Each subcommand's own options are in RestoreOptions.h and
// CurvesOptions.h.
#pragma once

#include <initializer_list>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/Method.h"
#include "cli/PhotoReading.h"
#include "cli/Trims.h"

namespace mirtane::cli {

// Exit statuses: 0 when every file succeeded, 1 when any failed, 2 for a
// usage error.
constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// The analysis method as the command line names it.
struct MethodOptions {
    std::string method = "plug-in";
    std::string film;   // print or slide: the natural method's black density
    double dmax = 0.0;  // 0: from --film
    double flare = MIRTANE_DEFAULT_FLARE;
};

// The processors online, at least 1.
int ProcessorCount();

// Prints `message` and where `command`'s help is on standard error; returns
// kExitUsage.
int UsageError(const std::string& message, const std::string& command);

// Validators that read numbers in decimal only (see NumberText.h).
// (No description of their own: the option's type and range say it.)
extern const CLI::Validator kDecimalInteger;
extern const CLI::Validator kDecimalReal;
extern const CLI::Validator kByteSize;

// --max-pixels and --max-memory, read into `limits`.
void AddLimitOptions(CLI::App& command, PhotoLimits& limits);

// --method, --film, --dmax and --flare, read into `method`.
void AddMethodOptions(CLI::App& command, MethodOptions& method);

// The method the options choose.
MethodChoice ChoiceFromOptions(const MethodOptions& options);

// The three trims, read into `trims`.
void AddTrimOptions(CLI::App& command, Trims& trims);

// "-quality 85" as ImageMagick spells it: a hint towards "--quality" rather
// than CLI11's reading of it as the short flags -q, -u, ... Empty when no
// argument is a long option written with one dash.
std::string SingleDashHint(int argc, char** argv, std::initializer_list<const CLI::App*> commands);

}  // namespace mirtane::cli
