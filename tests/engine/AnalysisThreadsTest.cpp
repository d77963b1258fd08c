// The analysis' per-channel tasks run side by side: the engine's threads and
// any other runner give the serial tables bit for bit, and a plug-in run of
// a host without a runner stays on its own thread.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "analysis/Tasks.h"
#include "engine/AnalyseInPlace.h"
#include "engine/AnalysisThreads.h"
#include "tests/host/PluginRunFixture.h"

namespace mirtane {
namespace {

MirtaneCorrection Analyse(const hostkit::Image& photo) {
    std::vector<std::uint8_t> pixels = photo.pixels;
    MirtaneCorrection correction{};
    std::string reason;
    EXPECT_EQ(engine::AnalysePackedRgb8(pixels.data(), photo.width, photo.height, nullptr,
                                        correction, reason),
              0)
        << reason;
    return correction;
}

// Photos of several shapes (widths and heights not multiples of four, a
// reduced plane narrower than the median's window is never reached at the
// plug-in's least size) and one with a flat half.
std::vector<hostkit::Image> Photos() {
    std::vector<hostkit::Image> photos;
    const int shapes[][2] = {{480, 480}, {641, 515}, {1003, 777}, {483, 1290}};
    unsigned seed = 3;
    for (const auto& shape : shapes) {
        photos.push_back(MakeTestPhoto(shape[0], shape[1], seed++));
    }
    hostkit::Image flat = MakeTestPhoto(700, 560, 11);
    for (int y = 0; y < 280; ++y) {
        for (int x = 0; x < 700; ++x) {
            for (int c = 0; c < 3; ++c)
                flat.At(x, y, c) = static_cast<std::uint8_t>(200 - 30 * c);
        }
    }
    photos.push_back(flat);
    return photos;
}

class AnalysisThreadsTest : public PluginRunTest {
  protected:
    void TearDown() override {
        engine::SetAnalysisThreads(0);
        InstallTaskRunner(nullptr);
        PluginRunTest::TearDown();
    }
};

TEST_F(AnalysisThreadsTest, EveryThreadCountGivesTheSerialTablesBitForBit) {
    for (const hostkit::Image& photo : Photos()) {
        SCOPED_TRACE(std::to_string(photo.width) + " x " + std::to_string(photo.height));
        engine::SetAnalysisThreads(1);
        const MirtaneCorrection serial = Analyse(photo);
        EXPECT_LT(serial.blackLevel, serial.whiteLevel);
        for (int threads : {2, 3, 4, 7}) {
            engine::SetAnalysisThreads(threads);
            const MirtaneCorrection parallel = Analyse(photo);
            EXPECT_EQ(std::memcmp(&parallel, &serial, sizeof serial), 0) << threads << " threads";
        }
    }
    EXPECT_EQ(TrackedBlockCount(), 0u);
}

// A runner that runs the tasks in reverse order, each on a thread of its
// own, counting them: any task that read what another writes would see it
// too early or too late.
std::atomic<int> gTasksRun{0};
void RunReversedOnThreads(std::int32_t count, TaskBody body, void* context) {
    std::vector<std::thread> threads;
    for (std::int32_t index = count - 1; index >= 0; --index) {
        threads.emplace_back([=] {
            body(context, index);
            ++gTasksRun;
        });
    }
    for (std::thread& thread : threads)
        thread.join();
}

TEST_F(AnalysisThreadsTest, APluginRunHandsItsTasksToTheRunnerAndWritesWhatItWritesAlone) {
    const hostkit::Image photo = MakeTestPhoto(643, 509, 21);
    host.SetImage(photo);
    ASSERT_EQ(host.Run().result, noErr);
    const hostkit::Image alone = host.image();
    ASSERT_NE(alone.pixels, photo.pixels);

    InstallTaskRunner(&RunReversedOnThreads);
    gTasksRun = 0;
    host.SetImage(photo);
    ASSERT_EQ(host.Run().result, noErr);
    EXPECT_EQ(host.image().pixels, alone.pixels);
    // The reductions, slope estimates, two tone mappings and two sets of
    // percentile curves: three tasks each.
    EXPECT_EQ(gTasksRun.load(), 18);
    ExpectNothingLeftBehind();
}

TEST_F(AnalysisThreadsTest, TheEngineLeavesNoRunnerBehindForOtherHosts) {
    engine::SetAnalysisThreads(4);
    static_cast<void>(Analyse(MakeTestPhoto(480, 480, 5)));
    EXPECT_FALSE(TasksRunSideBySide());
}

}  // namespace
}  // namespace mirtane
