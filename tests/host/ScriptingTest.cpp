// Last-used settings in the host's registry and recorded or replayed steps,
// through the test host's scripting services.
#include "hosts/testhost/ScriptingHost.h"
#include "resources/PluginIdentity.h"
#include "tests/host/PluginRunFixture.h"

namespace mirtane {
namespace {

using testhost::DescriptorItems;
using testhost::ScriptingFault;

constexpr DescriptorKeyID kRed = FourCharCode("Rd  ");
constexpr DescriptorKeyID kGreen = FourCharCode("Grn ");
constexpr DescriptorKeyID kBlue = FourCharCode("Bl  ");

struct Tints {
    std::int32_t red, green, blue;
    bool operator==(const Tints& o) const {
        return red == o.red && green == o.green && blue == o.blue;
    }
};

class ScriptingTest : public PluginRunTest {
  protected:
    void SetUp() override {
        PluginRunTest::SetUp();
        original = host.image();
    }

    // The dialog sees the tints the start selector settled on; it may set new ones.
    void DialogSetsTints(std::int32_t red, std::int32_t green, std::int32_t blue,
                         std::int32_t code = 1) {
        platform::headless::SetMainDialogHandler([=] {
            seenByDialog = {gHost.parameterBlock->redTint, gHost.parameterBlock->greenTint,
                            gHost.parameterBlock->blueTint};
            gHost.parameterBlock->redTint = red;
            gHost.parameterBlock->greenTint = green;
            gHost.parameterBlock->blueTint = blue;
            return code;
        });
    }
    void DialogKeepsTints() {
        platform::headless::SetMainDialogHandler([=] {
            seenByDialog = {gHost.parameterBlock->redTint, gHost.parameterBlock->greenTint,
                            gHost.parameterBlock->blueTint};
            return 1;
        });
    }
    // The step recorded at finish belongs to the host, which keeps it; it is
    // taken out of the handle table before looking for leftovers.
    void ExpectNothingLeftBehind() {
        static_cast<void>(scripting.TakeRecorded());
        PluginRunTest::ExpectNothingLeftBehind();
    }
    DescriptorItems Stored() { return scripting.registry()[MIRTANE_UNIQUE_ID]; }
    void ExpectScriptingClean() {
        EXPECT_EQ(scripting.LiveSuites(), 0);
        EXPECT_EQ(scripting.LiveActionDescriptors(), 0);
        EXPECT_EQ(scripting.LiveReadTokens(), 0);
        EXPECT_EQ(scripting.LiveWriteTokens(), 0);
    }
    testhost::RunResult RunAgain() {
        host.SetImage(original);
        host.ClearLog();
        return host.Run();
    }

