#include "engine/AnalysisThreads.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <thread>
#include <vector>

#include "analysis/Tasks.h"

namespace mirtane::engine {
namespace {

std::atomic<int> gThreads{0};

int ThreadCount() {
    const int set = gThreads.load();
    return set > 0 ? set : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

// Each thread, the caller's included, takes the next task until none is
// left. A thread the system refuses leaves its share to the others.
void RunOnThreads(std::int32_t count, TaskBody body, void* context) {
    std::atomic<std::int32_t> next{0};
    const auto work = [&] {
        for (std::int32_t index; (index = next.fetch_add(1)) < count;) {
            body(context, index);
        }
    };
    std::vector<std::thread> helpers;
    try {
        const int wanted = std::min(ThreadCount(), static_cast<int>(count)) - 1;
        helpers.reserve(static_cast<std::size_t>(std::max(0, wanted)));
        for (int t = 0; t < wanted; ++t) {
            helpers.emplace_back(work);
        }
    } catch (const std::exception&) {
        // Fewer helpers (none at worst): the tasks still all run.
    }
    work();
    for (std::thread& helper : helpers) {
        helper.join();
    }
}

}  // namespace

void SetAnalysisThreads(int threads) { gThreads.store(std::max(0, threads)); }

AnalysisThreadsInUse::AnalysisThreadsInUse() {
    InstallTaskRunner(ThreadCount() > 1 ? &RunOnThreads : nullptr);
}

AnalysisThreadsInUse::~AnalysisThreadsInUse() { InstallTaskRunner(nullptr); }

}  // namespace mirtane::engine
