#include "core/effect_core.h"

#include <cmath>
#include <cstring>

namespace orv {
namespace {

constexpr std::uint32_t kCapabilityEvents = 1u << 0;
constexpr std::uint32_t kCapabilityMidiEvents = 1u << 1;
constexpr std::uint32_t kCapabilityEditor = 1u << 2;
constexpr std::int32_t kVendorVersion = 101;
constexpr std::int32_t kPluginLayerEditorWidth = 512;
constexpr std::int32_t kPluginLayerEditorHeight = 256;
constexpr std::uint8_t kHostTextLength = 64;
constexpr std::uint8_t kParamTextLength = 8;
constexpr std::size_t kStateNamePrefix = 6;  // a saved state must begin with "orvq41"

constexpr int kControlChange = 0xB0;
constexpr int kControllerValueMask = 0x7F;

// What each parameter's value feeds in the engine besides itself.
unsigned derivedBy(int index) {
    if (isChannelParam(index)) {
        const int slot = slotOf(index);
        return slot == kSlotGain || slot == kSlotComp ? 0u : equaliserOf(channelOf(index));
    }
    switch (index) {
    case kBit: return kDeriveQuantisation;
    case kSample: return kDeriveHoldPeriod | kDeriveLowPass;
    case kAuto: return kDeriveAutoWindow;
    default: return 0u;
    }
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
    panel.editorWidth = kPluginLayerEditorWidth;
    panel.editorHeight = kPluginLayerEditorHeight;
    panel.editorScale = 1.0f;
    panel.editorWindow.store(nullptr);
    panel.controlList.store(nullptr);
    panel.eventHook = nullptr;
    panel.changeCounter.store(0);
}

bool EffectCore::declaresEditor() const { return (capabilityFlags & kCapabilityEditor) != 0; }

void EffectCore::configureEffect() {
    capabilityFlags |= kCapabilityEditor;
    names = &nameTable();
    vendorVersion = kVendorVersion;
    numParams = kNumParams;
    uniqueID = kUniqueId;
    numInputs = 2;
    numOutputs = 2;
    synthFlag = 0;
    chunksFlag = 1;
    dsp = std::make_unique<DspEngine>(sampleRate, blockSize);
    loadDefaults();
    // Audio before any sample-rate call is processed as at the initial rate.
    configureAudio(sampleRate, blockSize);
    panel.editorWidth = kPanelWidth;
    panel.editorHeight = kPanelHeight;
    panel.editorScale = 1.0f;
    fillNameTable();
}

void EffectCore::loadDefaults() {
    StateBlock s{};
    for (int i = 0; i < kNumParams; ++i) storeValue(s, i, kParamTable[i].defaultValue);
    loadState(s);
}

void EffectCore::loadState(const StateBlock& s) {
    dsp->apply(s, kDeriveEverything);
    for (int index : {kMode, kInt, kLink, kBypass}) panel.showValueName(index, s);
}

void EffectCore::setParameterValue(int index, float x) {
    if (index < 0 || index >= kNumParams) return;
    const float v = engineeringValue(kParamTable[index].mapping, clampNormalised(x));
    applyEngineeringValue(index, v);
    const int partner = linkedPartner(state(), index);
    if (partner < 0) return;
    applyEngineeringValue(partner, v);
    panel.showLinkedPair(index, partner, state());
}

void EffectCore::setHostValue(int index, double value) {
    if (index < 0 || index >= kNumParams) return;
    applyEngineeringValue(index, engineeringValueOfHost(index, value));
}

void EffectCore::applyEngineeringValue(int index, float v) {
    StateBlock s = state();
    storeValue(s, index, v);
    dsp->apply(s, derivedBy(index));
    panel.showValueName(index, s);
    if (index == kMode) markDirty(panel.paramControls[kMode]);
}

int EffectCore::applyController(int status, int number, int value) {
    if ((status & 0xF0) != kControlChange) return 0;
    const int index = controllerParameter(number);
    if (index < 0) return 0;
    StateBlock s = state();
    storeValue(s, index, controllerValue(kParamTable[index].mapping, value & kControllerValueMask));
    const bool changed = std::memcmp(&state(), &s, sizeof s) != 0;
    dsp->apply(s, derivedBy(index) & ~kDeriveLowPass);
    return changed ? 1 : 0;
}

int EffectCore::applyControllerFollowingLink(int status, int number, int value) {
    int changed = applyController(status, number, value);
    const int index = controllerParameter(number);
    const int partner = (status & 0xF0) == kControlChange ? linkedPartner(state(), index) : -1;
    if (partner < 0) return changed;
    const double v = storedValue(state(), index);
    if (storedValue(state(), partner) != v) {
        applyEngineeringValue(partner, static_cast<float>(v));
        changed |= 1;
    }
    return changed;
}

float EffectCore::readParameter(int index, char* text, std::size_t size) const {
    return readBack(state(), index, text, size);
}

void EffectCore::stampHeader() {
    StateBlock s = state();
    s.zero = 0;
    std::memcpy(s.name, kEffectName, std::strlen(kEffectName) + 1);
    s.size = kStateSize;
    s.check = ~kStateSize;
    dsp->apply(s, 0);
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
    loadState(incoming);
    panel.changeCounter.fetch_add(1);
    return byteSize;
}

void EffectCore::configureAudio(float fs, std::int32_t block) { dsp->configure(fs, block); }

bool EffectCore::changeSampleRate(float rate) {
    if (!(rate > 0.0f) || !std::isfinite(rate)) return false;
    sampleRateReciprocal = 1.0f / rate;
    configureAudio(rate, blockSize);
    sampleRate = rate;
    return true;
}

int EffectCore::processBlock(const float* const in[2], float* const out[2], int n) {
    return dsp->processBlock(in, out, n);
}

}  // namespace orv
