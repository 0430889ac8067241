// The panel inside the CLAP, VST3 and LV2 plug-ins: the VST 2.4 library's
// own editor window, opened in the window DPF hands over. The panel keeps
// its own copy of the parameters (a core of its own, never processing) for
// drawing and hit-testing; values go to the plug-in only through the
// format's path (setParameterValue between edit begin and end, in the
// parameters' host units) and come back through parameterChanged, so the
// format may run the two sides apart. Link couples the channels here, where
// a person turns a knob: with Link on, a turn is one edit of both members.
// On Linux, where a program has no host window (the JACK program), the panel
// is a window of its own.
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
        if (open >= 0) editGesture(open, false);
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
            if (change) {
                sendValue(index);
                const int partner = linkedPartner(index);
                if (partner >= 0) sendPartnerValue(partner);
            }
        }
        platform::invalidateWindow(panelCore.editorWindow.load());
    }

    void buildControls() override { orv::buildPanel(panelCore); }

    void readSnapshot(orv::ParameterSnapshot& snapshot) override {
        for (int i = 0; i < orv::kNumParams; ++i)
            snapshot.value[i] = panelCore.readParameter(i, snapshot.text[i], sizeof snapshot.text[i]);
    }

    // With Link on, the edit of a channel parameter is an edit of both
    // members, each its own gesture for the host.
    void editGesture(int paramIndex, bool started) override {
        if (started) gesturePartner_ = linkedPartner(paramIndex);
        editParameter(static_cast<uint32_t>(paramIndex), started);
        if (gesturePartner_ >= 0) editParameter(static_cast<uint32_t>(gesturePartner_), started);
        if (!started) gesturePartner_ = -1;
    }

protected:
    // A value from the host (automation, a loaded state, another editor, a
    // controller), in the parameter's host units: drawn at the next idle call.
    void parameterChanged(uint32_t index, float value) override {
        if (index >= static_cast<uint32_t>(orv::kNumParams)) return;
        const auto i = static_cast<int>(index);
        panelCore.setHostValue(i, value);
        char scratch[orv::kDisplayTextSize];
        const float x = panelCore.readParameter(i, scratch, sizeof scratch);
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
    // The other channel's member of a channel parameter while Link is on, or -1.
    int linkedPartner(int index) const {
        if (!orv::isChannelParam(index) || !panelCore.state().link) return -1;
        return orv::channelParamIndex(1 - orv::channelOf(index), orv::slotOf(index));
    }

    void sendValue(int index) {
        setParameterValue(static_cast<uint32_t>(index),
                          static_cast<float>(orv::hostValue(panelCore.state(), index)));
    }

    // Outside a gesture of its own (Link turned on during a drag), the
    // partner's change is an edit by itself.
    void sendPartnerValue(int partner) {
        const bool ownGesture = partner != gesturePartner_;
        if (ownGesture) editParameter(static_cast<uint32_t>(partner), true);
        sendValue(partner);
        if (ownGesture) editParameter(static_cast<uint32_t>(partner), false);
    }

    std::unique_ptr<orvGui> editor_;
    int gesturePartner_ = -1;
};

UI* createUI() { return new OrvUI(); }

END_NAMESPACE_DISTRHO
