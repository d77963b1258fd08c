// The engine's runs of the plug-in's analysis spread its per-channel tasks
// (the three planes' reductions, the channels' slope estimates and tone
// mappings) over threads. The plug-in DLL never does: it starts no thread.
// The results are the same bit for bit with any number of threads.
#pragma once

namespace mirtane::engine {

// Threads an analysis may use, the caller's included: 1 for none beside it,
// 0 (the default) for one per processor. A batch running several files at
// once gives each its share.
void SetAnalysisThreads(int threads);

// While it lives, the analysis' tasks run on the threads set (one after
// another for one thread); afterwards, one after another again, so that a
// plug-in run of another host in the same process is left as it expects.
class AnalysisThreadsInUse {
  public:
    AnalysisThreadsInUse();
    ~AnalysisThreadsInUse();
    AnalysisThreadsInUse(const AnalysisThreadsInUse&) = delete;
    AnalysisThreadsInUse& operator=(const AnalysisThreadsInUse&) = delete;
};

}  // namespace mirtane::engine
