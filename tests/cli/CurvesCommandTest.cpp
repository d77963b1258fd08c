// The curves command: the levels and three tables it prints, as text and as
// JSON, are what the restore applies; the plot draws them.
#include <cmath>
#include <cstdlib>

#include <gtest/gtest.h>

#include "CliTestSupport.h"

namespace clitest {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 512;

// Python's json module reads the output strictly (no NaN or Infinity either)
// and prints the file name, the two levels and the 768 table values, one a
// line, shortest round-trip form: those read back as the same doubles.
constexpr const char* kJsonReader = R"(
import json, sys
def reject(name):
    raise ValueError("not JSON: " + name)
with open(sys.argv[1]) as f:
    d = json.loads(f.read(), parse_constant=reject)
assert sorted(d) == ["blackLevel", "blue", "byteTables", "file", "green", "red", "whiteLevel"], sorted(d)
assert sorted(d["byteTables"]) == ["blue", "green", "red"], sorted(d["byteTables"])
for t in d["byteTables"].values():
    assert len(t) == 256 and all(type(b) is int and 0 <= b <= 255 for b in t), t
print(d["file"])
for v in [d["blackLevel"], d["whiteLevel"]] + d["red"] + d["green"] + d["blue"]:
    assert type(v) in (int, float), v
    print(repr(float(v)))
)";

struct PrintedCurves {
    double blackLevel = 0.0;
    double whiteLevel = 0.0;
    std::vector<double> tables[3];
};

std::vector<double> Numbers(const std::string& text) {
    std::vector<double> numbers;
    const char* at = text.c_str();
    while (*at != '\0') {
        char* end = nullptr;
        const double value = std::strtod(at, &end);
        if (end == at) {
            ADD_FAILURE() << "not a number at: " << at;
            break;
        }
        numbers.push_back(value);
        at = end;
        while (*at == ' ') {
            ++at;
        }
    }
    return numbers;
}

// Reads the text form: two level lines, then red, green and blue lines.
PrintedCurves ParseText(const std::string& text) {
    PrintedCurves curves;
    const std::vector<std::string> lines = Lines(text);
    EXPECT_EQ(lines.size(), 5u) << text;
    if (lines.size() != 5) {
        return curves;
    }
    const std::string prefixes[5] = {"black-level ", "white-level ", "red ", "green ", "blue "};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(lines[i].compare(0, prefixes[i].size(), prefixes[i]), 0) << lines[i];
    }
    curves.blackLevel = std::strtod(lines[0].c_str() + prefixes[0].size(), nullptr);
    curves.whiteLevel = std::strtod(lines[1].c_str() + prefixes[1].size(), nullptr);
    for (int channel = 0; channel < 3; ++channel) {
        curves.tables[channel] = Numbers(lines[2 + channel].substr(prefixes[2 + channel].size()));
    }
    return curves;
}

// The per-sample correction as the plug-in applies it with neutral trims,
// written plainly from its definition, for checking that the printed curves
// are the ones the restore used.
int CorrectedByte(int byte, const PrintedCurves& curves, int channel) {
    const float k = 0.0039215689f;
    const float black = static_cast<float>(curves.blackLevel);
    const float white = static_cast<float>(curves.whiteLevel);
    const float scale =
        static_cast<float>(1.0 / (static_cast<double>(white) - static_cast<double>(black)));
    const float x =
        static_cast<float>((byte * static_cast<double>(k) - black) * static_cast<double>(scale));
    const std::vector<double>& table = curves.tables[channel];
    float u;
    if (x <= 0.0f) {
        u = static_cast<float>(table[0]);
    } else if (x >= 1.0f) {
        u = static_cast<float>(table[255]);
    } else {
        const float s = x * 255.0f;
        const int i = static_cast<int>(std::floor(s));
        const int j = i + 1 < 255 ? i + 1 : 255;
        const float ti = static_cast<float>(table[i]), tj = static_cast<float>(table[j]);
        u = std::fmax(0.0f, ti + (tj - ti) * (s - static_cast<float>(i)));
    }
    const float sum = u * 255.0f + 0.5f;
    return static_cast<int>(std::floor(sum));
}

class CurvesCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        scene_ = MakeFadedScene(kWidth, kHeight, 5);
        WriteImage(ToVips(scene_), folder_ / "scene.png");
    }
    ScratchFolder folder_;
    hostkit::Image scene_;
};

