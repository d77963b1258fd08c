// A whole filter run through the test host: intake, analysis, application.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "GeneratedScenes.h"
#include "host/PluginMain.h"
#include "hosts/testhost/TestHost.h"
#include "platform/headless/HeadlessPlatform.h"

namespace mirtane {
namespace {

hostkit::Image ToImage(const testing::Planes& planes) {
    hostkit::Image image = hostkit::MakeImage(planes.width, planes.height);
    for (int y = 0; y < planes.height; ++y) {
        for (int x = 0; x < planes.width; ++x) {
            const std::size_t k =
                static_cast<std::size_t>(y) * static_cast<std::size_t>(planes.width) +
                static_cast<std::size_t>(x);
            for (int c = 0; c < 3; ++c) {
                image.At(x, y, c) =
                    static_cast<std::uint8_t>(std::lround(planes.channel[c][k] * 255.0f));
            }
        }
    }
    return image;
}

double ChannelMean(const hostkit::Image& image, int c) {
    double sum = 0.0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            sum += image.At(x, y, c);
        }
    }
    return sum / (static_cast<double>(image.width) * image.height * 255.0);
}

double MeanSpread(const hostkit::Image& image) {
    const double means[3] = {ChannelMean(image, 0), ChannelMean(image, 1), ChannelMean(image, 2)};
    return *std::max_element(means, means + 3) - *std::min_element(means, means + 3);
}

// 2nd to 98th percentile of one channel, in [0, 1].
double TonalRange(const hostkit::Image& image, int c) {
    std::vector<int> counts(256, 0);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            ++counts[image.At(x, y, c)];
        }
    }
    const double total = static_cast<double>(image.width) * image.height;
    int low = -1;
    int high = 0;
    double seen = 0.0;
    for (int v = 0; v < 256; ++v) {
        seen += counts[static_cast<std::size_t>(v)];
        if (low < 0 && seen >= 0.02 * total) {
            low = v;
        }
        if (seen <= 0.98 * total) {
            high = v;
        }
    }
    return (high - low) / 255.0;
}

// Colour apart from brightness, as in the analysis end-to-end test.
double ColourDifference(const hostkit::Image& a, const hostkit::Image& b) {
    double sum = 0.0;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            const double greyA = (a.At(x, y, 0) + a.At(x, y, 1) + a.At(x, y, 2)) / 3.0;
            const double greyB = (b.At(x, y, 0) + b.At(x, y, 1) + b.At(x, y, 2)) / 3.0;
            for (int c = 0; c < 3; ++c) {
                sum += std::fabs((a.At(x, y, c) - greyA) - (b.At(x, y, c) - greyB));
            }
        }
    }
    return sum / (3.0 * a.width * a.height * 255.0);
}

TEST(WholeRun, FadedPhotographComesOutRestored) {
    platform::headless::ResetHeadlessPlatform();
    platform::headless::SetMessagesEchoed(false);
    const testing::Planes scene = testing::Scene(640, 480);
    const hostkit::Image original = ToImage(scene);
    const hostkit::Image faded = ToImage(testing::Faded(scene));
    testhost::TestHost host{&PluginMain};
    host.SetImage(faded);
    const testhost::RunResult run = host.Run();
    ASSERT_EQ(run.result, 0);
    const hostkit::Image& restored = host.image();
    EXPECT_TRUE(platform::headless::RecordedMessages().empty());

    EXPECT_LT(MeanSpread(restored), 0.5 * MeanSpread(faded)) << "channel means pulled together";
    for (int c = 0; c < 3; ++c) {
        EXPECT_GT(TonalRange(restored, c), 1.4 * TonalRange(faded, c))
            << "tonal range widened, channel " << c;
    }
    EXPECT_LT(ColourDifference(restored, original), 0.6 * ColourDifference(faded, original))
        << "colours closer to the unfaded scene";
    platform::headless::ResetHeadlessPlatform();
}

}  // namespace
}  // namespace mirtane
