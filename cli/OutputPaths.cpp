#include "cli/OutputPaths.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <map>

namespace mirtane::cli {

std::string FileName(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') {
        trimmed.pop_back();
    }
    const std::size_t slash = trimmed.find_last_of('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

bool SameFile(const std::string& first, const std::string& second) {
    struct stat a {}, b {};
    if (stat(first.c_str(), &a) != 0 || stat(second.c_str(), &b) != 0) {
        return false;
    }
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::vector<PlannedOutput> PlanOutputFolder(const std::vector<std::string>& inputs,
                                            const std::string& folder) {
    const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    std::vector<PlannedOutput> plan;
    std::map<std::string, std::string> takenBy;  // output name -> input that takes it
    for (const std::string& input : inputs) {
        PlannedOutput planned{input, prefix + FileName(input), {}};
        const auto taken = takenBy.find(FileName(input));
        if (taken != takenBy.end()) {
            planned.problem = "not restored: " + taken->second + " is written to " + planned.output +
                              " already (same file name)";
        } else if (SameFile(input, planned.output)) {
            planned.problem = "not restored: the output " + planned.output +
                              " would overwrite the input; choose another --output-dir";
        } else {
            takenBy.emplace(FileName(input), input);
        }
        plan.push_back(planned);
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
