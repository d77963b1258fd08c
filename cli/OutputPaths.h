// Where each input of a restore is written, and which inputs must be refused
// before anything runs: never overwrite an input that was not itself named
// as the output, never let two inputs write the same output.
#pragma once

#include <string>
#include <vector>

namespace mirtane::cli {

struct PlannedOutput {
    std::string input;
    std::string output;
    std::string problem;  // empty when the file may be restored
};

// Outputs for `inputs` in `folder`, keeping their file names. An output that
// is the same file as its input, or whose name an earlier input already
// takes, gets a problem.
std::vector<PlannedOutput> PlanOutputFolder(const std::vector<std::string>& inputs,
                                            const std::string& folder);

// Creates `folder` and its missing parents. Returns 0, or -1 with `error`.
[[nodiscard]] int EnsureFolder(const std::string& folder, std::string& error);

// The last component of `path` ("a/b/c.jpg" gives "c.jpg").
std::string FileName(const std::string& path);

// True when both names reach the same existing file.
bool SameFile(const std::string& first, const std::string& second);

}  // namespace mirtane::cli
