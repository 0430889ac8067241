// Hosting a plug-in's editor on Windows: a parent window of our own, the
// message pump, and a capture of the editor's pixels.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "host/vst_interface.h"

namespace vsthost {

// A visible top-level window to open editors in.
HWND createParentWindow(int width, int height);

// Dispatches the thread's pending window messages for about ms milliseconds.
void pumpMessages(int ms);

// The window's client area as 0x00BBGGRR colours, row by row from the top.
std::vector<std::uint32_t> captureWindow(HWND window, int& width, int& height);

}  // namespace vsthost
