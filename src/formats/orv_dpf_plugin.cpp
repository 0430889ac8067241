// The effect as a DPF plug-in (CLAP, VST3, LV2 and the JACK program): the
// parameters from the parameter table in their own units, the audio through
// the same core as the VST 2.4 library (pieces of its block size, MIDI
// controllers 20 to 24), the state as the same 136 bytes, and the clip
// guard's look-ahead reported as latency.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "DistrhoPlugin.hpp"
#include "extra/Base64.hpp"
#include "core/audio_entry.h"
#include "core/audio_handshake.h"
#include "core/effect_core.h"

START_NAMESPACE_DISTRHO

namespace {

constexpr const char* kStateKey = "chunk";
constexpr uint32_t kMidiMessageSize = 3;
// DPF hands a run at most this many MIDI events.
constexpr uint32_t kMessageCapacity = 512;

// An LV2 symbol from a name: lower case, other characters as '_'.
String symbolOf(int index) {
    std::string symbol;
    for (const char* p = orv::displayName(index); *p; ++p)
        symbol += std::isalnum(static_cast<unsigned char>(*p)) ? static_cast<char>(std::tolower(*p)) : '_';
    while (!symbol.empty() && symbol.back() == '_') symbol.pop_back();
    return String(symbol.c_str());
}

// Set while the plug-in tells the host of values it changed itself: the
// JACK program hands such a value straight back to setParameterValue on the
// same thread, and the plug-in has it already.
thread_local bool tAnnouncing = false;

}  // namespace

class OrvPlugin : public Plugin {
public:
    OrvPlugin() : Plugin(orv::kNumParams, 0, 1) {
        core_.setPluginLayerDefaults(static_cast<float>(getSampleRate()), orv::kCoreBlockSize);
        core_.configureEffect();
        std::fill(std::begin(given_), std::end(given_), NAN);
        setLatency(latencyOf(core_));
    }

protected:
    const char* getLabel() const override { return ORV_PLUGIN_FILE_NAME; }
    const char* getDescription() const override {
        return "Stereo mastering processor: mid/side matrix, gains and three-band equalisers, sample-rate and "
               "word-length reduction, reconstruction low-pass, look-ahead clip guard, static level-dependent "
               "gain and output factor.";
    }
    const char* getMaker() const override { return orv::kVendorName; }
    const char* getLicense() const override { return "Proprietary"; }
    // LV2 reads an odd minor or micro version as a development release, so
    // its minor and micro numbers are the product's doubled: always even,
    // and still ordered as the product's versions are.
    uint32_t getVersion() const override {
#if defined(DISTRHO_PLUGIN_TARGET_LV2)
        return d_version(ORV_VERSION_MAJOR, 2 * ORV_VERSION_MINOR, 2 * ORV_VERSION_PATCH);
#else
        return d_version(ORV_VERSION_MAJOR, ORV_VERSION_MINOR, ORV_VERSION_PATCH);
#endif
    }
    int64_t getUniqueId() const override { return d_cconst(ORV_UNIQUE_ID_CHARS); }

