// The effect's identity and its 26 parameters. One table holds every fact a
// front end needs about a parameter: name, labels, unit, range, default,
// value names, the mapping from the normalised value and back, the display
// format, the MIDI controller and a one-line description. The set path, the
// read-back, the state, the MIDI path, the editor and every plug-in format
// read it.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "dsp/state_block.h"
#include "identity.h"

namespace orv {

constexpr const char* kEffectName = ORV_EFFECT_NAME;
constexpr const char* kVendorName = ORV_VENDOR_NAME;
constexpr const char* kProductName = ORV_PRODUCT_NAME;

constexpr std::int32_t fourCharacterCode(char a, char b, char c, char d) {
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(a) << 24) | (static_cast<std::uint32_t>(b) << 16) |
                                     (static_cast<std::uint32_t>(c) << 8) | static_cast<std::uint32_t>(d));
}
constexpr std::int32_t kUniqueId = fourCharacterCode(ORV_UNIQUE_ID_CHARS);

constexpr int kNumParams = 26;
constexpr std::size_t kDisplayTextSize = 32;  // formatting buffer; VST 2.4 hosts get 8 characters of it
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

// How a parameter's normalised value x (0 to 1) becomes its engineering value.
enum class Mapping : std::uint8_t {
    Mode,           // int(x * 3.9)
    Output,         // int(x^2 * 200.9) / 100
    Bit,            // int(x * 11.9 + 1)
    Sample,         // int(x^2 * 191.9 + 1) kHz
    Auto,           // int(x * 100.9) ms
    Switch,         // x > 0.5
    Gain,           // int(x^2 * 400.9) / 100
    Comp,           // x
    LowShelfFreq,   // x^2 * 1490 + 10 Hz
    DbGain,         // (x - 0.5) * 80 dB
    PeakFreq,       // x^2 * 19990 + 10 Hz
    Width,          // int(x^2 * 390.9) / 100 + 0.1 octaves
    HighShelfFreq,  // x^2 * 19000 + 1000 Hz
};

constexpr int kNoController = -1;

struct ParamInfo {
    const char* name;        // what hosts show; null: an empty name
    const char* label;       // the VST label beside the value; null: empty
    const char* unit;        // for hosts that show units ("" for none)
    const char* panelLabel;  // the text under the parameter's control in the editor
    Mapping mapping;
    float minimum;       // engineering range
    float maximum;
    float defaultValue;  // engineering value
    const char* const* valueNames;  // the values' names when the parameter is stepped by name
    int valueCount;
    int controller;  // MIDI control change number, or kNoController
    const char* description;
};

extern const std::array<ParamInfo, kNumParams> kParamTable;

// What the README and the other formats call a parameter: its name, or for
// Bypass (which hosts see without one) its editor label.
const char* displayName(int index);
// Whether the parameter moves in whole steps (integer or named values).
bool isStepped(Mapping mapping);

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

// The mapping of a normalised value (within 0..1) to the engineering value.
float engineeringValue(Mapping mapping, float x);
// The engineering value a parameter holds in the state, exactly (bytes and
// integers included), and the plain write of one (nothing derived is updated).
double storedValue(const StateBlock& s, int index);
void storeValue(StateBlock& s, int index, float v);
// The read-back: the normalised value that shows a stored engineering value.
float normalisedValue(Mapping mapping, double v);
// The display text of a stored engineering value (at most size - 1 characters).
void formatValue(Mapping mapping, double v, char* text, std::size_t size);
// A parameter as a VST 2.4 host reads it back: the normalised value that
// shows its stored engineering value, and the display text (at most size - 1
// characters). Outside the table, or without room for text: 0, no text.
float readBack(const StateBlock& s, int index, char* text, std::size_t size);
// The other channel's member of a channel parameter while Link is on, or -1.
int linkedPartner(const StateBlock& s, int index);
// The engineering value a MIDI controller value (0 to 127) gives.
float controllerValue(Mapping mapping, int value);
// The parameter a MIDI controller number sets, or -1.
int controllerParameter(int number);

// A parameter as the CLAP, VST3 and LV2 hosts see it: its engineering value
// in the unit the table names (the factors as percentages), so that their
// generic views and automation show real units.
struct HostRange {
    double minimum;
    double maximum;
    double defaultValue;
    bool integer;      // whole steps: named values, switches, counts, percent steps
    bool logarithmic;  // the frequencies
};
HostRange hostRange(int index);
// What a host reads back for the stored value: within the range and, for
// the stepped parameters, on a step.
double hostValue(const StateBlock& s, int index);
// The engineering value a host value stands for: clamped to the range (a
// value that is not a number reads as the minimum) and, for the stepped
// parameters, exactly on the step the normalised mapping gives for it, so a
// host's 100 % is the Output whose VST 2.4 text is "100".
float engineeringValueOfHost(int index, double value);

// Value names of Mode and of the switches.
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
