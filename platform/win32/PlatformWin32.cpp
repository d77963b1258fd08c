// The platform seam on Windows.
#include <windows.h>

#include "platform/Platform.h"
#include "platform/win32/DialogRegistry.h"

namespace mirtane::platform {
namespace {

HMODULE gModule = nullptr;
// Constant-initialised, so it holds nulls before any registration runs.
DialogEntries gDialogs = {nullptr, nullptr};

}  // namespace

void ShowErrorMessage(const char* text, const char* caption) {
    MessageBoxA(nullptr, text, caption, MB_ICONERROR | MB_SETFOREGROUND);
}

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

void* ModuleHandle() { return gModule; }
void SetModuleHandle(void* module) { gModule = static_cast<HMODULE>(module); }

void RegisterDialogs(const DialogEntries& entries) { gDialogs = entries; }

// Without a registered dialog the plug-in was linked without ui/: the run
// ends as a dialog that could not be created.
std::int32_t RunMainDialog() {
    return gDialogs.runMainDialog != nullptr ? gDialogs.runMainDialog() : kDialogFailed;
}

void ShowAboutBox(void* ownerWindow) {
    if (gDialogs.showAboutBox != nullptr) {
        gDialogs.showAboutBox(ownerWindow);
    }
}

bool TemporaryFolder(char* buffer, std::size_t bufferSize) {
    const DWORD length = GetTempPathA(static_cast<DWORD>(bufferSize), buffer);
    return length > 0 && length < bufferSize;
}

}  // namespace mirtane::platform
