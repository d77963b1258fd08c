// The steps of `mirtane restore` on a 6000 x 4000 photograph, in process and
// one at a time, as the command runs them through its production host:
//   decode     LoadPhoto of an uncompressed TIFF and of a q92 JPEG (12 MP)
//   intake     ReadAndReducePlanes: the pixels read in place, three reduced planes
//   analysis   ComputeChannelCurves on the reduced planes
//   application ApplyToImage: the tiles written in place
//   encode     SavePhoto as uncompressed TIFF and as q92 JPEG
//   whole run  the plug-in from prepare to finish, trims replayed
// "cold" makes a new host for every iteration, so the plug-in's buffers come
// from fresh pages as in the first run of a process; "warm" keeps one host
// and its buffer pool. The test photographs are made from the bundled sample
// in a temporary folder. Everything runs on one thread, as the plug-in does.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <vips/vips8>

#include "analysis/ComputeChannelCurves.h"
#include "bench/BentCurveSettings.h"
#include "cli/PhotoReading.h"
#include "cli/PhotoWriting.h"
#include "host/ParameterBlock.h"
#include "host/PluginMain.h"
#include "hosts/prodhost/ProductionHost.h"
#include "hosts/testhost/ScriptingHost.h"
#include "pipeline/ApplyToImage.h"
#include "pipeline/ReadAndReducePlanes.h"
#include "platform/headless/HeadlessPlatform.h"
#include "run/HostState.h"
#include "run/TrackedMemory.h"

namespace {

using namespace mirtane;

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

enum class Memory { Cold, Warm };

// The test photographs, made once per process.
struct Photographs {
    std::string folder;
    std::string tiff;
    std::string jpeg;

    Photographs() {
        char pattern[] = "/tmp/mirtane-steps-XXXXXX";
        folder = mkdtemp(pattern);
        tiff = folder + "/photo.tif";
        jpeg = folder + "/photo.jpg";
        const vips::VImage big = vips::VImage::new_from_file(MIRTANE_SAMPLE_PHOTO).resize(8.0);
        big.crop(0, 0, kWidth, kHeight).write_to_file((tiff + "[compression=none]").c_str());
        big.crop(0, 0, 4243, 2828).write_to_file((jpeg + "[Q=92]").c_str());
    }
    ~Photographs() {
        for (const std::string& path : {tiff, jpeg, folder + "/out.tif", folder + "/out.jpg"}) {
            unlink(path.c_str());
        }
        rmdir(folder.c_str());
    }
};

const Photographs& TestPhotographs() {
    static const Photographs photographs;
    return photographs;
}

cli::Photo Load(const std::string& path) {
    cli::Photo photo;
    std::string error;
    if (cli::LoadPhoto(path, cli::PhotoLimits{}, photo, error) != 0) {
        std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), error.c_str());
        std::abort();
    }
    return photo;
}

prodhost::ImageView ViewOf(hostkit::Image& image) {
    return prodhost::ImageView{image.pixels.data(), image.width, image.height};
}

// The plug-in's view of a host for steps called directly (no selector).
struct DirectCall {
    std::int16_t result = 0;
    explicit DirectCall(prodhost::ProductionHost& host) {
        gHost.filterRecord = &host.record();
        gHost.resultSlot = &result;
    }
    ~DirectCall() { gHost = HostState{}; }
};

