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

// Outputs for `inputs` in `folder`, keeping their file names (with their
// extension changed to `extension` when it is not empty). An output that is
// the same file as any input (see SameFile), or that an earlier input already
// writes, gets a problem.
std::vector<PlannedOutput> PlanOutputFolder(const std::vector<std::string>& inputs,
                                            const std::string& folder,
                                            const std::string& extension = {});

// Outputs for `inputs` named by `pattern`, as "%d/%s_restored.jpg" names
// "photos/a_restored.jpg" for "photos/a.tif": %s (or %f) is an input's name
// without its extension, %e its extension, %d its folder ("." when it names
// none), %% a percent sign. Problems as for PlanOutputFolder.
std::vector<PlannedOutput> PlanOutputPattern(const std::vector<std::string>& inputs,
                                             const std::string& pattern);

// True when `name` is an output-name pattern: it holds a %.
bool IsOutputPattern(const std::string& name);

// Why `pattern` is not a valid output-name pattern (an unknown %-sequence),
// or an empty string.
std::string OutputPatternProblem(const std::string& pattern);

// `pattern` expanded for `input` (see PlanOutputPattern).
std::string ExpandOutputPattern(const std::string& pattern, const std::string& input);

// "name.EXT" for "name.old" (or "name").
std::string WithExtension(const std::string& path, const std::string& extension);

// Creates `folder` and its missing parents. Returns 0, or -1 with `error`.
[[nodiscard]] int EnsureFolder(const std::string& folder, std::string& error);

// The last component of `path` ("a/b/c.jpg" gives "c.jpg").
std::string FileName(const std::string& path);

// Why `output` cannot be written where it is, or an empty string: its folder
// is missing, not a folder, or not writable by this process (a device or
// FIFO, written into as it is, needs no folder). Checked before
// any restore starts, so that a bad folder costs no restoration time.
std::string OutputFolderProblem(const std::string& output);

}  // namespace mirtane::cli
