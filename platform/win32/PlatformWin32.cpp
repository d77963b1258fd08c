// The platform seam on Windows.
#include <windows.h>

#include "platform/Platform.h"
#include "ui/DialogEntry.h"

namespace mirtane::platform {
namespace {

HMODULE gModule = nullptr;

}  // namespace

void ShowErrorMessage(const char* text, const char* caption) {
    MessageBoxA(nullptr, text, caption, MB_ICONERROR | MB_SETFOREGROUND);
}

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

void* ModuleHandle() { return gModule; }
void SetModuleHandle(void* module) { gModule = static_cast<HMODULE>(module); }

std::int32_t RunMainDialog() { return ui::RunMainDialog(); }
void ShowAboutBox(void* ownerWindow) { ui::ShowAboutBox(ownerWindow); }

bool TemporaryFolder(char* buffer, std::size_t bufferSize) {
    const DWORD length = GetTempPathA(static_cast<DWORD>(bufferSize), buffer);
    return length > 0 && length < bufferSize;
}

}  // namespace mirtane::platform
