// The C entry points the filter record hands to the plug-in. Each forwards
// to the active test host; with no host active they fail safely.
#pragma once

#include <cstdint>

#include "pluginapi/PluginSuites.h"

namespace testhost {

struct HostCallbacks {
    static Boolean PI_CDECL Abort();
    static void PI_CDECL Progress(std::int32_t done, std::int32_t total);
    static OSErr PI_CDECL AdvanceState();
    static void PI_CDECL ProcessEvent(void* event);

    static OSErr PI_CDECL AllocateBuffer(std::int32_t size, BufferID* id);
    static Ptr PI_CDECL LockBuffer(BufferID id, Boolean moveHigh);
    static void PI_CDECL UnlockBuffer(BufferID id);
    static void PI_CDECL FreeBuffer(BufferID id);
    static std::int32_t PI_CDECL BufferSpace();

    static Handle PI_CDECL NewHandle(std::int32_t size);
    static void PI_CDECL DisposeHandle(Handle handle);
    static std::int32_t PI_CDECL GetHandleSize(Handle handle);
    static OSErr PI_CDECL SetHandleSize(Handle handle, std::int32_t newSize);
    static Ptr PI_CDECL LockHandle(Handle handle, Boolean moveHigh);
    static void PI_CDECL UnlockHandle(Handle handle);
    static void PI_CDECL RecoverSpace(std::int32_t size);

    static OSErr PI_CDECL GetProperty(PIType signature, PIType key, std::int32_t index,
                                      std::intptr_t* simple, Handle* complex);
    static OSErr PI_CDECL SetProperty(PIType signature, PIType key, std::int32_t index,
                                      std::intptr_t simple, Handle complex);
};

}  // namespace testhost
