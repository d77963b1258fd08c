#include "hosts/testhost/HostCallbacks.h"

#include "hosts/testhost/TestHost.h"
#include "pluginapi/PluginConstants.h"

namespace testhost {

Boolean HostCallbacks::Abort() {
    TestHost* host = TestHost::Active();
    return host != nullptr ? host->OnAbort() : Boolean{1};
}

void HostCallbacks::Progress(std::int32_t done, std::int32_t total) {
    if (TestHost* host = TestHost::Active()) {
        host->OnProgress(done, total);
    }
}

OSErr HostCallbacks::AdvanceState() {
    TestHost* host = TestHost::Active();
    return host != nullptr ? host->OnAdvanceState() : paramErr;
}

void HostCallbacks::ProcessEvent(void* /*event*/) {}

OSErr HostCallbacks::AllocateBuffer(std::int32_t size, BufferID* id) {
    TestHost* host = TestHost::Active();
    if (host == nullptr) {
        if (id != nullptr) {
            *id = nullptr;
        }
        return memFullErr;
    }
    return host->buffers_.Allocate(size, id);
}

Ptr HostCallbacks::LockBuffer(BufferID id, Boolean moveHigh) {
    TestHost* host = TestHost::Active();
    return host != nullptr ? host->buffers_.Lock(id, moveHigh) : nullptr;
}

void HostCallbacks::UnlockBuffer(BufferID id) {
    if (TestHost* host = TestHost::Active()) {
        host->buffers_.Unlock(id);
    }
}

void HostCallbacks::FreeBuffer(BufferID id) {
    if (TestHost* host = TestHost::Active()) {
        host->buffers_.Free(id);
    }
}

std::int32_t HostCallbacks::BufferSpace() {
    TestHost* host = TestHost::Active();
    return host != nullptr ? host->buffers_.Space() : 0;
}

Handle HostCallbacks::NewHandle(std::int32_t size) {
    TestHost* host = TestHost::Active();
    return host != nullptr ? host->handles_.New(size) : nullptr;
}

void HostCallbacks::DisposeHandle(Handle handle) {
    if (TestHost* host = TestHost::Active()) {
        host->handles_.Dispose(handle);
    }
}

std::int32_t HostCallbacks::GetHandleSize(Handle handle) {
    TestHost* host = TestHost::Active();
    return host != nullptr ? host->handles_.Size(handle) : 0;
}

OSErr HostCallbacks::SetHandleSize(Handle handle, std::int32_t newSize) {
    TestHost* host = TestHost::Active();
    return host != nullptr ? host->handles_.Resize(handle, newSize) : memFullErr;
}

Ptr HostCallbacks::LockHandle(Handle handle, Boolean moveHigh) {
    TestHost* host = TestHost::Active();
    return host != nullptr ? host->handles_.Lock(handle, moveHigh) : nullptr;
}

void HostCallbacks::UnlockHandle(Handle handle) {
    if (TestHost* host = TestHost::Active()) {
        host->handles_.Unlock(handle);
    }
}

void HostCallbacks::RecoverSpace(std::int32_t /*size*/) {}

OSErr HostCallbacks::GetProperty(PIType signature, PIType key, std::int32_t index,
                                 std::intptr_t* simple, Handle* complex) {
    TestHost* host = TestHost::Active();
    return host != nullptr ? host->OnGetProperty(signature, key, index, simple, complex)
                           : errPlugInPropertyUndefined;
}

OSErr HostCallbacks::SetProperty(PIType signature, PIType key, std::int32_t index,
                                 std::intptr_t simple, Handle complex) {
    TestHost* host = TestHost::Active();
    return host != nullptr ? host->OnSetProperty(signature, key, index, simple, complex)
                           : errPlugInPropertyUndefined;
}

}  // namespace testhost
