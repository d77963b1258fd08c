// The few operating-system services that code outside ui/ needs. platform/win32
// implements them with Win32; platform/headless implements them for the native
// build, where tests control them through platform/headless/HeadlessPlatform.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/DialogResult.h"

namespace mirtane::platform {

constexpr const char* kErrorCaption = "MIRTANE Plug-In - ERROR";
constexpr const char* kInternalErrorCaption = "MIRTANE Plug-In - INTERNAL ERROR";

// A modal message box with no owner window, the error icon and the
// set-foreground flag.
void ShowErrorMessage(const char* text, const char* caption);

int ScreenWidth();
int ScreenHeight();

// The library's own module handle, for resource loads; null when unknown.
void* ModuleHandle();
void SetModuleHandle(void* module);

// The main dialog: one of DialogResult, kDialogNoBuffers aside.
std::int32_t RunMainDialog();
// The about box, owned by the given host window.
void ShowAboutBox(void* ownerWindow);

// The temporary-files folder, with its trailing separator. False on failure.
bool TemporaryFolder(char* buffer, std::size_t bufferSize);

}  // namespace mirtane::platform
