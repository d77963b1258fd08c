#include "hosts/testhost/PluginLoaderWin.h"

#include <windows.h>

namespace testhost {
namespace {

const wchar_t kPiplType[] = L"PIPL";

// Resource names are either small integers or strings; both are kept as the
// pointer FindResource expects, strings copied so they outlive enumeration.
struct ResourceName {
    std::wstring text;
    ULONG_PTR id = 0;
    LPCWSTR Get() const { return text.empty() ? MAKEINTRESOURCEW(id) : text.c_str(); }
};

BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR names) {
    ResourceName entry;
    if (IS_INTRESOURCE(name)) {
        entry.id = reinterpret_cast<ULONG_PTR>(name);
    } else {
        entry.text = name;
    }
    reinterpret_cast<std::vector<ResourceName>*>(names)->push_back(entry);
    return TRUE;
}

bool ReadLists(HMODULE module, std::vector<std::vector<PiplProperty>>& lists, std::string& error) {
    std::vector<ResourceName> names;
    EnumResourceNamesW(module, kPiplType, &CollectName, reinterpret_cast<LONG_PTR>(&names));
    if (names.empty()) {
        error = "the module has no property list (PIPL resource)";
        return false;
    }
    for (const ResourceName& name : names) {
        HRSRC resource = FindResourceW(module, name.Get(), kPiplType);
        HGLOBAL loaded = resource != nullptr ? LoadResource(module, resource) : nullptr;
        const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
        if (bytes == nullptr) {
            error = "a property list cannot be loaded";
            return false;
        }
        std::vector<PiplProperty> properties;
        if (!ParsePipl(static_cast<const std::uint8_t*>(bytes), SizeofResource(module, resource),
                       properties, error)) {
            return false;
        }
        lists.push_back(std::move(properties));
    }
    return true;
}

}  // namespace

std::string Narrow(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), narrow.data(),
                        size, nullptr, nullptr);
    return narrow;
}

bool LoadPlugin(const std::wstring& path, LoadedPlugin& plugin, std::string& error) {
    HMODULE module = LoadLibraryW(path.c_str());
    if (module == nullptr) {
        error = "cannot load " + Narrow(path) + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    std::vector<std::vector<PiplProperty>> lists;
    if (!ReadLists(module, lists, error)) {
        FreeLibrary(module);
        return false;
    }
    for (const std::vector<PiplProperty>& properties : lists) {
        std::string name;
        if (!IsFilterModule(properties) ||
            !FindEntryPoint(properties, NativeEntryPointKey(), name)) {
            continue;
        }
        FARPROC address = GetProcAddress(module, name.c_str());
        if (address == nullptr) {
            error = "the entry point " + name + " named by the property list is not exported";
            FreeLibrary(module);
            return false;
        }
        plugin.module = module;
        plugin.entry = reinterpret_cast<PluginEntryProc>(reinterpret_cast<void*>(address));
        plugin.entryName = name;
        return true;
    }
    error = "no property list declares a filter with an entry point under " +
            FourCharText(NativeEntryPointKey());
    FreeLibrary(module);
    return false;
}

void UnloadPlugin(LoadedPlugin& plugin) {
    if (plugin.module != nullptr) {
        FreeLibrary(static_cast<HMODULE>(plugin.module));
    }
    plugin = LoadedPlugin{};
}

bool ReadPropertyLists(const std::wstring& path, std::vector<std::vector<PiplProperty>>& lists,
                       std::string& error) {
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr) {
        error = "cannot open " + Narrow(path) + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    const bool read = ReadLists(module, lists, error);
    FreeLibrary(module);
    return read;
}

}  // namespace testhost
