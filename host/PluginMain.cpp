// The library's one entry point for the host. Every selector runs inside a
// single exception firewall: nothing thrown by the plug-in ever reaches the
// host, which only understands the 16-bit result code.
#include <new>

#include "host/PluginMain.h"

#include "host/ParameterBlock.h"
#include "host/SelectorHandlers.h"
#include "run/HostState.h"

namespace mirtane {
namespace {

void DispatchSelector(std::int16_t selector) {
    switch (selector) {
    case filterSelectorParameters:
        HandleParameters();
        UnlockHandles();
        break;
    case filterSelectorPrepare:
        HandlePrepare();
        UnlockHandles();
        break;
    case filterSelectorStart: {
        const LockedHandles locked;
        if (HostResult() == noErr) {
            HandleStart();
        }
        break;
    }
    case filterSelectorContinue: HandleContinue(); break;
    case filterSelectorFinish: HandleFinish(); break;
    default: SetHostResult(filterBadParameters); break;
    }
}

// Runs a piece of work and turns any escaping exception into a host code.
template <typename Work>
void Guarded(Work&& work) {
    try {
        work();
    } catch (const std::bad_alloc&) {
        SetHostResult(memFullErr);
    } catch (...) {
        SetHostResult(filterBadParameters);
    }
}

}  // namespace
}  // namespace mirtane

extern "C" void PI_CDECL PluginMain(std::int16_t selector, void* record, std::intptr_t* data,
                                    std::int16_t* result) {
    using namespace mirtane;
    if (result == nullptr || data == nullptr) {
        return;  // nowhere to report anything: refuse to touch the call
    }
    gHost.dataSlot = data;
    gHost.resultSlot = result;
    // The result slot belongs to this call: some hosts preset it to a
    // non-zero value and would read success, the about box included, as a
    // failure.
    *result = noErr;
    if (selector == filterSelectorAbout) {
        // The about record is not a filter record: nothing of a run is touched.
        gHost.filterRecord = nullptr;
        Guarded([&] { HandleAbout(static_cast<const AboutRecord*>(record)); });
        return;
    }
    gHost.filterRecord = static_cast<FilterRecord*>(record);
    if (gHost.filterRecord == nullptr) {
        *result = filterBadParameters;
        return;
    }
    Guarded([&] { DispatchSelector(selector); });
    if (*result != noErr) {
        Guarded([] { RunErrorEpilogue(); });
    }
}
