#include "params/effect_core.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace orv {
namespace {

constexpr std::uint32_t kCapabilityEvents = 1u << 0;
constexpr std::uint32_t kCapabilityMidiEvents = 1u << 1;
constexpr std::uint32_t kCapabilityEditor = 1u << 2;
constexpr std::int32_t kVendorVersion = 101;
constexpr std::int32_t kEditorWidth = 544;
constexpr std::int32_t kEditorHeight = 356;
constexpr std::int32_t kPluginLayerEditorWidth = 512;
constexpr std::int32_t kPluginLayerEditorHeight = 256;
constexpr std::uint8_t kHostTextLength = 64;
constexpr std::uint8_t kParamTextLength = 8;
constexpr std::size_t kStateNamePrefix = 6;  // a saved state must begin with "orvq41"

constexpr int kControllerOutput = 20;
constexpr int kControllerBit = 21;
constexpr int kControllerSample = 22;
constexpr int kControllerMGain = 23;
constexpr int kControllerSGain = 24;
constexpr int kControlChange = 0xB0;
// Controller 22 values 121 to 127 reach the high sample rates.
constexpr std::int32_t kHighSampleRates[7] = {128, 136, 144, 152, 160, 176, 192};

std::uint8_t switchValue(float x) { return x > 0.5f ? 1 : 0; }

// The set mapping of a normalised value (within 0..1) to its engineering value.
float engineeringValue(Mapping mapping, float x) {
    const float x2 = x * x;
    switch (mapping) {
    case Mapping::Mode: return static_cast<float>(static_cast<int>(x * 3.9f));
    case Mapping::Output: return static_cast<float>(static_cast<int>(x2 * 200.9f)) * 0.01f;
    case Mapping::Bit: return static_cast<float>(static_cast<int>(x * 11.9f + 1.0f));
    case Mapping::Sample: return static_cast<float>(static_cast<int>(x2 * 191.9f + 1.0f));
    case Mapping::Auto: return static_cast<float>(static_cast<int>(x * 100.9f));
    case Mapping::Switch: return switchValue(x);
    case Mapping::Gain: return static_cast<float>(static_cast<int>(x2 * 400.9f)) * 0.01f;
    case Mapping::Comp: return x;
    case Mapping::LowShelfFreq: return x2 * 1490.0f + 10.0f;
    case Mapping::DbGain: return (x - 0.5f) * 80.0f;
    case Mapping::PeakFreq: return x2 * 19990.0f + 10.0f;
    case Mapping::Width: return static_cast<float>(static_cast<int>(x2 * 390.9f)) * 0.01f + 0.1f;
    case Mapping::HighShelfFreq: return x2 * 19000.0f + 1000.0f;
    }
    return 0.0f;
}

// The section a per-channel equaliser parameter feeds, and the field it writes.
BiquadSection* sectionOf(ChannelSections& c, int slot) {
    switch (slot) {
    case kSlotLowShelfFreq:
    case kSlotLowShelfGain: return &c.lowShelf;
    case kSlotPeakFreq:
    case kSlotPeakWidth:
    case kSlotPeakGain: return &c.peaking;
    case kSlotHighShelfFreq:
    case kSlotHighShelfGain: return &c.highShelf;
    default: return nullptr;
    }
}

void writeSectionField(BiquadSection& s, int slot, float v) {
    switch (slot) {
    case kSlotLowShelfFreq:
    case kSlotPeakFreq:
    case kSlotHighShelfFreq: s.freq = v; break;
    case kSlotPeakWidth: s.q = v; break;
    default: s.gainDb = v; break;
    }
}

std::int32_t sampleFromController(int v) {
    constexpr int kFirstHighValue = 121;
    return v >= kFirstHighValue ? kHighSampleRates[v - kFirstHighValue] : v;
}

}  // namespace

EffectCore::EffectCore() = default;
EffectCore::~EffectCore() = default;

void EffectCore::setPluginLayerDefaults(float rate, std::int32_t block) {
    sampleRate = rate;
    sampleRateReciprocal = 1.0f / rate;
    blockSize = block;
    numInputs = 1;
    numOutputs = 1;
    vendorTextLength = kHostTextLength;
    productTextLength = kHostTextLength;
    capabilityFlags = kCapabilityEvents | kCapabilityMidiEvents;
    paramTextLength = kParamTextLength;
    synthFlag = 0;
    chunksFlag = 0;
    editorWidth = kPluginLayerEditorWidth;
    editorHeight = kPluginLayerEditorHeight;
    editorScale = 1.0f;
    editorWindow.store(nullptr);
    controlList.store(nullptr);
    eventHook = nullptr;
    changeCounter.store(0);
}

