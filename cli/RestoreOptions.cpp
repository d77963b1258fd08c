// Defines the restore command's options and the worker's for CLI11, and
// checks what they say (the save options, --format, the analysed area, the
// outputs' names) before anything is restored.
#include "cli/RestoreOptions.h"

#include "cli/OutputPaths.h"
#include "cli/PhotoFormats.h"
#include "cli/PhotoWriting.h"
#include "cli/WorkerPool.h"

namespace mirtane::cli {
namespace {

// "[Q=85]" or "Q=85" as the options between the brackets.
std::string BareOptions(const std::string& text) {
    if (text.size() >= 2 && text.front() == '[' && text.back() == ']') {
        return text.substr(1, text.size() - 2);
    }
    return text;
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

}  // namespace

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

CLI::App* AddRestoreCommand(CLI::App& app, RestoreOptions& restore) {
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
    return restoreCommand;
}

CLI::App* AddWorkerCommand(CLI::App& app, WorkerOptions& worker) {
    CLI::App* workerCommand = app.add_subcommand(kWorkerCommand, "");
    workerCommand->group("");  // internal: one file of a batch, in its own process
    workerCommand->add_option(kProgressFdOption, worker.reportFd)->required();
    workerCommand->add_option("--threads", worker.threads)
        ->transform(kDecimalInteger)
        ->check(CLI::Range(1, 1024));
    workerCommand->add_option("--compare", worker.comparison);
    AddJobOptions(*workerCommand, worker.job, kDefaultQuality);
    workerCommand->add_option("files", worker.files)->expected(2);
    return workerCommand;
}

}  // namespace mirtane::cli
