// Draws the panel: a full repaint (background and every record) or a
// partial one (only the records marked dirty), onto a Canvas.
#pragma once

#include <cstdint>

#include "editor/canvas.h"
#include "editor/panel_control.h"
#include "editor/panel_model.h"

namespace orv {

// Each colour channel times f, truncated and capped at 255.
std::uint32_t scaleColour(std::uint32_t colour, float f);

// Whether a paint would draw anything: a full repaint is due or a record
// waits, marked dirty.
bool needsRepaint(PanelModel& panel);

class Painter {
public:
    Painter(PanelModel& panel, const ParameterSnapshot& snapshot, Canvas& canvas,
            const PanelControl* focusControl);

    // Steps of paintEditor up to the copy to the screen. Answers whether the
    // repaint was full.
    bool paint();
    void drawControl(PanelControl& c);

    void bevelBox(int l, int t, int r, int b, std::uint32_t c);
    void roundBody(int l, int t, int r, int b, std::uint32_t c);
    void centredText(int x, int y, int w, int h, const char* text, std::uint32_t c);
    void captionFont(int height, std::uint32_t flags);

private:
    float currentValue(const PanelControl& c) const;
    const char* displayText(const PanelControl& c) const;
    void drawFader(const PanelControl& c, const ScaledBounds& b, float v);
    void drawSlider(const PanelControl& c, const ScaledBounds& b, float v, bool horizontal);
    void drawToggle(const PanelControl& c, const ScaledBounds& b, float v, bool round);
    void drawKnob(const PanelControl& c, const ScaledBounds& b, float v);
    void drawLabel(const PanelControl& c, const ScaledBounds& b);
    void drawTextBox(const PanelControl& c, const ScaledBounds& b);
    void drawGraph(const PanelControl& c, const ScaledBounds& b);

    PanelModel& panel_;
    const ParameterSnapshot& snapshot_;
    Canvas& canvas_;
    const PanelControl* focus_;
    float scale_;
};

}  // namespace orv
