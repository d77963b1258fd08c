// A test host wired to this plug-in's PluginMain, with the headless platform
// reset around every test and helpers to build small photographs.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "host/PluginMain.h"
#include "hosts/testhost/TestHost.h"
#include "platform/headless/HeadlessPlatform.h"
#include "run/HostState.h"
#include "run/TrackedMemory.h"

namespace mirtane {

// A smooth colour gradient with some noise: enough structure for the
// analysis to find edges in every channel.
inline hostkit::Image MakeTestPhoto(int width, int height, unsigned seed = 7) {
    hostkit::Image image = hostkit::MakeImage(width, height);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> noise(-6, 6);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int red = 40 + 150 * x / width;
            const int green = 60 + 120 * y / height;
            const int blue = 90 + 60 * ((x / 37 + y / 29) % 2);
            const int values[3] = {red, green, blue};
            for (int plane = 0; plane < 3; ++plane) {
                const int v = values[plane] + noise(random);
                image.At(x, y, plane) = static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
            }
        }
    }
    return image;
}

inline bool RectIsEmpty(const Rect& rect) {
    return rect.top == 0 && rect.left == 0 && rect.bottom == 0 && rect.right == 0;
}

class PluginRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::headless::ResetHeadlessPlatform();
        platform::headless::SetMessagesEchoed(false);
        host.SetImage(MakeTestPhoto(480, 480));
    }
    void TearDown() override { platform::headless::ResetHeadlessPlatform(); }

    // Nothing of a run may outlive it: handles, buffers, locks, heap blocks,
    // pending requests.
    void ExpectNothingLeftBehind() {
        EXPECT_EQ(host.LeakReport(), "");
        EXPECT_EQ(TrackedBlockCount(), 0u);
        EXPECT_EQ(host.parametersHandle(), nullptr);
        EXPECT_EQ(host.dataSlot(), 0);
        EXPECT_TRUE(RectIsEmpty(host.record().inRect));
        EXPECT_TRUE(RectIsEmpty(host.record().outRect));
        EXPECT_TRUE(RectIsEmpty(host.record().maskRect));
    }

    testhost::TestHost host{&PluginMain};
};

}  // namespace mirtane
