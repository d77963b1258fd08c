// The mirtane command: restores faded colour photographs with the plug-in's
// own analysis (run through the engine) or the natural method, and shows the
// curves they compute.
//
//   mirtane restore INPUT... (-o OUTPUT[options] | --output-dir DIR) [trims] [-j N] ...
//   mirtane curves INPUT [--json] [--plot FILE.png] [--cube FILE.cube] [--lut-image FILE.png]
//
// Exit status: 0 when every file succeeded, 1 when any failed, 2 for a usage
// error.
#include <malloc.h>
#include <sys/resource.h>

#include <cstdio>
#include <string>

#include <CLI/CLI.hpp>
#include <vips/vips8>

#include "cli/CommonOptions.h"
#include "cli/CurvesOptions.h"
#include "cli/PhotoReading.h"
#include "cli/RestoreCommand.h"

namespace {

using namespace mirtane::cli;

constexpr int kLargeBlockThreshold = 1 << 30;

int Run(int argc, char** argv) {
    CLI::App app{
        "Restores faded colour photographs: works out per-channel tone curves from the\n"
        "picture alone and applies them, with exactly the plug-in's result.",
        "mirtane"};
    app.set_version_flag("-V,--version", "mirtane " MIRTANE_VERSION);
    app.require_subcommand(1);

    RestoreOptions restore;
    CLI::App* restoreCommand = AddRestoreCommand(app, restore);
    WorkerOptions worker;
    CLI::App* workerCommand = AddWorkerCommand(app, worker);
    CurvesOptions curves;
    CLI::App* curvesCommand = AddCurvesCommand(app, curves);

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

bool AddressSpaceIsLimited() {
    rlimit limit{};
    return getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY;
}

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
    // Every thread that allocates (libvips' workers, the analysis, the
    // encoder) would otherwise open a heap of its own, each reserving 64 MB
    // of address space and twice that while it is being aligned, at moments
    // that depend on the scheduler. Under an address-space limit that room
    // belongs to the pictures: all threads share the one heap, so the room a
    // restore needs is the same on every run.
    if (AddressSpaceIsLimited()) {
        mallopt(M_ARENA_MAX, 1);
    }
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
