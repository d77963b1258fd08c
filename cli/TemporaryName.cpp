#include "cli/TemporaryName.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "cli/FileIdentity.h"

namespace mirtane::cli {
namespace {

constexpr const char* kPrefix = ".mirtane-";
constexpr std::size_t kPrefixLength = 9;
constexpr int kRandomLength = 6;  // what mkostemps requires
constexpr long kFallbackNameMax = 255;

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool ProcessIsGone(pid_t pid) { return kill(pid, 0) != 0 && errno == ESRCH; }

}  // namespace

std::string TemporaryFolder(const std::string& path) { return FolderOf(FollowFinalLinks(path)); }

std::string TemporaryPattern(const std::string& path, pid_t pid, int& suffixLength) {
    const std::string folder = FolderOf(path);
    const std::string name = path.substr(folder.size());
    const long limit = pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    const std::size_t nameMax = static_cast<std::size_t>(limit > 0 ? limit : kFallbackNameMax);
    const std::string head = kPrefix + std::to_string(pid) + "-" + std::string(kRandomLength, 'X');
    const std::size_t room = nameMax > head.size() + 1 ? nameMax - head.size() - 1 : 0;
    const std::string suffix = "-" + name.substr(0, std::min(room, name.size()));
    suffixLength = static_cast<int>(suffix.size());
    return folder + head + suffix;
}

pid_t TemporaryOwner(const std::string& name) {
    if (name.compare(0, kPrefixLength, kPrefix) != 0) {
        return 0;
    }
    std::size_t at = kPrefixLength;
    long pid = 0;
    while (at < name.size() && name[at] >= '0' && name[at] <= '9' && pid < INT_MAX / 10) {
        pid = pid * 10 + (name[at] - '0');
        ++at;
    }
    const bool shaped =
        at > kPrefixLength && at + 1 + kRandomLength <= name.size() && name[at] == '-';
    return shaped && pid > 0 ? static_cast<pid_t>(pid) : 0;
}

int RemoveStaleTemporaries(const std::string& folder) {
    DIR* entries = opendir(folder.empty() ? "." : folder.c_str());
    if (entries == nullptr) {
        return 0;
    }
    const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    int removed = 0;
    while (const dirent* entry = readdir(entries)) {
        const pid_t owner = TemporaryOwner(entry->d_name);
        if (owner == 0 || owner == getpid() || !ProcessIsGone(owner)) {
            continue;
        }
        const std::string path = prefix + entry->d_name;
        struct stat status {};
        if (lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
            unlink(path.c_str()) == 0) {
            ++removed;
        }
    }
    closedir(entries);
    return removed;
}

}  // namespace mirtane::cli
