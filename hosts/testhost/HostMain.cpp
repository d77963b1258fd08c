// mirtane-host.exe: the test host as a 64-bit Windows program, to run a real
// filter plug-in DLL on an image file.
//
//   mirtane-host.exe PLUGIN.8bf INPUT OUTPUT [--parameters] [--dialog ok|cancel|show]
//                    [--tints R G B] [--registry FILE] [--host-profile NAME]
//   mirtane-host.exe --about PLUGIN.8bf [--dialog ok|show]
//   mirtane-host.exe --pipl MODULE
//
// The host offers what a scripting-capable host offers: descriptor
// parameters (an interactive, recorded step; with --tints a replayed step
// that shows no dialog, the three values as the user sees them, -25 ... 25),
// the descriptor registry (kept in FILE between runs with --registry) and
// displayPixels drawing into the dialog. --host-profile takes on the habits
// of one host profile (HostProfiles.h) for the whole run.
//
// A run prints the result code, the step the plug-in recorded and what it
// left allocated. Exit
// status: 0 the run succeeded and nothing was left over; 1 the plug-in
// reported an error; 2 bad arguments, unreadable files or a plug-in that
// cannot be loaded; 3 the run succeeded but left handles or buffers behind
// or misused the host's procedures.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "hosts/testhost/DialogDriverWin.h"
#include "hosts/testhost/DisplayPixels.h"
#include "hosts/testhost/HostProfiles.h"
#include "hosts/testhost/ImageFile.h"
#include "hosts/testhost/PluginLoaderWin.h"
#include "hosts/testhost/ScriptedDialogDriverWin.h"
#include "hosts/testhost/ScriptingHost.h"
#include "hosts/testhost/TestHost.h"

namespace {

using testhost::Narrow;

constexpr int kExitSuccess = 0;
constexpr int kExitPluginError = 1;
constexpr int kExitUsage = 2;
constexpr int kExitLeftovers = 3;

struct Arguments {
    enum class Mode { Run, About, Pipl } mode = Mode::Run;
    std::wstring plugin;
    std::wstring input;
    std::wstring output;
    std::wstring registry;
    bool callParameters = false;
    bool haveTints = false;
    int tints[3] = {0, 0, 0};
    testhost::DialogAction dialog = testhost::DialogAction::Confirm;
    std::string dialogTest;  // a scripted dialog scenario, see ScriptedDialogDriverWin.h
    std::wstring artefacts;  // where the scenario saves its screenshots
    const testhost::HostProfile* profile = nullptr;  // null: the well-behaved host
};

void PrintUsage() {
    std::fprintf(stderr,
                 "usage: mirtane-host.exe PLUGIN.8bf INPUT OUTPUT [--parameters] "
                 "[--dialog ok|cancel|show] [--tints R G B] [--registry FILE]\n"
                 "                        [--host-profile NAME]\n"
                 "       mirtane-host.exe --about PLUGIN.8bf [--dialog ok|show]\n"
                 "       mirtane-host.exe --pipl MODULE\n"
                 "A run or --about may name a dialog scenario instead of --dialog:\n"
                 "       --dialog-test look|slider|zoom|before|navigator|help|ok|cancel|\n"
                 "                     fetch-failure|about [--artefacts FOLDER]\n"
                 "INPUT and OUTPUT are binary PPM (P6) or 24-bit BMP files.\n"
                 "Host profiles: %s\n",
                 testhost::HostProfileNames().c_str());
}

bool ParseInteger(const wchar_t* text, int& value) {
    wchar_t* end = nullptr;
    const long parsed = std::wcstol(text, &end, 10);
    if (end == text || *end != L'\0' || parsed < -1000000 || parsed > 1000000) {
        return false;
    }
    value = static_cast<int>(parsed);
    return true;
}

bool ParseArguments(int argc, wchar_t** argv, Arguments& arguments) {
    std::vector<std::wstring> positional;
    for (int i = 1; i < argc; ++i) {
        const std::wstring argument = argv[i];
        if (argument == L"--about") {
            arguments.mode = Arguments::Mode::About;
        } else if (argument == L"--pipl") {
            arguments.mode = Arguments::Mode::Pipl;
        } else if (argument == L"--parameters") {
            arguments.callParameters = true;
        } else if (argument == L"--dialog" && i + 1 < argc) {
            const std::wstring action = argv[++i];
            if (action == L"ok") {
                arguments.dialog = testhost::DialogAction::Confirm;
            } else if (action == L"cancel") {
                arguments.dialog = testhost::DialogAction::Cancel;
            } else if (action == L"show") {
                arguments.dialog = testhost::DialogAction::Leave;
            } else {
                return false;
            }
        } else if (argument == L"--tints" && i + 3 < argc) {
            for (int& tint : arguments.tints) {
                if (!ParseInteger(argv[++i], tint)) {
                    return false;
                }
            }
            arguments.haveTints = true;
        } else if (argument == L"--registry" && i + 1 < argc) {
            arguments.registry = argv[++i];
        } else if (argument == L"--host-profile" && i + 1 < argc) {
            arguments.profile = testhost::FindHostProfile(testhost::Narrow(argv[++i]));
            if (arguments.profile == nullptr) {
                return false;
            }
        } else if (argument == L"--dialog-test" && i + 1 < argc) {
            arguments.dialogTest = testhost::Narrow(argv[++i]);
            if (!testhost::IsDialogScenario(arguments.dialogTest)) {
                return false;
            }
        } else if (argument == L"--artefacts" && i + 1 < argc) {
            arguments.artefacts = argv[++i];
        } else if (argument.rfind(L"--", 0) == 0) {
            return false;
        } else {
            positional.push_back(argument);
        }
    }
    const std::size_t wanted = arguments.mode == Arguments::Mode::Run ? 3 : 1;
    if (positional.size() != wanted) {
        return false;
    }
    arguments.plugin = positional[0];
    if (wanted == 3) {
        arguments.input = positional[1];
        arguments.output = positional[2];
    }
    return true;
}

bool ReadFileBytes(const std::wstring& path, std::vector<std::uint8_t>& bytes) {
    std::FILE* file = _wfopen(path.c_str(), L"rb");
    if (file == nullptr) {
        return false;
    }
    std::uint8_t chunk[65536];
    std::size_t count = 0;
    while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + count);
    }
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

