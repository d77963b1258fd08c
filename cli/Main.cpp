// The mirtane command: restores faded colour photographs with the plug-in
// itself, run through the test host, and shows the curves it computes.
//
//   mirtane restore INPUT... (-o OUTPUT | --output-dir DIR) [trims] [-j N]
//   mirtane curves INPUT [--json] [--plot FILE.png]
//
// Exit status: 0 when every file succeeded, 1 when any failed, 2 for a usage
// error.
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <vips/vips8>

#include "cli/AtomicFile.h"
#include "cli/CheckedWrite.h"
#include "cli/CurvePlot.h"
#include "cli/CurvesReport.h"
#include "cli/FileIdentity.h"
#include "cli/OutputPaths.h"
#include "cli/PhotoFile.h"
#include "cli/PluginRun.h"
#include "cli/ProgressBar.h"
#include "cli/Reporter.h"
#include "cli/RestoreFile.h"
#include "cli/TemporaryName.h"
#include "cli/WorkerPool.h"

namespace {

using namespace mirtane::cli;

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kLargeBlockThreshold = 1 << 30;

struct RestoreOptions {
    std::vector<std::string> inputs;
    std::string output;
    std::string outputFolder;
    std::string comparison;
    Trims trims;
    int quality = kDefaultQuality;
    std::int64_t maxPixels = kDefaultMaxPixels;
    int jobs = 1;
};

struct WorkerOptions {
    std::vector<std::string> files;  // input, output
    std::string comparison;
    Trims trims;
    int quality = kDefaultQuality;
    std::int64_t maxPixels = kDefaultMaxPixels;
    int reportFd = -1;
    int threads = 1;
};

struct CurvesOptions {
    std::string input;
    bool json = false;
    std::string plot;
    std::int64_t maxPixels = kDefaultMaxPixels;
};

int ProcessorCount() {
    const long count = sysconf(_SC_NPROCESSORS_ONLN);
    return count > 0 ? static_cast<int>(count) : 1;
}

int UsageError(const std::string& message, const std::string& command) {
    std::fprintf(stderr, "mirtane: %s\nRun 'mirtane %s --help' for more information.\n",
                 message.c_str(), command.c_str());
    return kExitUsage;
}

void AddMaxPixelsOption(CLI::App& command, std::int64_t& maxPixels) {
    command
        .add_option("--max-pixels", maxPixels,
                    "Refuse inputs with more pixels than this, before decoding them (default 600000000)")
        ->check(CLI::Range(std::int64_t{1}, std::int64_t{kMaxPhotoSide} * kMaxPhotoSide));
}

void AddTrimOptions(CLI::App& command, Trims& trims) {
    const CLI::Validator decimal(&NormaliseDecimalInteger, "INT", "decimal");
    command.add_option("--cyan-red", trims.cyanRed, "Cyan-Red trim, -25 ... 25 (+ is redder)")
        ->transform(decimal)
        ->check(CLI::Range(-kTrimLimit, kTrimLimit));
    command
        .add_option("--magenta-green", trims.magentaGreen,
                    "Magenta-Green trim, -25 ... 25 (+ is greener)")
        ->transform(decimal)
        ->check(CLI::Range(-kTrimLimit, kTrimLimit));
    command
        .add_option("--yellow-blue", trims.yellowBlue, "Yellow-Blue trim, -25 ... 25 (+ is bluer)")
        ->transform(decimal)
        ->check(CLI::Range(-kTrimLimit, kTrimLimit));
}

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
void RemoveStaleTemporariesBeside(const std::vector<PlannedOutput>& plan, const std::string& comparison) {
    std::set<std::string> folders;
    for (const PlannedOutput& planned : plan) {
        for (const std::string& output : {planned.output, comparison}) {
            if (!output.empty()) {
                folders.insert(TemporaryFolder(output));
            }
        }
    }
    for (const std::string& folder : folders) {
        static_cast<void>(RemoveStaleTemporaries(folder));  // best effort: a leftover harms nothing
    }
}

int RunRestore(const RestoreOptions& options) {
    if (options.output.empty() && options.outputFolder.empty()) {
        return UsageError("restore needs -o OUTPUT (one input) or --output-dir DIR", "restore");
    }
    if (!options.output.empty() && options.inputs.size() > 1) {
        return UsageError("-o names one output; use --output-dir DIR for several inputs", "restore");
    }
    if (!options.comparison.empty() && options.inputs.size() > 1) {
        return UsageError("--compare is for one input at a time", "restore");
    }

    ProgressBar bar(ProgressBar::StandardErrorIsTerminal());
    ConsoleReporter console(bar);
    std::vector<PlannedOutput> plan;
    if (!options.output.empty()) {
        plan.push_back(PlannedOutput{options.inputs.front(), options.output, {}});
    } else {
        std::string error;
        if (EnsureFolder(options.outputFolder, error) != 0) {
            for (const std::string& input : options.inputs) {
                console.Error(input + ": " + error);
            }
            return kExitFailure;
        }
        plan = PlanOutputFolder(options.inputs, options.outputFolder);
    }
    if (!options.comparison.empty() && (SameFile(options.comparison, plan.front().input) ||
                                        SameFile(options.comparison, plan.front().output))) {
        return UsageError("--compare must name a file other than the input and the output",
                          "restore");
    }
    CheckOutputFolders(plan, options.comparison);
    RemoveStaleTemporariesBeside(plan, options.comparison);

    BatchCounts counts;
    std::vector<RestoreJob> jobs;
    for (const PlannedOutput& planned : plan) {
        if (!planned.problem.empty()) {
            console.Error(planned.input + ": " + planned.problem);
            ++counts.failed;
            continue;
        }
        jobs.push_back(
            RestoreJob{planned.input, planned.output, options.comparison, options.trims, options.quality,
                       options.maxPixels});
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
    if (plan.size() > 1) {
        std::printf("%d of %zu files restored, %d failed\n", counts.restored, plan.size(),
                    counts.failed);
    }
    return counts.failed == 0 ? kExitSuccess : kExitFailure;
}

int RunWorker(const WorkerOptions& options) {
    if (options.files.size() != 2 || options.reportFd < 0) {
        return kExitUsage;
    }
    vips_concurrency_set(options.threads);
    // Started by the command, which is alive now (it checked before exec and
    // this process dies with it): nothing is committed once it has gone.
    RequireParentForCommit(getppid());
    PipeReporter reporter(options.reportFd);
    const RestoreJob job{options.files[0], options.files[1], options.comparison, options.trims,
                         options.quality, options.maxPixels};
    return RestoreFile(job, reporter) == 0 ? kExitSuccess : kExitFailure;
}

int RunCurves(const CurvesOptions& options) {
    ProgressBar bar(false);
    ConsoleReporter console(bar);
    if (!options.plot.empty() && SameFile(options.plot, options.input)) {
        return UsageError("--plot must name a file other than the input", "curves");
    }
    if (std::string problem = options.plot.empty() ? std::string() : OutputFolderProblem(options.plot);
        !problem.empty()) {
        console.Error(options.input + ": curves not plotted: " + problem);
        return kExitFailure;
    }
    if (!options.plot.empty()) {
        static_cast<void>(RemoveStaleTemporaries(TemporaryFolder(options.plot)));  // best effort
    }
    Photo photo;
    std::string error;
    if (LoadPhoto(options.input, options.maxPixels, photo, error) != 0) {
        console.Error(options.input + ": " + error);
        return kExitFailure;
    }
    if (photo.reducedFrom16Bits) {
        console.Notice(options.input + ": 16 bits per sample; analysed at 8 bits");
    }
    ChannelCurves curves;
    if (AnalyseCurves(photo.rgb, curves, error) != 0) {
        console.Error(options.input + ": " + error);
        return kExitFailure;
    }
    if (!options.plot.empty()) {
        if (PlotCurves(curves, options.plot, error) != 0) {
            console.Error(options.input + ": curves not plotted: " + error);
            return kExitFailure;
        }
    }
    const std::string text =
        options.json ? FormatCurvesJson(options.input, curves) : FormatCurvesText(curves);
    if (WriteStandardOutputAndClose(text, error) != 0) {
        console.Error(options.input + ": " + error);
        return kExitFailure;
    }
    return kExitSuccess;
}

int Run(int argc, char** argv) {
    CLI::App app{"Restores faded colour photographs: works out per-channel tone curves from the\n"
                 "picture alone and applies them, with exactly the plug-in's result.",
                 "mirtane"};
    app.set_version_flag("--version", "mirtane " MIRTANE_VERSION);
    app.require_subcommand(1);

    RestoreOptions restore;
    restore.jobs = ProcessorCount();
    CLI::App* restoreCommand = app.add_subcommand("restore", "Restore photo files");
    restoreCommand->add_option("inputs", restore.inputs, "Photo files (JPEG, PNG, TIFF, WebP, ...)")
        ->required();
    CLI::Option* output =
        restoreCommand->add_option("-o,--output", restore.output,
                                   "Output file for one input; its extension picks the format");
    CLI::Option* folder = restoreCommand->add_option(
        "--output-dir", restore.outputFolder, "Folder for the outputs, keeping the inputs' names");
    output->excludes(folder);
    AddTrimOptions(*restoreCommand, restore.trims);
    restoreCommand->add_option("--quality", restore.quality, "JPEG and WebP quality, 1 ... 100")
        ->check(CLI::Range(1, 100))
        ->capture_default_str();
    AddMaxPixelsOption(*restoreCommand, restore.maxPixels);
    restoreCommand
        ->add_option("-j,--jobs", restore.jobs,
                     "Files restored at once, each in its own process (default: processor count)")
        ->check(CLI::Range(1, 1024));
    restoreCommand->add_option("--compare", restore.comparison,
                               "Also write the input and the result side by side, labelled");

    WorkerOptions worker;
    CLI::App* workerCommand = app.add_subcommand(kWorkerCommand, "");
    workerCommand->group("");  // internal: one file of a batch, in its own process
    workerCommand->add_option(kProgressFdOption, worker.reportFd)->required();
    workerCommand->add_option("--threads", worker.threads)->check(CLI::Range(1, 1024));
    workerCommand->add_option("--quality", worker.quality)->check(CLI::Range(1, 100));
    workerCommand->add_option("--compare", worker.comparison);
    AddMaxPixelsOption(*workerCommand, worker.maxPixels);
    AddTrimOptions(*workerCommand, worker.trims);
    workerCommand->add_option("files", worker.files)->expected(2);

    CurvesOptions curves;
    CLI::App* curvesCommand =
        app.add_subcommand("curves", "Print the levels and channel curves computed for a photo");
    curvesCommand->add_option("input", curves.input, "Photo file")->required();
    curvesCommand->add_flag("--json", curves.json, "Print JSON instead of text");
    curvesCommand->add_option("--plot", curves.plot, "Also draw the three curves into FILE.png");
    AddMaxPixelsOption(*curvesCommand, curves.maxPixels);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForAllHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForVersion& version) {
        return app.exit(version);
    } catch (const CLI::ParseError& failure) {
        std::fprintf(stderr, "mirtane: %s\nRun 'mirtane --help' for more information.\n",
                     failure.what());
        return kExitUsage;
    }
    if (restoreCommand->parsed()) {
        return RunRestore(restore);
    }
    if (workerCommand->parsed()) {
        return RunWorker(worker);
    }
    return RunCurves(curves);
}

void IgnoreLog(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
// Fontconfig, which draws the captions, keeps its configuration for the life
// of the process and never frees it; that is not a leak of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
#endif

int main(int argc, char** argv) {
    // Images come in blocks of tens of megabytes, allocated and freed several
    // times per file. Kept in the heap instead of being returned to the system
    // at each free, they are reused without the cost of faulting fresh pages
    // in again (about a fifth of the run time of a 24-megapixel photo).
    mallopt(M_MMAP_THRESHOLD, kLargeBlockThreshold);
    mallopt(M_TRIM_THRESHOLD, kLargeBlockThreshold);
    if (VIPS_INIT(argv[0]) != 0) {
        std::fprintf(stderr, "mirtane: cannot start libvips: %s\n", vips_error_buffer());
        return kExitFailure;
    }
    // Decoder warnings would break into the progress bar; every problem
    // that matters is reported as an error line instead.
    g_log_set_handler("VIPS", G_LOG_LEVEL_WARNING, &IgnoreLog, nullptr);
    // Each file is read once: caching operations would only hold memory.
    vips_cache_set_max(0);
    const int status = Run(argc, argv);
    vips_shutdown();
    return status;
}
