// The panel's window on the platform's window system: Win32
// (panel_window_win32.cpp) or X11 with Cairo (panel_window_x11.cpp). It
// paints the panel through a canvas, routes pointer input to the panel's
// input code and publishes its handle in the panel model (editorWindow) for
// repaint requests from any thread. Every call below runs on the host's
// user-interface thread.
#pragma once

#include <cstdint>
#include <memory>

#include "editor/panel_host.h"
#include "editor/panel_model.h"
#include "platform/platform.h"

namespace orv {

// What the windows of one editor need from the process while it exists. On
// Windows: OLE on the editor's thread (for file drops) and the window class,
// given back when the last editor window of the library has gone. On X11:
// the repaint flag other threads raise, which outlives every window, so a
// request racing a close finds it.
class WindowSession {
public:
    WindowSession();
    ~WindowSession();
    WindowSession(const WindowSession&) = delete;
    WindowSession& operator=(const WindowSession&) = delete;

#if defined(_WIN32)
    char windowClassName[100] = {};  // empty until the first window
#else
    platform::RepaintRequest repaint;
#endif
};

struct WindowRequest {
    void* parent = nullptr;       // the host's window: an HWND or an X11 Window
    const char* title = nullptr;  // X11 without a parent: a window of its own with this title
    bool ownPumpThread = true;    // X11: a thread of the window's own pumps it besides idle()
};

class PanelWindow {
public:
    virtual ~PanelWindow() = default;
    // Host's idle: X11 handles the pending events and paints what waits;
    // Win32 asks for a repaint while a control waits to be drawn.
    virtual void idle() = 0;
    // The native handle (HWND or X11 Window).
    virtual std::uintptr_t handle() const = 0;
    // Whether the user asked the window manager to close a window of its own.
    virtual bool closeRequested() const { return false; }
};

// Opens the panel's window at the panel's size; null where it cannot be made.
std::unique_ptr<PanelWindow> openPanelWindow(WindowSession& session, PanelHost& host, PointerState& pointer,
                                             const WindowRequest& request);

}  // namespace orv
