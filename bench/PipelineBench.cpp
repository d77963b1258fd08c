// Speed of the image pipeline on a 6000 x 4000 photograph:
//  - ApplyCurvesToPixels over the interleaved RGB buffer, beside memcpy of the
//    same buffer, with the ratio of their throughputs printed at the end
//    (the aim is at least 0.3 of memcpy's);
//  - ReadAndReducePlanes through the test host (the aim is under 0.25 s),
//    with the allocator's high-water mark and the CPU time spent inside the
//    host's advanceState (the rest is the plug-in's);
//  - MedianFilterPlanes on one 1500 x 1000 reduced plane.
// Everything runs on one thread.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <random>
#include <string>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "bench/BentCurveSettings.h"
#include "hosts/testhost/TestHost.h"
#include "pipeline/ApplyCurves.h"
#include "pipeline/MedianFilter.h"
#include "pipeline/ReadAndReducePlanes.h"
#include "run/HostState.h"
#include "run/TrackedMemory.h"

namespace {

using namespace mirtane;

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

std::vector<std::uint8_t> RandomBytes(std::size_t count, unsigned seed) {
    std::vector<std::uint8_t> bytes(count);
    std::mt19937 random(seed);
    for (std::size_t i = 0; i < count; i += 4) {
        const std::uint32_t word = random();
        for (std::size_t j = 0; j < 4 && i + j < count; ++j)
            bytes[i + j] = static_cast<std::uint8_t>(word >> (8 * j));
    }
    return bytes;
}

// A plug-in state as the application sees it: an RGB document and a
// parameter block with bent curves and non-neutral tints.
struct ApplicationState {
    FilterRecord record{};
    BentCurveSettings settings;
    std::int16_t result = 0;

    ApplicationState() {
        std::memset(&record, 0, sizeof record);
        record.planes = 3;
        record.filterCase = 1;
        gHost.filterRecord = &record;
        gHost.resultSlot = &result;
        gHost.parameterBlock = &settings.block;
    }
    ~ApplicationState() { gHost = HostState{}; }
};

void BM_ApplyCurvesToPixels(benchmark::State& state) {
    ApplicationState application;
    std::vector<std::uint8_t> pixels =
        RandomBytes(static_cast<std::size_t>(kWidth) * kHeight * 3, 1);
    const Rect rect = {0, 0, kHeight, kWidth};
    for (auto _ : state) {
        ApplyCurvesToPixels(pixels.data(), kWidth * 3, rect);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(pixels.size()));
}
BENCHMARK(BM_ApplyCurvesToPixels)->Unit(benchmark::kMillisecond);

void BM_MemcpySameBuffer(benchmark::State& state) {
    const std::vector<std::uint8_t> source =
        RandomBytes(static_cast<std::size_t>(kWidth) * kHeight * 3, 2);
    std::vector<std::uint8_t> target(source.size(), 1);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), source.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(source.size()));
}
BENCHMARK(BM_MemcpySameBuffer)->Unit(benchmark::kMillisecond);

void PI_CDECL NoPlugin(std::int16_t, void*, std::intptr_t*, std::int16_t*) {}

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The host's own share: time spent inside its advanceState.
AdvanceStateProc gHostAdvanceState = nullptr;
double gHostSeconds = 0.0;

OSErr PI_CDECL TimedAdvanceState() {
    const double start = ThreadCpuSeconds();
    const OSErr result = gHostAdvanceState();
    gHostSeconds += ThreadCpuSeconds() - start;
    return result;
}

enum class Memory { Fresh, Recycled };

// The intake of a 6000 x 4000 image through the test host. With fresh memory
// every run maps new pages for its 168 MB, and on a virtual machine the first
// touch of each page costs more than the work itself; a host hands out
// buffers from a pool it has touched before, which the recycled variant
// models by keeping freed memory in the process heap.
void BM_ReadAndReducePlanes(benchmark::State& state, Memory memory) {
#ifdef __GLIBC__
    if (memory == Memory::Recycled) {
        mallopt(M_MMAP_THRESHOLD, 1 << 30);
        mallopt(M_TRIM_THRESHOLD, 1 << 30);
    }
#else
    static_cast<void>(memory);
#endif
    testhost::TestHost host(&NoPlugin);
    hostkit::Image image = hostkit::MakeImage(kWidth, kHeight);
    image.pixels = RandomBytes(image.pixels.size(), 3);
    host.SetImage(std::move(image));
    gHostAdvanceState = host.record().advanceState;
    host.record().advanceState = &TimedAdvanceState;
    std::int16_t result = 0;
    gHost.filterRecord = &host.record();
    gHost.resultSlot = &result;
    if (memory == Memory::Recycled) {
        ReducedPlanes warmUp;
        if (ReadAndReducePlanes(kWidth, kHeight, &warmUp) == IntakeStatus::Ok)
            warmUp.workBuffer.reset();
    }
    gHostSeconds = 0.0;
    std::uint64_t highWaterMark = 0;
    for (auto _ : state) {
        ResetTrackedHighWaterMark();
        ReducedPlanes planes;
        if (ReadAndReducePlanes(kWidth, kHeight, &planes) != IntakeStatus::Ok) {
            state.SkipWithError("intake failed");
            break;
        }
        highWaterMark = TrackedHighWaterMark();
        benchmark::DoNotOptimize(planes.red[0]);
        planes.workBuffer.reset();
    }
    state.counters["host_cpu_ms"] =
        benchmark::Counter(gHostSeconds * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["peak_MB"] = static_cast<double>(highWaterMark) / 1e6;
    state.counters["peak_bytes_per_pixel"] =
        static_cast<double>(highWaterMark) / (static_cast<double>(kWidth) * kHeight);
    host.record().advanceState = gHostAdvanceState;
    gHost = HostState{};
}
BENCHMARK_CAPTURE(BM_ReadAndReducePlanes, fresh_memory, Memory::Fresh)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK_CAPTURE(BM_ReadAndReducePlanes, recycled_memory, Memory::Recycled)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

void BM_MedianFilterPlanes(benchmark::State& state) {
    const int width = 1500;
    const int height = 1000;
    std::vector<float> plane(static_cast<std::size_t>(width) * height);
    std::mt19937 random(4);
    std::uniform_int_distribution<int> byte(0, 255);
    for (float& v : plane)
        v = static_cast<float>(byte(random)) * kSampleScale;
    for (auto _ : state) {
        MedianFilterPlanes(plane.data(), width, height, 1);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * (width - 4) *
                            (height - 4));
}
BENCHMARK(BM_MedianFilterPlanes)->Unit(benchmark::kMillisecond);

// Keeps the throughput of every run so the ratio can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            // With repetitions, compare the medians.
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
            const auto bytes = run.counters.find("bytes_per_second");
            if (bytes != run.counters.end())
                throughput_[run.run_name.function_name] = bytes->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void PrintRatio() const {
        const auto curves = throughput_.find("BM_ApplyCurvesToPixels");
        const auto copy = throughput_.find("BM_MemcpySameBuffer");
        if (curves == throughput_.end() || copy == throughput_.end() || copy->second <= 0.0) return;
        std::printf(
            "ApplyCurvesToPixels throughput / memcpy throughput = %.3f (aim: at least 0.3)\n",
            curves->second / copy->second);
    }

  private:
    std::map<std::string, double> throughput_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio();
    benchmark::Shutdown();
    return 0;
}
