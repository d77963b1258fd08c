// The mirtane command: restores faded colour photographs with the plug-in
// itself, run through the test host, and shows the curves it computes.
//
//   mirtane restore INPUT... (-o OUTPUT[options] | --output-dir DIR) [trims] [-j N] ...
//   mirtane curves INPUT [--json] [--plot FILE.png] [--cube FILE.cube] [--lut-image FILE.png]
//
// Exit status: 0 when every file succeeded, 1 when any failed, 2 for a usage
// error.
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <vips/vips8>

#include "cli/AtomicFile.h"
#include "cli/CurvesCommand.h"
#include "cli/FileIdentity.h"
#include "cli/Method.h"
#include "cli/NumberText.h"
#include "cli/OutputPaths.h"
#include "cli/PhotoFormats.h"
#include "cli/PhotoReading.h"
#include "cli/PhotoWriting.h"
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

// The analysis method as the command line names it.
struct MethodOptions {
    std::string method = "plug-in";
    std::string film;   // print or slide: the natural method's black density
    double dmax = 0.0;  // 0: from --film
    double flare = MIRTANE_DEFAULT_FLARE;
};

// What every file of a restore is restored with, as the command line says.
struct JobOptions {
    Trims trims;
    int quality = kDefaultQuality;
    PhotoLimits limits;
    std::string format;       // --format EXT
    std::string saveOptions;  // --save-options '[...]'
    bool strip = false;
    bool preserveTimes = false;
    int strength = MIRTANE_FULL_STRENGTH;
    bool trimBorder = false;
    std::string area;  // X,Y,W,H
    bool verbose = false;
    MethodOptions method;
};

struct RestoreOptions {
    std::vector<std::string> inputs;
    std::string output;
    std::string outputFolder;
    std::string comparison;
    JobOptions job;
    int jobs = 1;
    bool quiet = false;
};

struct WorkerOptions {
    std::vector<std::string> files;  // input, output
    std::string comparison;
    JobOptions job;
    int reportFd = -1;
    int threads = 1;
};

