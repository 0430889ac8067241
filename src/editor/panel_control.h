// The editor's on-screen elements: one plain record per element, linked into
// the control list in drawing and hit-testing order.
#pragma once

#include <atomic>
#include <cstdint>

namespace orv {

enum class ControlKind : std::int8_t {
    Fader = 1,
    Selector = 2,
    HSlider = 3,
    VSlider = 4,
    ToggleBox = 5,
    ToggleRound = 6,
    Knob = 7,
    Label = 8,
    TextBox = 9,
    Panel = 10,
    Graph = 11,
};

// styleFlags bits.
constexpr std::uint32_t kForwardEvents = 1u << 0;
constexpr std::uint32_t kFontBold = 1u << 24;
constexpr std::uint32_t kFontItalic = 1u << 25;
constexpr std::uint32_t kFontUnderline = 1u << 26;
constexpr std::uint32_t kFontStrikeOut = 1u << 27;

// Length of a slider's handle in editor units.
constexpr float kHandleSize = 16.0f;

struct GraphData {
    float minimum;
    float maximum;
    const float* samples;
    std::int32_t sampleCount;
};

struct ScaledBounds {
    std::int32_t left, top, width, height;
    std::int8_t fontSize;
};

struct PanelControl {
    std::int8_t kind;
    std::int8_t fontSize;
    std::uint8_t dirty;
    // Not owned: a constant name, or for a TextBox a writable buffer of textCapacity bytes.
    const char* text;
    std::uint32_t styleFlags;
    std::int32_t left, top;
    std::int32_t width, height;
    std::uint32_t faceColor;
    std::uint32_t textColor;
    std::int32_t paramIndex;
    std::int32_t count;
    std::uint32_t textCapacity;
    float value;
    const float* stateValues;
    const GraphData* graph;
    PanelControl* next;

    ScaledBounds scaledBounds(float scale) const;
};

// The pointer's state between messages; it survives closing the window.
struct PointerState {
    std::int32_t lastX = 0;
    std::int32_t lastY = 0;
    PanelControl* dragControl = nullptr;
    PanelControl* focusControl = nullptr;
    float dragValue = 0.0f;  // the dragged control's value, unrounded, while the drag lasts
    std::int32_t gestureParam = -1;  // the parameter whose edit gesture is open
};

// The dirty flag and the text reference are written by the host's threads
// and read by the editor's; these accessors keep those accesses atomic.
inline void markDirty(PanelControl& c) {
    std::atomic_ref<std::uint8_t>(c.dirty).store(1, std::memory_order_relaxed);
}
inline bool isDirty(PanelControl& c) {
    return std::atomic_ref<std::uint8_t>(c.dirty).load(std::memory_order_relaxed) != 0;
}
inline void clearDirty(PanelControl& c) {
    std::atomic_ref<std::uint8_t>(c.dirty).store(0, std::memory_order_relaxed);
}
inline void setText(PanelControl& c, const char* text) {
    std::atomic_ref<const char*>(c.text).store(text, std::memory_order_relaxed);
}
inline const char* textOf(const PanelControl& c) {
    return std::atomic_ref<const char*>(const_cast<const char*&>(c.text))
        .load(std::memory_order_relaxed);
}

}  // namespace orv
