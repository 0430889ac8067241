#include "editor/panel_model.h"

namespace orv {

void PanelModel::markControlsOf(int index) {
    for (PanelControl* c = controlList.load(std::memory_order_acquire); c; c = c->next)
        if (c->paramIndex == index) markDirty(*c);
}

void PanelModel::showValueName(int index, const StateBlock& s) {
    switch (index) {
    case kMode: setText(paramControls[kMode], modeName(s.mode)); return;
    case kInt: setText(paramControls[kInt], switchName(s.interpolate)); return;
    case kLink: setText(paramControls[kLink], switchName(s.link)); return;
    case kBypass: setText(paramControls[kBypass], switchName(s.bypass)); return;
    default: return;
    }
}

}  // namespace orv
