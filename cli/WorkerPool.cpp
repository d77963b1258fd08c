#include "cli/WorkerPool.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli/OutputPaths.h"

namespace mirtane::cli {
namespace {

// The report pipe's descriptor inside a worker.
constexpr int kWorkerReportFd = 3;

struct Worker {
    pid_t pid = -1;
    int fd = -1;
    std::size_t job = 0;
    std::string pending;  // bytes of an unfinished line
    double fraction = 0.0;
    bool reportedError = false;
};

std::string ProgramPath() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return {};
    }
    path[length] = '\0';
    return path;
}

// Passes one worker's reports on to the console, remembering its progress.
class WorkerRelay : public Reporter {
  public:
    WorkerRelay(Worker& worker, ConsoleReporter& console) : worker_(worker), console_(console) {}
    void Progress(double fraction) override { worker_.fraction = fraction; }
    void Notice(const std::string& line) override { console_.Notice(line); }
    void Error(const std::string& line) override {
        worker_.reportedError = true;
        console_.Error(line);
    }
    void Result(const std::string& line) override { console_.Result(line); }

  private:
    Worker& worker_;
    ConsoleReporter& console_;
};

// True for the reasons a process cannot start that pass once another ends:
// no free descriptor, process slot or memory.
bool ShortOfResources(int errorNumber) {
    return errorNumber == EMFILE || errorNumber == ENFILE || errorNumber == EAGAIN ||
           errorNumber == ENOMEM;
}

// Test seam: MIRTANE_FAIL_WORKER_START_AT=N makes the Nth start of a worker
// fail with EMFILE, as under a descriptor limit (which cannot be tested
// under the sanitizers: they need descriptors of their own).
bool InjectedStartFailure() {
    static const long failAt = [] {
        const char* text = std::getenv("MIRTANE_FAIL_WORKER_START_AT");
        return text != nullptr ? std::strtol(text, nullptr, 10) : 0L;
    }();
    static long starts = 0;
    return failAt > 0 && ++starts == failAt;
}

// Starts a worker for `job`; on failure returns a worker with no process and
// `startError` set to errno.
Worker StartWorker(const std::string& program, const RestoreJob& job, std::size_t index,
                   int threads, int& startError) {
    Worker worker;
    worker.job = index;
    startError = 0;
    if (InjectedStartFailure()) {
        startError = EMFILE;
        return worker;
    }
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        startError = errno;
        return worker;
    }
    // Everything the child needs is prepared before fork: after it, only
    // async-signal-safe calls are allowed (libvips has threads running).
    std::vector<std::string> arguments = WorkerArguments(job, kWorkerReportFd, threads);
    arguments.insert(arguments.begin(), program);
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        // The worker ends with the command, even when the command is killed
        // outright; and if the command ended before this line, at once.
        if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || getppid() != parent) {
            _exit(127);
        }
        if (ends[1] == kWorkerReportFd) {
            fcntl(kWorkerReportFd, F_SETFD, 0);
        } else if (dup2(ends[1], kWorkerReportFd) < 0) {
            _exit(127);
        }
        execv(program.c_str(), argv.data());
        static const char kExecFailed[] = "E worker process could not run the mirtane program\n";
        static_cast<void>(write(kWorkerReportFd, kExecFailed, sizeof kExecFailed - 1));
        _exit(127);
    }
    const int forkError = errno;
    close(ends[1]);
    if (pid < 0) {
        close(ends[0]);
        startError = forkError;
        return worker;
    }
    worker.pid = pid;
    worker.fd = ends[0];
    return worker;
}

// Reads what is available from a worker; false at end of file.
bool DrainWorker(Worker& worker, ConsoleReporter& console) {
    char buffer[4096];
    const ssize_t count = read(worker.fd, buffer, sizeof buffer);
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) {
        return true;
    }
    if (count <= 0) {
        return false;
    }
    worker.pending.append(buffer, static_cast<std::size_t>(count));
    WorkerRelay relay(worker, console);
    std::size_t newline;
    while ((newline = worker.pending.find('\n')) != std::string::npos) {
        const std::string line = worker.pending.substr(0, newline);
        worker.pending.erase(0, newline + 1);
        if (!DispatchProtocolLine(line, relay)) {
            console.Notice(line);  // not ours: pass it on rather than lose it
        }
    }
    return true;
}

// Waits for a finished worker; true when it restored its file.
bool ReapWorker(Worker& worker, const RestoreJob& job, ConsoleReporter& console) {
    close(worker.fd);
    worker.fd = -1;
    int status = 0;
    while (waitpid(worker.pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        return true;
    }
    if (WIFSIGNALED(status)) {
        console.Error(job.input + ": the worker process restoring it ended with signal " +
                      std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) +
                      "); no output written");
    } else if (!worker.reportedError) {
        console.Error(job.input + ": the worker process restoring it failed with status " +
                      std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1));
    }
    return false;
}

}  // namespace

