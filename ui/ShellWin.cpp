// Help and the update check: pages opened with the shell.
#include "ui/DialogWin.h"

#include <shellapi.h>

#include <string>

#include "platform/Platform.h"
#include "ui/HelpLocation.h"

namespace mirtane::ui {
namespace {

// The project's releases page, when the build is given one (the CMake option
// MIRTANE_RELEASES_URL); empty otherwise, and the update button then opens
// the installed help page's section on versions and updates.
#ifndef MIRTANE_RELEASES_URL
#define MIRTANE_RELEASES_URL ""
#endif
constexpr const char* kReleasesAddress = MIRTANE_RELEASES_URL;
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

bool FindHelpFolder(std::string& folder) {
    return ReadHelpFolder(folder) || FindHelpFolderBesideModule(folder);
}

// Opens a file address with its section anchor in the browser that opens web
// addresses. Opened by file type instead, the page would lose its anchor: the
// shell turns a file address into a plain path for the program registered
// for .htm files.
bool OpenInWebBrowser(const std::string& address) {
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_CLASSNAME | SEE_MASK_FLAG_NO_UI;
    info.lpClass = "http";
    info.lpVerb = "open";
    info.lpFile = address.c_str();
    info.nShow = SW_SHOWNORMAL;
    return ShellExecuteExA(&info) != FALSE;
}

}  // namespace

bool OpenHelpPage() {
    std::string folder;
    if (!FindHelpFolder(folder)) {
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
    // Nothing is said when no browser opens a web address: the check is a
    // courtesy, and the help page tells how to update.
    if (kReleasesAddress[0] != '\0') {
        static_cast<void>(ShellOpen(kReleasesAddress));
        return;
    }
    std::string folder;
    if (!FindHelpFolder(folder)) {
        platform::ShowErrorMessage(kHelpNotFound, platform::kErrorCaption);
        return;
    }
    if (OpenInWebBrowser(UpdatePageAddress("", folder))) {
        return;
    }
    // Without a web browser, the page from its start is better than nothing.
    static_cast<void>(ShellOpen(HelpPageAddress(folder).c_str()));
}

}  // namespace mirtane::ui
