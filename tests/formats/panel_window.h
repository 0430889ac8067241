// The test hosts' side of a plug-in panel on this platform: a parent window
// of the host's, the host's idle, captures, a drag as a user's, and the
// window-system resources the process holds.
#pragma once

#include <cstdint>
#include <vector>

#include "host/vst_interface.h"

namespace formats::panelwindow {

// The parent window (an X11 Window or an HWND), made once.
std::uintptr_t parent();
void release();
// Another parent, which the test destroys itself.
std::uintptr_t newParent();
void destroyParent(std::uintptr_t window);
// Lets the window system deliver for about ms milliseconds (what a host's
// event loop does between its idle calls).
void pump(int ms);
// The VST 2.4 editor's idle calls for about ms milliseconds.
void idleVst2(AEffect* effect, int ms);
// The panel's pixels (the parent's child window), 0x00BBGGRR.
std::vector<std::uint32_t> capture();
int panelWidth();
int panelHeight();
// Left button down at (fromX, y), moved to (toX, y), up, in panel pixels.
void drag(int fromX, int toX, int y);
// Child windows of the parent.
int childCount();
// What the process holds of the window system: its X clients, or its
// windows (message-only ones included); and its threads.
int windowSystemObjects();
int threadCount();

}  // namespace formats::panelwindow
