// The effect's VST 2.4 editor: the panel's window (window/) inside the
// host's, behind the editor interface the dispatcher talks to.
#pragma once

#include <memory>

#include "editor/panel_host.h"
#include "host/aeff_editor.h"
#include "window/panel_window.h"

class orvGui final : public AEffGUIEditor, public CControlListener {
public:
    // Constructing thread (with the plug-in).
    orvGui(AudioEffect* effect, orv::PanelHost& host);
    ~orvGui() override;

    // Host's user-interface thread, like every operation of the editor.
    // The host passes its window (HWND, or an X11 Window in ptr).
    bool open(void* parent) override;
    void close() override;
    // Pumps the window; asks for a repaint while any control waits to be
    // drawn (host automation marks controls without touching the window).
    void idle() override;

    orv::PanelHost& plugin;
    orv::PointerState pointer;  // drag anchor, dragged and focused records

private:
    orv::WindowSession session_;
    std::unique_ptr<orv::PanelWindow> window_;
    bool built_ = false;
};
