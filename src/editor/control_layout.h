// The editor panel's records: where each control, label and caption sits.
#pragma once

#include "editor/panel_control.h"
#include "editor/panel_model.h"

namespace orv {

// Builds the panel's 64 records and links them into its control list, the
// parameter cache and the selectors' texts from the state s (first opening
// of the editor; editor thread, with the state to itself).
void buildPanel(PanelModel& panel, const StateBlock& s);

}  // namespace orv
