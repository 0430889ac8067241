#include "editor/painter.h"

#include <cmath>
#include <cstdio>

namespace orv {
namespace {

constexpr std::uint32_t kFaderSlot = 0x333333;
constexpr std::uint32_t kFaderScale = 0xCCCCCC;
constexpr std::uint32_t kFocusFill = 0xCCCCCC;
constexpr std::uint32_t kFocusOutline = 0xFF9999;
constexpr std::uint32_t kKnobRing = 0x555555;
constexpr float kRaised = 1.1f;
constexpr float kShadow = 0.8f;
constexpr float kHighlight = 1.3f;
constexpr int kPanelFontHeight = 10;
constexpr int kRegularWeight = 400;
constexpr int kBoldWeight = 700;
constexpr double kRadiansPerDegree = 0.017453292519943295;

bool bound(const PanelControl& c) { return c.paramIndex >= 0 && c.paramIndex < kNumParams; }

}  // namespace

std::uint32_t scaleColour(std::uint32_t colour, float f) {
    std::uint32_t result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const float channel = static_cast<float>((colour >> shift) & 0xFF) * f;
        const int scaled = static_cast<int>(channel);
        result |= static_cast<std::uint32_t>(scaled > 255 ? 255 : scaled) << shift;
    }
    return result;
}

bool needsRepaint(PanelModel& panel) {
    if (panel.changeCounter.load() > 0) return true;
    for (PanelControl* c = panel.controlList.load(std::memory_order_acquire); c; c = c->next)
        if (c->kind >= 0 && isDirty(*c)) return true;
    return false;
}

Painter::Painter(PanelModel& panel, const ParameterSnapshot& snapshot, Canvas& canvas,
                 const PanelControl* focusControl)
    : panel_(panel), snapshot_(snapshot), canvas_(canvas), focus_(focusControl),
      scale_(panel.editorScale) {}

float Painter::currentValue(const PanelControl& c) const {
    return bound(c) ? panel_.cachedValue(c.paramIndex) : c.value;
}

const char* Painter::displayText(const PanelControl& c) const {
    return snapshot_.text[c.paramIndex];
}

bool Painter::paint() {
    const int width = static_cast<int>(static_cast<float>(panel_.editorWidth) * scale_);
    const int height = static_cast<int>(static_cast<float>(panel_.editorHeight) * scale_);
    canvas_.selectPen(1, panel_.frameColor);
    canvas_.selectBrush(panel_.backgroundColor);
    canvas_.selectFont(kPanelFontHeight, kRegularWeight, false, false, false);
    const bool full = panel_.changeCounter.load() > 0;
    if (full) {
        for (int i = 0; i < kNumParams; ++i) panel_.storeCachedValue(i, snapshot_.value[i]);
        canvas_.rectangle(0, 0, width, height);
        for (PanelControl* c = panel_.controlList.load(std::memory_order_acquire); c; c = c->next)
            if (c->kind >= 0) drawControl(*c);
        panel_.changeCounter.fetch_sub(1);
    } else {
        for (PanelControl* c = panel_.controlList.load(std::memory_order_acquire); c; c = c->next) {
            if (c->kind < 0 || !isDirty(*c)) continue;
            // Cleared before drawing, so a mark set meanwhile is drawn next time.
            clearDirty(*c);
            canvas_.selectPen(1, panel_.backgroundColor);
            canvas_.selectBrush(panel_.backgroundColor);
            canvas_.rectangle(static_cast<int>(static_cast<float>(c->left) * scale_),
                              static_cast<int>(static_cast<float>(c->top) * scale_),
                              static_cast<int>(static_cast<float>(c->left + c->width) * scale_),
                              static_cast<int>(static_cast<float>(c->top + c->height) * scale_));
            drawControl(*c);
        }
    }
    canvas_.restoreOriginals();
    return full;
}

