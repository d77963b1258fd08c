#include "cli/OutputPaths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/FileIdentity.h"

namespace mirtane::cli {

std::string FileName(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') {
        trimmed.pop_back();
    }
    const std::size_t slash = trimmed.find_last_of('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

std::string OutputFolderProblem(const std::string& output) {
    if (IsSpecialFile(output)) {
        return {};  // written into as it is: its folder is not touched
    }
    const std::size_t slash = output.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string(".")
                               : slash == 0               ? std::string("/")
                                                          : output.substr(0, slash);
    struct stat status {};
    if (stat(folder.c_str(), &status) != 0) {
        return "cannot write " + output + ": folder " + folder + ": " + std::strerror(errno);
    }
    if (!S_ISDIR(status.st_mode)) {
        return "cannot write " + output + ": " + folder + " is not a folder";
    }
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
        return "cannot write " + output + ": folder " + folder + ": " + std::strerror(errno);
    }
    return {};
}

std::string WithExtension(const std::string& path, const std::string& extension) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    const bool hasExtension =
        dot != std::string::npos && dot > 0 && (slash == std::string::npos || dot > slash + 1);
    return (hasExtension ? path.substr(0, dot) : path) + "." + extension;
}

namespace {

// Gives each output of `plan` that would overwrite an input, or that an
// earlier input already writes, its problem.
void MarkCollisions(const std::vector<std::string>& inputs, std::vector<PlannedOutput>& plan,
                    const char* otherChoice) {
    std::vector<const PlannedOutput*> writing;  // outputs of the inputs that will be restored
    for (PlannedOutput& planned : plan) {
        for (const PlannedOutput* earlier : writing) {
            if (SameFile(earlier->output, planned.output)) {
                planned.problem = "not restored: " + earlier->input + " is written to " +
                                  planned.output + " already (same file name)";
                break;
            }
        }
        for (const std::string& input : inputs) {
            if (planned.problem.empty() && SameFile(input, planned.output)) {
                planned.problem = "not restored: the output " + planned.output +
                                  " would overwrite the input " + input + "; choose another " +
                                  otherChoice;
            }
        }
        if (planned.problem.empty()) {
            writing.push_back(&planned);
        }
    }
}

// "photo" and "jpg" of "a/photo.jpg"; no extension for "a/.hidden" or "a/b".
void SplitName(const std::string& path, std::string& stem, std::string& extension) {
    stem = FileName(path);
    extension.clear();
    const std::size_t dot = stem.find_last_of('.');
    if (dot != std::string::npos && dot > 0) {
        extension = stem.substr(dot + 1);
        stem.erase(dot);
    }
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::vector<PlannedOutput> PlanOutputFolder(const std::vector<std::string>& inputs,
                                            const std::string& folder,
                                            const std::string& extension) {
    const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    std::vector<PlannedOutput> plan;
    for (const std::string& input : inputs) {
        const std::string name =
            extension.empty() ? FileName(input) : WithExtension(FileName(input), extension);
        plan.push_back(PlannedOutput{input, prefix + name, {}});
    }
    MarkCollisions(inputs, plan, "--output-dir");
    return plan;
}

bool IsOutputPattern(const std::string& name) { return name.find('%') != std::string::npos; }

std::string OutputPatternProblem(const std::string& pattern) {
    for (std::size_t at = pattern.find('%'); at != std::string::npos;
         at = pattern.find('%', at + 2)) {
        const char next = at + 1 < pattern.size() ? pattern[at + 1] : '\0';
        if (next != 's' && next != 'f' && next != 'e' && next != 'd' && next != '%') {
            return "unknown %-sequence in the output name " + pattern +
                   ": use %s (or %f) for the input's name, %e its extension, %d its folder, %% "
                   "for a percent sign";
        }
    }
    return {};
}

std::string ExpandOutputPattern(const std::string& pattern, const std::string& input) {
    std::string stem;
    std::string extension;
    SplitName(input, stem, extension);
    if (input == "-") {
        stem = "stdin";
    }
    std::string output;
    for (std::size_t at = 0; at < pattern.size(); ++at) {
        if (pattern[at] != '%' || at + 1 == pattern.size()) {
            output += pattern[at];
            continue;
        }
        switch (pattern[++at]) {
        case 's':
        case 'f': output += stem; break;
        case 'e': output += extension; break;
        case 'd': output += FolderOf(input); break;
        default: output += pattern[at]; break;  // %% and, unchecked, any other
        }
    }
    return output;
}

std::vector<PlannedOutput> PlanOutputPattern(const std::vector<std::string>& inputs,
                                             const std::string& pattern) {
    std::vector<PlannedOutput> plan;
    for (const std::string& input : inputs) {
        plan.push_back(PlannedOutput{input, ExpandOutputPattern(pattern, input), {}});
    }
    MarkCollisions(inputs, plan, "output name");
    return plan;
}

int EnsureFolder(const std::string& folder, std::string& error) {
    std::string partial;
    std::size_t start = 0;
    while (start <= folder.size()) {
        const std::size_t slash = folder.find('/', start);
        const std::size_t end = slash == std::string::npos ? folder.size() : slash;
        partial = folder.substr(0, end);
        start = end + 1;
        if (partial.empty()) {
            continue;  // the root of an absolute path
        }
        if (mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) {
            error = "cannot create the output folder " + folder + ": " + std::strerror(errno);
            return -1;
        }
    }
    struct stat status {};
    if (stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        error = "the output folder " + folder + " is not a folder";
        return -1;
    }
    return 0;
}

}  // namespace mirtane::cli