// The curves command's options: what the request takes as it is, and the
// three that are read into it once parsed.
struct CurvesOptions {
    CurvesRequest request;
    bool trimBorder = false;
    std::string area;  // X,Y,W,H
    MethodOptions method;
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

// Validators that read numbers in decimal only (see NumberText.h).
// (No description of their own: the option's type and range say it.)
const CLI::Validator kDecimalInteger(&NormaliseDecimalInteger, "", "decimal");
const CLI::Validator kDecimalReal(&NormaliseDecimalReal, "", "decimal number");
const CLI::Validator kByteSize(&NormaliseByteSize, "", "size");

void AddLimitOptions(CLI::App& command, PhotoLimits& limits) {
    command
        .add_option(
            "--max-pixels", limits.maxPixels,
            "Refuse inputs with more pixels than this, before decoding them (default 600000000)")
        ->transform(kDecimalInteger)
        ->check(CLI::Range(std::int64_t{1}, std::int64_t{kMaxPhotoSide} * kMaxPhotoSide));
    command
        .add_option("--max-memory", limits.maxBytes,
                    "Refuse inputs whose decoded samples take more bytes than this, before "
                    "decoding them: 800M, 2G, ... (default: the memory divided by four times "
                    "the processor count)")
        ->type_name("SIZE")
        ->transform(kByteSize);
}

void AddMethodOptions(CLI::App& command, MethodOptions& method) {
    command
        .add_option("--method", method.method,
                    "plug-in (default: the filter plug-in's analysis, which neutralises and "
                    "equalises) or natural (undoes a dye fade, leaves unfaded photos alone)")
        ->check(CLI::IsMember({"plug-in", "natural"}));
    command
        .add_option("--film", method.film,
                    "natural method: print (black density 2.1, default) or slide (3.0)")
        ->check(CLI::IsMember({"print", "slide"}));
    command.add_option("--dmax", method.dmax, "natural method: density of the original black")
        ->transform(kDecimalReal)
        ->check(CLI::Range(0.5, 4.0));
    command
        .add_option("--flare", method.flare,
                    "natural method (expert): flare as a fraction of the lowest black, 0 ... 0.95")
        ->transform(kDecimalReal)
        ->check(CLI::Range(0.0, 0.95));
}

MethodChoice ChoiceFromOptions(const MethodOptions& options) {
    MethodChoice choice;
    choice.method = options.method == "natural" ? Method::Natural : Method::PlugIn;
    choice.dmax = options.film == "slide" ? MIRTANE_DMAX_SLIDE : MIRTANE_DMAX_PRINT;
    if (options.dmax > 0.0) {
        choice.dmax = options.dmax;
    }
    choice.flare = options.flare;
    return choice;
}

void AddTrimOptions(CLI::App& command, Trims& trims) {
    command.add_option("--cyan-red", trims.cyanRed, "Cyan-Red trim, -25 ... 25 (+ is redder)")
        ->transform(kDecimalInteger)
        ->check(CLI::Range(-kTrimLimit, kTrimLimit));
    command
        .add_option("--magenta-green", trims.magentaGreen,
                    "Magenta-Green trim, -25 ... 25 (+ is greener)")
        ->transform(kDecimalInteger)
        ->check(CLI::Range(-kTrimLimit, kTrimLimit));
    command
        .add_option("--yellow-blue", trims.yellowBlue, "Yellow-Blue trim, -25 ... 25 (+ is bluer)")
        ->transform(kDecimalInteger)
        ->check(CLI::Range(-kTrimLimit, kTrimLimit));
}

// "out.jpg[Q=85,strip]" split into the file name and the libvips options
// between the brackets (empty when there are none).
void SplitSaveOptions(const std::string name, std::string& path, std::string& options) {
    const std::size_t open = name.rfind('[');
    if (name.empty() || name.back() != ']' || open == std::string::npos || open == 0) {
        path = name;
        options.clear();
        return;
    }
    path = name.substr(0, open);
    options = name.substr(open + 1, name.size() - open - 2);
}

// "[Q=85]" or "Q=85" as the options between the brackets.
std::string BareOptions(const std::string& text) {
    if (text.size() >= 2 && text.front() == '[' && text.back() == ']') {
        return text.substr(1, text.size() - 2);
    }
    return text;
}

// Checks of the job options that need more than a range. Returns 0, or -1
// with `error`.
int JobFromOptions(const JobOptions& options, RestoreJob& job, std::string& error) {
    job.trims = options.trims;
    job.quality = options.quality;
    job.limits = options.limits;
    job.save.format = options.format;
    job.save.options = BareOptions(options.saveOptions);
    job.save.strip = options.strip;
    job.strength = options.strength;
    job.method = ChoiceFromOptions(options.method);
    job.times = options.preserveTimes ? FileTimes::Preserve : FileTimes::Fresh;
    job.detail = options.verbose ? Detail::Verbose : Detail::Normal;
    job.analysis.border = options.trimBorder ? BorderTrim::Remove : BorderTrim::Keep;
    if (!options.format.empty() && FormatForName("." + options.format) == PhotoFormat::Unknown) {
        error = "unknown --format " + options.format + ": use jpg, png, tif or webp";
        return -1;
    }
    return options.area.empty() ? 0 : ParseAnalysisArea(options.area, job.analysis.area, error);
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

void AddJobOptions(CLI::App& command, JobOptions& job, int lowestQuality) {
    AddTrimOptions(command, job.trims);
    command
        .add_option("--quality", job.quality,
                    "JPEG and WebP quality, 1 ... 100 (default: a JPEG input's own, else 92)")
        ->transform(kDecimalInteger)
        ->check(CLI::Range(lowestQuality, 100));
    AddLimitOptions(command, job.limits);
    command.add_option("--format", job.format,
                       "Output format for --output-dir or -o -: jpg, png, tif or webp");
    command.add_option("--save-options", job.saveOptions,
                       "libvips saver options for every output, e.g. '[Q=85,strip]' or "
                       "'[compression=lzw]'");
    command.add_flag("--strip", job.strip, "Leave out EXIF, XMP and IPTC (the ICC profile stays)");
    command.add_flag("--preserve-times", job.preserveTimes,
                     "Give each output its input's modification time");
    command
        .add_option("--strength", job.strength,
                    "Per cent of the correction applied, 0 ... 100 (default 100)")
        ->transform(kDecimalInteger)
        ->check(CLI::Range(0, MIRTANE_FULL_STRENGTH));
    command.add_flag("--trim", job.trimBorder,
                     "Analyse the picture inside a uniform border (a scanner bed, film rebate) "
                     "and correct the whole image");
    command.add_option("--analyse-area", job.area,
                       "Analyse only the rectangle X,Y,W,H of the upright picture");
    command.add_flag("-v,--verbose", job.verbose, "Print each file's time and levels");
    AddMethodOptions(command, job.method);
}

// Why the outputs a restore names could never be written, whatever the
// inputs hold: the command line's fault, refused before anything runs. A
// pattern whose extension comes from each input (%e) is checked file by
// file instead.
std::string OutputNamingProblem(const RestoreOptions& options, const SaveSettings& save) {
    const bool pattern = IsOutputPattern(options.output);
    std::string problem;
    if (pattern && !(problem = OutputPatternProblem(options.output)).empty()) {
        return problem;
    }
    const std::string firstOutput =
        pattern ? ExpandOutputPattern(options.output, options.inputs.front()) : options.output;
    const bool formatKnown =
        !pattern || FormatForName(firstOutput) != PhotoFormat::Unknown || !save.format.empty();
    if (!options.output.empty() && formatKnown &&
        !(problem = OutputNameProblem(firstOutput, save)).empty()) {
        return problem;
    }
    if (!options.outputFolder.empty() && !save.options.empty()) {
        for (const PlannedOutput& planned :
             PlanOutputFolder(options.inputs, options.outputFolder, options.job.format)) {
            if (!(problem = SaveOptionsProblem(planned.output, save)).empty()) {
                return problem;
            }
        }
    }
    const SaveSettings sidePicture{0, {}, SidePictureFormat(options.comparison), false};
    if (!options.comparison.empty() &&
        !(problem = OutputNameProblem(options.comparison, sidePicture)).empty()) {
        return "--compare: " + problem;
    }
    return {};
}

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

int RunCurvesCommand(const CurvesOptions& options) {
    CurvesRequest request = options.request;
    request.analysis.border = options.trimBorder ? BorderTrim::Remove : BorderTrim::Keep;
    request.method = ChoiceFromOptions(options.method);
    std::string problem;
    if (!options.area.empty() &&
        ParseAnalysisArea(options.area, request.analysis.area, problem) != 0) {
        return UsageError(problem, "curves");
    }
    if (!(problem = CurvesUsageProblem(request)).empty()) {
        return UsageError(problem, "curves");
    }
    return RunCurves(request) == 0 ? kExitSuccess : kExitFailure;
}

// "-quality 85" as ImageMagick spells it: a hint towards "--quality" rather
// than CLI11's reading of it as the short flags -q, -u, ... Empty when no
// argument is a long option written with one dash.
std::string SingleDashHint(int argc, char** argv, std::initializer_list<const CLI::App*> commands) {
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--") {
            break;  // what follows is file names
        }
        if (word.size() < 3 || word[0] != '-' || word[1] == '-' ||
            std::isalpha(static_cast<unsigned char>(word[1])) == 0) {
            continue;
        }
        const std::string name = word.substr(1, word.find('=') - 1);
        for (const CLI::App* command : commands) {
            for (const CLI::Option* option : command->get_options()) {
                const std::vector<std::string>& names = option->get_lnames();
                if (std::find(names.begin(), names.end(), name) != names.end()) {
                    return "unknown option " + word + ": did you mean --" + word.substr(1) +
                           "? (long options take two dashes)";
                }
            }
        }
    }
    return {};
}