void Painter::drawControl(PanelControl& c) {
    const ScaledBounds b = c.scaledBounds(scale_);
    const float v = currentValue(c);
    const int r = b.left + b.width;
    const int bottom = b.top + b.height;
    switch (static_cast<ControlKind>(c.kind)) {
    case ControlKind::Fader: drawFader(c, b, v); break;
    case ControlKind::Selector:
        bevelBox(b.left, b.top, r, bottom, c.faceColor);
        if (c.fontSize != 0) {
            captionFont(b.fontSize, c.styleFlags);
            centredText(b.left, b.top, b.width, b.height, textOf(c), c.textColor);
        }
        break;
    case ControlKind::HSlider: drawSlider(c, b, v, true); break;
    case ControlKind::VSlider: drawSlider(c, b, v, false); break;
    case ControlKind::ToggleBox: drawToggle(c, b, v, false); break;
    case ControlKind::ToggleRound: drawToggle(c, b, v, true); break;
    case ControlKind::Knob: drawKnob(c, b, v); break;
    case ControlKind::Label: drawLabel(c, b); break;
    case ControlKind::TextBox: drawTextBox(c, b); break;
    case ControlKind::Panel:
        canvas_.selectPen(1, c.faceColor);
        canvas_.selectBrush(c.textColor);
        canvas_.rectangle(b.left, b.top, r, bottom);
        break;
    case ControlKind::Graph: drawGraph(c, b); break;
    default: break;
    }
}

void Painter::drawFader(const PanelControl& c, const ScaledBounds& b, float v) {
    const int L = b.left, T = b.top, W = b.width, H = b.height;
    const int R = L + W, B = T + H;
    canvas_.selectPen(1, panel_.frameColor);
    canvas_.selectBrush(c.faceColor);
    canvas_.rectangle(L, T, R, B);
    const int thumbTop = static_cast<int>(static_cast<float>(H - W) * v + static_cast<float>(T));
    const int o = static_cast<int>(static_cast<float>(W) * 0.15f);
    canvas_.selectBrush(kFaderSlot);
    canvas_.rectangle(L + 2 * o, T, L + W - 2 * o, thumbTop);
    canvas_.selectBrush(kFaderScale);
    canvas_.rectangle(L + o, T, L + 2 * o, thumbTop);
    canvas_.rectangle(L + W - 2 * o, T, L + W - o, thumbTop);
    canvas_.selectBrush(c.textColor);
    const int m = thumbTop - static_cast<int>(static_cast<float>(W) * -0.5f);
    canvas_.rectangle(L, thumbTop, R, m);
    bevelBox(L, m, R, thumbTop + W, c.textColor);
    canvas_.setTextColour(kFaderScale);
    const int u = (H - W) / 8;
    captionFont(static_cast<int>(static_cast<float>(u) * 0.8f), 0);
    const int n = static_cast<int>(v * 8.9f);
    for (int k = n; k >= 1; --k) {
        char text[16];
        std::snprintf(text, sizeof text, "%d", k);
        const int y = static_cast<int>(
            static_cast<float>(thumbTop - static_cast<int>(static_cast<float>(u) * 0.9f)) -
            static_cast<float>(k - 1) * static_cast<float>(u));
        if (y > T) canvas_.textOut(L + (W - canvas_.textExtent(text).cx) / 2, y, text);
    }
}

void Painter::drawSlider(const PanelControl& c, const ScaledBounds& b, float v, bool horizontal) {
    const int handle = static_cast<int>(kHandleSize * scale_);
    const int R = b.left + b.width, B = b.top + b.height;
    canvas_.selectPen(1, panel_.frameColor);
    canvas_.selectBrush(c.faceColor);
    canvas_.rectangle(b.left, b.top, R, B);
    if (horizontal) {
        const int x = static_cast<int>(static_cast<float>(b.width - handle) * v +
                                       static_cast<float>(b.left));
        bevelBox(x, b.top, x + handle, B, c.textColor);
    } else {
        const int y = static_cast<int>(static_cast<float>(b.height - handle) * (1.0f - v) +
                                       static_cast<float>(b.top));
        bevelBox(b.left, y, R, y + handle, c.textColor);
    }
}

