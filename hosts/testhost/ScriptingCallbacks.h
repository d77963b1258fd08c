// The C entry points of the scripting host's suites, one static function
// per procedure; each forwards to the active scripting host, whose private
// state it may touch. Defined one suite group per file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hosts/testhost/ScriptingHost.h"

namespace testhost {

// A failing call of a 16-bit status procedure answers with the low half of
// the PICA code, as a host returning the wider code leaves it in AX.
inline OSErr Narrow(std::int32_t code) { return static_cast<OSErr>(code); }

struct ScriptingHost::ReadToken {
    DescriptorItems items;
    std::size_t next = 0;  // index of the item getKeyProc hands out next
};

struct ScriptingHost::WriteToken {
    DescriptorItems items;
};

struct ScriptingCallbacks {
    static ScriptingHost* Host() { return ScriptingHost::Active(); }

    // The descriptor read and write suites the filter record offers.
    static PIReadDescriptor PI_CDECL OpenRead(Handle descriptor, DescriptorKeyID* keyArray);
    static OSErr PI_CDECL CloseRead(PIReadDescriptor token);
    static Boolean PI_CDECL GetKey(PIReadDescriptor token, DescriptorKeyID* key, DescType* type,
                                   std::int32_t* flags);
    static OSErr PI_CDECL GetInteger(PIReadDescriptor token, std::int32_t* value);
    static PIWriteDescriptor PI_CDECL OpenWrite();
    static OSErr PI_CDECL CloseWrite(PIWriteDescriptor token, Handle* newDescriptor);
    static OSErr PI_CDECL PutInteger(PIWriteDescriptor token, DescriptorKeyID key,
                                     std::int32_t value);

    // The basic suite, through which the plug-in acquires the others.
    static bool SuiteFor(const char* name, std::int32_t version, ScriptingFault* fault);
    static SPErr PI_CDECL AcquireSuite(const char* name, std::int32_t version, const void** suite);
    static SPErr PI_CDECL ReleaseSuite(const char* name, std::int32_t version);
    static std::int32_t PI_CDECL IsEqual(const char* a, const char* b);
    static SPErr PI_CDECL AllocateBlock(std::int32_t, void**);
    static SPErr PI_CDECL FreeBlock(void*);
    static SPErr PI_CDECL ReallocateBlock(void*, std::int32_t, void**);
    static SPErr PI_CDECL Undefined();

    // The descriptor registry and action descriptor suites.
    static PIActionDescriptor NewActionDescriptor(ScriptingHost* host, DescriptorItems items);
    static OSErr PI_CDECL Register(const char* key, PIActionDescriptor descriptor, Boolean);
    static OSErr PI_CDECL Erase(const char* key);
    // An unknown key answers success with no descriptor.
    static OSErr PI_CDECL Get(const char* key, PIActionDescriptor* descriptor);
    static OSErr PI_CDECL Make(PIActionDescriptor* descriptor);
    static OSErr PI_CDECL Free(PIActionDescriptor descriptor);
    static DescriptorItems* Items(ScriptingHost* host, PIActionDescriptor descriptor);
    static OSErr PI_CDECL GetCount(PIActionDescriptor descriptor, std::uint32_t* count);
    static OSErr PI_CDECL PutInteger(PIActionDescriptor descriptor, DescriptorKeyID key,
                                     std::int32_t value);
    static OSErr PI_CDECL GetInteger(PIActionDescriptor descriptor, DescriptorKeyID key,
                                     std::int32_t* value);
};

}  // namespace testhost
