// The intake through the test host: what it asks the host for, what it makes
// of the pixels, what it leaves allocated, and how it stops on a cancel or a
// host error.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "hosts/testhost/TestHost.h"
#include "pipeline/ReadAndReducePlanes.h"
#include "run/HostState.h"
#include "run/TrackedMemory.h"
#include "tests/pipeline/PipelineHarness.h"
#include "tests/pipeline/References.h"

namespace mirtane {
namespace {

using harness::RandomImage;
using harness::RectIs;
using hostkit::Image;
using testhost::FaultKind;
using testhost::TestHost;

std::vector<float> PlaneCopy(const float* plane, const ReducedPlanes& planes) {
    return std::vector<float>(plane, plane + static_cast<std::size_t>(planes.width) *
                                                 static_cast<std::size_t>(planes.height));
}

// Runs the intake as the start selector does and keeps what it produced.
struct IntakeRun {
    IntakeStatus status = IntakeStatus::Ok;
    std::int16_t resultAfter = 0;
    std::vector<float> red, green, blue;
    int width = 0, height = 0;
    std::size_t blocksAfter = 0;
    std::uint64_t highWaterMark = 0;
};

IntakeRun RunIntake(TestHost& host) {
    IntakeRun run;
    harness::SetStartScenario([&run] {
        ResetTrackedHighWaterMark();
        const std::uint64_t before = TrackedBytesInUse();
        ReducedPlanes planes;
        const FilterRecord* record = gHost.filterRecord;
        run.status = ReadAndReducePlanes(record->wholeSize.h, record->wholeSize.v, &planes);
        run.resultAfter = *gHost.resultSlot;
        run.highWaterMark = TrackedHighWaterMark() - before;
        run.blocksAfter = TrackedBlockCount();
        if (run.status != IntakeStatus::Ok) return;
        run.red = PlaneCopy(planes.red, planes);
        run.green = PlaneCopy(planes.green, planes);
        run.blue = PlaneCopy(planes.blue, planes);
        run.width = planes.width;
        run.height = planes.height;
        EXPECT_EQ(planes.workBuffer.get(), static_cast<void*>(planes.red));
        EXPECT_EQ(planes.green, planes.red + planes.width * planes.height);
        EXPECT_EQ(planes.blue, planes.green + planes.width * planes.height);
        planes.workBuffer.reset();
    });
    host.Run();
    harness::SetStartScenario(nullptr);
    return run;
}

TEST(ReadAndReducePlanes, ReadsTheWholeImageInOneRequestWhateverTheSelection) {
    TestHost host(&harness::PipelineEntry);
    host.SetImage(RandomImage(483, 480, 1));
    host.SetSelection(Rect{100, 50, 200, 300});
    const IntakeRun run = RunIntake(host);
    ASSERT_EQ(run.status, IntakeStatus::Ok);
    EXPECT_EQ(run.resultAfter, noErr);

    const auto& requests = host.requests();
    ASSERT_EQ(requests.size(), 2u);
    const testhost::Request& request = requests[0];
    EXPECT_TRUE(RectIs(request.inRect, 0, 0, 480, 483));
    EXPECT_TRUE(RectIs(request.outRect, 0, 0, 0, 0));
    EXPECT_TRUE(RectIs(request.maskRect, 0, 0, 0, 0));
    EXPECT_EQ(request.inLoPlane, 0);
    EXPECT_EQ(request.inHiPlane, 2);
    EXPECT_EQ(request.inputPadding, 0);
    EXPECT_EQ(request.outputPadding, 0);
    EXPECT_TRUE(RectIs(requests[1].inRect, 0, 0, 0, 0));
    EXPECT_TRUE(RectIs(requests[1].outRect, 0, 0, 0, 0));
    EXPECT_TRUE(RectIs(requests[1].maskRect, 0, 0, 0, 0));
    EXPECT_EQ(host.abortCalls(), 3);  // before each plane is taken apart

    ASSERT_EQ(run.width, 120);
    ASSERT_EQ(run.height, 120);
    const Image& image = host.image();
    EXPECT_EQ(run.red, reference::ReducedPlane(image.pixels, 483, 480, 3, 0));
    EXPECT_EQ(run.green, reference::ReducedPlane(image.pixels, 483, 480, 3, 1));
    EXPECT_EQ(run.blue, reference::ReducedPlane(image.pixels, 483, 480, 3, 2));
    EXPECT_EQ(host.LeakReport(), "");
}

TEST(ReadAndReducePlanes, FullIntensityPlaneReducesToOneWithTheEdgesAtFiveEighths) {
    TestHost host(&harness::PipelineEntry);
    Image image = hostkit::MakeImage(480, 484);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x)
            image.At(x, y, 1) = 255;
    }
    host.SetImage(image);
    const IntakeRun run = RunIntake(host);
    ASSERT_EQ(run.status, IntakeStatus::Ok);
    ASSERT_EQ(run.width, 120);
    ASSERT_EQ(run.height, 121);
    for (int r = 0; r < run.height; ++r) {
        for (int c = 0; c < run.width; ++c) {
            const std::size_t i = static_cast<std::size_t>(r * run.width + c);
            const float expected =
                r == 0 && c == 0 ? 0.390625f : (r == 0 || c == 0 ? 0.625f : 1.0f);
            ASSERT_EQ(run.green[i], expected) << "row " << r << " column " << c;
            ASSERT_EQ(run.red[i], 0.0f);
            ASSERT_EQ(run.blue[i], 0.0f);
        }
    }
}