std::vector<std::string> WorkerArguments(const RestoreJob& job, int reportFd, int threads) {
    std::vector<std::string> arguments = {kWorkerCommand,
                                          kProgressFdOption,
                                          std::to_string(reportFd),
                                          "--threads",
                                          std::to_string(threads),
                                          "--cyan-red",
                                          std::to_string(job.trims.cyanRed),
                                          "--magenta-green",
                                          std::to_string(job.trims.magentaGreen),
                                          "--yellow-blue",
                                          std::to_string(job.trims.yellowBlue),
                                          "--quality",
                                          std::to_string(job.quality),
                                          "--max-pixels",
                                          std::to_string(job.limits.maxPixels)};
    if (job.limits.maxBytes > 0) {
        arguments.insert(arguments.end(), {"--max-memory", std::to_string(job.limits.maxBytes)});
    }
    if (!job.comparison.empty()) {
        arguments.insert(arguments.end(), {"--compare", job.comparison});
    }
    if (!job.save.format.empty()) {
        arguments.insert(arguments.end(), {"--format", job.save.format});
    }
    if (!job.save.options.empty()) {
        arguments.insert(arguments.end(), {"--save-options", job.save.options});
    }
    arguments.insert(arguments.end(), {"--strength", std::to_string(job.strength)});
    if (job.method.method == Method::Natural) {
        // %.17g reads back as the same double.
        char dmax[32];
        char flare[32];
        std::snprintf(dmax, sizeof dmax, "%.17g", job.method.dmax);
        std::snprintf(flare, sizeof flare, "%.17g", job.method.flare);
        arguments.insert(arguments.end(),
                         {"--method", "natural", "--dmax", dmax, "--flare", flare});
    }
    const AnalysisArea& area = job.analysis.area;
    if (area.width > 0) {
        arguments.insert(
            arguments.end(),
            {"--analyse-area", std::to_string(area.left) + "," + std::to_string(area.top) + "," +
                                   std::to_string(area.width) + "," + std::to_string(area.height)});
    }
    for (const auto& [on, flag] : {std::pair{job.save.strip, "--strip"},
                                   std::pair{job.times == FileTimes::Preserve, "--preserve-times"},
                                   std::pair{job.analysis.border == BorderTrim::Remove, "--trim"},
                                   std::pair{job.detail == Detail::Verbose, "--verbose"}}) {
        if (on) {
            arguments.emplace_back(flag);
        }
    }
    // "--" keeps file names that start with a dash from reading as options.
    arguments.insert(arguments.end(), {"--", job.input, job.output});
    return arguments;
}

BatchCounts RunBatch(const std::vector<RestoreJob>& jobs, int workers, int threadsPerWorker,
                     ConsoleReporter& console) {
    BatchCounts counts;
    const std::string program = ProgramPath();
    if (program.empty()) {
        for (const RestoreJob& job : jobs) {
            console.Error(job.input + ": cannot find the mirtane program to start workers");
        }
        counts.failed = static_cast<int>(jobs.size());
        return counts;
    }
    std::vector<Worker> running;
    std::size_t next = 0;
    bool toldOfWaiting = false;
    const auto total = static_cast<double>(jobs.size());
    while (next < jobs.size() || !running.empty()) {
        while (next < jobs.size() && static_cast<int>(running.size()) < workers) {
            int startError = 0;
            Worker worker = StartWorker(program, jobs[next], next, threadsPerWorker, startError);
            if (worker.pid < 0 && ShortOfResources(startError) && !running.empty()) {
                // A running worker frees what is missing when it ends: retry then.
                if (!toldOfWaiting) {
                    console.Notice(
                        std::string("waiting for a worker to end before starting another (") +
                        std::strerror(startError) + ")");
                    toldOfWaiting = true;
                }
                break;
            }
            ++next;
            if (worker.pid < 0) {
                console.Error(jobs[worker.job].input +
                              ": cannot start a worker process: " + std::strerror(startError));
                ++counts.failed;
                continue;
            }
            running.push_back(std::move(worker));
        }
        if (running.empty()) {
            continue;
        }
        std::vector<pollfd> polled;
        for (const Worker& worker : running) {
            polled.push_back(pollfd{worker.fd, POLLIN, 0});
        }
        if (poll(polled.data(), polled.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;  // cannot wait for the workers: count what is left as failed below
        }
        for (std::size_t i = running.size(); i-- > 0;) {
            if (polled[i].revents == 0 || DrainWorker(running[i], console)) {
                continue;
            }
            const bool restored = ReapWorker(running[i], jobs[running[i].job], console);
            ++(restored ? counts.restored : counts.failed);
            running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
        }
        double done = counts.restored + counts.failed;
        for (const Worker& worker : running) {
            done += worker.fraction;
        }
        const int finished = counts.restored + counts.failed;
        console.SetLabel(std::to_string(finished) + "/" + std::to_string(jobs.size()) + " files");
        console.Progress(done / total);
    }
    for (Worker& worker : running) {
        ++(ReapWorker(worker, jobs[worker.job], console) ? counts.restored : counts.failed);
    }
    return counts;
}

}  // namespace mirtane::cli
