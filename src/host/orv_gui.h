// The effect's editor: a child window inside the host's, drawn into a back
// buffer, showing the control list of the EffectCore. Win32 on Windows
// (orv_gui_win32.cpp), X11 with Cairo on Linux (orv_gui_x11.cpp).
#pragma once

#include <cstdint>
#include <memory>

#include "editor/panel_control.h"
#include "editor/panel_host.h"
#include "host/aeff_editor.h"
#include "platform/platform.h"

class X11Panel;

class orvGui final : public AEffGUIEditor, public CControlListener {
public:
    orvGui(AudioEffect* effect, orv::PanelHost& host);
    ~orvGui() override;

    // Host's user-interface thread, like every operation of the editor.
    bool open(void* parent) override;
    void close() override;
    // Asks for a repaint while any control waits to be drawn (host
    // automation marks controls without touching the window).
    void idle() override;
    // The open window's native handle (HWND or X11 Window); 0 while closed.
    std::uintptr_t windowHandle() const;

    orv::EffectCore& core;
    orv::PanelHost& plugin;
    orv::PointerState pointer;  // drag anchor, dragged and focused records

#if defined(_WIN32)
    // Window messages, from the window procedure.
    void paintEditor(void* window);
    bool handleMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
    void onCreate(void* window, void* instance);

    char windowClassName[100] = {};
    std::uint32_t osMajorVersion = 0;
    void* editWindow = nullptr;
    void* backBitmap = nullptr;
    void* backDC = nullptr;

private:
    void registerWindowClass();
    void releaseBackBuffer();
#else
    // Whether a thread of the editor's own pumps the window's events besides
    // the host's idle calls; set before open, for hosts whose idle is
    // regular enough to be the only pump.
    bool ownPumpThread = true;
    // A window of its own on the screen (for programs without a host
    // window), and whether the user has asked to close it.
    bool openOnItsOwn(const char* title);
    bool closeRequested() const;

private:
    // The window's handle for the rest of the effect; it outlives every
    // window, so a repaint request racing a close finds it.
    platform::RepaintRequest repaint_;
    std::unique_ptr<X11Panel> panel_;
    bool built_ = false;
    const char* topLevelTitle_ = nullptr;
#endif
};