TEST(ReadAndReducePlanes, ColumnsPast478OfA483WideImageMakeNoDifference) {
    const Image original = RandomImage(483, 480, 2);
    auto reduce = [](const Image& image) {
        TestHost host(&harness::PipelineEntry);
        host.SetImage(image);
        IntakeRun run = RunIntake(host);
        EXPECT_EQ(run.status, IntakeStatus::Ok);
        return run;
    };
    const IntakeRun base = reduce(original);
    Image beyond = original;
    Image lastTap = original;
    for (int y = 0; y < 480; ++y) {
        for (int p = 0; p < 3; ++p) {
            for (int x = 479; x < 483; ++x)
                beyond.At(x, y, p) = static_cast<std::uint8_t>(255 - beyond.At(x, y, p));
            lastTap.At(478, y, p) = static_cast<std::uint8_t>(255 - lastTap.At(478, y, p));
        }
    }
    const IntakeRun changedBeyond = reduce(beyond);
    EXPECT_EQ(changedBeyond.red, base.red);
    EXPECT_EQ(changedBeyond.green, base.green);
    EXPECT_EQ(changedBeyond.blue, base.blue);
    const IntakeRun changedLastTap = reduce(lastTap);
    EXPECT_NE(changedLastTap.red, base.red);
}

TEST(ReadAndReducePlanes, PaddedHostRowsGiveTheSamePlanes) {
    const Image image = RandomImage(500, 481, 3);
    TestHost plain(&harness::PipelineEntry);
    plain.SetImage(image);
    const IntakeRun expected = RunIntake(plain);
    TestHost padded(&harness::PipelineEntry);
    padded.SetImage(image);
    padded.SetRowPadding(13);
    const IntakeRun run = RunIntake(padded);
    ASSERT_EQ(run.status, IntakeStatus::Ok);
    EXPECT_EQ(run.red, expected.red);
    EXPECT_EQ(run.green, expected.green);
    EXPECT_EQ(run.blue, expected.blue);
}

// The planes are converted a row at a time: no full-resolution float plane.
TEST(ReadAndReducePlanes, PeakMemoryIsOneFloatRowAndTheWorkBuffer) {
    for (bool hostBuffers : {true, false}) {
        TestHost host(&harness::PipelineEntry);
        host.SetImage(RandomImage(640, 480, 4));
        host.SetBufferProcsEnabled(hostBuffers);
        const IntakeRun run = RunIntake(host);
        ASSERT_EQ(run.status, IntakeStatus::Ok);
        EXPECT_EQ(run.highWaterMark, 3u * 640 * 480 + 4u * 640)
            << (hostBuffers ? "host buffers" : "heap");
        EXPECT_EQ(run.blocksAfter, 1u) << "only the work buffer outlives the intake";
        EXPECT_EQ(host.LeakReport(), "");
    }
}

TEST(ReadAndReducePlanes, CancelBeforeAnyPlaneStopsWithUserCancelledAndFreesEverything) {
    for (int nth = 1; nth <= 3; ++nth) {
        TestHost host(&harness::PipelineEntry);
        host.SetImage(RandomImage(480, 480, 5));
        host.InjectFault(FaultKind::Abort, nth);
        const IntakeRun run = RunIntake(host);
        EXPECT_EQ(run.status, IntakeStatus::HostFailure) << nth;
        EXPECT_EQ(run.resultAfter, userCanceledErr) << nth;
        EXPECT_EQ(run.blocksAfter, 0u) << nth;
        EXPECT_EQ(host.requests().size(), 1u) << "no request after the cancel";
        EXPECT_EQ(TrackedBlockCount(), 0u);
        EXPECT_EQ(host.LeakReport(), "") << nth;
    }
}

TEST(ReadAndReducePlanes, HeapFallbackStatusIsReplacedByTheFirstRequest) {
    // A failed host allocation or lock leaves its status in the result slot
    // while the heap supplies the block; the next request's answer replaces it.
    for (FaultKind kind : {FaultKind::AllocateBuffer, FaultKind::LockBuffer}) {
        for (int nth = 1; nth <= 2; ++nth) {
            TestHost host(&harness::PipelineEntry);
            host.SetImage(RandomImage(480, 480, 7));
            host.InjectFault(kind, nth, memFullErr);
            const IntakeRun run = RunIntake(host);
            EXPECT_EQ(run.status, IntakeStatus::Ok) << nth;
            EXPECT_EQ(run.resultAfter, noErr) << nth;
            EXPECT_EQ(host.LeakReport(), "") << nth;
        }
    }
}

OSErr PI_CDECL AnswerWithoutData() { return noErr; }

TEST(ReadAndReducePlanes, HostThatDeliversNoDataIsAnInternalFailureNotACrash) {
    FilterRecord record{};
    record.advanceState = &AnswerWithoutData;
    std::int16_t result = 0;
    gHost.filterRecord = &record;
    gHost.resultSlot = &result;
    ReducedPlanes planes;
    EXPECT_EQ(ReadAndReducePlanes(480, 480, &planes), IntakeStatus::ReductionFailed);
    EXPECT_FALSE(planes.workBuffer);
    EXPECT_EQ(TrackedBlockCount(), 0u);
    gHost = HostState{};
}

}  // namespace
}  // namespace mirtane