bool EffectCore::declaresEditor() const { return (capabilityFlags & kCapabilityEditor) != 0; }

void EffectCore::configureEffect() {
    capabilityFlags |= kCapabilityEditor;
    names = &nameTable();
    vendorVersion = kVendorVersion;
    numParams = kNumParams;
    uniqueID = static_cast<std::int32_t>(('o' << 24) | ('r' << 16) | ('v' << 8) | '1');
    numInputs = 2;
    numOutputs = 2;
    synthFlag = 0;
    chunksFlag = 1;
    dsp = std::make_unique<DspEngine>(blockSize);
    loadDefaults();
    // Audio before any sample-rate call is processed as at the initial rate.
    configureAudio(sampleRate, blockSize);
    editorWidth = kEditorWidth;
    editorHeight = kEditorHeight;
    editorScale = 1.0f;
    fillNameTable();
}

void EffectCore::loadDefaults() {
    StateBlock& s = dsp->state;
    s = StateBlock{};
    s.mode = static_cast<std::uint8_t>(kParamTable[kMode].defaultValue);
    s.output = kParamTable[kOutput].defaultValue;
    s.bit = static_cast<std::uint8_t>(kParamTable[kBit].defaultValue);
    s.sample = static_cast<std::int32_t>(kParamTable[kSample].defaultValue);
    s.autoMs = static_cast<std::uint8_t>(kParamTable[kAuto].defaultValue);
    s.interpolate = static_cast<std::uint8_t>(kParamTable[kInt].defaultValue);
    s.link = static_cast<std::uint8_t>(kParamTable[kLink].defaultValue);
    s.bypass = static_cast<std::uint8_t>(kParamTable[kBypass].defaultValue);
    for (int k = 0; k < kChannelCount; ++k)
        for (int slot = 0; slot < kChannelParamCount; ++slot)
            s.channel[slot][k] = kParamTable[channelParamIndex(k, slot)].defaultValue;
    recomputeFromState();
}

void EffectCore::recomputeFromState() {
    const StateBlock& s = dsp->state;
    setText(paramControls[kMode], modeName(s.mode));
    dsp->setHoldPeriod(sampleRate, s.sample);
    dsp->setLowPassFromSample(sampleRate);
    dsp->setAutoWindow(sampleRate, blockSize);
    setText(paramControls[kInt], switchName(s.interpolate));
    setText(paramControls[kLink], switchName(s.link));
    setText(paramControls[kBypass], switchName(s.bypass));
    dsp->setQuantisation(s.bit);
    for (int k = 0; k < kChannelCount; ++k) dsp->loadChannelFilters(k, sampleRate);
}

void EffectCore::setParameterValue(int index, float x) {
    if (index < 0 || index >= kNumParams) return;
    x = clampNormalised(x);
    StateBlock& s = dsp->state;
    const float v = engineeringValue(kParamTable[index].mapping, x);
    switch (index) {
    case kMode:
        s.mode = static_cast<std::uint8_t>(v);
        setText(paramControls[kMode], modeName(s.mode));
        markDirty(paramControls[kMode]);
        return;
    case kOutput: s.output = v; return;
    case kBit:
        s.bit = static_cast<std::uint8_t>(v);
        dsp->setQuantisation(s.bit);
        return;
    case kSample:
        s.sample = static_cast<std::int32_t>(v);
        dsp->setHoldPeriod(sampleRate, s.sample);
        dsp->setLowPassFromSample(sampleRate);
        return;
    case kAuto:
        s.autoMs = static_cast<std::uint8_t>(v);
        dsp->setAutoWindow(sampleRate, blockSize);
        return;
    case kInt: s.interpolate = static_cast<std::uint8_t>(v); break;
    case kLink: s.link = static_cast<std::uint8_t>(v); break;
    case kBypass: s.bypass = static_cast<std::uint8_t>(v); break;
    default: setChannelValue(index, v); return;
    }
    setText(paramControls[index], switchName(v != 0.0f));
}

void EffectCore::setChannelValue(int index, float v) {
    const int slot = slotOf(index);
    int k = channelOf(index);
    for (int pass = 0; pass < kChannelCount; ++pass) {
        dsp->state.channel[slot][k] = v;
        if (BiquadSection* section = sectionOf(dsp->sections[k], slot)) {
            writeSectionField(*section, slot, v);
            designSection(*section, sampleRate);
        }
        if (!dsp->state.link) return;
        markDirty(paramControls[channelParamIndex(k, slot)]);
        k = 1 - k;
    }
}

