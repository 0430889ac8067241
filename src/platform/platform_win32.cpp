// Win32 side of the host interface: the module handle recorded when the
// library is loaded, its path, Sleep(0) yields and window invalidation.
#include <windows.h>

#include "platform/platform.h"
#include "platform/platform_win32.h"

namespace {
HINSTANCE moduleInstance = nullptr;
}

// Loader thread, at load and unload; records the handle and nothing else.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) moduleInstance = instance;
    return TRUE;
}

namespace platform {

const char kPathSeparator = '\\';

// Linked into a program instead of a library (the in-process tests), the
// module is the program itself.
HINSTANCE moduleHandle() { return moduleInstance ? moduleInstance : GetModuleHandleA(nullptr); }

void readModulePath(char* buffer, std::size_t size) {
    if (!buffer || size == 0) return;
    const DWORD length = GetModuleFileNameA(moduleInstance, buffer, static_cast<DWORD>(size));
    if (length == 0 || length >= size) buffer[length == 0 ? 0 : size - 1] = '\0';
}

void yieldProcessor() { Sleep(0); }

void invalidateWindow(void* window) {
    if (window) InvalidateRect(static_cast<HWND>(window), nullptr, FALSE);
}

}  // namespace platform
