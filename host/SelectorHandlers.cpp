#include "host/SelectorHandlers.h"

#include "host/LastUsedSettings.h"
#include "host/ParameterBlock.h"
#include "host/ScriptingParameters.h"
#include "platform/Platform.h"
#include "run/HostState.h"
#include "run/TrackedMemory.h"

namespace mirtane {

void HandleAbout(const AboutRecord* about) {
    void* owner = nullptr;
    if (about != nullptr && about->platformData != nullptr) {
        owner = about->platformData->hwnd;
    }
    platform::ShowAboutBox(owner);
}

void HandleParameters() {
    FilterRecord* record = gHost.filterRecord;
    if (record->parameters == nullptr) {
        CreateParameterHandle();
    }
    if (*gHost.dataSlot == 0) {
        CreateGlobalsHandle();
    }
    if (HostResult() != noErr) {
        DisposeHandles();
        return;
    }
    LockHandles();
    SetParameterDefaults();
    InitGlobals();
}

void HandlePrepare() {
    FilterRecord* record = gHost.filterRecord;
    if (*gHost.dataSlot != 0 && record->parameters != nullptr) {
        LockHandles();  // existing settings stay as they are
        record->bufferSpace = 0;
        return;
    }
    HandleParameters();  // creates whichever handle is missing, parameters first
    record->bufferSpace = 0;
}

void HandleContinue() { ClearHostRects(); }

void HandleFinish() {
    LockHandles();
    if (HostResult() != noErr) {
        return;  // the error epilogue follows
    }
    if (gHost.filterRecord->descriptorParameters != nullptr) {
        static_cast<void>(WriteScriptParameters());  // failures are silent by design
    }
    static_cast<void>(StoreLastUsedSettings());
    ReleaseAllTracked();
    UnlockHandles();
    DisposeHandles();
}

void ClearHostRects() {
    FilterRecord* record = gHost.filterRecord;
    record->inRect = Rect{0, 0, 0, 0};
    record->outRect = Rect{0, 0, 0, 0};
    record->maskRect = Rect{0, 0, 0, 0};
}

void RunErrorEpilogue() {
    {
        const LockedHandles locked;
        ReleaseAllTracked();
    }
    DisposeHandles();
    ClearHostRects();
}

}  // namespace mirtane