TEST_F(CurvesCommand, PrintsTwoLevelsAndThreeTablesOf256FiniteValuesInZeroToOne) {
    const CommandResult run = RunMirtane({"curves", folder_ / "scene.png"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.err.empty()) << run.err;
    const PrintedCurves curves = ParseText(run.out);
    EXPECT_TRUE(std::isfinite(curves.blackLevel));
    EXPECT_TRUE(std::isfinite(curves.whiteLevel));
    EXPECT_LT(curves.blackLevel, curves.whiteLevel);
    for (int channel = 0; channel < 3; ++channel) {
        ASSERT_EQ(curves.tables[channel].size(), 256u) << "channel " << channel;
        for (int i = 0; i < 256; ++i) {
            const double value = curves.tables[channel][i];
            EXPECT_TRUE(std::isfinite(value)) << "channel " << channel << " entry " << i;
            EXPECT_GE(value, 0.0) << "channel " << channel << " entry " << i;
            EXPECT_LE(value, 1.0) << "channel " << channel << " entry " << i;
        }
    }
}

TEST_F(CurvesCommand, JsonIsValidAndHoldsTheSameNumbersAsTheText) {
    const CommandResult text = RunMirtane({"curves", folder_ / "scene.png"});
    const CommandResult json = RunMirtane({"curves", folder_ / "scene.png", "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    WriteFileBytes(folder_ / "curves.json", json.out);
    const CommandResult read =
        RunProgram({"/usr/bin/python3", "-c", kJsonReader, folder_ / "curves.json"});
    ASSERT_EQ(read.exitCode, 0) << read.err << json.out;

    const std::vector<std::string> lines = Lines(read.out);
    ASSERT_EQ(lines.size(), 1u + 2u + 3u * 256u);
    EXPECT_EQ(lines[0], folder_ / "scene.png");
    const PrintedCurves printed = ParseText(text.out);
    std::vector<double> expected{printed.blackLevel, printed.whiteLevel};
    for (const std::vector<double>& table : printed.tables) {
        expected.insert(expected.end(), table.begin(), table.end());
    }
    ASSERT_EQ(expected.size(), lines.size() - 1);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(std::strtod(lines[i + 1].c_str(), nullptr), expected[i]) << "value " << i;
    }
}

TEST(JsonCheck, TheReaderRejectsWhatIsNotStrictJson) {
    ScratchFolder folder;
    for (const char* bad :
         {"{\"file\": \"x\", \"blackLevel\": NaN}", "{\"file\": \"x\",}", "[1, 2"}) {
        WriteFileBytes(folder / "bad.json", bad);
        const CommandResult read =
            RunProgram({"/usr/bin/python3", "-c", kJsonReader, folder / "bad.json"});
        EXPECT_NE(read.exitCode, 0) << bad;
    }
}

// Restoring with neutral trims maps each input byte of a channel through the
// printed levels and table; a printed value (%.9g) reads back as the exact
// float, so the bytes agree.
TEST_F(CurvesCommand, PrintedCurvesAreTheOnesTheRestoreApplies) {
    const CommandResult text = RunMirtane({"curves", folder_ / "scene.png"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    const PrintedCurves curves = ParseText(text.out);
    ASSERT_EQ(RunMirtane({"restore", folder_ / "scene.png", "-o", folder_ / "out.png"}).exitCode,
              0);
    const hostkit::Image restored = ReadPixels(folder_ / "out.png");
    int checked = 0;
    for (std::size_t i = 0; i < scene_.pixels.size(); ++i) {
        const int channel = static_cast<int>(i % 3);
        ASSERT_EQ(restored.pixels[i], CorrectedByte(scene_.pixels[i], curves, channel))
            << "channel " << channel << " input byte " << int(scene_.pixels[i]);
        ++checked;
    }
    EXPECT_EQ(checked, kWidth * kHeight * 3);
}

TEST_F(CurvesCommand, PlotDrawsEachChannelInItsColour) {
    const CommandResult run =
        RunMirtane({"curves", folder_ / "scene.png", "--plot", folder_ / "plot.png"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_EQ(Lines(run.out).size(), 5u);  // the plot does not replace the printout
    const hostkit::Image plot = ReadPixels(folder_ / "plot.png");
    EXPECT_GE(plot.width, 512);
    EXPECT_GE(plot.height, 512);
    int strong[3] = {0, 0, 0};
    for (std::size_t i = 0; i + 2 < plot.pixels.size(); i += 3) {
        const int r = plot.pixels[i], g = plot.pixels[i + 1], b = plot.pixels[i + 2];
        strong[0] += r > 180 && g < 80 && b < 80;
        strong[1] += g > 120 && r < 80 && b < 100;
        strong[2] += b > 180 && r < 80 && g < 110;
    }
    // Each curve crosses the 512-pixel plot, two pixels thick.
    for (int channel = 0; channel < 3; ++channel) {
        EXPECT_GT(strong[channel], 500) << "channel " << channel;
    }
}

}  // namespace
}  // namespace clitest
