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

std::vector<PlannedOutput> PlanOutputFolder(const std::vector<std::string>& inputs,
                                            const std::string& folder,
                                            const std::string& extension) {
    const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    std::vector<PlannedOutput> plan;
    std::vector<const PlannedOutput*> writing;  // outputs of the inputs that will be restored
    for (const std::string& input : inputs) {
        const std::string name =
            extension.empty() ? FileName(input) : WithExtension(FileName(input), extension);
        plan.push_back(PlannedOutput{input, prefix + name, {}});
    }
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
                                  " would overwrite the input " + input +
                                  "; choose another --output-dir";
            }
        }
        if (planned.problem.empty()) {
            writing.push_back(&planned);
        }
    }
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
