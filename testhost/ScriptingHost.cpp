#include "testhost/ScriptingHost.h"

#include <cstring>
#include <fstream>
#include <sstream>

#include "testhost/TestHost.h"

namespace testhost {
namespace {

ScriptingHost* gActiveScripting = nullptr;

constexpr DescriptorKeyID kRedKey = FourCharCode("Rd  ");
constexpr DescriptorKeyID kGreenKey = FourCharCode("Grn ");
constexpr DescriptorKeyID kBlueKey = FourCharCode("Bl  ");

// A failing call of a 16-bit status procedure answers with the low half of
// the PICA code, as a host returning the wider code leaves it in AX.
OSErr Narrow(std::int32_t code) { return static_cast<OSErr>(code); }

}  // namespace

struct ScriptingHost::ReadToken {
    DescriptorItems items;
    std::size_t next = 0;  // index of the item getKeyProc hands out next
};

struct ScriptingHost::WriteToken {
    DescriptorItems items;
};

// The C entry points of the suites; each forwards to the active scripting host.
struct ScriptingCallbacks {
    static ScriptingHost* Host() { return gActiveScripting; }

    static PIReadDescriptor PI_CDECL OpenRead(Handle descriptor, DescriptorKeyID* keyArray) {
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

    static OSErr PI_CDECL CloseRead(PIReadDescriptor token) {
        ScriptingHost* host = Host();
        if (host == nullptr || token == nullptr) {
            return paramErr;
        }
        delete reinterpret_cast<ScriptingHost::ReadToken*>(token);
        --host->liveReadTokens_;
        return noErr;
    }

    static Boolean PI_CDECL GetKey(PIReadDescriptor token, DescriptorKeyID* key, DescType* type,
                                   std::int32_t* flags) {
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

    static OSErr PI_CDECL GetInteger(PIReadDescriptor token, std::int32_t* value) {
        auto* read = reinterpret_cast<ScriptingHost::ReadToken*>(token);
        if (read == nullptr || read->next == 0) {
            return paramErr;
        }
        *value = read->items[read->next - 1].second;
        return noErr;
    }

    static PIWriteDescriptor PI_CDECL OpenWrite() {
        ScriptingHost* host = Host();
        if (host == nullptr) {
            return nullptr;
        }
        ++host->liveWriteTokens_;
        return reinterpret_cast<PIWriteDescriptor>(new ScriptingHost::WriteToken);
    }

    static OSErr PI_CDECL CloseWrite(PIWriteDescriptor token, Handle* newDescriptor) {
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

    static OSErr PI_CDECL PutInteger(PIWriteDescriptor token, DescriptorKeyID key,
                                     std::int32_t value) {
        auto* write = reinterpret_cast<ScriptingHost::WriteToken*>(token);
        if (write == nullptr) {
            return paramErr;
        }
        write->items.emplace_back(key, value);
        return noErr;
    }

    static bool SuiteFor(const char* name, std::int32_t version, ScriptingFault* fault) {
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

    static SPErr PI_CDECL AcquireSuite(const char* name, std::int32_t version, const void** suite) {
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

    static SPErr PI_CDECL ReleaseSuite(const char* name, std::int32_t version) {
        ScriptingHost* host = Host();
        ScriptingFault fault{};
        if (host == nullptr || name == nullptr || !SuiteFor(name, version, &fault)) {
            return kSPSuiteNotFoundError;
        }
        --host->liveSuites_;
        return kSPNoError;
    }

    static std::int32_t PI_CDECL IsEqual(const char* a, const char* b) {
        return a != nullptr && b != nullptr && std::strcmp(a, b) == 0;
    }
    static SPErr PI_CDECL AllocateBlock(std::int32_t, void**) { return kSPUnimplementedError; }
    static SPErr PI_CDECL FreeBlock(void*) { return kSPUnimplementedError; }
    static SPErr PI_CDECL ReallocateBlock(void*, std::int32_t, void**) {
        return kSPUnimplementedError;
    }
    static SPErr PI_CDECL Undefined() { return kSPUnimplementedError; }

    static PIActionDescriptor NewActionDescriptor(ScriptingHost* host, DescriptorItems items) {
        auto descriptor = reinterpret_cast<PIActionDescriptor>(host->nextDescriptorId_++);
        host->actionDescriptors_[descriptor] = std::move(items);
        return descriptor;
    }

    static OSErr PI_CDECL Register(const char* key, PIActionDescriptor descriptor, Boolean) {
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

    static OSErr PI_CDECL Erase(const char* key) {
        ScriptingHost* host = Host();
        if (host == nullptr || key == nullptr) {
            return paramErr;
        }
        host->registry_.erase(key);
        return noErr;
    }

    // An unknown key answers success with no descriptor.
    static OSErr PI_CDECL Get(const char* key, PIActionDescriptor* descriptor) {
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

    static OSErr PI_CDECL Make(PIActionDescriptor* descriptor) {
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

    static OSErr PI_CDECL Free(PIActionDescriptor descriptor) {
        ScriptingHost* host = Host();
        if (host == nullptr || host->actionDescriptors_.erase(descriptor) == 0) {
            return paramErr;
        }
        return noErr;
    }

    static DescriptorItems* Items(ScriptingHost* host, PIActionDescriptor descriptor) {
        auto found = host->actionDescriptors_.find(descriptor);
        return found == host->actionDescriptors_.end() ? nullptr : &found->second;
    }

    static OSErr PI_CDECL GetCount(PIActionDescriptor descriptor, std::uint32_t* count) {
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

    static OSErr PI_CDECL PutInteger(PIActionDescriptor descriptor, DescriptorKeyID key,
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

    static OSErr PI_CDECL GetInteger(PIActionDescriptor descriptor, DescriptorKeyID key,
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
};

ScriptingHost* ScriptingHost::Active() { return gActiveScripting; }

ScriptingHost::ScriptingHost(ScriptingSeat& host) : host_(host) {
    readProcs_.readDescriptorProcsVersion = 0;
    readProcs_.numReadDescriptorProcs = 18;
    readProcs_.openReadDescriptorProc = &ScriptingCallbacks::OpenRead;
    readProcs_.closeReadDescriptorProc = &ScriptingCallbacks::CloseRead;
    readProcs_.getKeyProc = &ScriptingCallbacks::GetKey;
    readProcs_.getIntegerProc = &ScriptingCallbacks::GetInteger;

    writeProcs_.writeDescriptorProcsVersion = 0;
    writeProcs_.numWriteDescriptorProcs = 16;
    writeProcs_.openWriteDescriptorProc = &ScriptingCallbacks::OpenWrite;
    writeProcs_.closeWriteDescriptorProc = &ScriptingCallbacks::CloseWrite;
    writeProcs_.putIntegerProc = &ScriptingCallbacks::PutInteger;

    parameters_.descriptorParametersVersion = 0;
    parameters_.writeDescriptorProcs = &writeProcs_;
    parameters_.readDescriptorProcs = &readProcs_;

    basicSuite_.AcquireSuite = &ScriptingCallbacks::AcquireSuite;
    basicSuite_.ReleaseSuite = &ScriptingCallbacks::ReleaseSuite;
    basicSuite_.IsEqual = &ScriptingCallbacks::IsEqual;
    basicSuite_.AllocateBlock = &ScriptingCallbacks::AllocateBlock;
    basicSuite_.FreeBlock = &ScriptingCallbacks::FreeBlock;
    basicSuite_.ReallocateBlock = &ScriptingCallbacks::ReallocateBlock;
    basicSuite_.Undefined = &ScriptingCallbacks::Undefined;

    registryProcs_.Register = &ScriptingCallbacks::Register;
    registryProcs_.Erase = &ScriptingCallbacks::Erase;
    registryProcs_.Get = &ScriptingCallbacks::Get;

    actionProcs_.Make = &ScriptingCallbacks::Make;
    actionProcs_.Free = &ScriptingCallbacks::Free;
    actionProcs_.GetCount = &ScriptingCallbacks::GetCount;
    actionProcs_.PutInteger = &ScriptingCallbacks::PutInteger;
    actionProcs_.GetInteger = &ScriptingCallbacks::GetInteger;

    SetInteractive();
    SetScriptingEnabled(true);
    SetBasicSuiteEnabled(true);
    gActiveScripting = this;
}

ScriptingHost::~ScriptingHost() {
    static_cast<void>(TakeRecorded());
    if (gActiveScripting == this) {
        gActiveScripting = nullptr;
    }
    SetScriptingEnabled(false);
    SetBasicSuiteEnabled(false);
}

void ScriptingHost::SetScriptingEnabled(bool enabled) {
    host_.SetDescriptorParameters(enabled ? &parameters_ : nullptr);
}

void ScriptingHost::SetBasicSuiteEnabled(bool enabled) {
    host_.SetBasicSuite(enabled ? &basicSuite_ : nullptr);
}

void ScriptingHost::SetInteractive() {
    static_cast<void>(TakeRecorded());
    parameters_.playInfo = plugInDialogDisplay;
    parameters_.recordInfo = plugInDialogOptional;
}

void ScriptingHost::SetReplay(const DescriptorItems& items, std::int16_t playInfo) {
    static_cast<void>(TakeRecorded());
    parameters_.descriptor = EncodeDescriptor(items);
    parameters_.playInfo = playInfo;
    parameters_.recordInfo = plugInDialogNone;
}

void ScriptingHost::SetReplayedTints(std::int32_t red, std::int32_t green, std::int32_t blue,
                                     std::int16_t playInfo) {
    SetReplay({{kRedKey, red}, {kGreenKey, green}, {kBlueKey, blue}}, playInfo);
}

std::optional<DescriptorItems> ScriptingHost::TakeRecorded() {
    Handle descriptor = parameters_.descriptor;
    if (descriptor == nullptr) {
        return std::nullopt;
    }
    parameters_.descriptor = nullptr;
    if (!host_.handles().Contains(descriptor)) {
        return std::nullopt;
    }
    DescriptorItems items = DecodeDescriptor(descriptor);
    host_.handles().Dispose(descriptor);
    return items;
}

// The host's own descriptor format: a count, then key and value pairs.
Handle ScriptingHost::EncodeDescriptor(const DescriptorItems& items) {
    const auto size = static_cast<std::int32_t>(4 + 8 * items.size());
    Handle handle = host_.handles().Create(size);
    if (handle == nullptr) {
        return nullptr;
    }
    char* bytes = *handle;
    const auto count = static_cast<std::uint32_t>(items.size());
    std::memcpy(bytes, &count, 4);
    for (std::size_t i = 0; i < items.size(); ++i) {
        std::memcpy(bytes + 4 + 8 * i, &items[i].first, 4);
        std::memcpy(bytes + 8 + 8 * i, &items[i].second, 4);
    }
    return handle;
}

DescriptorItems ScriptingHost::DecodeDescriptor(Handle handle) const {
    DescriptorItems items;
    if (handle == nullptr || !host_.handles().Contains(handle) ||
        host_.handles().Size(handle) < 4) {
        return items;
    }
    const char* bytes = *handle;
    std::uint32_t count = 0;
    std::memcpy(&count, bytes, 4);
    const std::int32_t size = host_.handles().Size(handle);
    for (std::uint32_t i = 0; i < count && 12 + 8 * static_cast<std::int64_t>(i) <= size; ++i) {
        DescriptorKeyID key = 0;
        std::int32_t value = 0;
        std::memcpy(&key, bytes + 4 + 8 * i, 4);
        std::memcpy(&value, bytes + 8 + 8 * i, 4);
        items.emplace_back(key, value);
    }
    return items;
}

void ScriptingHost::InjectFault(ScriptingFault fault, int nth, std::int32_t code) {
    FaultSlot& slot = faults_[fault];
    slot.failAt = nth > 0 ? slot.calls + nth : 0;
    slot.code = code;
}

bool ScriptingHost::NextCallFails(ScriptingFault fault, std::int32_t* code) {
    FaultSlot& slot = faults_[fault];
    ++slot.calls;
    if (slot.failAt == 0 || slot.calls != slot.failAt) {
        return false;
    }
    slot.failAt = 0;
    *code = slot.code;
    return true;
}

int ScriptingHost::CallCount(ScriptingFault fault) const {
    auto found = faults_.find(fault);
    return found == faults_.end() ? 0 : found->second.calls;
}

// One entry per line: key, item count, then key and value pairs, all decimal.
bool ScriptingHost::LoadRegistry(const std::string& path) {
    std::ifstream in(path);
    if (!in) {
        return false;
    }
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string key;
        std::size_t count = 0;
        if (!(fields >> key >> count)) {
            continue;
        }
        DescriptorItems items;
        for (std::size_t i = 0; i < count; ++i) {
            std::uint32_t itemKey = 0;
            std::int32_t value = 0;
            if (!(fields >> itemKey >> value)) {
                return false;
            }
            items.emplace_back(itemKey, value);
        }
        registry_[key] = items;
    }
    return true;
}

bool ScriptingHost::SaveRegistry(const std::string& path) const {
    std::ofstream out(path, std::ios::trunc);
    if (!out) {
        return false;
    }
    for (const auto& [key, items] : registry_) {
        out << key << ' ' << items.size();
        for (const auto& [itemKey, value] : items) {
            out << ' ' << itemKey << ' ' << value;
        }
        out << '\n';
    }
    return static_cast<bool>(out);
}

}  // namespace testhost