void Painter::drawToggle(const PanelControl& c, const ScaledBounds& b, float v, bool round) {
    const bool on = v != 0.0f;
    const std::uint32_t body = on ? c.textColor : c.faceColor;
    const std::uint32_t text = on ? c.faceColor : c.textColor;
    const int R = b.left + b.width, B = b.top + b.height;
    if (round)
        roundBody(b.left, b.top, R, B, body);
    else
        bevelBox(b.left, b.top, R, B, body);
    if (c.fontSize != 0) {
        captionFont(b.fontSize, c.styleFlags);
        centredText(b.left, b.top, b.width, b.height, on ? "ON" : "OFF", text);
    }
}

void Painter::drawKnob(const PanelControl& c, const ScaledBounds& b, float v) {
    const int L = b.left, T = b.top, W = b.width;
    const int R = L + W, B = T + b.height;
    const int half = W / 2;
    const float cx = static_cast<float>(L + half);
    const float cy = static_cast<float>(T + half);
    const float w = static_cast<float>(W);
    int pw = static_cast<int>(w * 0.12f);
    if (pw < 3) pw = 3;
    const int t = pw / 2;
    const int rl = L + t + 1, rt = T + t + 1, rr = R - t - 1, rb = B - t - 1;
    const int zx = static_cast<int>(cx - w * 0.7071068f);
    const int zy = static_cast<int>(cy + w * 0.7071067f);
    canvas_.selectPen(pw, kKnobRing);
    canvas_.arc(rl, rt, rr, rb, static_cast<int>(cx + w * 0.70710665f),
                static_cast<int>(cy + w * 0.57357657f), zx, zy);
    const float angle = static_cast<float>((225.0f - v * 270.0f) * kRadiansPerDegree);
    const float sa = std::sin(angle);
    const float ca = std::cos(angle);
    const int px = static_cast<int>(cx + w * ca);
    const int py = static_cast<int>(cy - w * sa);
    canvas_.selectPen(pw, c.textColor);
    if (px != zx || py != zy) canvas_.arc(rl, rt, rr, rb, px, py, zx, zy);
    roundBody(L + pw, T + pw, R - pw, T + W - pw, c.faceColor);
    canvas_.selectPen(pw, scaleColour(c.faceColor, kHighlight));
    const float inner = static_cast<float>(W - pw);
    canvas_.moveTo(static_cast<int>(inner * ca * 0.5f + cx), static_cast<int>(cy - inner * sa * 0.5f));
    const float radius = static_cast<float>(half) - static_cast<float>(pw) * 1.5f;
    canvas_.lineTo(static_cast<int>(radius * ca + cx), static_cast<int>(cy - radius * sa));
    if (c.fontSize == 0) return;
    captionFont(b.fontSize, c.styleFlags);
    centredText(L, T, W, b.height, bound(c) ? displayText(c) : textOf(c),
                c.textColor);
}

void Painter::drawLabel(const PanelControl& c, const ScaledBounds& b) {
    canvas_.selectPen(1, panel_.frameColor);
    canvas_.selectBrush(c.faceColor);
    canvas_.rectangle(b.left, b.top, b.left + b.width, b.top + b.height);
    captionFont(b.fontSize, c.styleFlags);
    const char* text = c.text;
    if (!text && c.paramIndex >= 1 && c.paramIndex < kNumParams) text = displayText(c);
    centredText(b.left, b.top, b.width, b.height, text, c.textColor);
}

void Painter::drawTextBox(const PanelControl& c, const ScaledBounds& b) {
    if (&c == focus_) {
        canvas_.selectPen(1, kFocusOutline);
        canvas_.selectBrush(kFocusFill);
    } else {
        canvas_.selectPen(1, panel_.frameColor);
        canvas_.selectBrush(c.faceColor);
    }
    canvas_.rectangle(b.left, b.top, b.left + b.width, b.top + b.height);
    captionFont(b.fontSize, c.styleFlags);
    centredText(b.left, b.top, b.width, b.height, c.text, c.textColor);
}

