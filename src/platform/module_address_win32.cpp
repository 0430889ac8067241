// The library's own module on Windows for libraries whose framework owns
// DllMain (the CLAP and VST3 plug-ins): the module that holds this code.
#include <windows.h>

#include "platform/platform_win32.h"

namespace platform {

HINSTANCE moduleHandle() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&moduleHandle), &module);
    return module;
}

}  // namespace platform
