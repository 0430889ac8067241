// The panel inside the CLAP, VST3 and LV2 plug-ins: the VST 2.4 library's
// own panel and window, opened in the window DPF hands over. The panel
// keeps its own copy of the parameters (a state block of its own and the
// panel's model) for drawing and hit-testing; values go to the plug-in only
// through the format's path (setParameterValue between edit begin and end,
// in the parameters' host units) and come back through parameterChanged, so
// the format may run the two sides apart. Link couples the channels here,
// where a person turns a knob: with Link on, a turn is one edit of both
// members. On Linux, where a program has no host window (the JACK program),
// the panel is a window of its own.
#include <memory>

#include "DistrhoUI.hpp"
#include "editor/control_layout.h"
#include "window/panel_window.h"

START_NAMESPACE_DISTRHO

namespace {

// The panel's parameters and model, ready before DPF's window is made (the
// window takes the panel's size from them).
struct PanelState {
    PanelState() {
        for (int i = 0; i < orv::kNumParams; ++i) orv::storeValue(values, i, orv::kParamTable[i].defaultValue);
        model.editorWidth = orv::kPanelWidth;
        model.editorHeight = orv::kPanelHeight;
        model.editorScale = 1.0f;
        char scratch[orv::kDisplayTextSize];
        for (int i = 0; i < orv::kNumParams; ++i)
            model.storeCachedValue(i, orv::readBack(values, i, scratch, sizeof scratch));
    }
    orv::StateBlock values{};
    orv::PanelModel model;
};

}  // namespace

class OrvUI : private PanelState, public UI, public orv::PanelHost {
public:
    OrvUI()
        : UI(static_cast<uint>(static_cast<float>(model.editorWidth) * model.editorScale),
             static_cast<uint>(static_cast<float>(model.editorHeight) * model.editorScale)) {
        if (isEmbed()) openWindow(reinterpret_cast<void*>(getParentWindowHandle()), nullptr);
    }

    // Host's user-interface thread, like every call below.
    ~OrvUI() override {
        // A drag the window's close cut short still ends its edit.
        if (pointer_.gestureParam >= 0) editGesture(pointer_.gestureParam, false);
        window_.reset();
    }

    uintptr_t getNativeWindowHandle() const noexcept override { return window_ ? window_->handle() : 0; }

    // PanelHost: the panel's side of the parameters.
    orv::PanelModel& panel() override { return model; }
    bool isReady() const override { return true; }

    void applyControlValue(orv::PanelControl& record, float x) override {
        const int index = record.paramIndex;
        if (index >= 0 && index < orv::kNumParams) {
            // Values outside 0..1 only re-submit the panel's value: the
            // plug-in already has it, so the host hears nothing of them.
            const bool change = x >= 0.0f && x <= 1.0f;
            if (change) model.storeCachedValue(index, x);
            const int partner = setPanelValue(index, model.cachedValue(index));
            model.markControlsOf(index);
            if (change) {
                sendValue(index);
                if (partner >= 0) sendPartnerValue(partner);
            }
        }
        platform::invalidateWindow(model.editorWindow.load());
    }

    void buildControls() override { orv::buildPanel(model, values); }

    void readSnapshot(orv::ParameterSnapshot& snapshot) override {
        for (int i = 0; i < orv::kNumParams; ++i)
            snapshot.value[i] = orv::readBack(values, i, snapshot.text[i], sizeof snapshot.text[i]);
    }

    // With Link on, the edit of a channel parameter is an edit of both
    // members, each its own gesture for the host.
    void editGesture(int paramIndex, bool started) override {
        if (started) gesturePartner_ = orv::linkedPartner(values, paramIndex);
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
        orv::storeValue(values, i, orv::engineeringValueOfHost(i, value));
        model.showValueName(i, values);
        char scratch[orv::kDisplayTextSize];
        const float x = orv::readBack(values, i, scratch, sizeof scratch);
        if (x != model.cachedValue(i)) {
            model.storeCachedValue(i, x);
            model.markControlsOf(i);
        }
    }

    // The state entry belongs to the audio side only; its values reach the
    // panel as parameter changes.
    void stateChanged(const char*, const char*) override {}

    void uiIdle() override {
        if (!window_) return;
        window_->idle();
        if (window_->closeRequested()) close();
    }

#if !defined(_WIN32)
    // Without a host window (the JACK program, LV2 hosts that only show and
    // hide panels) the panel is a window of its own while it is shown.
    void visibilityChanged(bool visible) override {
        if (isEmbed()) return;
        if (visible)
            openWindow(nullptr, DISTRHO_PLUGIN_NAME);
        else
            window_.reset();
    }
#endif

private:
    void openWindow(void* parent, const char* title) {
        window_.reset();
        if (!built_) {
            buildControls();
            built_ = true;
        }
        orv::WindowRequest request;
        request.parent = parent;
        request.title = title;
        // Every format DPF builds calls uiIdle regularly (CLAP timer, VST3
        // run loop, LV2 idle interface): it alone pumps the window.
        request.ownPumpThread = false;
        window_ = orv::openPanelWindow(session_, *this, pointer_, request);
    }

    // The panel's own set path: the value and, with Link on, the partner's;
    // answers the partner, or -1.
    int setPanelValue(int index, float x) {
        const float v = orv::engineeringValue(orv::kParamTable[index].mapping, orv::clampNormalised(x));
        orv::storeValue(values, index, v);
        model.showValueName(index, values);
        const int partner = orv::linkedPartner(values, index);
        if (partner < 0) return -1;
        orv::storeValue(values, partner, v);
        model.showLinkedPair(index, partner, values);
        return partner;
    }

    void sendValue(int index) {
        setParameterValue(static_cast<uint32_t>(index), static_cast<float>(orv::hostValue(values, index)));
    }

    // Outside a gesture of its own (Link turned on during a drag), the
    // partner's change is an edit by itself.
    void sendPartnerValue(int partner) {
        const bool ownGesture = partner != gesturePartner_;
        if (ownGesture) editParameter(static_cast<uint32_t>(partner), true);
        sendValue(partner);
        if (ownGesture) editParameter(static_cast<uint32_t>(partner), false);
    }

    orv::PointerState pointer_;
    orv::WindowSession session_;
    std::unique_ptr<orv::PanelWindow> window_;
    bool built_ = false;
    int gesturePartner_ = -1;
};

UI* createUI() { return new OrvUI(); }

END_NAMESPACE_DISTRHO
