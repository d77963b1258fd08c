#include "cli/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

namespace mirtane::cli {
namespace {

constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The temporary file being written, for the signal handler; a plain buffer,
// since the handler may only make async-signal-safe calls. One at a time.
char gPendingTemporary[4096] = {};
volatile std::sig_atomic_t gHasPendingTemporary = 0;

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

std::string TemporaryPattern(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return folder + "." + name + ".mirtane-XXXXXX";
}

AtomicFile::~AtomicFile() { Abandon(); }

int AtomicFile::Create(const std::string& path, std::string& error) {
    Abandon();
    InstallInterruptCleanup();
    struct stat existing {};
    if (stat(path.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) {
        error = "cannot write " + path + ": it is a directory";
        return -1;
    }
    std::string pattern = TemporaryPattern(path);
    if (pattern.size() >= sizeof gPendingTemporary) {
        error = Failure(path, ENAMETOOLONG);
        return -1;
    }
    const SignalsHeld held;
    const int fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        error = Failure(path, errno);
        return -1;
    }
    std::memcpy(gPendingTemporary, pattern.c_str(), pattern.size() + 1);
    gHasPendingTemporary = 1;
    target_ = path;
    temporary_ = pattern;
    fd_ = fd;
    return 0;
}

int AtomicFile::Commit(std::string& error) {
    if (fd_ < 0) {
        error = "cannot write " + target_ + ": nothing was written";
        return -1;
    }
    const bool flushed = fchmod(fd_, 0666 & ~CurrentUmask()) == 0 && fsync(fd_) == 0;
    const int flushError = errno;
    const bool closed = close(fd_) == 0;
    const int closeError = errno;
    fd_ = -1;
    if (!flushed || !closed) {
        error = Failure(target_, !flushed ? flushError : closeError);
        Abandon();
        return -1;
    }
    if (rename(temporary_.c_str(), target_.c_str()) != 0) {
        error = Failure(target_, errno);
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