void Painter::drawGraph(const PanelControl& c, const ScaledBounds& b) {
    canvas_.selectPen(1, panel_.frameColor);
    canvas_.selectBrush(c.faceColor);
    canvas_.rectangle(b.left, b.top, b.left + b.width, b.top + b.height);
    canvas_.selectPen(1, c.textColor);
    const GraphData* g = c.graph;
    if (!g || !g->samples || g->sampleCount < 2) return;
    const float yScale = static_cast<float>(b.height) / (g->maximum - g->minimum);
    const float xStep = static_cast<float>(b.width) / static_cast<float>(g->sampleCount);
    const float base = static_cast<float>(b.top + b.height);
    const auto yOf = [&](float sample) {
        const float y = base - (sample - g->minimum) * yScale;
        return std::isfinite(y) ? static_cast<int>(y) : b.top + b.height;
    };
    canvas_.moveTo(b.left, yOf(g->samples[0]));
    for (int i = 1; i < g->sampleCount; ++i)
        canvas_.lineTo(static_cast<int>(static_cast<float>(i) * xStep + static_cast<float>(b.left)),
                       yOf(g->samples[i]));
}

void Painter::bevelBox(int l, int t, int r, int b, std::uint32_t c) {
    canvas_.selectPen(1, panel_.frameColor);
    canvas_.selectBrush(scaleColour(c, kRaised));
    canvas_.rectangle(l, t, r, b);
    canvas_.selectPen(1, scaleColour(c, kShadow));
    canvas_.moveTo(l + 1, b - 2);
    canvas_.lineTo(r - 2, b - 2);
    canvas_.lineTo(r - 2, t);
    canvas_.selectPen(1, scaleColour(c, kHighlight));
    canvas_.moveTo(l + 1, b - 3);
    canvas_.lineTo(l + 1, t);
    canvas_.lineTo(r - 2, t);
}

void Painter::roundBody(int l, int t, int r, int b, std::uint32_t c) {
    canvas_.selectPen(1, panel_.frameColor);
    canvas_.selectBrush(c);
    canvas_.ellipse(l, t, r, b);
    const float w = static_cast<float>(r - l);
    const int half = (r - l) / 2;
    const float cx = static_cast<float>(l + half);
    const float cy = static_cast<float>(t + half);
    canvas_.selectPen(1, scaleColour(c, kHighlight));
    canvas_.arc(l + 1, t + 1, r - 1, b - 1, static_cast<int>(cx + w * 0.70710677f),
                static_cast<int>(cy - w * 0.70710677f), static_cast<int>(cx - w * 0.9659258f),
                static_cast<int>(cy + w * 0.25881907f));
    canvas_.selectPen(1, scaleColour(c, kShadow));
    canvas_.arc(l + 1, t + 1, r - 1, b - 1, static_cast<int>(cx - w * 0.7071068f),
                static_cast<int>(cy + w * 0.7071067f), static_cast<int>(cx + w * 0.9659258f),
                static_cast<int>(cy - w * 0.25881904f));
}

void Painter::centredText(int x, int y, int w, int h, const char* text, std::uint32_t c) {
    if (!text || !text[0]) return;
    canvas_.setTextColour(c);
    const TextSize size = canvas_.textExtent(text);
    canvas_.textOut(x + (w - size.cx) / 2, y + (h - size.cy) / 2, text);
}

void Painter::captionFont(int height, std::uint32_t flags) {
    canvas_.selectFont(height, (flags & kFontBold) ? kBoldWeight : kRegularWeight,
                       (flags & kFontItalic) != 0, (flags & kFontUnderline) != 0,
                       (flags & kFontStrikeOut) != 0);
}

}  // namespace orv
