#include "cli/Method.h"

#include <cstdio>

namespace mirtane::cli {

const char* MethodName(Method method) { return method == Method::Natural ? "natural" : "plug-in"; }

int AnalyseWithMethod(const testhost::Image& picture, const MethodChoice& choice,
                      MirtaneCorrection& correction, std::string& report, std::string& error) {
    char reason[512] = "";
    const auto stride = static_cast<std::ptrdiff_t>(picture.width) * picture.planes;
    report.clear();
    if (choice.method == Method::PlugIn) {
        if (mirtane_analyse_rgb8(picture.pixels.data(), picture.width, picture.height, stride,
                                 picture.planes, &correction, reason, sizeof reason) != 0) {
            error = reason;
            return -1;
        }
        return 0;
    }
    MirtaneNaturalChoice chosen{};
    if (mirtane_analyse_natural_rgb8(picture.pixels.data(), picture.width, picture.height, stride,
                                     picture.planes, choice.dmax, choice.flare, &correction,
                                     &chosen, reason, sizeof reason) != 0) {
        error = reason;
        return -1;
    }
    char line[256];
    std::snprintf(line, sizeof line,
                  "natural: black %d/%d/%d, white %d/%d/%d, gains %.3f/%.3f/%.3f, strength %.2f",
                  chosen.black[0], chosen.black[1], chosen.black[2], chosen.white[0],
                  chosen.white[1], chosen.white[2], chosen.gain[0], chosen.gain[1], chosen.gain[2],
                  chosen.strength);
    report = line;
    return 0;
}

}  // namespace mirtane::cli
