// The natural method through the command: its bytes are the method's tables
// applied by the same application as the plug-in's curves, the default
// method is untouched by the choice existing, and the curves report and the
// verbose line tell what the method chose.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CliTestSupport.h"
#include "analysis/NaturalMethod.h"
#include "analysis/SrgbTransfer.h"
#include "pipeline/ApplyCurves.h"

namespace clitest {
namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 500;

hostkit::Image ApplyNatural(const hostkit::Image& scene, double dmax, std::int32_t tints[3]) {
    mirtane::NaturalSettings settings;
    settings.dmax = dmax;
    mirtane::NaturalResult result;
    EXPECT_EQ(mirtane::ComputeNaturalCurves(scene.pixels.data(), scene.width, scene.height,
                                            scene.width * 3, settings, &result),
              0);
    mirtane::CurveSettings curves;
    for (int c = 0; c < 3; ++c) {
        curves.tables[c] = result.tables[c];
        curves.tints[c] = tints[c];
    }
    curves.blackLevel = 0.0f;
    curves.whiteLevel = 1.0f;
    hostkit::Image expected = scene;
    mirtane::ApplyCurves(expected.pixels.data(), scene.width * 3, scene.height, scene.width,
                         curves);
    return expected;
}

// Python's json module reads the report strictly and prints, one a line,
// the natural method's evidence, then its area, black, shrunkWhite and gain,
// flare and strength, then the three tables (repr: the same doubles back).
constexpr const char* kNaturalReader = R"(
import json, sys
def reject(name):
    raise ValueError("not JSON: " + name)
with open(sys.argv[1]) as f:
    d = json.loads(f.read(), parse_constant=reject)
n = d["natural"]
print(n["evidence"])
values = n["area"] + n["black"] + n["shrunkWhite"] + n["gain"] + [n["flare"], n["strength"]]
for v in values + d["red"] + d["green"] + d["blue"]:
    assert type(v) in (int, float), v
    print(repr(float(v)))
)";

