// The suites a host hands the plug-in through its record, and how a host
// puts them in place before the first selector. Callbacks of the interface
// carry no context, so every host answers with static functions of its own;
// what it does with them here is the same for every host.
#pragma once

#include <cstring>

#include "hosts/kit/RecordDefaults.h"
#include "pluginapi/FilterRecord.h"
#include "pluginapi/PluginSuites.h"

namespace hostkit {

// Kept beside the record, which points into it, for the record's lifetime.
struct RecordSuites {
    BufferProcs buffers{};
    HandleProcs handles{};
    PropertyProcs properties{};
    PlatformData platform{};
    char errorString[256] = {};
};

// Zeroes `record`, fills `suites` with the functions of `Callbacks` (a class
// of static functions named after the procedures: AllocateBuffer ...
// BufferSpace, NewHandle ... RecoverSpace, GetProperty, SetProperty, Abort,
// Progress, AdvanceState, ProcessEvent), points the record at them, and
// fills the document defaults (FillRecordDefaults).
template <typename Callbacks>
void ConnectRecord(FilterRecord& record, RecordSuites& suites) {
    std::memset(&record, 0, sizeof record);
    suites.buffers = BufferProcs{2,
                                 5,
                                 &Callbacks::AllocateBuffer,
                                 &Callbacks::LockBuffer,
                                 &Callbacks::UnlockBuffer,
                                 &Callbacks::FreeBuffer,
                                 &Callbacks::BufferSpace};
    suites.handles = HandleProcs{1,
                                 8,
                                 &Callbacks::NewHandle,
                                 &Callbacks::DisposeHandle,
                                 &Callbacks::GetHandleSize,
                                 &Callbacks::SetHandleSize,
                                 &Callbacks::LockHandle,
                                 &Callbacks::UnlockHandle,
                                 &Callbacks::RecoverSpace,
                                 &Callbacks::DisposeHandle};
    suites.properties = PropertyProcs{1, 2, &Callbacks::GetProperty, &Callbacks::SetProperty};

    record.abortProc = &Callbacks::Abort;
    record.progressProc = &Callbacks::Progress;
    record.advanceState = &Callbacks::AdvanceState;
    record.processEvent = &Callbacks::ProcessEvent;
    record.bufferProcs = &suites.buffers;
    record.handleProcs = &suites.handles;
    record.propertyProcs = &suites.properties;
    record.platformData = &suites.platform;
    record.errorString = suites.errorString;
    FillRecordDefaults(record);
}

}  // namespace hostkit
