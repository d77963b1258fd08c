// The curves command's options as CLI11 reads them, read into its request
// (see CurvesCommand.h, which carries it out) and checked before it runs.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

#include "cli/CommonOptions.h"
#include "cli/CurvesCommand.h"

namespace mirtane::cli {

// The curves command's options: what the request takes as it is, and the
// three that are read into it once parsed.
struct CurvesOptions {
    CurvesRequest request;
    bool trimBorder = false;
    std::string area;  // X,Y,W,H
    MethodOptions method;
};

// Adds the curves subcommand and its options, read into `curves`.
CLI::App* AddCurvesCommand(CLI::App& app, CurvesOptions& curves);

// Completes and checks the request, then runs it; returns the exit status.
int RunCurvesCommand(const CurvesOptions& options);

}  // namespace mirtane::cli
