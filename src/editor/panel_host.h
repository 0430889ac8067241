// What the editor needs from the effect it shows. The plug-in object of
// each format implements it; the editor knows nothing else of the plug-in.
#pragma once

#include "editor/panel_control.h"
#include "editor/panel_model.h"

namespace orv {

class PanelHost {
public:
    // What the panel shows: its records, the parameter cache, the colours,
    // the window handle and the change counter.
    virtual PanelModel& panel() = 0;
    // Whether construction has finished (the editor waits for it).
    virtual bool isReady() const = 0;
    // The panel's value change for a record: for a bound record, stores x
    // in the cache when it lies within 0..1, pushes the cached value through
    // the set path and marks every record of the parameter; then asks the
    // window to repaint. Nothing at all before construction has finished.
    // Editor thread.
    virtual void applyControlValue(PanelControl& record, float x) = 0;
    // Builds the editor's records with the state to itself. Editor thread.
    virtual void buildControls() = 0;
    // Every parameter's normalised value and display text, read at once.
    virtual void readSnapshot(ParameterSnapshot& snapshot) = 0;
    // A press on a bound control starts an edit of its parameter and the
    // release ends it; formats whose hosts record edits as gestures tell
    // them here. Editor thread.
    virtual void editGesture(int /*paramIndex*/, bool /*started*/) {}

protected:
    ~PanelHost() = default;
};

}  // namespace orv