int Run(int argc, char** argv) {
    CLI::App app{
        "Restores faded colour photographs: works out per-channel tone curves from the\n"
        "picture alone and applies them, with exactly the plug-in's result.",
        "mirtane"};
    app.set_version_flag("-V,--version", "mirtane " MIRTANE_VERSION);
    app.require_subcommand(1);

    RestoreOptions restore;
    restore.jobs = ProcessorCount();
    CLI::App* restoreCommand = app.add_subcommand("restore", "Restore photo files");
    restoreCommand->add_option("inputs", restore.inputs, "Photo files (JPEG, PNG, TIFF, WebP, ...)")
        ->required();
    CLI::Option* output = restoreCommand->add_option(
        "-o,--output", restore.output,
        "Output file for one input; its extension picks the format, libvips options may follow "
        "in brackets (out.jpg[Q=85], out.tif[compression=deflate]); - is standard output. "
        "For several inputs a pattern: %s (or %f) the input's name without extension, %e its "
        "extension, %d its folder (-o %d/%s_restored.jpg)");
    CLI::Option* folder = restoreCommand->add_option(
        "--output-dir", restore.outputFolder, "Folder for the outputs, keeping the inputs' names");
    output->excludes(folder);
    AddJobOptions(*restoreCommand, restore.job, 1);
    restoreCommand->add_flag("-q,--quiet", restore.quiet, "Print errors only");
    restoreCommand
        ->add_option("-j,--jobs", restore.jobs,
                     "Files restored at once, each in its own process (default: processor count)")
        ->transform(kDecimalInteger)
        ->check(CLI::Range(1, 1024));
    restoreCommand->add_option("--compare", restore.comparison,
                               "Also write the input and the result side by side, labelled");

    WorkerOptions worker;
    CLI::App* workerCommand = app.add_subcommand(kWorkerCommand, "");
    workerCommand->group("");  // internal: one file of a batch, in its own process
    workerCommand->add_option(kProgressFdOption, worker.reportFd)->required();
    workerCommand->add_option("--threads", worker.threads)
        ->transform(kDecimalInteger)
        ->check(CLI::Range(1, 1024));
    workerCommand->add_option("--compare", worker.comparison);
    AddJobOptions(*workerCommand, worker.job, kDefaultQuality);
    workerCommand->add_option("files", worker.files)->expected(2);

    CurvesOptions curves;
    CLI::App* curvesCommand =
        app.add_subcommand("curves", "Print the levels and channel curves computed for a photo");
    curvesCommand->add_option("inputs", curves.request.inputs, "Photo files")->required();
    curvesCommand->add_flag("--json", curves.request.json, "Print JSON instead of text");
    curvesCommand->add_option("--plot", curves.request.plot,
                              "Also draw the three curves into FILE.png (- standard output; "
                              "for several inputs a pattern such as %s_curves.png)");
    curvesCommand->add_option("--cube", curves.request.cube,
                              "Also write the whole correction as a 1-D .cube lookup table (- "
                              "standard output; several inputs: a pattern, %s.cube)");
    curvesCommand->add_option("--lut-image", curves.request.lutImage,
                              "Also write the whole correction as a 256 x 1 image (vips maplut, "
                              "ImageMagick -clut)");
    AddTrimOptions(*curvesCommand, curves.request.trims);
    curvesCommand
        ->add_option("--strength", curves.request.strength,
                     "Per cent of the correction in the exported tables (default 100)")
        ->transform(kDecimalInteger)
        ->check(CLI::Range(0, MIRTANE_FULL_STRENGTH));
    curvesCommand->add_flag("--trim", curves.trimBorder, "Analyse inside a uniform border");
    curvesCommand->add_option("--analyse-area", curves.area,
                              "Analyse only the rectangle X,Y,W,H of the upright picture");
    AddLimitOptions(*curvesCommand, curves.request.limits);
    AddMethodOptions(*curvesCommand, curves.method);

    if (std::string hint = SingleDashHint(argc, argv, {restoreCommand, curvesCommand});
        !hint.empty()) {
        std::fprintf(stderr, "mirtane: %s\n", hint.c_str());
        return kExitUsage;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForAllHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForVersion& version) {
        return app.exit(version);
    } catch (const CLI::ParseError& failure) {
        // The subcommand whose options were wrong, for the pointer to its help.
        std::string where = "mirtane";
        for (const CLI::App* command : {restoreCommand, curvesCommand}) {
            if (command->parsed()) {
                where += " " + command->get_name();
            }
        }
        std::string message = failure.what();
        if (where == "mirtane" && argc > 1 && argv[1][0] != '-') {
            message = std::string("unknown command '") + argv[1] + "': use restore or curves";
        }
        std::fprintf(stderr, "mirtane: %s\nRun '%s --help' for more information.\n",
                     message.c_str(), where.c_str());
        return kExitUsage;
    }
    if (restoreCommand->parsed()) {
        return RunRestore(restore);
    }
    if (workerCommand->parsed()) {
        return RunWorker(worker);
    }
    return RunCurvesCommand(curves);
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
    BlockUnsafeLoaders();
    const int status = Run(argc, argv);
    vips_shutdown();
    return status;
}
