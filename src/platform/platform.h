// What the plug-in layer and the editor need from the operating system. One
// implementation per platform: platform_win32.cpp and platform_posix.cpp.
#pragma once

#include <cstddef>

namespace platform {

constexpr std::size_t kModulePathSize = 260;

// The directory separator of module paths on this platform.
extern const char kPathSeparator;

// Writes the loaded library's own file path (NUL-terminated, cut to size);
// an empty text when it cannot be found.
void readModulePath(char* buffer, std::size_t size);

// Gives the processor to another thread; the hand-shake waits call this.
void yieldProcessor();

// Asks the editor window to repaint itself; any thread may call it.
void invalidateWindow(void* window);

}  // namespace platform
