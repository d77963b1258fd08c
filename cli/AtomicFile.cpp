#include "cli/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "cli/FileIdentity.h"
#include "cli/TemporaryName.h"

namespace mirtane::cli {
namespace {

constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr mode_t kPermissionBits = 0777;

// The temporary file being written, for the signal handler; a plain buffer,
// since the handler may only make async-signal-safe calls. One at a time.
char gPendingTemporary[4096] = {};
volatile std::sig_atomic_t gHasPendingTemporary = 0;
pid_t gRequiredParent = 0;

void RemovePendingAndReraise(int signalNumber) {
    if (gHasPendingTemporary != 0) {
        unlink(gPendingTemporary);
    }
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

void InstallInterruptCleanup() {
    static bool installed = false;
    if (installed) {
        return;
    }
    installed = true;
    for (const int signalNumber : kCleanupSignals) {
        struct sigaction current {};
        sigaction(signalNumber, nullptr, &current);
        if (current.sa_handler != SIG_DFL) {
            continue;  // ignored on purpose (nohup, background jobs) or handled by someone else
        }
        struct sigaction action {};
        action.sa_handler = &RemovePendingAndReraise;
        sigemptyset(&action.sa_mask);
        sigaction(signalNumber, &action, nullptr);
    }
}

// Holds the cleanup signals for its lifetime, so that the temporary file is
// never created without being registered for removal.
class SignalsHeld {
  public:
    SignalsHeld() {
        sigset_t held;
        sigemptyset(&held);
        for (const int signalNumber : kCleanupSignals) {
            sigaddset(&held, signalNumber);
        }
        sigprocmask(SIG_BLOCK, &held, &previous_);
    }
    ~SignalsHeld() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

  private:
    sigset_t previous_;
};

mode_t CurrentUmask() {
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}

std::string Failure(const std::string& path, int errorNumber) {
    return "cannot write " + path + ": " + std::strerror(errorNumber);
}

}  // namespace

void RequireParentForCommit(pid_t parent) { gRequiredParent = parent; }

AtomicFile::~AtomicFile() { Abandon(); }

int AtomicFile::Create(const std::string& path, std::string& error) {
    Abandon();
    InstallInterruptCleanup();
    shownName_ = path;
    target_ = FollowFinalLinks(path);
    struct stat existing {};
    replacing_ = stat(target_.c_str(), &existing) == 0;
    if (replacing_ && S_ISDIR(existing.st_mode)) {
        error = "cannot write " + path + ": it is a directory";
        return -1;
    }
    if (replacing_ && access(target_.c_str(), W_OK) != 0) {
        error = "cannot write " + path + ": the existing file is read-only (" +
                std::strerror(errno) + "); not replaced";
        return -1;
    }
    mode_ = existing.st_mode & kPermissionBits;
    owner_ = existing.st_uid;
    group_ = existing.st_gid;
    int suffixLength = 0;
    std::string pattern = TemporaryPattern(target_, getpid(), suffixLength);
    if (pattern.size() >= sizeof gPendingTemporary) {
        error = Failure(path, ENAMETOOLONG);
        return -1;
    }
    const SignalsHeld held;
    const int fd = mkostemps(pattern.data(), suffixLength, O_CLOEXEC);
    if (fd < 0) {
        error = Failure(path, errno);
        return -1;
    }
    std::memcpy(gPendingTemporary, pattern.c_str(), pattern.size() + 1);
    gHasPendingTemporary = 1;
    temporary_ = pattern;
    fd_ = fd;
    return 0;
}

int AtomicFile::Commit(std::string& error) {
    if (fd_ < 0) {
        error = "cannot write " + shownName_ + ": nothing was written";
        return -1;
    }
    if (replacing_) {
        // Only root may give a file away; a user may still set one of its
        // groups. What cannot be kept is left as the new file has it.
        if (fchown(fd_, owner_, group_) != 0) {
            static_cast<void>(fchown(fd_, static_cast<uid_t>(-1), group_));
        }
    }
    const mode_t mode = replacing_ ? mode_ : 0666 & ~CurrentUmask();
    const bool flushed = fchmod(fd_, mode) == 0 && fsync(fd_) == 0;
    const int flushError = errno;
    const bool closed = close(fd_) == 0;
    const int closeError = errno;
    fd_ = -1;
    if (!flushed || !closed) {
        error = Failure(shownName_, !flushed ? flushError : closeError);
        Abandon();
        return -1;
    }
    // The window between this check and the rename is a few system calls;
    // a worker killed with its command loses at most that race.
    if (gRequiredParent != 0 && getppid() != gRequiredParent) {
        error = "not written to " + shownName_ + ": the mirtane command that asked for it has ended";
        Abandon();
        return -1;
    }
    if (rename(temporary_.c_str(), target_.c_str()) != 0) {
        error = Failure(shownName_, errno);
        Abandon();
        return -1;
    }
    temporary_.clear();
    gHasPendingTemporary = 0;
    return 0;
}

void AtomicFile::Abandon() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        unlink(temporary_.c_str());
        temporary_.clear();
        gHasPendingTemporary = 0;
    }
}

}  // namespace mirtane::cli
