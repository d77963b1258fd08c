#include "cli/FileIdentity.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <system_error>

namespace mirtane::cli {
namespace {

// The kernel's own limit on symlinks followed in one lookup.
constexpr int kMaxLinkHops = 40;

std::filesystem::path FinalLinkTarget(std::filesystem::path path) {
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        std::error_code failure;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, failure))) {
            break;
        }
        const std::filesystem::path target = std::filesystem::read_symlink(path, failure);
        if (failure) {
            break;
        }
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path;
}

}  // namespace

std::string FollowFinalLinks(const std::string& path) { return FinalLinkTarget(path).string(); }

std::string CanonicalPath(const std::string& path) {
    std::error_code failure;
    const std::filesystem::path absolute = std::filesystem::absolute(path, failure);
    if (failure) {
        return path;
    }
    const std::filesystem::path canonical =
        std::filesystem::weakly_canonical(FinalLinkTarget(absolute), failure);
    return failure ? absolute.lexically_normal().string() : canonical.string();
}

bool SameFile(const std::string& first, const std::string& second) {
    struct stat a {
    }, b{};
    if (stat(first.c_str(), &a) == 0 && stat(second.c_str(), &b) == 0) {
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    }
    return CanonicalPath(first) == CanonicalPath(second);
}

bool IsSpecialFile(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode);
}

}  // namespace mirtane::cli
