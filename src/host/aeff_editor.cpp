#include "host/aeff_editor.h"

#include <atomic>

namespace {
// Process-wide knob mode; recorded for hosts that set it, read by nothing else.
std::atomic<VstInt32> knobMode{0};
}  // namespace

VstInt32 VSTGUIEditorInterface::getKnobMode() const { return knobMode.load(); }

bool AEffGUIEditor::setKnobMode(VstInt32 mode) {
    knobMode.store(mode);
    return true;
}
