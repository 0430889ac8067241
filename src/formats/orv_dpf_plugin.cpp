// The effect as a DPF plug-in (CLAP, VST3, LV2 and the JACK program): the
// parameters from the parameter table, the audio through the same core as
// the VST 2.4 library (pieces of its block size, MIDI controllers 20 to 24),
// the state as the same 136 bytes, and the clip guard's look-ahead reported
// as latency. The values the host sees are the VST 2.4's normalised values.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "DistrhoPlugin.hpp"
#include "extra/Base64.hpp"
#include "params/audio_handshake.h"
#include "params/effect_core.h"

START_NAMESPACE_DISTRHO

namespace {

constexpr const char* kStateKey = "chunk";
constexpr int kSystemStatus = 0xF0;
constexpr int kMidiMessageSize = 3;

// An LV2 symbol from a name: lower case, other characters as '_'.
String symbolOf(int index) {
    std::string symbol;
    for (const char* p = orv::displayName(index); *p; ++p)
        symbol += std::isalnum(static_cast<unsigned char>(*p)) ? static_cast<char>(std::tolower(*p)) : '_';
    while (!symbol.empty() && symbol.back() == '_') symbol.pop_back();
    return String(symbol.c_str());
}

}  // namespace

class OrvPlugin : public Plugin {
public:
    OrvPlugin() : Plugin(orv::kNumParams, 0, 1) {
        core_.setPluginLayerDefaults(static_cast<float>(getSampleRate()), orv::kCoreBlockSize);
        core_.configureEffect();
        reportLatency();
    }

protected:
    const char* getLabel() const override { return "orvq41x"; }
    const char* getDescription() const override {
        return "Stereo mastering processor: mid/side matrix, gains and three-band equalisers, sample-rate and "
               "word-length reduction, reconstruction low-pass, look-ahead clip guard, static level-dependent "
               "gain and output factor.";
    }
    const char* getMaker() const override { return orv::kVendorName; }
    const char* getLicense() const override { return "Proprietary"; }
    uint32_t getVersion() const override { return d_version(1, 0, 1); }
    int64_t getUniqueId() const override { return d_cconst('o', 'r', 'v', '1'); }

    // Host's main thread, at instantiation.
    void initParameter(uint32_t index, Parameter& parameter) override {
        const orv::ParamInfo& info = orv::kParamTable[index];
        parameter.hints = kParameterIsAutomatable;
        parameter.name = orv::displayName(static_cast<int>(index));
        parameter.symbol = symbolOf(static_cast<int>(index));
        parameter.unit = info.unit;
        parameter.description = info.description;
        parameter.ranges.min = 0.0f;
        parameter.ranges.max = 1.0f;
        parameter.ranges.def = orv::normalisedValue(info.mapping, info.defaultValue);
        if (!info.valueNames) return;
        if (info.mapping == orv::Mapping::Switch) parameter.hints |= kParameterIsBoolean;
        auto* values = new ParameterEnumerationValue[info.valueCount];
        for (int i = 0; i < info.valueCount; ++i) {
            values[i].value = orv::clampNormalised(orv::normalisedValue(info.mapping, i));
            values[i].label = info.valueNames[i];
        }
        parameter.enumValues.count = static_cast<uint8_t>(info.valueCount);
        parameter.enumValues.restrictedMode = true;
        parameter.enumValues.values = values;
    }

    void initState(uint32_t, State& state) override {
        state.key = kStateKey;
        state.label = "State";
        state.hints = kStateIsOnlyForDSP;
        state.defaultValue = chunkText();
    }

    // Any thread but the audio pass's own call (the formats call it outside run()).
    float getParameterValue(uint32_t index) const override {
        float value = 0.0f;
        char text[orv::kDisplayTextSize];
        handshake_.withExclusiveState([&] { value = core_.readParameter(static_cast<int>(index), text, sizeof text); });
        return orv::clampNormalised(value);
    }

    // A value equal to what the parameter shows changes nothing, so a host
    // that sends every value back after loading a state keeps the state's
    // exact engineering values.
    void setParameterValue(uint32_t index, float value) override {
        if (value == getParameterValue(index)) return;
        handshake_.withExclusiveState([&] { core_.setParameterValue(static_cast<int>(index), value); });
    }

    String getState(const char* key) const override {
        if (std::strcmp(key, kStateKey) != 0) return String();
        return chunkText();
    }

    // A chunk of the wrong length or of another effect changes nothing.
    void setState(const char* key, const char* value) override {
        if (std::strcmp(key, kStateKey) != 0 || !value) return;
        const std::vector<uint8_t> bytes = d_getChunkFromBase64String(value);
        handshake_.withExclusiveState([&] {
            core_.applyState(bytes.data(), static_cast<std::int32_t>(bytes.size()));
        });
    }

    // Host's main thread, while the plug-in is inactive.
    void sampleRateChanged(double rate) override {
        handshake_.withExclusiveState([&] { core_.changeSampleRate(static_cast<float>(rate)); });
    }

    void activate() override { reportLatency(); }

    // Audio thread: pieces of the core's block size, split at the MIDI
    // controller messages, which take effect at their frames.
    void run(const float** inputs, float** outputs, uint32_t frames, const MidiEvent* events,
             uint32_t eventCount) override {
        uint32_t position = 0;
        for (uint32_t e = 0; e <= eventCount; ++e) {
            const uint32_t end = e < eventCount ? std::min(events[e].frame, frames) : frames;
            processUpTo(inputs, outputs, position, end);
            if (e < eventCount) applyMessage(events[e]);
        }
        reportLatency();
    }

private:
    void processUpTo(const float** inputs, float** outputs, uint32_t& position, uint32_t end) {
        while (position < end) {
            const uint32_t piece = std::min<uint32_t>(static_cast<uint32_t>(core_.blockSize), end - position);
            const float* in[2] = {inputs[0] + position, inputs[1] + position};
            float* out[2] = {outputs[0] + position, outputs[1] + position};
            handshake_.enterAudioSection();
            core_.processBlock(in, out, static_cast<int>(piece));
            handshake_.leaveAudioSection();
            position += piece;
        }
    }

    void applyMessage(const MidiEvent& event) {
        if (event.size != kMidiMessageSize) return;
        const int status = event.data[0];
        if (status >= kSystemStatus || (status & 0xF0) == 0) return;
        handshake_.enterAudioSection();
        core_.applyController(status & 0xF0, event.data[1], event.data[2]);
        handshake_.leaveAudioSection();
    }

    // The clip guard delays the output by its window; hosts align the
    // track by this latency. Reported from the constructor, activate() and
    // run(), where DPF takes it.
    void reportLatency() {
        handshake_.enterAudioSection();
        const auto window = static_cast<uint32_t>(std::max<std::int32_t>(core_.dsp->autoWindow, 0));
        handshake_.leaveAudioSection();
        if (window == reportedLatency_) return;
        reportedLatency_ = window;
        setLatency(window);
    }

    String chunkText() const {
        orv::StateBlock block{};
        handshake_.withExclusiveState([&] {
            core_.stampHeader();
            block = core_.state();
        });
        return String::asBase64(&block, sizeof block);
    }

    mutable orv::EffectCore core_;
    mutable orv::AudioHandshake handshake_;
    uint32_t reportedLatency_ = ~0u;
};

Plugin* createPlugin() { return new OrvPlugin(); }

END_NAMESPACE_DISTRHO
