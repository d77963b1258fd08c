// The natural method through the command: its bytes are the method's tables
// applied by the same application as the plug-in's curves, the default
// method is untouched by the choice existing, and the curves report and the
// verbose line tell what the method chose.
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "CliTestSupport.h"
#include "analysis/NaturalMethod.h"
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

    const CommandResult unknown =
        RunMirtane({"restore", folder / "faded.png", "-o", folder / "x.png", "--method", "magic"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("restore --help"), std::string::npos) << unknown.err;
}

}  // namespace
}  // namespace clitest
