// What the panel shows and how: its records (a control and a label per
// parameter, the captions) linked into the control list, the parameter
// cache it draws from, the change counter that asks for full repaints, the
// geometry and colours, and the window it is shown in. The effect holds one
// (the VST 2.4 plug-in in its core); the other formats' panels hold their own.
#pragma once

#include <atomic>
#include <cstdint>

#include "dsp/state_block.h"
#include "editor/panel_control.h"
#include "params/param_table.h"

namespace orv {

constexpr int kCaptionCount = 12;
// The panel's size in editor units.
constexpr std::int32_t kPanelWidth = 544;
constexpr std::int32_t kPanelHeight = 356;

// The parameter values and display texts a paint shows, read at its start
// with the state to the reader alone.
struct ParameterSnapshot {
    float value[kNumParams];
    char text[kNumParams][kDisplayTextSize];
};

struct PanelModel {
    float cachedValue(int index) const { return parameterCache[index].load(std::memory_order_relaxed); }
    void storeCachedValue(int index, float value) {
        parameterCache[index].store(value, std::memory_order_relaxed);
    }
    // Marks every record of the control list bound to index.
    void markControlsOf(int index);
    // The text a selector shows for its value (Mode, Int, Link, Bypass).
    void showValueName(int index, const StateBlock& s);
    // With Link on, a value set for index set its partner too: both
    // controls are drawn again, the partner's from its new value.
    void showLinkedPair(int index, int partner, const StateBlock& s);

    // The window the panel is shown in, for repaint requests from any
    // thread (platform::invalidateWindow); null while closed.
    std::atomic<void*> editorWindow{nullptr};
    std::int32_t editorWidth = 0;
    std::int32_t editorHeight = 0;
    float editorScale = 0.0f;
    std::uint32_t frameColor = 0;
    std::uint32_t backgroundColor = 0;
    // Called with the effect, a record's parameter and the window message
    // for records that forward their events; no record does here.
    void (*eventHook)(void* effect, int paramIndex, unsigned message) = nullptr;
    // Above 0: the next paint is a full one (each full paint counts one down).
    std::atomic<std::int32_t> changeCounter{0};
    std::atomic<PanelControl*> controlList{nullptr};  // published once the records are built

    PanelControl paramControls[kNumParams] = {};
    PanelControl paramLabels[kNumParams] = {};
    PanelControl captions[kCaptionCount] = {};
    std::atomic<float> parameterCache[kNumParams] = {};
};

}  // namespace orv
