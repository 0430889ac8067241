// The editor panel's records: where each control, label and caption sits.
#pragma once

#include "editor/panel_control.h"
#include "params/effect_core.h"

namespace orv {

// Builds the panel's 64 records in the core and links them into its control
// list (first opening of the editor; editor thread, with the state to itself).
void buildPanel(EffectCore& core);
// Appends a record at the tail of the core's control list, refreshes the
// cached value of its parameter and marks it dirty.
void addControl(EffectCore& core, PanelControl& record);

}  // namespace orv
