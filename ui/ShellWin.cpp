// Help and the update check: pages opened with the shell.
#include "ui/DialogWin.h"

#include <shellapi.h>

#include <string>

#include "platform/Platform.h"
#include "ui/HelpLocation.h"

namespace mirtane::ui {
namespace {

constexpr const char* kUpdateCheckAddress =
    "https://www.norlund.example/mirtane/update?version=1.1.4";
constexpr const char* kHelpNotFound = "Help location could not be determined";
constexpr const char* kHelpNotOpened = "Help could not be opened";
constexpr REGSAM kReadAccess = 0x20019;  // KEY_READ

static_assert(kRegistryString == REG_SZ && kRegistryExpandString == REG_EXPAND_SZ &&
                  kRegistryMultiString == REG_MULTI_SZ,
              "registry value types");

// ShellExecute reports success with a value above 32.
bool ShellOpen(const char* address) {
    const HINSTANCE result =
        ShellExecuteA(nullptr, "open", address, nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

bool ReadHelpFolder(std::string& folder) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, HelpRegistryKeyPath().c_str(), 0, kReadAccess, &key) !=
        ERROR_SUCCESS) {
        return false;
    }
    char value[kHelpValueBufferSize] = {};
    DWORD size = sizeof value;
    DWORD type = 0;
    const LONG status = RegQueryValueExA(key, kHelpValueName, nullptr, &type,
                                         reinterpret_cast<BYTE*>(value), &size);
    // Closed on every path, the failed read included.
    RegCloseKey(key);
    return status == ERROR_SUCCESS && HelpFolderFromValue(type, value, size, folder);
}

// The folder this plug-in was loaded from, when the help page lies in it: an
// installation for one user puts the page beside the plug-in and has no
// registry value to name it.
bool FindHelpFolderBesideModule(std::string& folder) {
    // A null handle would name the host's program file instead.
    const auto module = static_cast<HMODULE>(platform::ModuleHandle());
    if (module == nullptr) {
        return false;
    }
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(module, path, sizeof path);
    // A full buffer means the path was cut short and names no real file.
    if (length == 0 || length >= sizeof path) {
        return false;
    }
    std::string besideModule;
    if (!FolderOfModulePath(std::string(path, length), besideModule)) {
        return false;
    }
    const DWORD attributes = GetFileAttributesA((besideModule + kHelpPageName).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return false;
    }
    folder = besideModule;
    return true;
}

}  // namespace

bool OpenHelpPage() {
    std::string folder;
    if (!ReadHelpFolder(folder) && !FindHelpFolderBesideModule(folder)) {
        platform::ShowErrorMessage(kHelpNotFound, platform::kErrorCaption);
        return false;
    }
    if (!ShellOpen(HelpPageAddress(folder).c_str())) {
        platform::ShowErrorMessage(kHelpNotOpened, platform::kErrorCaption);
        return false;
    }
    return true;
}

void OpenUpdatePage() {
    // Nothing is said when no browser opens: the check is a courtesy.
    static_cast<void>(ShellOpen(kUpdateCheckAddress));
}

}  // namespace mirtane::ui
