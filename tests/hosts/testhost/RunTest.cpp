// Whole runs through the test host, and the filter record it hands over.
#include <gtest/gtest.h>

#include <algorithm>

#include "FakePlugin.h"
#include "hosts/testhost/TestHost.h"

namespace {

using testhost::RunOptions;
using testhost::TestHost;

std::vector<std::int16_t> Selectors(const TestHost& host) {
    std::vector<std::int16_t> selectors;
    for (const testhost::SelectorCall& call : host.selectorCalls()) {
        selectors.push_back(call.selector);
    }
    return selectors;
}

class RunTest : public ::testing::Test {
  protected:
    RunTest() { host.SetImage(hostkit::MakeImage(20, 10, 3, 40)); }
    ~RunTest() override { fakeplugin::Install(nullptr); }

    TestHost host{&fakeplugin::Entry};
};

TEST_F(RunTest, TheRecordIsFilledAsAHostFillsIt) {
    const FilterRecord& record = host.record();
    EXPECT_EQ(record.hostSig, FourCharCode("8BIM"));
    EXPECT_EQ(record.wholeSize.h, 20);
    EXPECT_EQ(record.wholeSize.v, 10);
    EXPECT_EQ(record.imageSize.h, 20);
    EXPECT_EQ(record.planes, 3);
    EXPECT_EQ(record.inLayerPlanes, 3);
    EXPECT_EQ(record.filterCase, filterCaseFlatImageNoSelection);
    EXPECT_EQ(record.filterRect.bottom, 10);
    EXPECT_EQ(record.filterRect.right, 20);
    EXPECT_EQ(record.imageMode, plugInModeRGBColor);
    EXPECT_EQ(record.depth, 8);
    EXPECT_EQ(record.inputRate, kFixedOne);
    EXPECT_EQ(record.samplingSupport, 1);
    EXPECT_EQ(record.inputPadding, plugInWantsErrorOnBoundsException);
    EXPECT_EQ(record.outputPadding, plugInWantsErrorOnBoundsException);
    EXPECT_EQ(record.inTileHeight, 0);
    EXPECT_EQ(record.outTileWidth, 0);
    EXPECT_EQ(record.absTileHeight, 0);
    EXPECT_EQ(fakeplugin::Field(record.parameters), nullptr);
    EXPECT_EQ(fakeplugin::Field(record.descriptorParameters), nullptr);
    EXPECT_EQ(fakeplugin::Field(record.sSPBasic), nullptr);
    EXPECT_EQ(record.haveMask, 0);
    ASSERT_NE(fakeplugin::Field(record.platformData), nullptr);
    ASSERT_NE(fakeplugin::Field(record.handleProcs), nullptr);
    EXPECT_EQ(record.handleProcs->numHandleProcs, 8);
    EXPECT_NE(fakeplugin::Field(record.advanceState), nullptr);
    EXPECT_NE(fakeplugin::Field(record.abortProc), nullptr);
    EXPECT_NE(fakeplugin::Field(record.progressProc), nullptr);

    host.SetScreenlessHostWindow(reinterpret_cast<void*>(0x1234));
    EXPECT_EQ(record.platformData->hwnd, reinterpret_cast<void*>(0x1234));
    host.SetSelection(Rect{1, 2, 3, 4});
    EXPECT_EQ(record.filterCase, filterCaseFlatImageWithSelection);
    EXPECT_EQ(record.filterRect.left, 2);
}

TEST_F(RunTest, ARunIsPrepareStartContinueUntilEmptyThenFinish) {
    fakeplugin::InstallStartOnly([](FilterRecord& record, std::int16_t*) {
        record.inRect = Rect{0, 0, 5, 5};  // left set, as a tiled writer leaves it
        record.inHiPlane = 2;
    });
    const testhost::RunResult result = host.Run();
    EXPECT_EQ(result.result, noErr);
    EXPECT_EQ(result.failedSelector, -1);
    EXPECT_EQ(Selectors(host), (std::vector<std::int16_t>{2, 3, 4, 5}));

    host.ClearLog();
    RunOptions options;
    options.callParameters = true;
    host.Run(options);
    EXPECT_EQ(Selectors(host), (std::vector<std::int16_t>{1, 2, 3, 4, 5}));
}

TEST_F(RunTest, EveryRunStartsAtFullResolutionWithNothingRequested) {
    std::vector<Fixed> rates;
    std::vector<std::int16_t> paddings;
    fakeplugin::InstallStartOnly([&](FilterRecord& record, std::int16_t*) {
        rates.push_back(record.inputRate);
        paddings.push_back(record.inputPadding);
        record.inputRate = 4 * kFixedOne;
        record.inputPadding = 0;
        record.maskRect = Rect{0, 0, 1, 1};
    });
    host.Run();
    fakeplugin::Install(nullptr);  // this time nothing empties the rectangles
    host.record().outRect = Rect{0, 0, 1, 1};
    host.Run();
    EXPECT_EQ(Selectors(host), (std::vector<std::int16_t>{2, 3, 4, 5, 2, 3, 5}));
    fakeplugin::InstallStartOnly([&](FilterRecord& record, std::int16_t*) {
        rates.push_back(record.inputRate);
        paddings.push_back(record.inputPadding);
    });
    host.Run();
    EXPECT_EQ(rates, (std::vector<Fixed>{kFixedOne, kFixedOne}));
    EXPECT_EQ(paddings, (std::vector<std::int16_t>{-3, -3}));
}

TEST_F(RunTest, ARunStopsAfterTheFirstFailedSelector) {
    fakeplugin::InstallStartOnly(
        [](FilterRecord&, std::int16_t* result) { *result = userCanceledErr; });
    const testhost::RunResult result = host.Run();
    EXPECT_EQ(result.result, userCanceledErr);
    EXPECT_EQ(result.failedSelector, filterSelectorStart);
    EXPECT_EQ(Selectors(host), (std::vector<std::int16_t>{2, 3}))
        << "no finish after a failed start";
}

// A plug-in of the older kind filters in continue: it names a band, the host
// delivers it before the next continue, and the plug-in inverts it there.
TEST_F(RunTest, AContinueLoopGetsEachBandDeliveredBeforeItIsCalled) {
    host.SetRowPadding(2);
    constexpr std::int16_t kBand = 3;
    fakeplugin::Install([](std::int16_t selector, void* data, std::intptr_t*, std::int16_t*) {
        FilterRecord& record = fakeplugin::Record(data);
        if (selector == filterSelectorStart) {
            record.inRect = record.outRect = Rect{0, 0, kBand, record.filterRect.right};
            record.inLoPlane = record.outLoPlane = 0;
            record.inHiPlane = record.outHiPlane = 2;
        } else if (selector == filterSelectorContinue) {
            ASSERT_NE(fakeplugin::Field(record.inData), nullptr);
            ASSERT_NE(fakeplugin::Field(record.outData), nullptr);
            const int rows = record.outRect.bottom - record.outRect.top;
            const int bytes = (record.outRect.right - record.outRect.left) * 3;
            for (int row = 0; row < rows; ++row) {
                const auto* in =
                    static_cast<std::uint8_t*>(record.inData) + row * record.inRowBytes;
                auto* out = static_cast<std::uint8_t*>(record.outData) + row * record.outRowBytes;
                for (int i = 0; i < bytes; ++i) {
                    out[i] = static_cast<std::uint8_t>(255 - in[i]);
                }
            }
            const std::int16_t next = record.outRect.bottom;
            if (next >= record.filterRect.bottom) {
                record.inRect = record.outRect = Rect{0, 0, 0, 0};
            } else {
                record.inRect = record.outRect =
                    Rect{next, 0, std::min<std::int16_t>(next + kBand, record.filterRect.bottom),
                         record.filterRect.right};
            }
        }
    });
    const testhost::RunResult result = host.Run();
    EXPECT_EQ(result.result, noErr);
    const std::vector<std::int16_t> selectors = Selectors(host);
    EXPECT_EQ(std::count(selectors.begin(), selectors.end(), filterSelectorContinue), 4);
    EXPECT_TRUE(std::all_of(host.image().pixels.begin(), host.image().pixels.end(),
                            [](std::uint8_t v) { return v == 255 - 40; }));
}

TEST_F(RunTest, APlugInThatNeverEmptiesItsRectanglesIsStopped) {
    fakeplugin::Install([](std::int16_t selector, void* data, std::intptr_t*, std::int16_t*) {
        if (selector == filterSelectorStart) {
            fakeplugin::Record(data).outRect = Rect{0, 0, 1, 1};
        }
    });
    RunOptions options;
    options.maxContinueCalls = 5;
    const testhost::RunResult result = host.Run(options);
    EXPECT_EQ(result.result, filterBadParameters);
    EXPECT_EQ(result.failedSelector, filterSelectorContinue);
    EXPECT_EQ(Selectors(host).size(), 2u + 5u);
    EXPECT_EQ(host.protocolErrors().size(), 1u);
}

TEST_F(RunTest, TheDataSlotIsKeptBetweenSelectors) {
    std::vector<std::intptr_t> seen;
    fakeplugin::Install([&seen](std::int16_t selector, void*, std::intptr_t* data, std::int16_t*) {
        seen.push_back(*data);
        if (selector == filterSelectorPrepare) {
            *data = 1234;
        }
    });
    host.Run();
    EXPECT_EQ(seen, (std::vector<std::intptr_t>{0, 1234, 1234}));
    EXPECT_EQ(host.dataSlot(), 1234);
}

TEST_F(RunTest, TheResultIsPresetToZeroBeforeEveryCall) {
    std::vector<int> presets;
    fakeplugin::Install([&presets](std::int16_t, void*, std::intptr_t*, std::int16_t* result) {
        presets.push_back(*result);
        *result = 0;
    });
    EXPECT_EQ(host.CallSelector(filterSelectorPrepare), noErr);
    fakeplugin::Install(
        [](std::int16_t, void*, std::intptr_t*, std::int16_t* result) { *result = -1; });
    EXPECT_EQ(host.CallSelector(filterSelectorPrepare), -1);
    fakeplugin::Install([&presets](std::int16_t, void*, std::intptr_t*, std::int16_t* result) {
        presets.push_back(*result);
    });
    host.CallSelector(filterSelectorPrepare);
    EXPECT_EQ(presets, (std::vector<int>{0, 0}));
}

TEST_F(RunTest, AboutPassesAnAboutRecordWithTheHostWindow) {
    host.SetScreenlessHostWindow(reinterpret_cast<void*>(0x4321));
    void* window = nullptr;
    fakeplugin::Install(
        [&window](std::int16_t selector, void* data, std::intptr_t*, std::int16_t*) {
            if (selector == filterSelectorAbout) {
                window = static_cast<AboutRecord*>(data)->platformData->hwnd;
            }
        });
    EXPECT_EQ(host.CallSelector(filterSelectorAbout), noErr);
    EXPECT_EQ(window, reinterpret_cast<void*>(0x4321));
}

TEST_F(RunTest, TheWatchPropertyIsAcceptedOnlyUnderThePhotoshopSignature) {
    std::vector<OSErr> answers;
    fakeplugin::InstallStartOnly([&answers](FilterRecord& record, std::int16_t*) {
        answers.push_back(record.propertyProcs->setPropertyProc(record.hostSig, propWatchSuspension,
                                                                0, 1, nullptr));
        answers.push_back(record.propertyProcs->setPropertyProc(
            record.hostSig, FourCharCode("xxxx"), 0, 1, nullptr));
    });
    host.CallSelector(filterSelectorStart);
    EXPECT_EQ(host.watchSuspension(), 1);
    host.SetHostSignature(FourCharCode("NDP."));
    host.CallSelector(filterSelectorStart);
    EXPECT_EQ(answers,
              (std::vector<OSErr>{noErr, errPlugInPropertyUndefined, errPlugInPropertyUndefined,
                                  errPlugInPropertyUndefined}));
    ASSERT_EQ(host.propertiesSet().size(), 4u);
    EXPECT_EQ(host.propertiesSet()[0].first, propWatchSuspension);
    EXPECT_EQ(host.propertiesSet()[0].second, 1);
}

TEST_F(RunTest, ProgressAndAbortCallsAreRecorded) {
    fakeplugin::InstallStartOnly([](FilterRecord& record, std::int16_t*) {
        record.progressProc(1, 3);
        record.abortProc();
        record.progressProc(2, 3);
    });
    host.Run();
    EXPECT_EQ(host.progress(),
              (std::vector<std::pair<std::int32_t, std::int32_t>>{{1, 3}, {2, 3}}));
    EXPECT_EQ(host.abortCalls(), 1);
}

}  // namespace
