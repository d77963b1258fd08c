// check_plugin_file: structural checks of a built Mirtane.8bf, for a machine
// that cannot load it (the 32-bit DLL never runs here).
//
//   check_plugin_file --machine i386|x86-64 [--export NAME]... [--terminology] FILE
//
// Checks the machine type and the DLL flag; that every imported DLL is a
// Windows system DLL (no MinGW runtime DLLs: the plug-in must be
// self-contained); that PluginMain and every --export NAME is exported by
// exactly that name; the property list field by field with the entry-point
// key of the machine; the version information; and, with --terminology, the
// scripting terminology byte for byte. Prints every problem found and exits
// 1 when there is any, 2 on a usage error, 0 when all checks pass.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "tests/windows/PeImage.h"
#include "tests/windows/PluginResourceChecks.h"

namespace {

using mirtane::checks::PeImage;
using mirtane::checks::PeMachine;
using mirtane::checks::ResourceEntry;

constexpr std::uint16_t kResourceTypeVersion = 16;

// DLLs that every Windows installation provides. Anything else, above all
// the MinGW runtime (libgcc_s_*, libstdc++-6, libwinpthread-1), would make
// the plug-in fail to load on a user's machine.
const std::set<std::string> kSystemDlls = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll",    "kernel32.dll",
    "msvcrt.dll",   "ntdll.dll",    "ole32.dll",    "oleaut32.dll", "shell32.dll",
    "shlwapi.dll",  "user32.dll",   "uxtheme.dll",  "version.dll",
};

std::string LowerCase(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

struct Options {
    PeMachine machine = PeMachine::I386;
    bool machineGiven = false;
    std::vector<std::string> exports{"PluginMain"};
    bool terminology = false;
    std::string path;
};

int Usage(const char* message) {
    std::fprintf(stderr, "check_plugin_file: %s\n", message);
    std::fprintf(
        stderr,
        "usage: check_plugin_file --machine i386|x86-64 [--export NAME]... [--terminology] FILE\n");
    return 2;
}

bool ParseArguments(int argc, char** argv, Options& options, const char*& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--machine" && i + 1 < argc) {
            const std::string value = argv[++i];
            if (value == "i386") {
                options.machine = PeMachine::I386;
            } else if (value == "x86-64") {
                options.machine = PeMachine::X8664;
            } else {
                error = "--machine takes i386 or x86-64";
                return false;
            }
            options.machineGiven = true;
        } else if (argument == "--export" && i + 1 < argc) {
            options.exports.emplace_back(argv[++i]);
        } else if (argument == "--terminology") {
            options.terminology = true;
        } else if (!argument.empty() && argument[0] == '-') {
            error = "unknown or incomplete option";
            return false;
        } else if (options.path.empty()) {
            options.path = argument;
        } else {
            error = "more than one file given";
            return false;
        }
    }
    if (!options.machineGiven || options.path.empty()) {
        error = "--machine and a file are required";
        return false;
    }
    return true;
}

// The one resource of a type, with id 16000 in US English, or a problem.
const ResourceEntry* FindPluginResource(const PeImage& image, const std::string& type,
                                        std::vector<std::string>& problems) {
    std::vector<const ResourceEntry*> found;
    for (const ResourceEntry& entry : image.resources()) {
        // Windows upper-cases a string type when a host looks it up, so the
        // stored name must be upper case to be found.
        if (entry.type.isString && LowerCase(entry.type.name) == LowerCase(type)) {
            found.push_back(&entry);
            if (entry.type.name != type) {
                problems.push_back("resource type \"" + entry.type.name +
                                   "\" must be stored as \"" + type + "\"");
            }
        }
    }
    if (found.size() != 1) {
        problems.push_back("expected exactly one " + type + " resource, found " +
                           std::to_string(found.size()));
        return nullptr;
    }
    const ResourceEntry& entry = *found[0];
    if (!entry.name.Matches(mirtane::checks::kPluginResourceId) ||
        entry.language != mirtane::checks::kResourceLanguageUsEnglish) {
        problems.push_back(type + " resource is " + entry.name.Describe() + " language " +
                           std::to_string(entry.language) + ", expected 16000 language 1033");
    }
    return &entry;
}

