#include "editor/pointer_input.h"

#include <cmath>
#include <cstdlib>


namespace orv {
namespace {

constexpr float kFineFactor = 0.2f;
constexpr float kResubmit = 2.0f;  // outside 0..1: re-submits the cached value
constexpr int kKnobSpanWidths = 3;  // a knob without a count sweeps over three widths

float currentValue(PanelModel& panel, const PanelControl& c) {
    return c.paramIndex >= 0 && c.paramIndex < kNumParams ? panel.cachedValue(c.paramIndex)
                                                           : c.value;
}

void submit(PanelHost& host, PanelControl& c, float v) {
    c.value = clampNormalised(v);
    host.applyControlValue(c, c.value);
}

// The state a value stands for: for a bound selector the step its
// parameter's own mapping gives (so a switch read back as 1.0 is ON), for
// others the state of exactly that value.
int stateOf(const PanelControl& c, float v) {
    if (c.paramIndex >= 0 && c.paramIndex < kNumParams) {
        const auto step = static_cast<int>(engineeringValue(kParamTable[c.paramIndex].mapping, clampNormalised(v)));
        return step < 0 ? 0 : (step >= c.count ? c.count - 1 : step);
    }
    int i = 0;
    while (i < c.count && c.stateValues[i] != v) ++i;
    return i;
}

float nextState(const PanelControl& c, float v, bool forward) {
    if (!c.stateValues || c.count <= 0) return v;
    const int i = stateOf(c, v);
    int next = forward ? i + 1 : i - 1;
    if (next >= c.count) next = 0;
    if (next < 0) next = c.count - 1;
    return c.stateValues[next];
}

void commitTextBox(PanelHost& host, PanelControl& c, EditField* edit) {
    if (!edit || !c.text || c.textCapacity == 0) return;
    // A TextBox's text points at a writable buffer of textCapacity bytes.
    edit->getText(const_cast<char*>(c.text), c.textCapacity);
    const float scale = host.panel().editorScale;
    edit->move(static_cast<int>(static_cast<float>(host.panel().editorWidth) * scale), 0, 0, 1);
    host.panel().changeCounter.fetch_add(1);
}

void endGesture(PanelHost& host, PointerState& p) {
    if (p.gestureParam < 0) return;
    host.editGesture(p.gestureParam, false);
    p.gestureParam = -1;
}

// Kinds below Label change their value under the pointer.
void startGesture(PanelHost& host, PointerState& p, const PanelControl& c) {
    endGesture(host, p);
    if (c.paramIndex < 0 || c.paramIndex >= kNumParams || c.kind >= static_cast<std::int8_t>(ControlKind::Label))
        return;
    p.gestureParam = c.paramIndex;
    host.editGesture(c.paramIndex, true);
}

bool press(PanelHost& host, PointerState& p, EditField* edit, int x, int y, bool left) {
    PanelModel& panel = host.panel();
    PanelControl* hit = hitTest(panel.controlList.load(std::memory_order_acquire), panel.editorScale, x, y);
    if (hit) {
        p.lastX = x;
        p.lastY = y;
    }
    if (PanelControl* previous = p.focusControl) {
        host.applyControlValue(*previous, kResubmit);
        if (previous->kind == static_cast<std::int8_t>(ControlKind::TextBox))
            commitTextBox(host, *previous, edit);
    }
    p.focusControl = p.dragControl = hit;
    if (!hit) return true;
    p.dragValue = currentValue(panel, *hit);
    startGesture(host, p, *hit);
    const ScaledBounds b = hit->scaledBounds(panel.editorScale);
    const float handle = kHandleSize * panel.editorScale;
    const int halfHandle = static_cast<int>(handle) / 2;
    float v = currentValue(panel, *hit);
    switch (static_cast<ControlKind>(hit->kind)) {
    case ControlKind::Selector: v = nextState(*hit, v, left); break;
    case ControlKind::HSlider:
        v = static_cast<float>(x - halfHandle - b.left) /
            (static_cast<float>(b.width) - static_cast<float>(static_cast<int>(handle)));
        break;
    case ControlKind::VSlider:
        v = static_cast<float>(b.top + b.height - halfHandle - y) /
            (static_cast<float>(b.height) - static_cast<float>(static_cast<int>(handle)));
        break;
    case ControlKind::ToggleBox:
    case ControlKind::ToggleRound: v = v == 0.0f ? 1.0f : 0.0f; break;
    case ControlKind::TextBox:
        if (edit) {
            edit->setText(hit->text);
            edit->move(b.left, b.top, b.width, b.height);
        }
        break;
    default: return false;
    }
    submit(host, *hit, v);
    return true;
}

bool motion(PanelHost& host, PointerState& p, int x, int y, bool fine) {
    PanelControl* c = p.dragControl;
    if (!c) return true;
    PanelModel& panel = host.panel();
    const ScaledBounds b = c->scaledBounds(panel.editorScale);
    const int handle = static_cast<int>(kHandleSize * panel.editorScale);
    const float f = fine ? kFineFactor : 1.0f;
    // A drag goes on from its own position, not from the cached value, which
    // a host's read-back may have rounded to the parameter's steps meanwhile.
    float v = p.dragValue;
    bool moveAnchor = true;
    switch (static_cast<ControlKind>(c->kind)) {
    case ControlKind::Fader:
        v = static_cast<float>(y - b.width / 2 - b.top);
        if (b.height != b.width) v /= static_cast<float>(b.height - b.width);
        moveAnchor = false;
        break;
    case ControlKind::HSlider: {
        float d = static_cast<float>(x - p.lastX) * f;
        if (b.width != handle) d /= static_cast<float>(b.width - handle);
        v += d;
        break;
    }
    case ControlKind::VSlider: {
        float d = static_cast<float>(p.lastY - y) * f;
        if (b.height != handle) d /= static_cast<float>(b.height - handle);
        v += d;
        break;
    }
    case ControlKind::Knob: {
        const int dx = x - p.lastX;
        const int dy = p.lastY - y;
        const int d = std::abs(dx) < std::abs(dy) ? dy : dx;
        const int span = c->count != 0 ? c->count : kKnobSpanWidths * b.width;
        v += static_cast<float>(d) * f / static_cast<float>(span);
        break;
    }
    default: return false;
    }
    submit(host, *c, v);
    p.dragValue = c->value;
    if (moveAnchor) {
        p.lastX = x;
        p.lastY = y;
    }
    return true;
}

bool release(PanelHost& host, PointerState& p) {
    PanelControl* c = p.dragControl;
    if (!c) return true;
    p.dragControl = nullptr;
    bool handled = false;
    switch (static_cast<ControlKind>(c->kind)) {
    case ControlKind::Selector:
    case ControlKind::ToggleBox:
    case ControlKind::ToggleRound:
        submit(host, *c, currentValue(host.panel(), *c));
        handled = true;
        break;
    default: break;
    }
    endGesture(host, p);
    return handled;
}

}  // namespace

PanelControl* hitTest(PanelControl* list, float scale, int x, int y) {
    for (PanelControl* c = list; c; c = c->next) {
        const ScaledBounds b = c->scaledBounds(scale);
        if (b.left <= x && x <= b.left + b.width && b.top <= y && y <= b.top + b.height) return c;
    }
    return nullptr;
}

bool handleMouse(PanelHost& host, PointerState& pointer, EditField* edit, MouseEvent event, int x,
                 int y, bool fine) {
    switch (event) {
    case MouseEvent::LeftDown: return press(host, pointer, edit, x, y, true);
    case MouseEvent::RightDown: return press(host, pointer, edit, x, y, false);
    case MouseEvent::Move: return motion(host, pointer, x, y, fine);
    case MouseEvent::LeftUp:
    case MouseEvent::RightUp: return release(host, pointer);
    // No record forwards drops in this effect: a drop is accepted and has no effect.
    case MouseEvent::Drop: return true;
    case MouseEvent::Other: return false;
    }
    return false;
}

}  // namespace orv
