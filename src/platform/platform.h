// What the plug-in layer and the editor need from the operating system. One
// implementation per platform: platform_win32.cpp and platform_posix.cpp.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace platform {

constexpr std::size_t kModulePathSize = 260;

// The directory separator of module paths on this platform.
extern const char kPathSeparator;

// Writes the loaded library's own file path (NUL-terminated, cut to size);
// an empty text when it cannot be found.
void readModulePath(char* buffer, std::size_t size);

// Milliseconds since an arbitrary start, wrapping around.
std::uint32_t tickCount();

// Gives the processor to another thread; the hand-shake waits call this.
void yieldProcessor();

// Asks the editor window to repaint itself; any thread may call it. On
// Windows the handle is the window's HWND. On X11 it is the editor's
// RepaintRequest: only its flag is raised, and the editor's own thread, the
// one that talks to the X server, repaints.
void invalidateWindow(void* window);

struct RepaintRequest {
    std::atomic<bool> pending{false};
};

}  // namespace platform
