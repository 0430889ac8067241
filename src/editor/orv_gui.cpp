#include "editor/orv_gui.h"

#include "host/orv_vst.h"

namespace {

std::int16_t scaledExtent(std::int32_t units, float scale) {
    return static_cast<std::int16_t>(static_cast<float>(units) * scale);
}

}  // namespace

orvGui::orvGui(orvVst* effect)
    : AEffGUIEditor(effect), core(effect->core()), plugin(*effect) {
    rect.top = 0;
    rect.left = 0;
    rect.bottom = scaledExtent(core.editorHeight, core.editorScale);
    rect.right = scaledExtent(core.editorWidth, core.editorScale);
}
