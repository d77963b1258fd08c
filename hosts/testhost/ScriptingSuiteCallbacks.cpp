// The scripting host's callbacks for the basic suite, through which the plug-in acquires the
// others.
#include "hosts/testhost/ScriptingCallbacks.h"

#include <cstring>

namespace testhost {

bool ScriptingCallbacks::SuiteFor(const char* name, std::int32_t version, ScriptingFault* fault) {
    if (std::strcmp(name, kPSDescriptorRegistrySuite) == 0 &&
        version == kPSDescriptorRegistrySuiteVersion) {
        *fault = ScriptingFault::AcquireRegistrySuite;
        return true;
    }
    if (std::strcmp(name, kPSActionDescriptorSuite) == 0 &&
        version == kPSActionDescriptorSuiteVersion) {
        *fault = ScriptingFault::AcquireDescriptorSuite;
        return true;
    }
    return false;
}

SPErr PI_CDECL ScriptingCallbacks::AcquireSuite(const char* name, std::int32_t version,
                                                const void** suite) {
    ScriptingHost* host = Host();
    ScriptingFault fault{};
    if (host == nullptr || name == nullptr || !SuiteFor(name, version, &fault)) {
        return kSPSuiteNotFoundError;
    }
    std::int32_t code = 0;
    if (host->NextCallFails(fault, &code)) {
        return code;
    }
    *suite = fault == ScriptingFault::AcquireRegistrySuite
                 ? static_cast<const void*>(&host->registryProcs_)
                 : static_cast<const void*>(&host->actionProcs_);
    ++host->liveSuites_;
    return kSPNoError;
}

SPErr PI_CDECL ScriptingCallbacks::ReleaseSuite(const char* name, std::int32_t version) {
    ScriptingHost* host = Host();
    ScriptingFault fault{};
    if (host == nullptr || name == nullptr || !SuiteFor(name, version, &fault)) {
        return kSPSuiteNotFoundError;
    }
    --host->liveSuites_;
    return kSPNoError;
}

std::int32_t PI_CDECL ScriptingCallbacks::IsEqual(const char* a, const char* b) {
    return a != nullptr && b != nullptr && std::strcmp(a, b) == 0;
}

SPErr PI_CDECL ScriptingCallbacks::AllocateBlock(std::int32_t, void**) {
    return kSPUnimplementedError;
}

SPErr PI_CDECL ScriptingCallbacks::FreeBlock(void*) { return kSPUnimplementedError; }

SPErr PI_CDECL ScriptingCallbacks::ReallocateBlock(void*, std::int32_t, void**) {
    return kSPUnimplementedError;
}

SPErr PI_CDECL ScriptingCallbacks::Undefined() { return kSPUnimplementedError; }

}  // namespace testhost
