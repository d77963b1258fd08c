#include "host/ScriptingParameters.h"

#include "host/DescriptorKeys.h"
#include "host/HostState.h"

namespace mirtane {
namespace {

// Some hosts pass descriptor parameters whose procedure tables are missing
// or only partly filled; such a table is treated as absent.
bool CanRead(const ReadDescriptorProcs* procs) {
    return procs != nullptr && procs->openReadDescriptorProc != nullptr &&
           procs->closeReadDescriptorProc != nullptr && procs->getKeyProc != nullptr &&
           procs->getIntegerProc != nullptr;
}

bool CanWrite(const WriteDescriptorProcs* procs) {
    return procs != nullptr && procs->openWriteDescriptorProc != nullptr &&
           procs->closeWriteDescriptorProc != nullptr && procs->putIntegerProc != nullptr;
}

void DisposeDescriptor(PIDescriptorParameters* scripting) {
    const HandleProcs* handles = gHost.filterRecord->handleProcs;
    if (handles != nullptr && handles->disposeProc != nullptr) {
        handles->disposeProc(scripting->descriptor);
    }
    scripting->descriptor = nullptr;
}

}  // namespace

OSErr ReadScriptParameters(std::uint8_t* showDialog) {
    if (showDialog == nullptr) {
        return errMissingParameter;
    }
    *showDialog = gHost.globalsBlock->showDialog;
    PIDescriptorParameters* scripting = gHost.filterRecord->descriptorParameters;
    if (scripting == nullptr) {
        return errMissingParameter;
    }
    if (!CanRead(scripting->readDescriptorProcs) || scripting->descriptor == nullptr) {
        return noErr;
    }
    const ReadDescriptorProcs* procs = scripting->readDescriptorProcs;
    // Some hosts write into the key list they are given, so it must be
    // writable memory of our own, never a constant table.
    DescriptorKeyID keys[] = {keyRedTint, keyGreenTint, keyBlueTint, 0};
    OSErr status = noErr;
    PIReadDescriptor token = procs->openReadDescriptorProc(scripting->descriptor, keys);
    if (token != nullptr) {
        ParameterBlock* block = gHost.parameterBlock;
        DescriptorKeyID key = 0;
        DescType type = 0;
        std::int32_t flags = 0;
        while (procs->getKeyProc(token, &key, &type, &flags) != 0) {
            std::int32_t* tint = nullptr;
            for (const TintField& field : TintFields(block)) {
                if (field.key == key) {
                    tint = field.tint;
                }
            }
            if (tint == nullptr) {
                break;  // an unknown key ends the reading
            }
            std::int32_t stored = 0;
            if (procs->getIntegerProc(token, &stored) == noErr) {
                *tint = TintFromStored(stored);
            }
        }
        status = procs->closeReadDescriptorProc(token);
        DisposeDescriptor(scripting);
    }
    *showDialog = scripting->playInfo == plugInDialogDisplay ? 1 : 0;
    return status;
}

OSErr WriteScriptParameters() {
    PIDescriptorParameters* scripting = gHost.filterRecord->descriptorParameters;
    if (scripting == nullptr || !CanWrite(scripting->writeDescriptorProcs)) {
        return errMissingParameter;
    }
    const WriteDescriptorProcs* procs = scripting->writeDescriptorProcs;
    PIWriteDescriptor token = procs->openWriteDescriptorProc();
    if (token == nullptr) {
        return noErr;
    }
    for (const TintField& field : TintFields(gHost.parameterBlock)) {
        // A failed put only leaves that key out of the recorded step.
        static_cast<void>(procs->putIntegerProc(token, field.key, StoredTint(*field.tint)));
    }
    if (scripting->descriptor != nullptr) {
        DisposeDescriptor(scripting);
    }
    Handle recorded = nullptr;
    static_cast<void>(procs->closeWriteDescriptorProc(token, &recorded));
    scripting->descriptor = recorded;
    scripting->recordInfo = plugInDialogOptional;
    return noErr;
}

}  // namespace mirtane
