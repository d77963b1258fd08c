#include "analysis/ComputeChannelCurves.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "GeneratedScenes.h"
#include "analysis/EstimateChannelSlopes.h"
#include "analysis/ToneCurve.h"
#include "host/ParameterBlock.h"

namespace mirtane {
namespace {

using testing::Planes;

constexpr float kUntouched = -3.0f;

// The settings and tables a run starts with.
struct AnalysisRun {
    std::array<std::vector<float>, 3> tables;
    ParameterBlock settings = DefaultParameterBlock();

    AnalysisRun() {
        for (int c = 0; c < 3; ++c) {
            tables[static_cast<std::size_t>(c)].assign(kCurveLength, kUntouched);
            settings.curveTables[c] = tables[static_cast<std::size_t>(c)].data();
        }
    }

    // Works on copies: the analysis alters the planes it is given.
    std::int32_t Analyse(Planes planes) {
        return ComputeChannelCurves(planes.channel[0].data(), planes.channel[1].data(),
                                    planes.channel[2].data(), planes.width, planes.height,
                                    &settings);
    }

    // What the application does with a sample: re-level it, look it up.
    float Correct(int channel, float sample) const {
        const ToneCurve curve(tables[static_cast<std::size_t>(channel)].data(), kCurveLength);
        const float scale = static_cast<float>(
            1.0 / (static_cast<double>(settings.whiteLevel) - settings.blackLevel));
        const float v = curve.Evaluate((sample - settings.blackLevel) * scale);
        return std::clamp(v, 0.0f, 1.0f);
    }