int EffectCore::applyController(int status, int number, int value) {
    if ((status & 0xF0) != kControlChange) return 0;
    const int v = value & 0x7F;
    StateBlock& s = dsp->state;
    const StateBlock before = s;
    switch (number) {
    case kControllerOutput: s.output = static_cast<float>(v) * 0.015748031f; break;
    case kControllerBit:
        s.bit = static_cast<std::uint8_t>(static_cast<float>(v) * 0.09370078f + 1.0f);
        dsp->setQuantisation(s.bit);
        break;
    case kControllerSample:
        s.sample = sampleFromController(v);
        dsp->setHoldPeriod(sampleRate, s.sample);
        break;
    case kControllerMGain: s.channel[kSlotGain][0] = static_cast<float>(v) * 0.031496063f; break;
    case kControllerSGain: s.channel[kSlotGain][1] = static_cast<float>(v) * 0.031496063f; break;
    default: return 0;
    }
    return std::memcmp(&before, &s, sizeof s) != 0 ? 1 : 0;
}

float EffectCore::readParameter(int index, char* text, std::size_t size) const {
    if (index < 0 || index >= kNumParams || !text || size == 0) return 0.0f;
    const StateBlock& s = dsp->state;
    const auto format = [&](const char* f, double v) { std::snprintf(text, size, f, v); };
    const auto copy = [&](const char* name) { std::snprintf(text, size, "%s", name); };
    switch (index) {
    case kMode: copy(modeName(s.mode)); return static_cast<float>(s.mode) * 0.33333334f;
    case kOutput: format("%03.f", s.output * 100.0f); return std::sqrt(s.output * 0.5f);
    case kBit: std::snprintf(text, size, "%02d", s.bit); return static_cast<float>(s.bit) * 0.083333336f;
    case kSample:
        std::snprintf(text, size, "%03d", static_cast<int>(s.sample));
        return std::sqrt(static_cast<float>(s.sample) * 0.0052083335f);
    case kAuto: std::snprintf(text, size, "%03d", s.autoMs); return static_cast<float>(s.autoMs) * 0.01f;
    case kInt: copy(switchName(s.interpolate)); return s.interpolate ? 1.0f : 0.0f;
    case kLink: copy(switchName(s.link)); return s.link ? 1.0f : 0.0f;
    case kBypass: copy(switchName(s.bypass)); return s.bypass ? 1.0f : 0.0f;
    default: break;
    }
    const float v = s.channel[slotOf(index)][channelOf(index)];
    switch (slotOf(index)) {
    case kSlotGain: format("%03.f", v * 100.0f); return std::sqrt(v * 0.25f);
    case kSlotComp: format("%03.f", v * 100.0f); return v;
    case kSlotLowShelfFreq: format("%04.f", v); return std::sqrt((v - 10.0f) * 0.00067114097f);
    case kSlotPeakFreq: format("%04.f", v); return std::sqrt((v - 10.0f) * 0.000050025013f);
    case kSlotPeakWidth: format("%1.2f", v); return std::sqrt((v - 0.1f) * 0.25641024f);
    case kSlotHighShelfFreq: format("%04.f", v); return std::sqrt((v - 1000.0f) * 0.000052631578f);
    default: format("%+03.f", v); return v * 0.0125f + 0.5f;
    }
}

void EffectCore::stampHeader() {
    StateBlock& s = dsp->state;
    s.zero = 0;
    std::memcpy(s.name, kEffectName, std::strlen(kEffectName) + 1);
    s.size = kStateSize;
    s.check = ~kStateSize;
}

std::int32_t EffectCore::applyState(const void* chunk, std::int32_t byteSize) {
    // Every chunk shorter than the state is refused by the size rules; testing
    // that first keeps the header reads inside the host's bytes.
    if (!chunk || byteSize < kStateSize) return 0;
    StateBlock incoming;
    std::memcpy(&incoming, chunk, sizeof incoming);
    if (incoming.size != byteSize || incoming.zero != 0 || incoming.size != ~incoming.check ||
        incoming.size < kStateSize || std::memcmp(incoming.name, kEffectName, kStateNamePrefix) != 0)
        return 0;
    dsp->state = incoming;
    recomputeFromState();
    changeCounter.fetch_add(1);
    return byteSize;
}

void EffectCore::configureAudio(float fs, std::int32_t block) { dsp->configure(fs, block); }

int EffectCore::processBlock(const float* const in[2], float* const out[2], int n) {
    return dsp->processBlock(in, out, n);
}

float EffectCore::cachedValue(int index) const {
    return parameterCache[index].load(std::memory_order_relaxed);
}

void EffectCore::storeCachedValue(int index, float value) {
    parameterCache[index].store(value, std::memory_order_relaxed);
}

void EffectCore::markControlsOf(int index) {
    for (PanelControl* c = controlList.load(std::memory_order_acquire); c; c = c->next)
        if (c->paramIndex == index) markDirty(*c);
}

}  // namespace orv
