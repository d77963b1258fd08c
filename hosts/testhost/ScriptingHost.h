// The host's scripting services: the descriptor parameters that record and
// replay a filter step, and the basic suite serving the descriptor-registry
// and action-descriptor suites for last-used settings. Attach one to a host
// (the TestHost or the command's production host); like the host's other callbacks these carry no
// context, so one scripting host answers at a time.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "hosts/kit/ScriptingSeat.h"
#include "pluginapi/FilterRecord.h"
#include "pluginapi/PluginConstants.h"

namespace testhost {

using hostkit::HandleTable;
using hostkit::ScriptingSeat;

// A descriptor's contents: integer items in the order they were put.
using DescriptorItems = std::vector<std::pair<DescriptorKeyID, std::int32_t>>;

enum class ScriptingFault {
    AcquireRegistrySuite,    // AcquireSuite of the registry suite fails
    AcquireDescriptorSuite,  // AcquireSuite of the action-descriptor suite fails
    Make,
    Get,
    GetCount,
    GetInteger,
    PutInteger,
    Register,
};

class ScriptingHost {
  public:
    // Attaches to `host`: its record gets descriptorParameters and sSPBasic.
    explicit ScriptingHost(ScriptingSeat& host);
    ~ScriptingHost();
    ScriptingHost(const ScriptingHost&) = delete;
    ScriptingHost& operator=(const ScriptingHost&) = delete;

    // Switch either service off (the record's pointer becomes null).
    void SetScriptingEnabled(bool enabled);
    void SetBasicSuiteEnabled(bool enabled);

    // An interactive run: no descriptor passed, dialog shown, step recorded.
    void SetInteractive();
    // A replayed step: `items` are passed as the descriptor at start.
    void SetReplay(const DescriptorItems& items, std::int16_t playInfo);
    // Replays the three trims as shown to the user (-25 ... 25).
    void SetReplayedTints(std::int32_t red, std::int32_t green, std::int32_t blue,
                          std::int16_t playInfo);

    // The descriptor the plug-in handed back at finish, decoded; the handle is
    // disposed, as a host does once it has stored the step. Empty when none.
    std::optional<DescriptorItems> TakeRecorded();
    PIDescriptorParameters& parameters() { return parameters_; }
    // The key list the plug-in passed when it opened the replayed descriptor,
    // as the host left it (each key handed out is overwritten with 'null').
    const std::vector<DescriptorKeyID>& keyListSeen() const { return keyListSeen_; }

    // The descriptor registry; persistent entries can be kept in a file.
    std::map<std::string, DescriptorItems>& registry() { return registry_; }
    bool LoadRegistry(const std::string& path);
    bool SaveRegistry(const std::string& path) const;

    // The nth call (1-based, from now) of the kind fails with `code`.
    void InjectFault(ScriptingFault fault, int nth, std::int32_t code = kSPBadParameterError);

    // What is still live: acquired suites, action descriptors, open tokens.
    int LiveSuites() const { return liveSuites_; }
    int LiveActionDescriptors() const { return static_cast<int>(actionDescriptors_.size()); }
    int LiveReadTokens() const { return liveReadTokens_; }
    int LiveWriteTokens() const { return liveWriteTokens_; }
    int CallCount(ScriptingFault fault) const;

    static ScriptingHost* Active();

  private:
    friend struct ScriptingCallbacks;
    struct ReadToken;
    struct WriteToken;

    bool NextCallFails(ScriptingFault fault, std::int32_t* code);
    Handle EncodeDescriptor(const DescriptorItems& items);
    DescriptorItems DecodeDescriptor(Handle handle) const;

    ScriptingSeat& host_;
    PIDescriptorParameters parameters_{};
    ReadDescriptorProcs readProcs_{};
    WriteDescriptorProcs writeProcs_{};
    SPBasicSuite basicSuite_{};
    PSDescriptorRegistryProcs registryProcs_{};
    PSActionDescriptorProcs actionProcs_{};

    std::map<std::string, DescriptorItems> registry_;
    std::map<PIActionDescriptor, DescriptorItems> actionDescriptors_;
    std::vector<DescriptorKeyID> keyListSeen_;
    int liveSuites_ = 0;
    int liveReadTokens_ = 0;
    int liveWriteTokens_ = 0;
    std::intptr_t nextDescriptorId_ = 1;

    struct FaultSlot {
        int calls = 0;
        int failAt = 0;
        std::int32_t code = 0;
    };
    std::map<ScriptingFault, FaultSlot> faults_;
};

}  // namespace testhost