void BM_Decode(benchmark::State& state, bool jpeg) {
    const std::string& path = jpeg ? TestPhotographs().jpeg : TestPhotographs().tiff;
    for (auto _ : state) {
        cli::Photo photo = Load(path);
        benchmark::DoNotOptimize(photo.rgb.pixels.data());
    }
}
BENCHMARK_CAPTURE(BM_Decode, tiff_24MP, false)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(BM_Decode, jpeg_12MP, true)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Intake(benchmark::State& state, Memory memory) {
    cli::Photo photo = Load(TestPhotographs().tiff);
    auto host = std::make_unique<prodhost::ProductionHost>(&PluginMain);
    for (auto _ : state) {
        if (memory == Memory::Cold) {
            state.PauseTiming();
            host.reset();
            host = std::make_unique<prodhost::ProductionHost>(&PluginMain);
            state.ResumeTiming();
        }
        host->SetImage(ViewOf(photo.rgb));
        DirectCall call(*host);
        ReducedPlanes planes;
        if (ReadAndReducePlanes(kWidth, kHeight, &planes) != IntakeStatus::Ok) {
            state.SkipWithError("intake failed");
            break;
        }
        benchmark::DoNotOptimize(planes.red[0]);
        planes.workBuffer.reset();
    }
}
BENCHMARK_CAPTURE(BM_Intake, cold, Memory::Cold)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(BM_Intake, warm, Memory::Warm)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Analysis(benchmark::State& state) {
    cli::Photo photo = Load(TestPhotographs().tiff);
    prodhost::ProductionHost host(&PluginMain);
    host.SetImage(ViewOf(photo.rgb));
    std::vector<float> source;
    std::int32_t width = 0, height = 0;
    {
        DirectCall call(host);
        ReducedPlanes planes;
        if (ReadAndReducePlanes(kWidth, kHeight, &planes) != IntakeStatus::Ok) {
            state.SkipWithError("intake failed");
            return;
        }
        width = planes.width;
        height = planes.height;
        source.assign(planes.red, planes.red + 3 * static_cast<std::size_t>(width) * height);
        planes.workBuffer.reset();
    }
    std::vector<float> planes(source.size());
    float tables[3][kCurveLength];
    ParameterBlock settings{};
    for (auto _ : state) {
        state.PauseTiming();
        planes = source;  // the analysis alters its planes
        for (int c = 0; c < 3; ++c)
            settings.curveTables[c] = tables[c];
        settings.gammaExponent = kDefaultGammaExponent;
        settings.curveLength = kCurveLength;
        settings.slopeGridHeight = kSlopeGridHeight;
        settings.blackLevel = 0.0f;
        settings.whiteLevel = 1.0f;
        const std::size_t planeSize = static_cast<std::size_t>(width) * height;
        state.ResumeTiming();
        const std::int32_t result =
            ComputeChannelCurves(planes.data(), planes.data() + planeSize,
                                 planes.data() + 2 * planeSize, width, height, &settings);
        if (result != 0) {
            state.SkipWithError("analysis failed");
            break;
        }
    }
}
BENCHMARK(BM_Analysis)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Application(benchmark::State& state) {
    cli::Photo photo = Load(TestPhotographs().tiff);
    prodhost::ProductionHost host(&PluginMain);
    host.SetImage(ViewOf(photo.rgb));
    BentCurveSettings settings;
    for (auto _ : state) {
        DirectCall call(host);
        gHost.parameterBlock = &settings.block;
        ApplyToImage();
        if (call.result != noErr) {
            state.SkipWithError("application failed");
            break;
        }
    }
}
BENCHMARK(BM_Application)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Encode(benchmark::State& state, bool jpeg) {
    const Photographs& photographs = TestPhotographs();
    const cli::Photo photo = Load(jpeg ? photographs.jpeg : photographs.tiff);
    const std::string out = photographs.folder + (jpeg ? "/out.jpg" : "/out.tif");
    for (auto _ : state) {
        std::string error;
        if (cli::SavePhoto(out, photo, photo.rgb, cli::SaveSettings{92, {}, {}, false}, error) !=
            0) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
}
BENCHMARK_CAPTURE(BM_Encode, tiff_24MP, false)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(BM_Encode, jpeg_12MP, true)->Unit(benchmark::kMillisecond)->Iterations(5);

// The whole plug-in run through the production host, its dialog skipped as
// for a replayed step, without the files.
void BM_WholeRun(benchmark::State& state, Memory memory) {
    platform::headless::SetMessagesEchoed(false);
    const cli::Photo photo = Load(TestPhotographs().tiff);
    hostkit::Image image = photo.rgb;
    auto host = std::make_unique<prodhost::ProductionHost>(&PluginMain);
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(image.pixels.data(), photo.rgb.pixels.data(), image.pixels.size());
        if (memory == Memory::Cold) {
            host.reset();
            host = std::make_unique<prodhost::ProductionHost>(&PluginMain);
        }
        host->SetImage(ViewOf(image));
        testhost::ScriptingHost scripting(*host);
        scripting.SetReplayedTints(0, 0, 0, plugInDialogDontDisplay);
        state.ResumeTiming();
        if (host->Run().result != noErr) {
            state.SkipWithError("the run failed");
            break;
        }
        state.PauseTiming();
        static_cast<void>(scripting.TakeRecorded());
        state.ResumeTiming();
    }
}
BENCHMARK_CAPTURE(BM_WholeRun, cold, Memory::Cold)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(BM_WholeRun, warm, Memory::Warm)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    if (VIPS_INIT(argv[0]) != 0) return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
