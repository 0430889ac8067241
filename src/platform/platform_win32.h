// Win32-only additions to the platform interface, for the editor's window code.
#pragma once

#include <windows.h>

namespace platform {

// The library's instance handle, recorded when Windows loaded it.
HINSTANCE moduleHandle();

}  // namespace platform