TEST(NaturalMethodCommand, RestoresWithTheMethodsTablesThroughTheSameApplication) {
    ScratchFolder folder;
    const hostkit::Image scene = MakeFadedScene(kWidth, kHeight);
    WriteImage(ToVips(scene), folder / "faded.png");

    CommandResult run = RunMirtane(
        {"restore", folder / "faded.png", "-o", folder / "natural.png", "--method", "natural"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::int32_t neutral[3] = {25, 25, 25};
    EXPECT_TRUE(ReadPixels(folder / "natural.png").pixels ==
                ApplyNatural(scene, 2.1, neutral).pixels);

    // Trims bend the natural curves exactly as they bend the plug-in's; a
    // slide's black density changes the result.
    run = RunMirtane({"restore", folder / "faded.png", "-o", folder / "slide.png", "--method",
                      "natural", "--film", "slide", "--cyan-red", "5", "--yellow-blue", "-4"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::int32_t trimmed[3] = {30, 25, 21};
    EXPECT_TRUE(ReadPixels(folder / "slide.png").pixels ==
                ApplyNatural(scene, 3.0, trimmed).pixels);
    EXPECT_FALSE(ReadPixels(folder / "slide.png").pixels ==
                 ReadPixels(folder / "natural.png").pixels);

    // The default method is the plug-in's, and naming it changes nothing.
    ASSERT_EQ(RunMirtane({"restore", folder / "faded.png", "-o", folder / "default.png"}).exitCode,
              0);
    ASSERT_EQ(RunMirtane({"restore", folder / "faded.png", "-o", folder / "plug-in.png", "--method",
                          "plug-in"})
                  .exitCode,
              0);
    EXPECT_TRUE(ReadPixels(folder / "default.png").pixels ==
                ReadPixels(folder / "plug-in.png").pixels);
    EXPECT_FALSE(ReadPixels(folder / "default.png").pixels ==
                 ReadPixels(folder / "natural.png").pixels);
}

TEST(NaturalMethodCommand, ReportsWhatItChoseAndRefusesUnknownMethods) {
    ScratchFolder folder;
    WriteImage(ToVips(MakeFadedScene(kWidth, kHeight)), folder / "faded.png");
    const CommandResult verbose = RunMirtane(
        {"restore", folder / "faded.png", "-o", folder / "out.png", "--method", "natural", "-v"});
    ASSERT_EQ(verbose.exitCode, 0) << verbose.err;
    EXPECT_NE((verbose.out + verbose.err).find("natural: black "), std::string::npos)
        << verbose.out << verbose.err;
    EXPECT_NE((verbose.out + verbose.err).find("gains "), std::string::npos);

    const CommandResult curves =
        RunMirtane({"curves", folder / "faded.png", "--method", "natural", "--json"});
    ASSERT_EQ(curves.exitCode, 0) << curves.err;
    EXPECT_NE(curves.out.find("\"blackLevel\": 0"), std::string::npos) << curves.out.substr(0, 200);

    // The plug-in's analysis has no such report.
    const CommandResult plugIn = RunMirtane({"curves", folder / "faded.png", "--json"});
    ASSERT_EQ(plugIn.exitCode, 0) << plugIn.err;
    EXPECT_EQ(plugIn.out.find("\"natural\""), std::string::npos);

    const CommandResult unknown =
        RunMirtane({"restore", folder / "faded.png", "-o", folder / "x.png", "--method", "magic"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("restore --help"), std::string::npos) << unknown.err;
}

// `curves --json` reports the natural method's reading with numbers exact
// enough to rebuild its tables: the flare taken off, the white as used
// brought to 1, the density raised to the gain, the black brought to 0, at
// the strength chosen. A script that studies the method relies on that.
TEST(NaturalMethodCommand, CurvesReportRebuildsTheTables) {
    ScratchFolder folder;
    WriteImage(ToVips(MakeFadedScene(kWidth, kHeight)), folder / "faded.png");
    const CommandResult curves =
        RunMirtane({"curves", folder / "faded.png", "--method", "natural", "--json"});
    ASSERT_EQ(curves.exitCode, 0) << curves.err;
    WriteFileBytes(folder / "curves.json", curves.out);
    const CommandResult read =
        RunProgram({"/usr/bin/python3", "-c", kNaturalReader, folder / "curves.json"});
    ASSERT_EQ(read.exitCode, 0) << read.err << curves.out.substr(0, 200);
    const std::vector<std::string> lines = Lines(read.out);
    ASSERT_FALSE(lines.empty());
    const std::string& evidence = lines[0];
    std::vector<double> numbers;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        numbers.push_back(std::strtod(lines[i].c_str(), nullptr));
    }
    EXPECT_EQ(evidence, "raised black");
    ASSERT_EQ(numbers.size(), 4u + 3u * 3u + 2u + 3u * 256u);
    EXPECT_EQ(std::vector<double>(numbers.begin(), numbers.begin() + 4),
              (std::vector<double>{0, 0, kWidth, kHeight}));
    const double* const black = &numbers[4];
    const double* const white = &numbers[7];
    const double* const gain = &numbers[10];
    const double flare = numbers[13];
    const double strength = numbers[14];
    EXPECT_GT(strength, 0.0);  // the scene is faded
    EXPECT_GT(std::max({gain[0], gain[1], gain[2]}), 1.0);
    const char* names[3] = {"red", "green", "blue"};
    for (int c = 0; c < 3; ++c) {
        const double* const table = &numbers[15 + 256 * c];
        const double whiteLight = mirtane::SrgbToLinear(white[c] / 255.0);
        const double ratio =
            (mirtane::SrgbToLinear(black[c] / 255.0) - flare) / (whiteLight - flare);
        const double floor = ratio > 0.0 ? std::pow(ratio, gain[c]) : 0.0;
        for (int i = 0; i < 256; ++i) {
            const double x = i / 255.0;
            const double flareFree =
                std::clamp((mirtane::SrgbToLinear(x) - flare) / (whiteLight - flare), 0.0, 1.0);
            const double corrected =
                mirtane::LinearToSrgb((std::pow(flareFree, gain[c]) - floor) / (1.0 - floor));
            const double expected = std::clamp(x + strength * (corrected - x), 0.0, 1.0);
            EXPECT_NEAR(table[i], expected, 1e-6) << names[c] << " entry " << i;
        }
    }
}

}  // namespace
}  // namespace clitest
