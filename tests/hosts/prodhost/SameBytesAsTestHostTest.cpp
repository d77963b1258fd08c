// The command's production host and the test host must give the plug-in the
// same pixels and keep the same output: whole runs through both, on images
// of awkward sizes, with a selection and with trims, compared byte for byte.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "hosts/prodhost/ProductionHost.h"
#include "hosts/testhost/ScriptingHost.h"
#include "platform/headless/HeadlessPlatform.h"
#include "tests/host/PluginRunFixture.h"

namespace mirtane {
namespace {

namespace headless = platform::headless;

struct Case {
    std::string name;
    int width;
    int height;
    int cyanRed, magentaGreen, yellowBlue;
    std::optional<Rect> selection;
};

struct Outcome {
    hostkit::Image image;
    OSErr result = noErr;
    std::optional<testhost::DescriptorItems> recorded;
    int leftOver = 0;  // handles and buffers the plug-in did not give back
};

Outcome ThroughTestHost(const Case& c, const hostkit::Image& photo) {
    headless::ResetHeadlessPlatform();
    headless::SetMessagesEchoed(false);
    testhost::TestHost host(&PluginMain);
    host.SetImage(photo);
    if (c.selection) host.SetSelection(*c.selection);
    testhost::ScriptingHost scripting(host);
    scripting.SetReplayedTints(c.cyanRed, c.magentaGreen, c.yellowBlue, plugInDialogDontDisplay);
    Outcome outcome;
    outcome.result = host.Run().result;
    outcome.recorded = scripting.TakeRecorded();
    outcome.leftOver = host.LiveHandles() + host.LiveBuffers();
    outcome.image = host.image();
    return outcome;
}

Outcome ThroughProductionHost(const Case& c, const hostkit::Image& photo) {
    headless::ResetHeadlessPlatform();
    headless::SetMessagesEchoed(false);
    Outcome outcome;
    outcome.image = photo;
    prodhost::ProductionHost host(&PluginMain);
    host.SetImage(prodhost::ImageView{outcome.image.pixels.data(), photo.width, photo.height});
    if (c.selection) host.SetSelection(*c.selection);
    testhost::ScriptingHost scripting(host);
    scripting.SetReplayedTints(c.cyanRed, c.magentaGreen, c.yellowBlue, plugInDialogDontDisplay);
    outcome.result = host.Run().result;
    outcome.recorded = scripting.TakeRecorded();
    outcome.leftOver = host.LiveHandles() + host.LiveBuffers();
    EXPECT_TRUE(host.protocolErrors().empty()) << host.protocolErrors().front();
    return outcome;
}

// Index of the first differing byte, or -1.
long FirstDifference(const hostkit::Image& a, const hostkit::Image& b) {
    if (a.pixels.size() != b.pixels.size()) return 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        if (a.pixels[i] != b.pixels[i]) return static_cast<long>(i);
    }
    return -1;
}

TEST(ProductionHost, WholeRunsGiveTheTestHostsBytes) {
    const Case cases[] = {
        {"smallest, no trims", 480, 480, 0, 0, 0, std::nullopt},
        {"odd sides, trims", 641, 487, 12, -7, 25, std::nullopt},
        {"not a tile multiple, opposite trims", 523, 701, -25, 18, -3, std::nullopt},
        {"selection off the tile grid", 611, 533, 5, 5, -9, Rect{37, 51, 409, 580}},
        {"selection to the edges", 500, 490, 0, -14, 7, Rect{0, 13, 490, 500}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const hostkit::Image photo = MakeTestPhoto(c.width, c.height, c.width + c.height);
        const Outcome expected = ThroughTestHost(c, photo);
        const Outcome actual = ThroughProductionHost(c, photo);
        ASSERT_EQ(expected.result, noErr);
        EXPECT_EQ(actual.result, noErr);
        EXPECT_EQ(FirstDifference(expected.image, actual.image), -1);
        EXPECT_NE(FirstDifference(photo, actual.image), -1) << "the run changed nothing";
        EXPECT_EQ(actual.recorded, expected.recorded);
        EXPECT_EQ(actual.leftOver, 0);
        EXPECT_EQ(expected.leftOver, 0);
    }
}

TEST(ProductionHost, OutputStaysInsideTheSelection) {
    const Case c{"selection", 560, 520, 9, 0, -9, Rect{100, 120, 300, 400}};
    const hostkit::Image photo = MakeTestPhoto(c.width, c.height, 3);
    const Outcome outcome = ThroughProductionHost(c, photo);
    ASSERT_EQ(outcome.result, noErr);
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            const bool inside = y >= 100 && y < 300 && x >= 120 && x < 400;
            if (inside) continue;
            for (int p = 0; p < 3; ++p) {
                ASSERT_EQ(outcome.image.At(x, y, p), photo.At(x, y, p)) << x << "," << y;
            }
        }
    }
}

TEST(ProductionHost, RefusalsReachTheCallerAndLeaveThePixels) {
    const Case c{"too small", 479, 600, 0, 0, 0, std::nullopt};
    const hostkit::Image photo = MakeTestPhoto(c.width, c.height, 5);
    const Outcome outcome = ThroughProductionHost(c, photo);
    EXPECT_EQ(outcome.result, userCanceledErr);
    EXPECT_EQ(FirstDifference(photo, outcome.image), -1);
    EXPECT_EQ(outcome.leftOver, 0);
}

}  // namespace
}  // namespace mirtane
