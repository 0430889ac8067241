// Hosting a plug-in's editor on X11: a parent window of our own on our own
// display connection, and a capture of a window's pixels.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <vector>

#include "host/vst_interface.h"

namespace vsthost {

// A mapped top-level window to open editors in, on the host's display.
Window createParentWindow(Display* display, int width, int height);

// The first child of a window (the editor's), or 0.
Window firstChild(Display* display, Window parent);

// Calls effEditIdle every idleMs for about ms milliseconds, as hosts do.
void idleFor(AEffect* effect, int ms, int idleMs = 30);

// The window's pixels as 0x00BBGGRR colours (the Windows COLORREF order),
// row by row from the top.
std::vector<std::uint32_t> captureWindow(Display* display, Window window, int& width, int& height);

}  // namespace vsthost