bool WriteFileBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* file = _wfopen(path.c_str(), L"wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

// The host's main window: the owner of the plug-in's dialogs. It is never
// shown; without a display it cannot be made, and null is passed instead.
HWND CreateHostWindow() {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = L"MirtaneTestHostWindow";
    RegisterClassW(&windowClass);
    return CreateWindowExW(0, windowClass.lpszClassName, L"Mirtane test host", WS_OVERLAPPEDWINDOW,
                           CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, nullptr, nullptr,
                           windowClass.hInstance, nullptr);
}

// Answers the plug-in's dialogs: the scripted scenario when one is named,
// else the plain driver.
struct DialogAutomation {
    DialogAutomation(const Arguments& arguments, testhost::TestHost& host) {
        if (!arguments.dialogTest.empty()) {
            scripted.emplace(host, arguments.dialogTest, arguments.artefacts);
        } else {
            plain.emplace(arguments.dialog, GetCurrentThreadId());
        }
    }
    std::optional<testhost::ScriptedDialogDriver> scripted;
    std::optional<testhost::DialogDriver> plain;
};

// Prints the step the plug-in recorded at finish, as key = value pairs.
void ReportRecordedStep(testhost::ScriptingHost& scripting) {
    const std::optional<testhost::DescriptorItems> recorded = scripting.TakeRecorded();
    if (!recorded) {
        std::printf("recorded: nothing\n");
        return;
    }
    std::printf("recorded:");
    for (const auto& [key, value] : *recorded) {
        std::printf(" %s = %d", testhost::FourCharText(key).c_str(), static_cast<int>(value));
    }
    std::printf("\n");
}

// Prints what the run left behind; true when nothing was.
bool ReportLeftovers(const testhost::TestHost& host, const testhost::ScriptingHost& scripting) {
    std::string leaks = host.LeakReport();
    const int tokens = scripting.LiveReadTokens() + scripting.LiveWriteTokens();
    if (scripting.LiveSuites() + scripting.LiveActionDescriptors() + tokens != 0) {
        leaks += std::to_string(scripting.LiveSuites()) + " suite(s), " +
                 std::to_string(scripting.LiveActionDescriptors()) + " action descriptor(s), " +
                 std::to_string(tokens) + " descriptor token(s) left over\n";
    }
    std::printf("leaks: %s", leaks.empty() ? "none\n" : ("\n" + leaks).c_str());
    for (const std::string& line : host.protocolErrors()) {
        std::printf("protocol error: %s\n", line.c_str());
    }
    return leaks.empty() && host.protocolErrors().empty();
}

int ListPropertyLists(const Arguments& arguments) {
    std::vector<std::vector<testhost::PiplProperty>> lists;
    std::string error;
    if (!testhost::ReadPropertyLists(arguments.plugin, lists, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return kExitUsage;
    }
    for (std::size_t i = 0; i < lists.size(); ++i) {
        std::printf("property list %zu: %zu properties\n", i + 1, lists[i].size());
        for (const testhost::PiplProperty& property : lists[i]) {
            std::printf("  %s\n", testhost::DescribeProperty(property).c_str());
        }
    }
    return kExitSuccess;
}

int ShowAbout(const Arguments& arguments, const testhost::LoadedPlugin& plugin) {
    int status = kExitSuccess;
    {
        testhost::TestHost host(plugin.entry);
        host.SetScreenlessHostWindow(CreateHostWindow());
        DialogAutomation automation(arguments, host);
        const OSErr result = host.CallSelector(filterSelectorAbout);
        std::printf("result: %d\n", result);
        if (result != noErr) {
            status = kExitPluginError;
        }
    }
    return status;
}

int RunFilter(const Arguments& arguments, const testhost::LoadedPlugin& plugin) {
    std::vector<std::uint8_t> bytes;
    hostkit::Image image;
    std::string error;
    if (!ReadFileBytes(arguments.input, bytes)) {
        std::fprintf(stderr, "cannot read %s\n", Narrow(arguments.input).c_str());
        return kExitUsage;
    }
    if (!testhost::DecodeImage(bytes, image, error)) {
        std::fprintf(stderr, "%s: %s\n", Narrow(arguments.input).c_str(), error.c_str());
        return kExitUsage;
    }

    testhost::TestHost host(plugin.entry);
    host.SetImage(std::move(image));
    host.SetScreenlessHostWindow(CreateHostWindow());
    host.SetDisplayPixels(&testhost::DisplayPixels);
    testhost::ScriptingHost scripting(host);
    const std::string registryPath = Narrow(arguments.registry);
    const bool registryExists =
        !registryPath.empty() &&
        GetFileAttributesW(arguments.registry.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (registryExists && !scripting.LoadRegistry(registryPath)) {
        std::fprintf(stderr, "cannot read the registry file %s\n", registryPath.c_str());
        return kExitUsage;
    }
    if (arguments.haveTints) {
        scripting.SetReplayedTints(arguments.tints[0], arguments.tints[1], arguments.tints[2],
                                   plugInDialogDontDisplay);
    }
    if (arguments.profile != nullptr) {
        host.SetHostQuirks(arguments.profile->quirks);
        std::printf("host profile: %s\n", std::string(arguments.profile->name).c_str());
    }
    testhost::RunOptions options;
    options.callParameters = arguments.callParameters;
    testhost::RunResult run;
    {
        DialogAutomation automation(arguments, host);
        run = host.Run(options);
    }
    std::printf("result: %d\n", run.result);
    if (run.result != noErr) {
        std::printf("failed selector: %d\n", run.failedSelector);
    }
    ReportRecordedStep(scripting);
    const bool clean = ReportLeftovers(host, scripting);
    if (run.result != noErr) {
        return kExitPluginError;
    }
    if (!registryPath.empty() && !scripting.SaveRegistry(registryPath)) {
        std::fprintf(stderr, "cannot write the registry file %s\n", registryPath.c_str());
        return kExitUsage;
    }
    std::vector<std::uint8_t> encoded;
    if (!testhost::EncodeImage(host.image(), testhost::FormatForPath(Narrow(arguments.output)),
                               encoded, error) ||
        !WriteFileBytes(arguments.output, encoded)) {
        std::fprintf(stderr, "cannot write %s %s\n", Narrow(arguments.output).c_str(),
                     error.c_str());
        return kExitUsage;
    }
    return clean ? kExitSuccess : kExitLeftovers;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Arguments arguments;
    if (!ParseArguments(argc, argv, arguments)) {
        PrintUsage();
        return kExitUsage;
    }
    if (arguments.mode == Arguments::Mode::Pipl) {
        return ListPropertyLists(arguments);
    }
    testhost::LoadedPlugin plugin;
    std::string error;
    if (!testhost::LoadPlugin(arguments.plugin, plugin, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return kExitUsage;
    }
    std::printf("entry point: %s\n", plugin.entryName.c_str());
    const int status = arguments.mode == Arguments::Mode::About ? ShowAbout(arguments, plugin)
                                                                : RunFilter(arguments, plugin);
    testhost::UnloadPlugin(plugin);
    return status;
}
