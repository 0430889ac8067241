// The library's own module on Windows: its handle, recorded when Windows
// loads it, and its file path. Only the VST 2.4 library links this file:
// the other formats' libraries have a DllMain of their framework's.
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

// Linked into a program instead of a library (the in-process tests), the
// module is the program itself.
HINSTANCE moduleHandle() { return moduleInstance ? moduleInstance : GetModuleHandleA(nullptr); }

void readModulePath(char* buffer, std::size_t size) {
    if (!buffer || size == 0) return;
    const DWORD length = GetModuleFileNameA(moduleInstance, buffer, static_cast<DWORD>(size));
    if (length == 0 || length >= size) buffer[length == 0 ? 0 : size - 1] = '\0';
}

}  // namespace platform
