#include "cli/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <random>

#include "cli/FileIdentity.h"
#include "cli/TemporaryName.h"

namespace mirtane::cli {
namespace {

// Every signal whose default ends the process and that may reach a run: a
// closed pipe (SIGPIPE, standard error into `head`), a file size limit
// (SIGXFSZ), a CPU limit (SIGXCPU), alarms and user signals sent by scripts.
constexpr int kCleanupSignals[] = {SIGINT,  SIGTERM, SIGHUP,  SIGQUIT, SIGPIPE,  SIGXFSZ,
                                   SIGXCPU, SIGALRM, SIGUSR1, SIGUSR2, SIGVTALRM};
constexpr mode_t kPermissionBits = 0777;
constexpr std::size_t kRandomLength = 6;  // the X's of a temporary name's pattern

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

// Holds the cleanup signals on this thread for its lifetime. libvips'
// threads do not hold them, so a signal may still be handled on one of
// those meanwhile: hence the name is registered before the file exists.
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

// Opens an existing device or FIFO for writing, as a shell's redirection
// does (a FIFO waits for its reader). Returns the descriptor, or -1 with
// `error`.
int OpenDirect(const std::string& shownName, const std::string& target, mode_t type,
               std::string& error) {
    if (S_ISSOCK(type)) {
        error = "cannot write " + shownName + ": it is a socket, not a file";
        return -1;
    }
    int fd;
    do {
        fd = open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        error = Failure(shownName, errno);
    }
    return fd;
}

// Replaces the six X's before the last `suffixLength` characters of
// `pattern` by random letters and digits, as mkstemp would.
void FillRandomPart(std::string& pattern, int suffixLength) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kAlphabet - 2);
    const std::size_t end = pattern.size() - static_cast<std::size_t>(suffixLength);
    for (std::size_t at = end - kRandomLength; at < end; ++at) {
        pattern[at] = kAlphabet[pick(generator)];
    }
}

// Creates a new file named after `pattern` (mkstemp's X's filled in) and
// returns its descriptor, or -1 with errno set. The name is registered for
// removal by the signal handler before the file exists: a signal handled
// on another thread between the two would otherwise leave it behind.
int CreateRegistered(const std::string& pattern, int suffixLength, std::string& name) {
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        name = pattern;
        FillRandomPart(name, suffixLength);
        std::memcpy(gPendingTemporary, name.c_str(), name.size() + 1);
        gHasPendingTemporary = 1;
        const int fd = open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            return fd;
        }
        const int reason = errno;
        gHasPendingTemporary = 0;
        if (reason != EEXIST) {
            errno = reason;
            return -1;
        }
    }
    errno = EEXIST;
    return -1;
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
    direct_ = replacing_ && !S_ISREG(existing.st_mode);
    if (direct_) {
        fd_ = OpenDirect(path, target_, existing.st_mode, error);
        return fd_ >= 0 ? 0 : -1;
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
    std::string name;
    const int fd = CreateRegistered(pattern, suffixLength, name);
    if (fd < 0) {
        error = Failure(path, errno);
        return -1;
    }
    temporary_ = name;
    fd_ = fd;
    return 0;
}

int AtomicFile::Commit(std::string& error) {
    if (fd_ < 0) {
        error = "cannot write " + shownName_ + ": nothing was written";
        return -1;
    }
    if (direct_) {
        const bool closed = close(fd_) == 0;
        const int closeError = errno;
        fd_ = -1;
        if (!closed && closeError != EINTR) {
            error = Failure(shownName_, closeError);
            return -1;
        }
        return 0;
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
        error =
            "not written to " + shownName_ + ": the mirtane command that asked for it has ended";
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
