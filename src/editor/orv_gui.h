// The effect's editor: a child window inside the host's, drawn into a back
// buffer, showing the control list of the EffectCore.
#pragma once

#include <cstdint>

#include "editor/aeff_editor.h"
#include "editor/panel_control.h"

class orvVst;
namespace orv {
class EffectCore;
}

class orvGui : public AEffGUIEditor, public CControlListener {
public:
    explicit orvGui(orvVst* effect);
    ~orvGui() override;

    bool open(void* parent) override;
    void close() override;

    const char* className() const { return windowClassName; }

    orv::EffectCore& core;
    orvVst& plugin;

    // Platform window state; opaque handles so the portable core can hold them.
    char windowClassName[100] = {};
    std::int32_t lastX = 0;
    std::int32_t lastY = 0;
    orv::PanelControl* dragControl = nullptr;
    orv::PanelControl* focusControl = nullptr;
    void* editWindow = nullptr;
    void* backBitmap = nullptr;
    void* backDC = nullptr;
};
