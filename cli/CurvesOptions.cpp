// Defines the curves command's options for CLI11 and turns them into a
// checked CurvesRequest.
#include "cli/CurvesOptions.h"

namespace mirtane::cli {

CLI::App* AddCurvesCommand(CLI::App& app, CurvesOptions& curves) {
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
    return curvesCommand;
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

}  // namespace mirtane::cli
