// The effect's identity and its 26 parameters: one table holds every
// parameter's name, label and value mapping; everything else reads it.
#pragma once

#include <atomic>
#include <cstdint>

namespace orv {

constexpr const char* kEffectName = "orvq41x(Velmar)";
constexpr const char* kVendorName = "ORV Works";
constexpr const char* kProductName = "Velmar processor";

constexpr int kNumParams = 26;
constexpr int kChannelCount = 2;
constexpr int kChannelParamCount = 9;  // the S member sits nine indices after the M member

enum ParamIndex : int {
    kMode = 0,
    kOutput = 1,
    kBit = 2,
    kSample = 3,
    kAuto = 4,
    kInt = 5,
    kFirstChannelParam = 6,
    kMGain = 6,
    kSGain = 15,
    kLink = 24,
    kBypass = 25,
};

// How a parameter's normalised value x becomes its engineering value.
enum class Mapping : std::uint8_t {
    Mode,           // int(x * 3.9)
    Output,         // int(x^2 * 200.9) * 0.01
    Bit,            // int(x * 11.9 + 1)
    Sample,         // int(x^2 * 191.9 + 1) kHz
    Auto,           // int(x * 100.9) ms
    Switch,         // x > 0.5
    Gain,           // int(x^2 * 400.9) * 0.01
    Comp,           // x
    LowShelfFreq,   // x^2 * 1490 + 10 Hz
    DbGain,         // (x - 0.5) * 80 dB
    PeakFreq,       // x^2 * 19990 + 10 Hz
    Width,          // int(x^2 * 390.9) * 0.01 + 0.1 octaves
    HighShelfFreq,  // x^2 * 19000 + 1000 Hz
};

struct ParamInfo {
    const char* name;   // null: the host sees an empty name
    const char* label;  // null: empty label
    Mapping mapping;
    float defaultValue;  // engineering value
};

extern const ParamInfo kParamTable[kNumParams];

// A normalised value brought into 0..1; a value that is not a number becomes 0.
inline float clampNormalised(float x) {
    if (!(x >= 0.0f)) return 0.0f;
    return x > 1.0f ? 1.0f : x;
}

constexpr int channelParamIndex(int channel, int slot) {
    return kFirstChannelParam + slot + channel * kChannelParamCount;
}
constexpr bool isChannelParam(int index) {
    return index >= kFirstChannelParam && index < kFirstChannelParam + 2 * kChannelParamCount;
}
constexpr int channelOf(int index) { return (index - kFirstChannelParam) / kChannelParamCount; }
constexpr int slotOf(int index) { return (index - kFirstChannelParam) % kChannelParamCount; }

// Value names of Mode and of the switches.
extern const char* const kModeNames[4];
extern const char* const kSwitchNames[2];
const char* modeName(int mode);
const char* switchName(int value);

// Process-wide table of the effect name, vendor, product and the 26
// (name, label) pairs, filled again by every construction.
constexpr int kNameTableSize = 3 + 2 * kNumParams;  // 55; parameter 25's pair is two empty entries
using NameTable = std::atomic<const char*>[kNameTableSize];
NameTable& nameTable();
void fillNameTable();

enum NameTableEntry : int { kEffectNameEntry = 0, kVendorEntry = 1, kProductEntry = 2 };
constexpr int parameterNameEntry(int index) { return 3 + 2 * index; }
constexpr int parameterLabelEntry(int index) { return 4 + 2 * index; }

}  // namespace orv
