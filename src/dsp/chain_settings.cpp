#include "dsp/chain_settings.h"

#include <algorithm>
#include <cmath>

namespace orv {
namespace {

constexpr float kShelfQ = 0.7f;
constexpr float kLowPassQ = 0.7f;
constexpr std::int64_t kHalfRateFactor = 500;  // Sample (kHz) * 500 = the reduced Nyquist frequency, Hz

void initSection(BiquadSection& s, SectionType type, float q) {
    s = BiquadSection{};
    s.type = type;
    s.q = q;
}

// Which section field each per-channel value feeds (gain and Comp feed none).
struct SlotTarget {
    BiquadSection ChannelSections::*section;
    float BiquadSection::*field;
};
constexpr SlotTarget kSlotTargets[kChannelSlots] = {
    {nullptr, nullptr},
    {nullptr, nullptr},
    {&ChannelSections::lowShelf, &BiquadSection::freq},
    {&ChannelSections::lowShelf, &BiquadSection::gainDb},
    {&ChannelSections::peaking, &BiquadSection::freq},
    {&ChannelSections::peaking, &BiquadSection::q},
    {&ChannelSections::peaking, &BiquadSection::gainDb},
    {&ChannelSections::highShelf, &BiquadSection::freq},
    {&ChannelSections::highShelf, &BiquadSection::gainDb},
};

}  // namespace

ChainSettings::ChainSettings(float fs, int blockSize) : sampleRate(fs), blockSize(blockSize) {
    for (ChannelSections& c : sections) {
        initSection(c.lowShelf, SectionType::LowShelf, kShelfQ);
        initSection(c.highShelf, SectionType::HighShelf, kShelfQ);
        initSection(c.peaking, SectionType::Peaking, 1.0f);
        initSection(c.lowPass, SectionType::LowPassTwice, kLowPassQ);
        c.lowShelf.next = &c.highShelf;
        c.highShelf.next = &c.peaking;
    }
}

void ChainSettings::configure(float fs, int block) {
    sampleRate = fs;
    if (block > 0) blockSize = block;
    setAutoWindow(0);
    setHoldPeriod();
    for (ChannelSections& c : sections) {
        // The cutoff follows Sample again, not a value clamped at an earlier rate.
        c.lowPass.freq = lowPassFrequency();
        designSection(c.lowShelf, fs);
        designSection(c.highShelf, fs);
        designSection(c.peaking, fs);
        designSection(c.lowPass, fs);
    }
}

void ChainSettings::apply(const StateBlock& next, unsigned derive) {
    state = next;
    if (derive & kDeriveQuantisation) setQuantisation();
    if (derive & kDeriveHoldPeriod) setHoldPeriod();
    if (derive & kDeriveLowPass) setLowPassFromSample();
    if (derive & kDeriveAutoWindow) setAutoWindow(blockSize);
    for (int k = 0; k < 2; ++k)
        if (derive & equaliserOf(k)) loadEqualiser(k);
}

float ChainSettings::quantise(float v) const {
    if (state.bit >= kFullWordLength) return v;
    const float scaled = v * quantScale;
    if (!(std::fabs(scaled) < kQuantRange)) return std::isfinite(v) ? v : 0.0f;
    return static_cast<float>(static_cast<std::int32_t>(scaled)) * quantScaleReciprocal;
}

void ChainSettings::setQuantisation() {
    const int b = std::clamp(static_cast<int>(state.bit), 0, kFullWordLength);
    quantScale = static_cast<float>(1 << b);
    quantScaleReciprocal = 1.0f / quantScale;
}

void ChainSettings::setHoldPeriod() {
    const float period =
        state.sample > 0 ? sampleRate / static_cast<float>(state.sample) * kMsPerSecond : 0.0f;
    holdPeriod = std::max<std::int32_t>(1, truncClamped(period, 0, 1 << 30));
    holdPeriodReciprocal = 1.0f / static_cast<float>(holdPeriod);
    holdCounter = holdPeriod;
}

void ChainSettings::setLowPassFromSample() {
    for (ChannelSections& c : sections) {
        c.lowPass.freq = lowPassFrequency();
        designSection(c.lowPass, sampleRate);
    }
}

float ChainSettings::lowPassFrequency() const {
    return static_cast<float>(static_cast<std::int64_t>(state.sample) * kHalfRateFactor);
}

void ChainSettings::setAutoWindow(int blockMinimum) {
    autoWindow = truncClamped(sampleRate * kMsPerSecond * static_cast<float>(state.autoMs), 0, kMaxGuardLength);
    if (autoWindow != 0 && autoWindow < blockMinimum) autoWindow = blockMinimum;
}

void ChainSettings::loadEqualiser(int channel) {
    ChannelSections& c = sections[channel];
    for (int slot = 0; slot < kChannelSlots; ++slot) {
        const SlotTarget& target = kSlotTargets[slot];
        if (target.section) c.*target.section.*target.field = state.channel[slot][channel];
    }
    designSection(c.lowShelf, sampleRate);
    designSection(c.highShelf, sampleRate);
    designSection(c.peaking, sampleRate);
}

}  // namespace orv
