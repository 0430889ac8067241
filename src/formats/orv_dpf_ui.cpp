// The panel inside the CLAP, VST3 and LV2 plug-ins: the VST 2.4 library's
// own editor window, opened in the window DPF hands over. The panel keeps
// its own copy of the parameters (a core of its own, never processing) for
// drawing and hit-testing; values go to the plug-in only through the
// format's path (setParameterValue between edit begin and end) and come back
// through parameterChanged, so the format may run the two sides apart. On
// Linux, where a program has no host window (the JACK program), the panel is
// a window of its own.
#include <atomic>
#include <cstdint>
#include <memory>

#include "DistrhoUI.hpp"
#include "editor/control_layout.h"
#include "host/orv_gui.h"

START_NAMESPACE_DISTRHO

namespace {

// The panel's parameters and records, ready before DPF's window is made
// (the window takes the panel's size from them).
struct PanelState {
    PanelState() {
        panelCore.setPluginLayerDefaults(kUnusedRate, orv::kCoreBlockSize);
        panelCore.configureEffect();
        panelCore.parameterCache = std::make_unique<std::atomic<float>[]>(orv::kNumParams);
        char scratch[orv::kDisplayTextSize];
        for (int i = 0; i < orv::kNumParams; ++i)
            panelCore.storeCachedValue(i, panelCore.readParameter(i, scratch, sizeof scratch));
    }
    static constexpr float kUnusedRate = 44100.0f;  // this core never processes
    orv::EffectCore panelCore;
};

}  // namespace

class OrvUI : private PanelState, public UI, public orv::PanelHost {
public:
    OrvUI()
        : UI(static_cast<uint>(static_cast<float>(panelCore.editorWidth) * panelCore.editorScale),
             static_cast<uint>(static_cast<float>(panelCore.editorHeight) * panelCore.editorScale)),
          editor_(std::make_unique<orvGui>(nullptr, *this)) {
#if !defined(_WIN32)
        // Every format DPF builds calls uiIdle regularly (CLAP timer, VST3
        // run loop, LV2 idle interface): it alone pumps the window.
        editor_->ownPumpThread = false;
#endif
        if (isEmbed()) editor_->open(reinterpret_cast<void*>(getParentWindowHandle()));
    }

    // Host's user-interface thread, like every call below.
    ~OrvUI() override {
        // A drag the window's close cut short still ends its edit.
        const int open = editor_->pointer.gestureParam;
        if (open >= 0) editParameter(static_cast<uint32_t>(open), false);
        editor_->close();
    }

    uintptr_t getNativeWindowHandle() const noexcept override { return editor_->windowHandle(); }

    // PanelHost: the panel's side of the parameters.
    orv::EffectCore& core() override { return panelCore; }
    bool isReady() const override { return true; }

    void applyControlValue(orv::PanelControl& record, float x) override {
        const int index = record.paramIndex;
        if (index >= 0 && index < orv::kNumParams) {
            // Values outside 0..1 only re-submit the panel's value: the
            // plug-in already has it, so the host hears nothing of them.
            const bool change = x >= 0.0f && x <= 1.0f;
            if (change) panelCore.storeCachedValue(index, x);
            panelCore.setParameterValue(index, panelCore.cachedValue(index));
            panelCore.markControlsOf(index);
            if (change) setParameterValue(static_cast<uint32_t>(index), x);
        }
        platform::invalidateWindow(panelCore.editorWindow.load());
    }

    void buildControls() override { orv::buildPanel(panelCore); }

    void readSnapshot(orv::ParameterSnapshot& snapshot) override {
        for (int i = 0; i < orv::kNumParams; ++i)
            snapshot.value[i] = panelCore.readParameter(i, snapshot.text[i], sizeof snapshot.text[i]);
    }

    void editGesture(int paramIndex, bool started) override {
        editParameter(static_cast<uint32_t>(paramIndex), started);
    }

protected:
    // A value from the host (automation, a loaded state, another editor):
    // drawn at the next idle call.
    void parameterChanged(uint32_t index, float value) override {
        if (index >= static_cast<uint32_t>(orv::kNumParams)) return;
        const auto i = static_cast<int>(index);
        const float x = orv::clampNormalised(value);
        panelCore.setParameterValue(i, x);
        if (x != panelCore.cachedValue(i)) {
            panelCore.storeCachedValue(i, x);
            panelCore.markControlsOf(i);
        }
    }

    // The state entry belongs to the audio side only; its values reach the
    // panel as parameter changes.
    void stateChanged(const char*, const char*) override {}

    void uiIdle() override {
        editor_->idle();
#if !defined(_WIN32)
        if (editor_->closeRequested()) close();
#endif
    }

#if !defined(_WIN32)
    // Without a host window (the JACK program, LV2 hosts that only show and
    // hide panels) the panel is a window of its own while it is shown.
    void visibilityChanged(bool visible) override {
        if (isEmbed()) return;
        if (visible)
            editor_->openOnItsOwn(DISTRHO_PLUGIN_NAME);
        else
            editor_->close();
    }
#endif

private:
    std::unique_ptr<orvGui> editor_;
};

UI* createUI() { return new OrvUI(); }

END_NAMESPACE_DISTRHO
