// The effect's editor: a child window inside the host's, drawn into a back
// buffer, showing the control list of the EffectCore.
#pragma once

#include <cstdint>

#include "host/aeff_editor.h"
#include "editor/panel_control.h"

#include "editor/panel_host.h"

class orvGui final : public AEffGUIEditor, public CControlListener {
public:
    orvGui(AudioEffect* effect, orv::PanelHost& host);
    ~orvGui() override;

    // Host's user-interface thread, like every operation of the editor.
    bool open(void* parent) override;
    void close() override;

    // Window messages, from the window procedure.
    void paintEditor(void* window);
    bool handleMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
    void onCreate(void* window, void* instance);

    orv::EffectCore& core;
    orv::PanelHost& plugin;

    char windowClassName[100] = {};
    std::uint32_t osMajorVersion = 0;
    orv::PointerState pointer;  // drag anchor, dragged and focused records
    void* editWindow = nullptr;
    void* backBitmap = nullptr;
    void* backDC = nullptr;

private:
    void registerWindowClass();
    void releaseBackBuffer();
};
