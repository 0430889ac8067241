#include "params/effect_core.h"

#include <cmath>
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
    dsp = std::make_unique<DspEngine>(sampleRate, blockSize);
    loadDefaults();
    // Audio before any sample-rate call is processed as at the initial rate.
    configureAudio(sampleRate, blockSize);
    editorWidth = kEditorWidth;
    editorHeight = kEditorHeight;
    editorScale = 1.0f;
    fillNameTable();
}

void EffectCore::loadDefaults() {
    StateBlock s{};
    for (int i = 0; i < kNumParams; ++i) storeValue(s, i, kParamTable[i].defaultValue);
    loadState(s);
}

void EffectCore::loadState(const StateBlock& s) {
    dsp->apply(s, kDeriveEverything);
    setText(paramControls[kMode], modeName(s.mode));
    setText(paramControls[kInt], switchName(s.interpolate));
    setText(paramControls[kLink], switchName(s.link));
    setText(paramControls[kBypass], switchName(s.bypass));
}

void EffectCore::setParameterValue(int index, float x) {
    if (index < 0 || index >= kNumParams) return;
    const float v = engineeringValue(kParamTable[index].mapping, clampNormalised(x));
    if (isChannelParam(index))
        setChannelValue(index, v);
    else
        applyEngineeringValue(index, v);
}

void EffectCore::setHostValue(int index, double value) {
    if (index < 0 || index >= kNumParams) return;
    applyEngineeringValue(index, engineeringValueOfHost(index, value));
}

void EffectCore::applyEngineeringValue(int index, float v) {
    StateBlock s = dsp->state();
    storeValue(s, index, v);
    dsp->apply(s, derivedBy(index));
    switch (index) {
    case kMode:
        setText(paramControls[kMode], modeName(s.mode));
        markDirty(paramControls[kMode]);
        return;
    case kInt:
    case kLink:
    case kBypass: setText(paramControls[index], switchName(v != 0.0f)); return;
    default: return;
    }
}

void EffectCore::setChannelValue(int index, float v) {
    const int slot = slotOf(index);
    int k = channelOf(index);
    for (int pass = 0; pass < kChannelCount; ++pass) {
        applyEngineeringValue(channelParamIndex(k, slot), v);
        if (!dsp->state().link) return;
        const int member = channelParamIndex(k, slot);
        // The partner's control is drawn from its cached value, which only
        // this coupling changes.
        if (member != index && parameterCache) {
            char scratch[kDisplayTextSize];
            storeCachedValue(member, readParameter(member, scratch, sizeof scratch));
        }
        markDirty(paramControls[member]);
        k = 1 - k;
    }
}

// Controllers set the stored value only: Link does not couple them and
// Sample moves the hold period but not the low-pass.
int EffectCore::applyController(int status, int number, int value) {
    if ((status & 0xF0) != kControlChange) return 0;
    const int index = controllerParameter(number);
    if (index < 0) return 0;
    StateBlock s = dsp->state();
    storeValue(s, index, controllerValue(kParamTable[index].mapping, value & kControllerValueMask));
    const bool changed = std::memcmp(&dsp->state(), &s, sizeof s) != 0;
    dsp->apply(s, derivedBy(index) & ~kDeriveLowPass);
    return changed ? 1 : 0;
}

int EffectCore::applyControllerFollowingLink(int status, int number, int value) {
    int changed = applyController(status, number, value);
    const int index = controllerParameter(number);
    if ((status & 0xF0) != kControlChange || !isChannelParam(index) || !dsp->state().link) return changed;
    const int partner = channelParamIndex(1 - channelOf(index), slotOf(index));
    const double v = storedValue(dsp->state(), index);
    if (storedValue(dsp->state(), partner) != v) {
        applyEngineeringValue(partner, static_cast<float>(v));
        changed |= 1;
    }
    return changed;
}

float EffectCore::readParameter(int index, char* text, std::size_t size) const {
    if (index < 0 || index >= kNumParams || !text || size == 0) return 0.0f;
    const double v = storedValue(dsp->state(), index);
    formatValue(kParamTable[index].mapping, v, text, size);
    return normalisedValue(kParamTable[index].mapping, v);
}

void EffectCore::stampHeader() {
    StateBlock s = dsp->state();
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
    changeCounter.fetch_add(1);
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
