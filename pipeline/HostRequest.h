// The few host calls the pipeline makes while it moves pixels: a request
// through advanceState, the abort test and progress. Each reads the filter
// record recorded by PluginMain.
#pragma once

#include <cstdint>

#include "pluginapi/FilterRecord.h"
#include "pluginapi/PluginConstants.h"
#include "run/CurrentRun.h"

namespace mirtane {

// Carries out the pending request and writes its code into the result slot,
// replacing whatever an earlier call left there (a heap fallback of the
// allocator leaves its status behind on success). Returns that code; a host
// without advanceState cannot deliver anything (-30100).
inline OSErr RequestFromHost() {
    const AdvanceStateProc advanceState = CurrentFilterRecord()->advanceState;
    const OSErr code = advanceState != nullptr ? advanceState() : OSErr{filterBadParameters};
    SetHostResult(code);
    return code;
}

// True when the host reports that the user asked to cancel: a non-zero low
// byte of abortProc's result. A host without the callback never cancels.
inline bool UserCancelled() {
    const TestAbortProc abortProc = CurrentFilterRecord()->abortProc;
    return abortProc != nullptr && (abortProc() & 0xFF) != 0;
}

inline void ReportProgress(std::int32_t done, std::int32_t total) {
    const ProgressProc progressProc = CurrentFilterRecord()->progressProc;
    if (progressProc != nullptr) progressProc(done, total);
}

constexpr Rect kEmptyRect = {0, 0, 0, 0};

}  // namespace mirtane
