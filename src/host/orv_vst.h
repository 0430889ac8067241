// The plug-in object: the AEffect record handed to the host, the MIDI event
// list, the display cache, the embedded EffectCore and the thread hand-shake.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "core/audio_entry.h"
#include "core/audio_handshake.h"
#include "core/effect_core.h"
#include "editor/panel_host.h"
#include "host/audio_effect.h"

// Limits the core's channel counts to what the record can declare and
// copies them into the record.
void publishIoConfiguration(orv::EffectCore& core, AEffect& record);

struct DisplayCache {
    VstInt32 index = -1;
    float value = 0.0f;
    char text[orv::kDisplayTextSize] = {};
};

class orvVst : public AudioEffectX, public orv::PanelHost {
public:
    explicit orvVst(audioMasterCallback audioMaster);
    ~orvVst() override;

    void suspend() override;
    void resume() override;
    void setSampleRate(float rate) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void setProgram(VstInt32 program) override;
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterName(VstInt32 index, char* text) override;
    VstInt32 getChunk(void** data, bool isPreset) override;
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    VstInt32 processEvents(VstEvents* events) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override;
    VstInt32 canDo(char* text) override;
    // Rebuilds the audio buffers for another block size; no host opcode reaches it.
    virtual void changeBlockSize(VstInt32 n);

    orv::EffectCore& core() { return core_; }
    bool isSuspended() const { return suspended.load(); }
    bool isReady() const override { return readyFlag.load(); }
    VstInt32 storedEventCount() const { return eventCount; }
    VstInt32 eventListCapacity() const { return eventCapacity; }

    // The editor's side (orv::PanelHost).
    orv::PanelModel& panel() override { return core_.panel; }
    void applyControlValue(orv::PanelControl& record, float x) override;
    void buildControls() override;
    void readSnapshot(orv::ParameterSnapshot& snapshot) override;

    // Runs f with the state block to itself: no other writer or reader, and
    // no audio piece in flight (the audio pass waits while updateBusy is set).
    template <class F>
    void withExclusiveState(F&& f) {
        handshake_.withExclusiveState(std::forward<F>(f));
    }

private:
    void copyNameEntry(int entry, char* text, int maxChars) const;
    void refreshParameterCache();
    void requestFullRepaint(bool increment);
    void ensureEventRoom(VstInt32 incoming);

    std::unique_ptr<orv::MidiMessage[]> eventList;
    VstInt32 eventCount = 0;
    VstInt32 eventCapacity = 0;
    DisplayCache displayCache;
    orv::EffectCore core_;
    orv::StateBlock chunkCopy_{};

    std::atomic<bool> readyFlag{false};
    std::atomic<bool> suspended{true};
    orv::AudioHandshake handshake_;  // the flags inProcess and updateBusy
};
