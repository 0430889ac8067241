// The effect's own logic below the plug-in formats: identity and I/O
// configuration, the parameter set path and read-back, the state load, MIDI
// controllers, the DSP engine it owns and the panel's model.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "dsp/dsp_engine.h"
#include "editor/panel_model.h"
#include "params/param_table.h"

namespace orv {

constexpr int kMaxChannels = 16;

class EffectCore {
public:
    EffectCore();
    ~EffectCore();
    EffectCore(const EffectCore&) = delete;
    EffectCore& operator=(const EffectCore&) = delete;

    // The plug-in layer's defaults, which configureEffect() then replaces.
    void setPluginLayerDefaults(float rate, std::int32_t block);
    // This effect's configuration: identity, I/O, the DSP engine with the
    // parameter defaults, the editor geometry and the name table.
    void configureEffect();

    // Parameter set path (a normalised value; with Link on a channel
    // parameter sets its partner too). Any thread, serialised with the
    // audio pass by the caller.
    void setParameterValue(int index, float x);
    // The CLAP, VST3 and LV2 hosts' set path: a value in the parameter's
    // host units (HostRange), applied as given; Link couples nothing here,
    // since those hosts hold every value themselves.
    void setHostValue(int index, double value);
    // Normalised value of a parameter and its display text (at most size - 1 characters).
    float readParameter(int index, char* text, std::size_t size) const;
    // Validates and loads a saved state; answers byteSize, or 0 when refused.
    std::int32_t applyState(const void* chunk, std::int32_t byteSize);
    // Sample-rate change: buffers, rings and every filter.
    void configureAudio(float fs, std::int32_t block);
    // A new sample rate for the effect (audio set-up included); a rate that is
    // not a positive number is refused, since it would leave every filter
    // undefined.
    bool changeSampleRate(float rate);
    // A MIDI channel message from the audio pass; bit 0 of the answer: a
    // value changed. Controllers set the stored value only: Link does not
    // couple them and Sample moves the hold period but not the low-pass.
    int applyController(int status, int number, int value);
    // The same for the CLAP, VST3 and LV2 plug-ins, where with Link on the
    // gain controllers (23 and 24) set both channels' gains, as a turn of
    // either gain knob does.
    int applyControllerFollowingLink(int status, int number, int value);
    // One piece of audio; answers the status word of the pass.
    int processBlock(const float* const in[2], float* const out[2], int n);

    // Whether the effect creates its editor at construction.
    bool declaresEditor() const;
    // Writes the chunk header into the state block.
    void stampHeader();
    const StateBlock& state() const { return dsp->state(); }

    // Identity and configuration.
    std::int32_t uniqueID = 0;
    std::int32_t vendorVersion = 0;
    std::uint32_t capabilityFlags = 0;
    std::int32_t numPrograms = 0;
    std::int32_t numParams = 0;
    std::int32_t currentProgram = 0;
    std::uint8_t numInputs = 0;
    std::uint8_t numOutputs = 0;
    std::uint8_t vendorTextLength = 0;
    std::uint8_t productTextLength = 0;
    std::uint8_t paramTextLength = 0;
    std::uint8_t synthFlag = 0;
    std::uint8_t chunksFlag = 0;
    NameTable* names = nullptr;

    float sampleRate = 0.0f;
    float sampleRateReciprocal = 0.0f;
    std::int32_t blockSize = 0;

    std::unique_ptr<DspEngine> dsp;
    PanelModel panel;

private:
    void loadDefaults();
    // Takes s as the state, everything derived from it brought up to date.
    void loadState(const StateBlock& s);
    // Stores one parameter's engineering value and updates what derives
    // from it in the engine and on the panel.
    void applyEngineeringValue(int index, float v);
};

}  // namespace orv
