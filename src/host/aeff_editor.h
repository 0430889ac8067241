// The editor layer of the plug-in classes: AEffEditor (what the dispatcher
// talks to), the view-hierarchy interface the GUI layer knows, and
// AEffGUIEditor with its fixed rectangle. This editor never builds a view
// hierarchy, so every operation that would need one finds none.
#pragma once

#include <cstdint>

#include "host/vst_interface.h"

class AudioEffect;

class AEffEditor {
public:
    explicit AEffEditor(AudioEffect* effect) : effect(effect) {}
    virtual ~AEffEditor() = default;

    virtual AudioEffect* getEffect() { return effect; }
    virtual bool getRect(ERect** rect) {
        if (rect) *rect = nullptr;
        return false;
    }
    virtual bool open(void* parent) {
        systemWindow = parent;
        return false;
    }
    virtual void close() { systemWindow = nullptr; }
    virtual bool isOpen() { return systemWindow != nullptr; }
    virtual void idle() {}
    virtual VstInt32 onKeyDown(VstKeyCode&) { return 0; }
    virtual VstInt32 onKeyUp(VstKeyCode&) { return 0; }
    virtual bool onWheel(float) { return false; }
    virtual bool setKnobMode(VstInt32) { return false; }

protected:
    AudioEffect* effect;
    void* systemWindow = nullptr;
};

class VSTGUIEditorInterface {
public:
    virtual void doIdleStuff() {}
    virtual VstInt32 getKnobMode() const;
    virtual void beginEdit(VstInt32) {}
    virtual void endEdit(VstInt32) {}
    virtual ~VSTGUIEditorInterface() = default;

protected:
    void* frame = nullptr;  // root of a view hierarchy; never created here
};

class AEffGUIEditor : public AEffEditor, public VSTGUIEditorInterface {
public:
    explicit AEffGUIEditor(AudioEffect* effect) : AEffEditor(effect) {}

    bool getRect(ERect** out) override {
        if (out) *out = &rect;
        return true;
    }
    // Idle work would go to the view hierarchy, which this editor never has.
    void idle() override {}
    VstInt32 onKeyDown(VstKeyCode&) override { return 0; }
    VstInt32 onKeyUp(VstKeyCode&) override { return 0; }
    bool setKnobMode(VstInt32 mode) override;
    virtual void setParameter(VstInt32, float) {}
    virtual void draw(ERect*) {}

protected:
    ERect rect{};
    std::uint32_t startTicks = 0;
    bool idleGuard = false;
};

// Listener operations of the GUI layer's controls; this editor has no such
// controls, so nothing calls them.
class CControlListener {
public:
    virtual void valueChanged(void*, void*) {}
    virtual std::int32_t controlModifierClicked(void*, void*, long) { return 0; }
    virtual void controlBeginEdit(void*, void*) {}
    virtual void controlEndEdit(void*, void*) {}
    virtual ~CControlListener() = default;
};
