// The scripting host's callbacks for the descriptor read and write suites the filter record offers.
#include "hosts/testhost/ScriptingCallbacks.h"

#include <cstring>

namespace testhost {

PIReadDescriptor PI_CDECL ScriptingCallbacks::OpenRead(Handle descriptor,
                                                       DescriptorKeyID* keyArray) {
    ScriptingHost* host = Host();
    if (host == nullptr || descriptor == nullptr) {
        return nullptr;
    }
    auto* token = new ScriptingHost::ReadToken;
    token->items = host->DecodeDescriptor(descriptor);
    // Like some hosts, mark every key that will be handed out in the
    // caller's list, which therefore has to be writable.
    host->keyListSeen_.clear();
    for (DescriptorKeyID* key = keyArray; key != nullptr && *key != 0; ++key) {
        for (const auto& item : token->items) {
            if (item.first == *key) {
                *key = typeNull;
                break;
            }
        }
        host->keyListSeen_.push_back(*key);
    }
    ++host->liveReadTokens_;
    return reinterpret_cast<PIReadDescriptor>(token);
}

OSErr PI_CDECL ScriptingCallbacks::CloseRead(PIReadDescriptor token) {
    ScriptingHost* host = Host();
    if (host == nullptr || token == nullptr) {
        return paramErr;
    }
    delete reinterpret_cast<ScriptingHost::ReadToken*>(token);
    --host->liveReadTokens_;
    return noErr;
}

Boolean PI_CDECL ScriptingCallbacks::GetKey(PIReadDescriptor token, DescriptorKeyID* key,
                                            DescType* type, std::int32_t* flags) {
    auto* read = reinterpret_cast<ScriptingHost::ReadToken*>(token);
    if (read == nullptr || read->next >= read->items.size()) {
        return 0;
    }
    *key = read->items[read->next].first;
    *type = typeInteger;
    *flags = 0;
    ++read->next;
    return 1;
}

OSErr PI_CDECL ScriptingCallbacks::GetInteger(PIReadDescriptor token, std::int32_t* value) {
    auto* read = reinterpret_cast<ScriptingHost::ReadToken*>(token);
    if (read == nullptr || read->next == 0) {
        return paramErr;
    }
    *value = read->items[read->next - 1].second;
    return noErr;
}

PIWriteDescriptor PI_CDECL ScriptingCallbacks::OpenWrite() {
    ScriptingHost* host = Host();
    if (host == nullptr) {
        return nullptr;
    }
    ++host->liveWriteTokens_;
    return reinterpret_cast<PIWriteDescriptor>(new ScriptingHost::WriteToken);
}

OSErr PI_CDECL ScriptingCallbacks::CloseWrite(PIWriteDescriptor token, Handle* newDescriptor) {
    ScriptingHost* host = Host();
    auto* write = reinterpret_cast<ScriptingHost::WriteToken*>(token);
    if (host == nullptr || write == nullptr) {
        return paramErr;
    }
    *newDescriptor = host->EncodeDescriptor(write->items);
    delete write;
    --host->liveWriteTokens_;
    return noErr;
}

OSErr PI_CDECL ScriptingCallbacks::PutInteger(PIWriteDescriptor token, DescriptorKeyID key,
                                              std::int32_t value) {
    auto* write = reinterpret_cast<ScriptingHost::WriteToken*>(token);
    if (write == nullptr) {
        return paramErr;
    }
    write->items.emplace_back(key, value);
    return noErr;
}

}  // namespace testhost
