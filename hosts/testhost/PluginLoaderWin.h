// Loading a filter plug-in DLL the way a Windows host does: enumerate the
// module's property lists (resource type "PIPL"), take the one that declares
// a filter module and names an entry point for this architecture, and look
// that name up among the DLL's exports.
#pragma once

#include <string>
#include <vector>

#include "hosts/testhost/PiplReader.h"
#include "pluginapi/FilterRecord.h"

namespace testhost {

struct LoadedPlugin {
    void* module = nullptr;  // HMODULE
    PluginEntryProc entry = nullptr;
    std::string entryName;
};

[[nodiscard]] bool LoadPlugin(const std::wstring& path, LoadedPlugin& plugin, std::string& error);
void UnloadPlugin(LoadedPlugin& plugin);

// Every property list of a module file, read as data only, so the lists of a
// DLL of either bitness can be read.
[[nodiscard]] bool ReadPropertyLists(const std::wstring& path,
                                     std::vector<std::vector<PiplProperty>>& lists,
                                     std::string& error);

std::string Narrow(const std::wstring& text);

}  // namespace testhost
