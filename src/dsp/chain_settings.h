// What a piece is processed with: the state block, the values derived from
// it and the designs of the filter sections. Both engines (the fast one and
// the step-by-step reference) hold one and change it only through
// configure() and apply().
#pragma once

#include <cstdint>

#include "dsp/biquad.h"
#include "dsp/state_block.h"

namespace orv {

constexpr float kInitialSampleRate = 44100.0f;
constexpr int kCoreBlockSize = 1024;

// The Mode values: how the inputs become M and S and how M and S become
// the outputs.
enum Mode : int { kNormal = 0, kMidSide = 1, kToMidSide = 2, kFromMidSide = 3 };

// A loaded state may hold any byte; past the last mode it works as the last.
inline int clampedMode(std::uint8_t mode) { return mode > kFromMidSide ? static_cast<int>(kFromMidSide) : mode; }
inline bool encodesMidSide(int mode) { return mode == kMidSide || mode == kToMidSide; }
inline bool decodesMidSide(int mode) { return mode == kMidSide || mode == kFromMidSide; }

// At this word length the quantiser passes samples through.
constexpr int kFullWordLength = 23;
// |v * 2^Bit| must stay below this for the quantiser to truncate it.
constexpr float kQuantRange = 2147483648.0f;

constexpr float kMsPerSecond = 0.001f;
// The longest clip-guard window and ring, in samples.
constexpr std::int32_t kMaxGuardLength = 1 << 22;

// Truncates toward zero into [lo, hi]; a value that is not a number gives lo.
inline std::int32_t truncClamped(float v, std::int32_t lo, std::int32_t hi) {
    if (!(v >= static_cast<float>(lo))) return lo;
    if (v >= static_cast<float>(hi)) return hi;
    return static_cast<std::int32_t>(v);
}

// Positions of the per-channel values in StateBlock::channel.
enum StateSlot : int {
    kSlotGain = 0,
    kSlotComp,
    kSlotLowShelfFreq,
    kSlotLowShelfGain,
    kSlotPeakFreq,
    kSlotPeakWidth,
    kSlotPeakGain,
    kSlotHighShelfFreq,
    kSlotHighShelfGain,
    kChannelSlots,
};

struct ChannelSections {
    BiquadSection lowShelf;
    BiquadSection highShelf;
    BiquadSection peaking;
    BiquadSection lowPass;  // reconstruction low-pass of the output stage
};

// What a change of the state block brings up to date besides the values
// themselves; the set path, the controllers and a state load each ask for
// their own selection.
enum Derived : unsigned {
    kDeriveQuantisation = 1u << 0,  // Bit: the quantiser's scale
    kDeriveHoldPeriod = 1u << 1,    // Sample: the hold period, restarting the hold
    kDeriveLowPass = 1u << 2,       // Sample: the reconstruction low-pass's cutoff
    kDeriveAutoWindow = 1u << 3,    // Auto: the clip guard's window
    kDeriveEqualiserM = 1u << 4,    // a channel's three equaliser sections
    kDeriveEqualiserS = 1u << 5,
    kDeriveEverything = (1u << 6) - 1,
};
constexpr unsigned equaliserOf(int channel) { return kDeriveEqualiserM << channel; }

struct ChainSettings {
    ChainSettings(float fs, int blockSize);
    // The equaliser's sections are linked to one another.
    ChainSettings(const ChainSettings&) = delete;
    ChainSettings& operator=(const ChainSettings&) = delete;

    // Sample-rate and block-size dependent values: the window (without the
    // block minimum), the hold period and every filter design.
    void configure(float fs, int blockSize);
    // Takes next as the state and brings what derive names up to date.
    void apply(const StateBlock& next, unsigned derive);
    // Truncation to the word length Bit.
    float quantise(float v) const;

    StateBlock state{};
    float sampleRate;
    int blockSize;
    float quantScale = 4096.0f;
    float quantScaleReciprocal = 1.0f / 4096.0f;
    std::int32_t holdPeriod = 1;
    float holdPeriodReciprocal = 1.0f;
    std::int32_t holdCounter = 1;  // samples since the last capture; the engines run it on
    std::int32_t autoWindow = 0;
    ChannelSections sections[2];

private:
    void setQuantisation();
    void setHoldPeriod();
    void setLowPassFromSample();
    // The Nyquist frequency of the reduced rate.
    float lowPassFrequency() const;
    void setAutoWindow(int blockMinimum);
    // Copies a channel's equaliser values into its three sections and redesigns them.
    void loadEqualiser(int channel);
};

}  // namespace orv
