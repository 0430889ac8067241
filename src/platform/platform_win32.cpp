// Win32 side of the platform interface: the path separator, Sleep(0)
// yields and window invalidation.
#include <windows.h>

#include "platform/platform.h"

namespace platform {

const char kPathSeparator = '\\';

std::uint32_t tickCount() { return GetTickCount(); }

void yieldProcessor() { Sleep(0); }

void invalidateWindow(void* window) {
    if (window) InvalidateRect(static_cast<HWND>(window), nullptr, FALSE);
}

}  // namespace platform
