// Runs the restore command and its worker: checks the command line's
// outputs, plans them, clears stale temporary files beside them, restores
// the files (a batch through the worker pool) and prints the summary.
#include "cli/RestoreCommand.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include <vips/vips8>

#include "cli/AtomicFile.h"
#include "cli/FileIdentity.h"
#include "cli/OutputPaths.h"
#include "cli/ProgressBar.h"
#include "cli/Reporter.h"
#include "cli/TemporaryName.h"
#include "cli/WorkerPool.h"
#include "engine/AnalysisThreads.h"

namespace mirtane::cli {
namespace {

// Gives each planned file whose output (or comparison) cannot be written
// where it is named a problem, before any restore starts.
void CheckOutputFolders(std::vector<PlannedOutput>& plan, const std::string& comparison) {
    for (PlannedOutput& planned : plan) {
        for (const std::string& output : {planned.output, comparison}) {
            if (planned.problem.empty() && !output.empty()) {
                planned.problem = OutputFolderProblem(output);
            }
        }
    }
}

// Each folder written to once: temporary files of runs killed outright.
void RemoveStaleTemporariesBeside(const std::vector<PlannedOutput>& plan,
                                  const std::string& comparison) {
    std::set<std::string> folders;
    for (const PlannedOutput& planned : plan) {
        for (const std::string& output : {planned.output, comparison}) {
            if (!output.empty() && output != kStandardStream && !IsSpecialFile(output)) {
                folders.insert(TemporaryFolder(output));
            }
        }
    }
    for (const std::string& folder : folders) {
        static_cast<void>(RemoveStaleTemporaries(folder));  // best effort: a leftover harms nothing
    }
}

}  // namespace

int RunRestore(RestoreOptions options) {
    RestoreJob settings;
    std::string problem;
    if (JobFromOptions(options.job, settings, problem) != 0) {
        return UsageError(problem, "restore");
    }
    if (!options.output.empty()) {
        std::string bracketed;
        SplitSaveOptions(options.output, options.output, bracketed);
        if (!bracketed.empty()) {
            settings.save.options = bracketed;
        }
    }
    if (options.output.empty() && options.outputFolder.empty()) {
        return UsageError("restore needs -o OUTPUT (one input) or --output-dir DIR", "restore");
    }
    const bool pattern = IsOutputPattern(options.output);
    if (!options.output.empty() && options.inputs.size() > 1 && !pattern) {
        return UsageError(
            "-o names one output; name several with a pattern (-o %s_restored.jpg, -o "
            "out/%s.%e) or use --output-dir DIR",
            "restore");
    }
    if (std::count(options.inputs.begin(), options.inputs.end(), kStandardStream) > 0 &&
        (options.inputs.size() > 1 || options.output.empty())) {
        return UsageError("- (standard input) is one input, written with -o", "restore");
    }
    if (!options.comparison.empty() && options.inputs.size() > 1) {
        return UsageError("--compare is for one input at a time", "restore");
    }
    if (!(problem = OutputNamingProblem(options, settings.save)).empty()) {
        return UsageError(problem, "restore");
    }

    const Chatter chatter = options.quiet         ? Chatter::Quiet
                            : options.job.verbose ? Chatter::Verbose
                                                  : Chatter::Normal;
    ProgressBar bar(!options.quiet && ProgressBar::StandardErrorIsTerminal());
    ConsoleReporter console(bar, chatter);
    std::vector<PlannedOutput> plan;
    if (pattern) {
        plan = PlanOutputPattern(options.inputs, options.output);
    } else if (!options.output.empty()) {
        plan.push_back(PlannedOutput{options.inputs.front(), options.output, {}});
    } else {
        std::string error;
        if (EnsureFolder(options.outputFolder, error) != 0) {
            for (const std::string& input : options.inputs) {
                console.Error(input + ": " + error);
            }
            return kExitFailure;
        }
        plan = PlanOutputFolder(options.inputs, options.outputFolder, options.job.format);
    }
    if (!options.comparison.empty() && !IsSpecialFile(options.comparison) &&
        (SameFile(options.comparison, plan.front().input) ||
         SameFile(options.comparison, plan.front().output))) {
        return UsageError("--compare must name a file other than the input and the output",
                          "restore");
    }
    if (options.output != kStandardStream) {
        CheckOutputFolders(plan, options.comparison);
    }
    RemoveStaleTemporariesBeside(plan, options.comparison);

    BatchCounts counts;
    std::vector<RestoreJob> jobs;
    for (const PlannedOutput& planned : plan) {
        if (!planned.problem.empty()) {
            console.Error(planned.input + ": " + planned.problem);
            ++counts.failed;
            continue;
        }
        RestoreJob job = settings;
        job.input = planned.input;
        job.output = planned.output;
        job.comparison = options.comparison;
        jobs.push_back(job);
    }
    if (jobs.size() == 1 && plan.size() == 1) {
        console.SetLabel(FileName(jobs.front().input));
        ++(RestoreFile(jobs.front(), console) == 0 ? counts.restored : counts.failed);
    } else if (!jobs.empty()) {
        const int workers = std::clamp(options.jobs, 1, static_cast<int>(jobs.size()));
        const int threads = std::max(1, ProcessorCount() / workers);
        const BatchCounts batch = RunBatch(jobs, workers, threads, console);
        counts.restored += batch.restored;
        counts.failed += batch.failed;
    }
    bar.Clear();
    // A script reading standard output gets no per-file lines; the summary
    // then goes with the messages, and says nothing when all went well
    // unless asked to (-v) or someone watches (a terminal).
    std::FILE* summary = isatty(STDOUT_FILENO) ? stdout : stderr;
    const bool watched = summary == stdout || chatter == Chatter::Verbose || counts.failed > 0 ||
                         isatty(STDERR_FILENO);
    if (plan.size() > 1 && chatter != Chatter::Quiet && watched) {
        std::fprintf(summary, "%s%d of %zu files restored, %d failed\n",
                     summary == stderr ? "mirtane: " : "", counts.restored, plan.size(),
                     counts.failed);
    }
    return counts.failed == 0 ? kExitSuccess : kExitFailure;
}

int RunWorker(const WorkerOptions& options) {
    if (options.files.size() != 2 || options.reportFd < 0) {
        return kExitUsage;
    }
    vips_concurrency_set(options.threads);
    engine::SetAnalysisThreads(options.threads);
    // Started by the command, which is alive now (it checked before exec and
    // this process dies with it): nothing is committed once it has gone.
    RequireParentForCommit(getppid());
    PipeReporter reporter(options.reportFd);
    RestoreJob job;
    std::string problem;
    if (JobFromOptions(options.job, job, problem) != 0) {
        reporter.Error(options.files[0] + ": " + problem);
        return kExitFailure;
    }
    job.input = options.files[0];
    job.output = options.files[1];
    job.comparison = options.comparison;
    return RestoreFile(job, reporter) == 0 ? kExitSuccess : kExitFailure;
}

}  // namespace mirtane::cli
