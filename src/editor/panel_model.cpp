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

void PanelModel::showLinkedPair(int index, int partner, const StateBlock& s) {
    markDirty(paramControls[index]);
    // The partner's control is drawn from its cached value, which only this
    // coupling changes.
    char scratch[kDisplayTextSize];
    storeCachedValue(partner, readBack(s, partner, scratch, sizeof scratch));
    markDirty(paramControls[partner]);
}

}  // namespace orv
