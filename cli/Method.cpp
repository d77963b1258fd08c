#include "cli/Method.h"

#include <cstdio>

namespace mirtane::cli {

namespace {

// What the natural method read and chose, on one line: the evidence (levels,
// the blacks' densities, where it read them), the gains and strength, and the
// curves at a quarter, half and three quarters of the input range.
std::string NaturalReport(const hostkit::Image& picture, const MirtaneNaturalChoice& chosen,
                          const MirtaneCorrection& correction) {
    char text[1024];
    const auto code = [&](int c, int i) {
        return static_cast<int>(correction.tables[c][i] * 255.0f + 0.5f);
    };
    std::snprintf(
        text, sizeof text,
        "natural: black %d/%d/%d, white %d/%d/%d, read in %dx%d at %d,%d of %dx%d; evidence: "
        "raised black %.2f, shared tint %.2f (grey floor a*/b* shadows %+.1f/%+.1f, mid-tones "
        "%+.1f/%+.1f, highlights %+.1f/%+.1f); corrected for the %s: flare %.4f, gains "
        "%.3f/%.3f/%.3f (balance %.3f/%.3f/%.3f, depth %.3f), strength %.2f; curves at "
        "64/128/192: red %d/%d/%d, green %d/%d/%d, blue %d/%d/%d",
        chosen.black[0], chosen.black[1], chosen.black[2], chosen.white[0], chosen.white[1],
        chosen.white[2], chosen.area[2], chosen.area[3], chosen.area[0], chosen.area[1],
        picture.width, picture.height, chosen.blackStrength, chosen.tintStrength, chosen.tint[0][0],
        chosen.tint[0][1], chosen.tint[1][0], chosen.tint[1][1], chosen.tint[2][0],
        chosen.tint[2][1], chosen.evidence == MIRTANE_EVIDENCE_SHARED_TINT ? "tint" : "black",
        chosen.flare, chosen.gain[0], chosen.gain[1], chosen.gain[2], chosen.balanceGain[0],
        chosen.balanceGain[1], chosen.balanceGain[2], chosen.depthGain, chosen.strength,
        code(0, 64), code(0, 128), code(0, 192), code(1, 64), code(1, 128), code(1, 192),
        code(2, 64), code(2, 128), code(2, 192));
    return text;
}

}  // namespace

const char* MethodName(Method method) { return method == Method::Natural ? "natural" : "plug-in"; }

int MinimumAnalysedSide(const MethodChoice& choice) {
    return choice.method == Method::PlugIn ? MIRTANE_MINIMUM_SIDE : 0;
}

int AnalysePhoto(hostkit::Image& stored, int orientation, const AnalysisChoice& analysis,
                 const MethodChoice& choice, const engine::RunProgress& progress,
                 MirtaneCorrection& correction, NaturalReading& reading, std::string& error) {
    const bool upright = orientation < 2 || orientation > 8;
    const bool whole = analysis.border == BorderTrim::Keep && analysis.area.width == 0;
    hostkit::Image narrowed;
    if (!upright || !whole) {
        AnalysisChoice checked = analysis;
        checked.minimumSide = MinimumAnalysedSide(choice);
        if (AnalysedPicture(stored, orientation, checked, narrowed, error) != 0) {
            return -1;
        }
    }
    hostkit::Image& picture = upright && whole ? stored : narrowed;
    reading = NaturalReading{};
    // Pictures here are decoded as packed RGB, three bytes a pixel.
    if (choice.method == Method::PlugIn) {
        return engine::AnalysePackedRgb8(picture.pixels.data(), picture.width, picture.height,
                                         progress, correction, error);
    }
    char reason[512] = "";
    const auto stride = static_cast<std::ptrdiff_t>(picture.width) * picture.planes;
    if (mirtane_analyse_natural_rgb8(picture.pixels.data(), picture.width, picture.height, stride,
                                     picture.planes, choice.dmax, choice.flare, &correction,
                                     &reading.choice, reason, sizeof reason) != 0) {
        error = reason;
        return -1;
    }
    reading.made = true;
    reading.line = NaturalReport(picture, reading.choice, correction);
    return 0;
}

double AnalysisFraction(std::int32_t done, std::int32_t total) {
    constexpr std::int32_t kStageCount = 3;
    if (total != kStageCount) {
        return 0.0;
    }
    switch (done) {
    case 1: return 0.1;   // reading and reducing the planes
    case 2: return 0.7;   // analysing
    default: return 1.0;  // done
    }
}

}  // namespace mirtane::cli
