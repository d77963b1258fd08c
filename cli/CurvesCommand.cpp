#include "cli/CurvesCommand.h"

#include <algorithm>
#include <iterator>
#include <new>

#include "cli/CheckedWrite.h"
#include "cli/CorrectionExport.h"
#include "cli/CurvePlot.h"
#include "cli/CurvesReport.h"
#include "cli/FileIdentity.h"
#include "cli/OutputPaths.h"
#include "cli/PhotoFormats.h"
#include "cli/PhotoWriting.h"
#include "cli/ProgressBar.h"
#include "cli/Reporter.h"
#include "cli/TemporaryName.h"

namespace mirtane::cli {
namespace {

struct Export {
    const char* option;
    const std::string& name;
};

// The exports of a request, in the order they are written.
std::vector<Export> Exports(const CurvesRequest& request) {
    return {{"--cube", request.cube}, {"--lut-image", request.lutImage}, {"--plot", request.plot}};
}

// An export's name for `input`: the pattern expanded when there are several
// inputs, else the name as given.
std::string ExportName(const std::string& name, const std::string& input) {
    return IsOutputPattern(name) ? ExpandOutputPattern(name, input) : name;
}

// The curves of one input, its exports written; `report` gets its text or
// JSON. Returns 0, or -1 with `error`.
int CurvesOfFile(const CurvesRequest& request, const std::string& input, std::string& report,
                 std::string& error) {
    for (const Export& wanted : Exports(request)) {
        const std::string name = ExportName(wanted.name, input);
        if (name.empty() || name == kStandardStream) {
            continue;
        }
        if (std::string problem = OutputFolderProblem(name); !problem.empty()) {
            error = problem;
            return -1;
        }
        if (!IsSpecialFile(name)) {
            static_cast<void>(RemoveStaleTemporaries(TemporaryFolder(name)));  // best effort
        }
    }
    Photo photo;
    // The curves come from the 8-bit rendering alone: 16-bit samples are not read.
    if (LoadPhoto(input, request.limits, photo, error, DeepSamples::Later) != 0) {
        return -1;
    }
    MirtaneCorrection correction{};
    NaturalReading reading;
    if (AnalysePhoto(photo.rgb, photo.orientation, request.analysis, request.method, nullptr,
                     correction, reading, error) != 0) {
        return -1;
    }
    ChannelCurves curves;
    curves.blackLevel = correction.blackLevel;
    curves.whiteLevel = correction.whiteLevel;
    for (int c = 0; c < 3; ++c) {
        std::copy(std::begin(correction.tables[c]), std::end(correction.tables[c]),
                  curves.tables[c].begin());
    }
    const ByteTables bytes = CorrectionTables(correction, request.trims, request.strength);
    const std::string cube = ExportName(request.cube, input);
    if (!cube.empty() && WriteCube(bytes, FileName(input), cube, error) != 0) {
        return -1;
    }
    const std::string lutImage = ExportName(request.lutImage, input);
    if (!lutImage.empty() && WriteLutImage(bytes, lutImage, error) != 0) {
        return -1;
    }
    const std::string plot = ExportName(request.plot, input);
    if (!plot.empty() && PlotCurves(curves, plot, error) != 0) {
        error = "curves not plotted: " + error;
        return -1;
    }
    report = request.json
                 ? FormatCurvesJson(input, curves, bytes, reading.made ? &reading.choice : nullptr)
                 : FormatCurvesText(curves);
    return 0;
}

}  // namespace

std::string CurvesUsageProblem(const CurvesRequest& request) {
    const bool several = request.inputs.size() > 1;
    int toStandardOutput = 0;
    for (const Export& wanted : Exports(request)) {
        if (wanted.name.empty()) {
            continue;
        }
        const std::string option = wanted.option;
        if (wanted.name == kStandardStream) {
            ++toStandardOutput;
            if (several) {
                return option + " - writes to standard output, which takes one input's export";
            }
            continue;
        }
        if (several && !IsOutputPattern(wanted.name)) {
            return option + " names one file; for several inputs name them with a pattern (" +
                   option + " %s" + (option == "--cube" ? ".cube" : ".png") + ", see --help)";
        }
        if (std::string problem = OutputPatternProblem(wanted.name); !problem.empty()) {
            return option + ": " + problem;
        }
        for (const std::string& input : request.inputs) {
            const std::string name = ExportName(wanted.name, input);
            for (const std::string& other : request.inputs) {
                if (SameFile(name, other)) {
                    return option + " must name a file other than the input";
                }
            }
        }
        const std::string first = ExportName(wanted.name, request.inputs.front());
        if (option != "--cube") {
            const SaveSettings settings{0, {}, SidePictureFormat(first), false};
            if (std::string problem = OutputNameProblem(first, settings); !problem.empty()) {
                return option + ": " + problem;
            }
        }
    }
    if (toStandardOutput > 1) {
        return "only one of --cube, --lut-image and --plot can write to standard output (-)";
    }
    if (toStandardOutput == 1 && request.json) {
        return "--json prints to standard output, which an export (-) takes already";
    }
    return {};
}

int RunCurves(const CurvesRequest& request) {
    ProgressBar bar(false);
    ConsoleReporter console(bar);
    const bool several = request.inputs.size() > 1;
    const bool exportToStandardOutput = request.cube == kStandardStream ||
                                        request.lutImage == kStandardStream ||
                                        request.plot == kStandardStream;
    std::vector<std::string> reports;
    int failed = 0;
    for (const std::string& input : request.inputs) {
        std::string report;
        std::string error;
        int status = -1;
        try {
            status = CurvesOfFile(request, input, report, error);
        } catch (const std::bad_alloc&) {
            error = "not enough memory to analyse this image";
        }
        if (status != 0) {
            console.Error(input + ": " + error);
            ++failed;
            continue;
        }
        // Several files as exiftool shows them: a heading per file in text,
        // one array in JSON.
        reports.push_back(several && !request.json ? "======== " + input + "\n" + report : report);
    }
    if (exportToStandardOutput) {
        return failed;
    }
    std::string text;
    for (std::size_t i = 0; i < reports.size(); ++i) {
        if (several && request.json) {
            std::string entry = reports[i];
            entry.pop_back();  // its final newline
            text += (i == 0 ? "[" : ",\n") + entry;
        } else {
            text += reports[i];
        }
    }
    if (several && request.json) {
        text += reports.empty() ? "[]\n" : "]\n";
    }
    std::string error;
    if (WriteStandardOutputAndClose(text, error) != 0) {
        console.Error((several ? std::string() : request.inputs.front() + ": ") + error);
        return static_cast<int>(request.inputs.size());
    }
    return failed;
}

}  // namespace mirtane::cli
