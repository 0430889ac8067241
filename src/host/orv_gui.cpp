#include "host/orv_gui.h"

#include "host/editor_factory.h"
#include "platform/platform.h"

AEffEditor* createEditor(AudioEffect* effect, orv::PanelHost& host) { return new orvGui(effect, host); }

orvGui::orvGui(AudioEffect* effect, orv::PanelHost& host) : AEffGUIEditor(effect), plugin(host) {
    startTicks = platform::tickCount();
    const orv::PanelModel& panel = host.panel();
    rect.top = 0;
    rect.left = 0;
    rect.bottom = static_cast<std::int16_t>(static_cast<float>(panel.editorHeight) * panel.editorScale);
    rect.right = static_cast<std::int16_t>(static_cast<float>(panel.editorWidth) * panel.editorScale);
}

// A window the host left open is closed in full.
orvGui::~orvGui() { close(); }

bool orvGui::open(void* parent) {
    // Hosts may open twice without a close; the earlier window goes first.
    close();
    if (!built_) {
        plugin.buildControls();
        built_ = true;
    }
    orv::WindowRequest request;
    request.parent = parent;
    window_ = orv::openPanelWindow(session_, plugin, pointer, request);
    if (!window_) return false;
    systemWindow = parent;
    return true;
}

// A close without an open window (hosts send unpaired closes) changes nothing.
void orvGui::close() {
    if (!window_) return;
    window_.reset();
    systemWindow = nullptr;
}

void orvGui::idle() {
    if (window_) window_->idle();
}