void CheckHeaders(const PeImage& image, const Options& options,
                  std::vector<std::string>& problems) {
    if (image.machine() != static_cast<std::uint16_t>(options.machine)) {
        char text[96];
        std::snprintf(text, sizeof text, "machine type is 0x%04X, expected 0x%04X", image.machine(),
                      static_cast<unsigned>(options.machine));
        problems.push_back(text);
    }
    if (image.isPe32Plus() != (options.machine == PeMachine::X8664)) {
        problems.push_back(image.isPe32Plus() ? "PE32+ headers in an i386 image"
                                              : "PE32 headers in an x86-64 image");
    }
    if (!image.isDll()) {
        problems.push_back("the DLL flag is not set");
    }
}

void CheckImports(const PeImage& image, std::vector<std::string>& problems) {
    if (image.importedDlls().empty()) {
        problems.push_back(
            "imports nothing at all (not even kernel32.dll): import table unreadable?");
    }
    for (const std::string& dll : image.importedDlls()) {
        if (kSystemDlls.count(LowerCase(dll)) == 0) {
            problems.push_back("imports " + dll + ", which is not a Windows system DLL");
        }
    }
}

void CheckExports(const PeImage& image, const Options& options,
                  std::vector<std::string>& problems) {
    const std::vector<std::string>& names = image.exportedNames();
    for (const std::string& required : options.exports) {
        if (std::find(names.begin(), names.end(), required) == names.end()) {
            problems.push_back("does not export \"" + required + "\" by that exact name");
        }
    }
}

void CheckResources(const PeImage& image, const Options& options,
                    std::vector<std::string>& problems, std::vector<std::string>& notes) {
    if (const ResourceEntry* pipl = FindPluginResource(image, "PIPL", problems)) {
        mirtane::checks::CheckPropertyList(pipl->data, options.machine, problems);
    }

    std::vector<const ResourceEntry*> versions;
    for (const ResourceEntry& entry : image.resources()) {
        if (entry.type.Matches(kResourceTypeVersion)) {
            versions.push_back(&entry);
        }
    }
    if (versions.size() != 1) {
        problems.push_back("expected exactly one version resource, found " +
                           std::to_string(versions.size()));
    } else {
        mirtane::checks::CheckVersionInformation(versions[0]->data, problems);
    }

    if (options.terminology) {
        if (const ResourceEntry* aete = FindPluginResource(image, "AETE", problems)) {
            mirtane::checks::CheckTerminology(aete->data, problems);
        }
        return;
    }
    for (const ResourceEntry& entry : image.resources()) {
        if (entry.type.isString && LowerCase(entry.type.name) == "aete") {
            notes.emplace_back("a terminology resource is present; pass --terminology to check it");
            break;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    const char* usageError = nullptr;
    if (!ParseArguments(argc, argv, options, usageError)) {
        return Usage(usageError);
    }

    std::ifstream file(options.path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "check_plugin_file: cannot open %s\n", options.path.c_str());
        return 1;
    }
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                    std::istreambuf_iterator<char>()};

    PeImage image;
    std::string error;
    if (image.Parse(std::move(bytes), error) != 0) {
        std::fprintf(stderr, "check_plugin_file: %s: %s\n", options.path.c_str(), error.c_str());
        return 1;
    }

    std::vector<std::string> problems;
    std::vector<std::string> notes;
    CheckHeaders(image, options, problems);
    CheckImports(image, problems);
    CheckExports(image, options, problems);
    CheckResources(image, options, problems, notes);

    std::printf("%s (%s)\n", options.path.c_str(),
                options.machine == PeMachine::X8664 ? "x86-64" : "i386");
    std::printf("  imports:");
    for (const std::string& dll : image.importedDlls()) {
        std::printf(" %s", dll.c_str());
    }
    std::printf("\n  exports:");
    for (const std::string& name : image.exportedNames()) {
        std::printf(" %s", name.c_str());
    }
    std::printf("\n  resources:");
    for (const ResourceEntry& entry : image.resources()) {
        std::printf(" %s/%s/%u(%zu bytes)", entry.type.Describe().c_str(),
                    entry.name.Describe().c_str(), entry.language, entry.data.size());
    }
    std::printf("\n");
    for (const std::string& note : notes) {
        std::printf("  note: %s\n", note.c_str());
    }
    for (const std::string& problem : problems) {
        std::printf("  FAIL %s\n", problem.c_str());
    }
    if (!problems.empty()) {
        std::printf("%zu problem(s) in %s\n", problems.size(), options.path.c_str());
        return 1;
    }
    std::printf("  all structural checks passed%s\n",
                options.terminology ? " (terminology included)" : "");
    return 0;
}
