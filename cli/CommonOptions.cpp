// The options the subcommands share, defined once for CLI11, and the
// messages of a usage error.
#include "cli/CommonOptions.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "cli/NumberText.h"

namespace mirtane::cli {

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

}  // namespace mirtane::cli
