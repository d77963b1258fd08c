// Records the library's module handle for resource loads. Only the process
// detach clears it: thread notifications come whenever a host starts or ends
// a thread, and clearing the handle then would make every later dialog fail.
#include <windows.h>

#include "platform/Platform.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) {
        mirtane::platform::SetModuleHandle(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        mirtane::platform::SetModuleHandle(nullptr);
    }
    return TRUE;
}
