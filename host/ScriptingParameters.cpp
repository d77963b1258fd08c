#include "host/ScriptingParameters.h"

#include <utility>

#include "host/DescriptorKeys.h"
#include "run/HostState.h"

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

void DisposeHostHandle(Handle handle) {
    const HandleProcs* handles = gHost.filterRecord->handleProcs;
    if (handle != nullptr && handles != nullptr && handles->disposeProc != nullptr) {
        handles->disposeProc(handle);
    }
}

void DisposeDescriptor(PIDescriptorParameters* scripting) {
    DisposeHostHandle(scripting->descriptor);
    scripting->descriptor = nullptr;
}

// A read token of the host's, closed exactly once: by Close, which reports
// the host's status, or else when the token goes out of scope.
class ReadToken {
  public:
    ReadToken(const ReadDescriptorProcs* procs, Handle descriptor, DescriptorKeyID* keys)
        : procs_(procs), token_(procs->openReadDescriptorProc(descriptor, keys)) {}
    ~ReadToken() { static_cast<void>(Close()); }
    ReadToken(const ReadToken&) = delete;
    ReadToken& operator=(const ReadToken&) = delete;

    explicit operator bool() const { return token_ != nullptr; }
    PIReadDescriptor get() const { return token_; }
    OSErr Close() {
        PIReadDescriptor token = std::exchange(token_, nullptr);
        return token != nullptr ? procs_->closeReadDescriptorProc(token) : noErr;
    }

  private:
    const ReadDescriptorProcs* procs_;
    PIReadDescriptor token_;
};

// A write token of the host's, closed exactly once: by Close, which hands
// back the recorded descriptor, or else when the token goes out of scope,
// the step then disposed of unrecorded.
class WriteToken {
  public:
    explicit WriteToken(const WriteDescriptorProcs* procs)
        : procs_(procs), token_(procs->openWriteDescriptorProc()) {}
    ~WriteToken() {
        if (token_ != nullptr) {
            Handle discarded = nullptr;
            static_cast<void>(procs_->closeWriteDescriptorProc(token_, &discarded));
            DisposeHostHandle(discarded);
        }
    }
    WriteToken(const WriteToken&) = delete;
    WriteToken& operator=(const WriteToken&) = delete;

    explicit operator bool() const { return token_ != nullptr; }
    PIWriteDescriptor get() const { return token_; }
    Handle Close() {
        Handle recorded = nullptr;
        static_cast<void>(
            procs_->closeWriteDescriptorProc(std::exchange(token_, nullptr), &recorded));
        return recorded;
    }

  private:
    const WriteDescriptorProcs* procs_;
    PIWriteDescriptor token_;
};

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
    ReadToken token(procs, scripting->descriptor, keys);
    if (token) {
        ParameterBlock* block = gHost.parameterBlock;
        DescriptorKeyID key = 0;
        DescType type = 0;
        std::int32_t flags = 0;
        while (procs->getKeyProc(token.get(), &key, &type, &flags) != 0) {
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
            if (procs->getIntegerProc(token.get(), &stored) == noErr) {
                *tint = TintFromStored(stored);
            }
        }
        status = token.Close();
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
    WriteToken token(procs);
    if (!token) {
        return noErr;
    }
    for (const TintField& field : TintFields(gHost.parameterBlock)) {
        // A failed put only leaves that key out of the recorded step.
        static_cast<void>(procs->putIntegerProc(token.get(), field.key, StoredTint(*field.tint)));
    }
    if (scripting->descriptor != nullptr) {
        DisposeDescriptor(scripting);
    }
    Handle recorded = token.Close();
    scripting->descriptor = recorded;
    scripting->recordInfo = plugInDialogOptional;
    return noErr;
}

}  // namespace mirtane
