// Win32 side of the editor: window class, child window, back buffer.
#include <windows.h>

#include "editor/editor_factory.h"
#include "editor/orv_gui.h"
#include "host/orv_vst.h"
#include "host/platform_win32.h"

AEffEditor* createEditor(orvVst* effect) { return new orvGui(effect); }

orvGui::~orvGui() = default;

bool orvGui::open(void* parent) {
    systemWindow = parent;
    return true;
}

void orvGui::close() { systemWindow = nullptr; }
