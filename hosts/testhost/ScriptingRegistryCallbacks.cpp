// The scripting host's callbacks for the descriptor registry and action descriptor suites.
#include "hosts/testhost/ScriptingCallbacks.h"

#include <cstring>

namespace testhost {

PIActionDescriptor ScriptingCallbacks::NewActionDescriptor(ScriptingHost* host,
                                                           DescriptorItems items) {
    auto descriptor = reinterpret_cast<PIActionDescriptor>(host->nextDescriptorId_++);
    host->actionDescriptors_[descriptor] = std::move(items);
    return descriptor;
}

OSErr PI_CDECL ScriptingCallbacks::Register(const char* key, PIActionDescriptor descriptor,
                                            Boolean) {
    ScriptingHost* host = Host();
    std::int32_t code = 0;
    if (host == nullptr || key == nullptr) {
        return paramErr;
    }
    if (host->NextCallFails(ScriptingFault::Register, &code)) {
        return Narrow(code);
    }
    auto found = host->actionDescriptors_.find(descriptor);
    if (found == host->actionDescriptors_.end()) {
        return paramErr;
    }
    host->registry_[key] = found->second;
    return noErr;
}

OSErr PI_CDECL ScriptingCallbacks::Erase(const char* key) {
    ScriptingHost* host = Host();
    if (host == nullptr || key == nullptr) {
        return paramErr;
    }
    host->registry_.erase(key);
    return noErr;
}

// An unknown key answers success with no descriptor.
OSErr PI_CDECL ScriptingCallbacks::Get(const char* key, PIActionDescriptor* descriptor) {
    ScriptingHost* host = Host();
    std::int32_t code = 0;
    if (host == nullptr || key == nullptr || descriptor == nullptr) {
        return paramErr;
    }
    if (host->NextCallFails(ScriptingFault::Get, &code)) {
        return Narrow(code);
    }
    auto found = host->registry_.find(key);
    *descriptor =
        found == host->registry_.end() ? nullptr : NewActionDescriptor(host, found->second);
    return noErr;
}

OSErr PI_CDECL ScriptingCallbacks::Make(PIActionDescriptor* descriptor) {
    ScriptingHost* host = Host();
    std::int32_t code = 0;
    if (host == nullptr || descriptor == nullptr) {
        return paramErr;
    }
    if (host->NextCallFails(ScriptingFault::Make, &code)) {
        return Narrow(code);
    }
    *descriptor = NewActionDescriptor(host, {});
    return noErr;
}

OSErr PI_CDECL ScriptingCallbacks::Free(PIActionDescriptor descriptor) {
    ScriptingHost* host = Host();
    if (host == nullptr || host->actionDescriptors_.erase(descriptor) == 0) {
        return paramErr;
    }
    return noErr;
}

DescriptorItems* ScriptingCallbacks::Items(ScriptingHost* host, PIActionDescriptor descriptor) {
    auto found = host->actionDescriptors_.find(descriptor);
    return found == host->actionDescriptors_.end() ? nullptr : &found->second;
}

OSErr PI_CDECL ScriptingCallbacks::GetCount(PIActionDescriptor descriptor, std::uint32_t* count) {
    ScriptingHost* host = Host();
    std::int32_t code = 0;
    if (host == nullptr || count == nullptr) {
        return paramErr;
    }
    if (host->NextCallFails(ScriptingFault::GetCount, &code)) {
        return Narrow(code);
    }
    DescriptorItems* items = Items(host, descriptor);
    if (items == nullptr) {
        return paramErr;
    }
    *count = static_cast<std::uint32_t>(items->size());
    return noErr;
}

OSErr PI_CDECL ScriptingCallbacks::PutInteger(PIActionDescriptor descriptor, DescriptorKeyID key,
                                              std::int32_t value) {
    ScriptingHost* host = Host();
    std::int32_t code = 0;
    if (host == nullptr) {
        return paramErr;
    }
    if (host->NextCallFails(ScriptingFault::PutInteger, &code)) {
        return Narrow(code);
    }
    DescriptorItems* items = Items(host, descriptor);
    if (items == nullptr) {
        return paramErr;
    }
    for (auto& item : *items) {
        if (item.first == key) {
            item.second = value;
            return noErr;
        }
    }
    items->emplace_back(key, value);
    return noErr;
}

OSErr PI_CDECL ScriptingCallbacks::GetInteger(PIActionDescriptor descriptor, DescriptorKeyID key,
                                              std::int32_t* value) {
    ScriptingHost* host = Host();
    std::int32_t code = 0;
    if (host == nullptr || value == nullptr) {
        return paramErr;
    }
    if (host->NextCallFails(ScriptingFault::GetInteger, &code)) {
        return Narrow(code);
    }
    DescriptorItems* items = Items(host, descriptor);
    if (items == nullptr) {
        return paramErr;
    }
    for (const auto& item : *items) {
        if (item.first == key) {
            *value = item.second;
            return noErr;
        }
    }
    return Narrow(kSPBadParameterError);
}

}  // namespace testhost
