#include "host/ParameterBlock.h"

#include "run/HostState.h"

namespace mirtane {
namespace {

HandleProcs* Handles() { return gHost.filterRecord->handleProcs; }

// The blocks live in host handles: a host that lacks any of the four
// procedures they need cannot run the plug-in at all.
bool HostOffersHandles() {
    const HandleProcs* procs = Handles();
    return procs != nullptr && procs->newProc != nullptr && procs->disposeProc != nullptr &&
           procs->lockProc != nullptr && procs->unlockProc != nullptr;
}

Handle GlobalsHandle() { return reinterpret_cast<Handle>(*gHost.dataSlot); }

}  // namespace

void CreateParameterHandle() {
    if (!HostOffersHandles()) {
        SetHostResult(filterBadParameters);
        return;
    }
    gHost.filterRecord->parameters = Handles()->newProc(sizeof(ParameterBlock));
    if (gHost.filterRecord->parameters == nullptr) {
        SetHostResult(memFullErr);
    }
}

void CreateGlobalsHandle() {
    if (!HostOffersHandles()) {
        SetHostResult(filterBadParameters);
        return;
    }
    Handle globals = Handles()->newProc(sizeof(GlobalsBlock));
    if (globals == nullptr) {
        SetHostResult(memFullErr);
        return;
    }
    *gHost.dataSlot = reinterpret_cast<std::intptr_t>(globals);
}

void LockHandles() {
    if (gHost.filterRecord->parameters == nullptr || *gHost.dataSlot == 0 || !HostOffersHandles()) {
        SetHostResult(filterBadParameters);
        return;
    }
    gHost.parameterBlock =
        reinterpret_cast<ParameterBlock*>(Handles()->lockProc(gHost.filterRecord->parameters, 1));
    gHost.globalsBlock = reinterpret_cast<GlobalsBlock*>(Handles()->lockProc(GlobalsHandle(), 1));
    if (gHost.parameterBlock == nullptr || gHost.globalsBlock == nullptr) {
        SetHostResult(memFullErr);
    }
}

void UnlockHandles() {
    if (!HostOffersHandles()) {
        gHost.parameterBlock = nullptr;
        gHost.globalsBlock = nullptr;
        return;
    }
    if (*gHost.dataSlot != 0) {
        Handles()->unlockProc(GlobalsHandle());
    }
    if (gHost.filterRecord->parameters != nullptr) {
        Handles()->unlockProc(gHost.filterRecord->parameters);
    }
    gHost.parameterBlock = nullptr;
    gHost.globalsBlock = nullptr;
}

void DisposeHandles() {
    if (!HostOffersHandles()) {
        return;  // nothing can have been created
    }
    if (gHost.filterRecord->parameters != nullptr) {
        Handles()->disposeProc(gHost.filterRecord->parameters);
        gHost.filterRecord->parameters = nullptr;
    }
    if (*gHost.dataSlot != 0) {
        Handles()->disposeProc(GlobalsHandle());
        *gHost.dataSlot = 0;
    }
}

ParameterBlock DefaultParameterBlock() {
    ParameterBlock block{};
    block.redTint = kNeutralTint;
    block.greenTint = kNeutralTint;
    block.blueTint = kNeutralTint;
    block.gammaExponent = kDefaultGammaExponent;
    block.curveLength = kCurveLength;
    block.slopeGridHeight = kSlopeGridHeight;
    block.blackLevel = 0.0f;
    block.whiteLevel = 1.0f;
    return block;
}

void SetParameterDefaults() {
    if (gHost.parameterBlock == nullptr) {
        return;  // the lock failed and the result slot says so
    }
    *gHost.parameterBlock = DefaultParameterBlock();
}

void InitGlobals() {
    GlobalsBlock* globals = gHost.globalsBlock;
    if (globals == nullptr) {
        return;
    }
    globals->showDialog = 1;
    globals->curveStorage[0] = nullptr;
    globals->curveStorage[1] = nullptr;
    globals->curveStorage[2] = nullptr;
}

}  // namespace mirtane