    Planes Corrected(const Planes& input) const {
        Planes output = input;
        for (int c = 0; c < 3; ++c) {
            for (float& sample : output.channel[c]) {
                sample = Correct(c, sample);
            }
        }
        return output;
    }
};

double Mean(const std::vector<float>& samples) {
    double sum = 0.0;
    for (float s : samples) {
        sum += s;
    }
    return sum / static_cast<double>(samples.size());
}

float Percentile(std::vector<float> samples, double share) {
    std::sort(samples.begin(), samples.end());
    return samples[static_cast<std::size_t>(share * static_cast<double>(samples.size() - 1))];
}

double ChannelMeanSpread(const Planes& planes) {
    const double means[3] = {Mean(planes.channel[0]), Mean(planes.channel[1]),
                             Mean(planes.channel[2])};
    return *std::max_element(means, means + 3) - *std::min_element(means, means + 3);
}

double TonalRange(const Planes& planes, int c) {
    return Percentile(planes.channel[c], 0.98) - Percentile(planes.channel[c], 0.02);
}

// Mean distance between the colours of two images apart from their
// brightness: each pixel's channels less the pixel's grey level. A cast
// shifts these differences, a loss of contrast shrinks them. (The restoration
// also re-distributes the tones and brightens the mid-tones by its gamma, so
// plain sample differences would measure that choice rather than the colour.)
double MeanColourDifference(const Planes& a, const Planes& b) {
    double sum = 0.0;
    for (std::size_t k = 0; k < a.Size(); ++k) {
        const double greyA =
            (static_cast<double>(a.channel[0][k]) + a.channel[1][k] + a.channel[2][k]) / 3.0;
        const double greyB =
            (static_cast<double>(b.channel[0][k]) + b.channel[1][k] + b.channel[2][k]) / 3.0;
        for (int c = 0; c < 3; ++c) {
            sum += std::fabs((a.channel[c][k] - greyA) - (b.channel[c][k] - greyB));
        }
    }
    return sum / (3.0 * static_cast<double>(a.Size()));
}

TEST(ComputeChannelCurvesInput, MissingOrInvalidInputIsRefusedWithTablesUntouched) {
    Planes planes = testing::Scene(40, 30);
    float* r = planes.channel[0].data();
    float* g = planes.channel[1].data();
    float* b = planes.channel[2].data();
    AnalysisRun run;
    EXPECT_EQ(ComputeChannelCurves(r, g, b, 40, 30, nullptr), -1);
    EXPECT_EQ(ComputeChannelCurves(nullptr, g, b, 40, 30, &run.settings), -1);
    EXPECT_EQ(ComputeChannelCurves(r, g, b, -40, 30, &run.settings), -1);
    run.settings.curveTables[1] = nullptr;
    EXPECT_EQ(ComputeChannelCurves(r, g, b, 40, 30, &run.settings), -1);
    run.settings.curveTables[1] = run.tables[1].data();
    run.settings.curveLength = 1;
    EXPECT_EQ(ComputeChannelCurves(r, g, b, 40, 30, &run.settings), -1);
    run.settings.curveLength = kCurveLength;
    run.settings.slopeGridHeight = 0;
    EXPECT_EQ(ComputeChannelCurves(r, g, b, 40, 30, &run.settings), -1);
    for (const auto& table : run.tables) {
        EXPECT_TRUE(
            std::all_of(table.begin(), table.end(), [](float v) { return v == kUntouched; }));
    }
    EXPECT_EQ(run.settings.blackLevel, 0.0f);
    EXPECT_EQ(run.settings.whiteLevel, 1.0f);
}

TEST(ComputeChannelCurvesInput, UniformImageReportsNoRangeAndLeavesTablesAlone) {
    for (const float level : {0.0f, 0.5f, 1.0f}) {
        Planes planes = testing::MakePlanes("uniform", 30, 20);
        for (auto& channel : planes.channel) {
            std::fill(channel.begin(), channel.end(), level);
        }
        AnalysisRun run;
        EXPECT_EQ(run.Analyse(planes), -2) << level;
        EXPECT_EQ(run.settings.blackLevel, level);
        EXPECT_EQ(run.settings.whiteLevel, level);
        for (const auto& table : run.tables) {
            EXPECT_TRUE(
                std::all_of(table.begin(), table.end(), [](float v) { return v == kUntouched; }));
        }
    }
    AnalysisRun empty;
    Planes none = testing::MakePlanes("empty", 0, 0);
    EXPECT_EQ(empty.Analyse(none), -2);
}

TEST(ComputeChannelCurvesInput, PlanesAreLeftRelevelledAndMapped) {
    Planes planes = testing::Faded(testing::Scene(60, 45));
    const Planes before = planes;
    AnalysisRun run;
    ASSERT_EQ(
        ComputeChannelCurves(planes.channel[0].data(), planes.channel[1].data(),
                             planes.channel[2].data(), planes.width, planes.height, &run.settings),
        0);
    EXPECT_NE(planes.channel[0], before.channel[0]);
    for (const auto& channel : planes.channel) {
        EXPECT_TRUE(std::all_of(channel.begin(), channel.end(),
                                [](float v) { return v >= 0.0f && v <= 1.0f; }));
    }
}

// Every kind of input: the tables hold curveLength finite entries in [0, 1]
// that never fall, or are left alone when there is no tonal range.
TEST(ComputeChannelCurvesProperties, EveryTableIsFiniteWithinUnitRangeAndRising) {
    std::vector<Planes> inputs = testing::AwkwardPlanes();
    inputs.push_back(testing::Scene(90, 70));
    inputs.push_back(testing::Faded(testing::Scene(77, 51)));
    for (const Planes& planes : inputs) {
        SCOPED_TRACE(planes.name);
        AnalysisRun run;
        const std::int32_t result = run.Analyse(planes);
        ASSERT_TRUE(result == 0 || result == -2) << result;
        if (result == -2) {
            EXPECT_EQ(run.settings.blackLevel, run.settings.whiteLevel);
            for (const auto& table : run.tables) {
                ASSERT_TRUE(std::all_of(table.begin(), table.end(),
                                        [](float v) { return v == kUntouched; }));
            }
            continue;
        }
        EXPECT_LT(run.settings.blackLevel, run.settings.whiteLevel);
        for (int c = 0; c < 3; ++c) {
            const auto& table = run.tables[static_cast<std::size_t>(c)];
            ASSERT_EQ(table.size(), static_cast<std::size_t>(kCurveLength));
            for (std::size_t i = 0; i < table.size(); ++i) {
                ASSERT_TRUE(std::isfinite(table[i])) << "channel " << c << " entry " << i;
                ASSERT_GE(table[i], 0.0f) << "channel " << c << " entry " << i;
                ASSERT_LE(table[i], 1.0f) << "channel " << c << " entry " << i;
                if (i > 0) {
                    ASSERT_GE(table[i] + 1e-6f, table[i - 1]) << "channel " << c << " entry " << i;
                }
            }
        }
    }
}

TEST(ComputeChannelCurvesProperties, FirstStageCurvesRiseAndPeakAtOne) {
    std::vector<Planes> inputs = testing::AwkwardPlanes();
    inputs.push_back(testing::Faded(testing::Scene(90, 70)));
    for (const Planes& planes : inputs) {
        SCOPED_TRACE(planes.name);
        AnalysisRun run;
        ToneCurve curves[3] = {ToneCurve(kCurveLength), ToneCurve(kCurveLength),
                               ToneCurve(kCurveLength)};
        const std::int32_t result = EstimateChannelSlopes(
            planes.channel[0].data(), planes.channel[1].data(), planes.channel[2].data(),
            planes.width, planes.height, curves[0], curves[1], curves[2], &run.settings);
        if (result == -2) {
            continue;
        }
        ASSERT_EQ(result, 0);
        float top = 0.0f;
        for (const ToneCurve& curve : curves) {
            ASSERT_GT(curve.At(0), 0.0f);
            for (std::int32_t i = 1; i < kCurveLength; ++i) {
                ASSERT_GE(curve.At(i), curve.At(i - 1)) << "entry " << i;
            }
            top = std::max(top, curve.At(kCurveLength - 1));
        }
        EXPECT_FLOAT_EQ(top, 1.0f);
    }
}

TEST(ComputeChannelCurvesProperties, IdenticalChannelsGetIdenticalTables) {
    Planes planes = testing::Scene(70, 50);
    planes.channel[1] = planes.channel[0];
    planes.channel[2] = planes.channel[0];
    AnalysisRun run;
    ASSERT_EQ(run.Analyse(planes), 0);
    EXPECT_EQ(run.tables[1], run.tables[0]);
    EXPECT_EQ(run.tables[2], run.tables[0]);
}

TEST(ComputeChannelCurvesRestoration, FadedSceneComesOutMeasurablyRestored) {
    const Planes scene = testing::Scene(160, 120);
    const Planes faded = testing::Faded(scene);
    AnalysisRun run;
    ASSERT_EQ(run.Analyse(faded), 0);
    const Planes restored = run.Corrected(faded);

    const double castBefore = ChannelMeanSpread(faded);
    const double castAfter = ChannelMeanSpread(restored);
    EXPECT_LT(castAfter, 0.5 * castBefore) << "channel means pulled together";
    for (int c = 0; c < 3; ++c) {
        EXPECT_GT(TonalRange(restored, c), 1.4 * TonalRange(faded, c))
            << "tonal range widened, channel " << c;
    }
    const double errorBefore = MeanColourDifference(faded, scene);
    const double errorAfter = MeanColourDifference(restored, scene);
    EXPECT_LT(errorAfter, 0.6 * errorBefore) << "colours closer to the unfaded scene";
    RecordProperty("castBefore", std::to_string(castBefore));
    RecordProperty("castAfter", std::to_string(castAfter));
    RecordProperty("errorBefore", std::to_string(errorBefore));
    RecordProperty("errorAfter", std::to_string(errorAfter));
}

// The tables for one fixed generated image, kept in tests/data/analysis.
// Set MIRTANE_WRITE_GOLDEN=1 and run this test to rewrite the file after an
// intended change; review the difference before committing it.
// Tolerance: the engine's arithmetic is fixed to the last float bit and the native
// build is deterministic; 1e-6 per entry absorbs a last-bit difference of a
// platform's pow() without hiding any change of the algorithm.
constexpr float kGoldenTolerance = 1e-6f;
const char* const kGoldenPath = MIRTANE_TEST_DATA "/analysis/ComputeChannelCurvesGolden.txt";

std::string FormatGolden(const AnalysisRun& run) {
    std::ostringstream text;
    text << "# Channel curve tables of ComputeChannelCurves for the faded generated scene\n"
            "# (tests/analysis/GeneratedScenes.h, Faded(Scene(120, 90))): black level, white\n"
            "# level, then 256 entries for red, green and blue, one channel per line.\n"
            "# Rewrite with MIRTANE_WRITE_GOLDEN=1 tests_analysis --gtest_filter='*Golden*'.\n";
    char number[64];
    std::snprintf(number, sizeof number, "%.9g %.9g\n",
                  static_cast<double>(run.settings.blackLevel),
                  static_cast<double>(run.settings.whiteLevel));
    text << number;
    for (const auto& table : run.tables) {
        for (std::size_t i = 0; i < table.size(); ++i) {
            std::snprintf(number, sizeof number, i == 0 ? "%.9g" : " %.9g",
                          static_cast<double>(table[i]));
            text << number;
        }
        text << '\n';
    }
    return text.str();
}

TEST(ComputeChannelCurvesGolden, FixedSceneGivesTheRecordedTables) {
    AnalysisRun run;
    ASSERT_EQ(run.Analyse(testing::Faded(testing::Scene(120, 90))), 0);
    const char* write = std::getenv("MIRTANE_WRITE_GOLDEN");
    if (write != nullptr && std::string(write) == "1") {
        std::ofstream(kGoldenPath) << FormatGolden(run);
        GTEST_SKIP() << "golden file written: " << kGoldenPath;
    }
    std::ifstream file(kGoldenPath);
    ASSERT_TRUE(file.good()) << "missing " << kGoldenPath;
    std::string line;
    std::vector<std::vector<float>> rows;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::istringstream values(line);
        rows.emplace_back();
        float value = 0.0f;
        while (values >> value) {
            rows.back().push_back(value);
        }
    }
    ASSERT_EQ(rows.size(), 4u);
    ASSERT_EQ(rows[0].size(), 2u);
    EXPECT_EQ(run.settings.blackLevel, rows[0][0]);
    EXPECT_EQ(run.settings.whiteLevel, rows[0][1]);
    for (int c = 0; c < 3; ++c) {
        const auto& expected = rows[static_cast<std::size_t>(c + 1)];
        ASSERT_EQ(expected.size(), static_cast<std::size_t>(kCurveLength));
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_NEAR(run.tables[static_cast<std::size_t>(c)][i], expected[i], kGoldenTolerance)
                << "channel " << c << " entry " << i;
        }
    }
}

}  // namespace
}  // namespace mirtane
