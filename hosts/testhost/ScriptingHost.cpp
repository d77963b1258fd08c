#include "hosts/testhost/ScriptingHost.h"

#include <cstring>
#include <fstream>
#include <sstream>

#include "hosts/testhost/ScriptingCallbacks.h"
#include "hosts/testhost/TestHost.h"

namespace testhost {
namespace {

ScriptingHost* gActiveScripting = nullptr;

constexpr DescriptorKeyID kRedKey = FourCharCode("Rd  ");
constexpr DescriptorKeyID kGreenKey = FourCharCode("Grn ");
constexpr DescriptorKeyID kBlueKey = FourCharCode("Bl  ");

}  // namespace

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