    // Host's main thread, at instantiation.
    void initParameter(uint32_t index, Parameter& parameter) override {
        const auto i = static_cast<int>(index);
        const orv::ParamInfo& info = orv::kParamTable[index];
        const orv::HostRange range = orv::hostRange(i);
        parameter.hints = kParameterIsAutomatable;
        if (range.integer && !listedByValueNames(info)) parameter.hints |= kParameterIsInteger;
        if (range.logarithmic) parameter.hints |= kParameterIsLogarithmic;
        parameter.name = orv::displayName(i);
        parameter.symbol = symbolOf(i);
        parameter.unit = info.unit;
        parameter.description = info.description;
        parameter.ranges.min = static_cast<float>(range.minimum);
        parameter.ranges.max = static_cast<float>(range.maximum);
        parameter.ranges.def = static_cast<float>(range.defaultValue);
        if (!info.valueNames) return;
        if (info.mapping == orv::Mapping::Switch) parameter.hints |= kParameterIsBoolean;
        auto* values = new ParameterEnumerationValue[info.valueCount];
        for (int v = 0; v < info.valueCount; ++v) {
            values[v].value = static_cast<float>(v);
            values[v].label = info.valueNames[v];
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
        handshake_.withExclusiveState([&] { value = readBack(static_cast<int>(index)); });
        return value;
    }

    // Taken as the host gives it. A value equal to what the parameter reads
    // back changes nothing, so a host that sends its values back after a
    // state or a controller changed them keeps the exact engineering values.
    void setParameterValue(uint32_t index, float value) override {
        if (tAnnouncing || index >= static_cast<uint32_t>(orv::kNumParams)) return;
        const auto i = static_cast<int>(index);
        std::uint32_t latency = 0;
        handshake_.withExclusiveState([&] {
            if (value != readBack(i)) {
                core_.setHostValue(i, value);
                // Out of range, it reads back clamped, as it was applied.
                const orv::HostRange range = orv::hostRange(i);
                given_[i] = value >= range.minimum && value <= range.maximum ? value : NAN;
            }
            latency = latencyOf(core_);
        });
        setLatency(latency);
    }

    String getState(const char* key) const override {
        if (std::strcmp(key, kStateKey) != 0) return String();
        return chunkText();
    }

    // A chunk of the wrong length or of another effect changes nothing.
    void setState(const char* key, const char* value) override {
        if (std::strcmp(key, kStateKey) != 0 || !value) return;
        const std::vector<uint8_t> bytes = d_getChunkFromBase64String(value);
        std::uint32_t latency = 0;
        handshake_.withExclusiveState([&] {
            core_.applyState(bytes.data(), static_cast<std::int32_t>(bytes.size()));
            latency = latencyOf(core_);
        });
        setLatency(latency);
    }

    // Host's main thread, while the plug-in is inactive; hosts read the
    // latency right after (VST3 after setting up processing, CLAP after
    // activating), so it is known before the first block.
    void sampleRateChanged(double rate) override {
        std::uint32_t latency = 0;
        handshake_.withExclusiveState([&] {
            core_.changeSampleRate(static_cast<float>(rate));
            latency = latencyOf(core_);
        });
        setLatency(latency);
    }

    // Audio thread: the effect's one audio entry, the MIDI controller
    // messages taking effect at their frames.
#if DISTRHO_PLUGIN_WANT_MIDI_INPUT
    void run(const float** inputs, float** outputs, uint32_t frames, const MidiEvent* events,
             uint32_t eventCount) override {
        const uint32_t count = std::min(eventCount, kMessageCapacity);
        for (uint32_t e = 0; e < count; ++e) messages_[e] = messageOf(events[e]);
        runBlock(inputs, outputs, frames, count);
    }
#else
    void run(const float** inputs, float** outputs, uint32_t frames) override {
        runBlock(inputs, outputs, frames, 0);
    }
#endif

private:
    // VST3 steps a parameter with value names through its list; marked
    // integer too, DPF would round the host's value before the plug-in sees it.
    static bool listedByValueNames(const orv::ParamInfo& info) {
#if defined(DISTRHO_PLUGIN_TARGET_VST3)
        return info.valueNames != nullptr;
#else
        (void)info;
        return false;
#endif
    }

    // The value a host reads back: the one it gave last, while that still
    // stands for the engineering value in use (a state, a controller or the
    // rounding to a step may have changed it since); otherwise the engineering
    // value in host units. Hosts that keep a value between two steps (a VST3
    // list at 0.78) find it as they left it. With the state to the caller.
    float readBack(int i) const {
        const float given = given_[i];
        if (!std::isnan(given) && orv::engineeringValueOfHost(i, given) == orv::storedValue(core_.state(), i))
            return given;
        return static_cast<float>(orv::hostValue(core_.state(), i));
    }

    // The clip guard's look-ahead delays the output; Bypass leaves the guard
    // out, and its delay with it.
    static std::uint32_t latencyOf(const orv::EffectCore& core) {
        if (core.state().bypass) return 0;
        return static_cast<std::uint32_t>(std::max<std::int32_t>(core.dsp->settings().autoWindow, 0));
    }

    void runBlock(const float** inputs, float** outputs, uint32_t frames, uint32_t messageCount) {
        const orv::HostBlock block{inputs, outputs, static_cast<std::int32_t>(frames), messages_,
                                   static_cast<std::int32_t>(messageCount)};
        const orv::BlockOutcome outcome =
            orv::processHostBlock(core_, handshake_, block, orv::ControllerLink::FollowLink, nullptr);
        announce(outcome.changed);
        finishRun();
    }

    // A message of another length stays in the list, unapplied, as DPF gave it.
    static orv::MidiMessage messageOf(const MidiEvent& event) {
        orv::MidiMessage message{static_cast<std::int32_t>(std::min<uint32_t>(event.frame, INT32_MAX)), {}};
        if (event.size == kMidiMessageSize) std::copy(event.data, event.data + kMidiMessageSize, message.data);
        return message;
    }

    // Tells the host of the values controllers changed, where the format
    // lets a plug-in do so (CLAP output events, the LV2 port change request
    // some hosts offer); the panel hears of them the same way.
    void announce(const bool (&changed)[orv::kNumParams]) {
        tAnnouncing = true;
        for (int i = 0; i < orv::kNumParams; ++i) {
            if (!changed[i]) continue;
            handshake_.enterAudioSection();
            const float value = readBack(i);
            handshake_.leaveAudioSection();
            requestParameterValueChange(static_cast<uint32_t>(i), value);
        }
        tAnnouncing = false;
    }

    void finishRun() {
        handshake_.enterAudioSection();
        const std::uint32_t latency = latencyOf(core_);
        handshake_.leaveAudioSection();
        setLatency(latency);
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
    orv::MidiMessage messages_[kMessageCapacity];
    float given_[orv::kNumParams];  // the host's last value of each parameter; NaN: none yet
};

Plugin* createPlugin() { return new OrvPlugin(); }

END_NAMESPACE_DISTRHO