    testhost::ScriptingHost scripting{host};
    hostkit::Image original;
    Tints seenByDialog{-1, -1, -1};
};

const DescriptorItems kTrimmed = {{kRed, 5}, {kGreen, -5}, {kBlue, 0}};

TEST_F(ScriptingTest, FirstRunEverKeepsNeutralTintsAndStoresThem) {
    DialogKeepsTints();
    ASSERT_EQ(host.Run().result, noErr);
    EXPECT_EQ(seenByDialog, (Tints{25, 25, 25}));
    EXPECT_EQ(Stored(), (DescriptorItems{{kRed, 0}, {kGreen, 0}, {kBlue, 0}}));
    ExpectScriptingClean();
    ExpectNothingLeftBehind();
}

TEST_F(ScriptingTest, FinishStoresAndRecordsTintsMinus25) {
    DialogSetsTints(30, 20, 25);
    ASSERT_EQ(host.Run().result, noErr);
    EXPECT_EQ(Stored(), kTrimmed);
    const auto recorded = scripting.TakeRecorded();
    ASSERT_TRUE(recorded.has_value());
    EXPECT_EQ(*recorded, kTrimmed);
    EXPECT_EQ(scripting.parameters().recordInfo, plugInDialogOptional);
    ExpectScriptingClean();
    ExpectNothingLeftBehind();
}

TEST_F(ScriptingTest, LastUsedSettingsComeBackInTheNextRun) {
    DialogSetsTints(30, 20, 25);
    ASSERT_EQ(host.Run().result, noErr);
    static_cast<void>(scripting.TakeRecorded());
    DialogKeepsTints();
    ASSERT_EQ(RunAgain().result, noErr);
    EXPECT_EQ(seenByDialog, (Tints{30, 20, 25}));
}

TEST_F(ScriptingTest, ReplayWithoutDisplayAppliesTheScriptedTintsWithoutADialog) {
    for (std::int16_t playInfo : {plugInDialogDontDisplay, plugInDialogSilent}) {
        scripting.SetReplay(kTrimmed, playInfo);
        const int dialogsBefore = platform::headless::MainDialogCount();
        ASSERT_EQ(RunAgain().result, noErr);
        EXPECT_EQ(platform::headless::MainDialogCount(), dialogsBefore) << "playInfo " << playInfo;
        EXPECT_NE(host.image().pixels, original.pixels);
        const auto recorded = scripting.TakeRecorded();
        ASSERT_TRUE(recorded.has_value());
        EXPECT_EQ(*recorded, kTrimmed) << "the replayed tints were the ones applied";
    }
    ExpectScriptingClean();
    ExpectNothingLeftBehind();
}

TEST_F(ScriptingTest, ReplayWithDisplayShowsTheDialogWithTheReplayedValues) {
    scripting.SetReplay(kTrimmed, plugInDialogDisplay);
    DialogKeepsTints();
    ASSERT_EQ(RunAgain().result, noErr);
    EXPECT_EQ(seenByDialog, (Tints{30, 20, 25}));
}

TEST_F(ScriptingTest, ReplayedKeysAreHandedOutFromAWritableKeyList) {
    scripting.SetReplay(kTrimmed, plugInDialogDontDisplay);
    ASSERT_EQ(RunAgain().result, noErr);
    EXPECT_EQ(scripting.keyListSeen(),
              (std::vector<DescriptorKeyID>{typeNull, typeNull, typeNull}));
}

TEST_F(ScriptingTest, UnknownFirstKeyKeepsTheLastUsedValuesAndStillDecidesTheDialog) {
    scripting.registry()[MIRTANE_UNIQUE_ID] = {{kRed, 10}, {kGreen, 0}, {kBlue, -10}};
    scripting.SetReplay({{FourCharCode("Xyz "), 3}, {kRed, -20}}, plugInDialogDisplay);
    DialogKeepsTints();
    ASSERT_EQ(RunAgain().result, noErr);
    EXPECT_EQ(seenByDialog, (Tints{35, 25, 15}));

    scripting.SetReplay({{FourCharCode("Xyz "), 3}}, plugInDialogDontDisplay);
    const int dialogsBefore = platform::headless::MainDialogCount();
    ASSERT_EQ(RunAgain().result, noErr);
    EXPECT_EQ(platform::headless::MainDialogCount(), dialogsBefore);
    ExpectNothingLeftBehind();
}

TEST_F(ScriptingTest, StoredValuesAreNotLimited) {
    scripting.registry()[MIRTANE_UNIQUE_ID] = {{kRed, 100}, {kGreen, 0}, {kBlue, 0}};
    DialogKeepsTints();
    ASSERT_EQ(RunAgain().result, noErr);
    EXPECT_EQ(seenByDialog.red, 125);
    ExpectNothingLeftBehind();
}

TEST_F(ScriptingTest, HostWithoutBasicSuiteStoresNothingButStillRecords) {
    scripting.SetBasicSuiteEnabled(false);
    DialogSetsTints(30, 20, 25);
    ASSERT_EQ(RunAgain().result, noErr);
    EXPECT_TRUE(scripting.registry().empty());
    const auto recorded = scripting.TakeRecorded();
    ASSERT_TRUE(recorded.has_value());
    EXPECT_EQ(*recorded, kTrimmed);
}

TEST_F(ScriptingTest, HostWithoutScriptingNeitherLoadsNorRecordsButStillStores) {
    scripting.SetScriptingEnabled(false);
    scripting.registry()[MIRTANE_UNIQUE_ID] = {{kRed, 10}, {kGreen, 0}, {kBlue, 0}};
    DialogSetsTints(30, 20, 25);
    ASSERT_EQ(RunAgain().result, noErr);
    EXPECT_EQ(seenByDialog, (Tints{25, 25, 25}));
    EXPECT_EQ(Stored(), kTrimmed);
}

TEST_F(ScriptingTest, EverySuiteFailureIsSilentAndLeavesNothingAcquired) {
    const ScriptingFault faults[] = {ScriptingFault::AcquireRegistrySuite,
                                     ScriptingFault::AcquireDescriptorSuite,
                                     ScriptingFault::Make,
                                     ScriptingFault::Get,
                                     ScriptingFault::GetCount,
                                     ScriptingFault::GetInteger,
                                     ScriptingFault::PutInteger,
                                     ScriptingFault::Register};
    scripting.registry()[MIRTANE_UNIQUE_ID] = {{kRed, 1}, {kGreen, 2}, {kBlue, 3}};
    for (ScriptingFault fault : faults) {
        for (int nth = 1; nth <= 3; ++nth) {
            scripting.InjectFault(fault, nth);
            DialogSetsTints(30, 20, 25);
            EXPECT_EQ(RunAgain().result, noErr)
                << "fault " << static_cast<int>(fault) << " call " << nth;
            static_cast<void>(scripting.TakeRecorded());
            ExpectScriptingClean();
            ExpectNothingLeftBehind();
            scripting.InjectFault(fault, 0);
            scripting.registry()[MIRTANE_UNIQUE_ID] = {{kRed, 1}, {kGreen, 2}, {kBlue, 3}};
        }
    }
}

TEST_F(ScriptingTest, ValuesReadBeforeAFailedGetIntegerStay) {
    scripting.registry()[MIRTANE_UNIQUE_ID] = {{kRed, 1}, {kGreen, 2}, {kBlue, 3}};
    scripting.InjectFault(ScriptingFault::GetInteger, 2);
    DialogKeepsTints();
    ASSERT_EQ(RunAgain().result, noErr);
    EXPECT_EQ(seenByDialog, (Tints{26, 25, 25}));
}

TEST_F(ScriptingTest, CancelledOrFailedRunChangesNeitherRegistryNorRecordedStep) {
    scripting.registry()[MIRTANE_UNIQUE_ID] = {{kRed, 1}, {kGreen, 2}, {kBlue, 3}};
    DialogSetsTints(30, 20, 25, 2);
    EXPECT_EQ(RunAgain().result, userCanceledErr);
    EXPECT_EQ(Stored(), (DescriptorItems{{kRed, 1}, {kGreen, 2}, {kBlue, 3}}));
    EXPECT_FALSE(scripting.TakeRecorded().has_value());

    DialogSetsTints(30, 20, 25);
    host.InjectFault(testhost::FaultKind::AdvanceState, 2, -5000);
    EXPECT_EQ(RunAgain().result, -5000);
    host.ClearFaults();
    EXPECT_EQ(Stored(), (DescriptorItems{{kRed, 1}, {kGreen, 2}, {kBlue, 3}}));
    EXPECT_FALSE(scripting.TakeRecorded().has_value());
    ExpectScriptingClean();
    ExpectNothingLeftBehind();
}

TEST_F(ScriptingTest, RegistryFileKeepsSettingsAcrossHosts) {
    const std::string path = ::testing::TempDir() + "/mirtane-registry.txt";
    scripting.registry()[MIRTANE_UNIQUE_ID] = kTrimmed;
    ASSERT_TRUE(scripting.SaveRegistry(path));
    scripting.registry().clear();
    ASSERT_TRUE(scripting.LoadRegistry(path));
    EXPECT_EQ(Stored(), kTrimmed);
}

}  // namespace
}  // namespace mirtane
