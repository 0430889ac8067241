#include "params/param_table.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace orv {
namespace {

// Value names of Mode and of the switches.
const char* const kModeNames[4] = {"Normal", "M/S", "to M/S", "from M/S"};
const char* const kSwitchNames[2] = {"OFF", "ON"};

// The mappings' constants. A normalised value x (and its square x2) is
// scaled by a "steps" factor a little above the span, so that x = 1 reaches
// the top step after truncation; the read-back divides by the span itself.
constexpr float kModeSteps = 3.9f;
constexpr float kModeSpanReciprocal = 0.33333334f;  // 1 / 3
constexpr float kHundredthSteps = 0.01f;            // Output, gains and widths hold whole hundredths
constexpr float kPercent = 100.0f;
constexpr float kOutputSteps = 200.9f;
constexpr float kOutputSpanReciprocal = 0.5f;  // 1 / 2.0
constexpr float kBitSteps = 11.9f;
constexpr float kBitSpanReciprocal = 0.083333336f;  // 1 / 12
constexpr float kSampleSteps = 191.9f;
constexpr float kSampleSpanReciprocal = 0.0052083335f;  // 1 / 192
constexpr float kAutoSteps = 100.9f;
constexpr float kAutoSpanReciprocal = 0.01f;  // 1 / 100
constexpr float kSwitchThreshold = 0.5f;
constexpr float kGainSteps = 400.9f;
constexpr float kGainSpanReciprocal = 0.25f;  // 1 / 4.0
constexpr float kLowShelfLowest = 10.0f;
constexpr float kLowShelfSpan = 1490.0f;
constexpr float kLowShelfSpanReciprocal = 0.00067114097f;  // 1 / 1490
constexpr float kDbCentre = 0.5f;
constexpr float kDbSpan = 80.0f;
constexpr float kDbSpanReciprocal = 0.0125f;  // 1 / 80
constexpr float kPeakLowest = 10.0f;
constexpr float kPeakSpan = 19990.0f;
constexpr float kPeakSpanReciprocal = 0.000050025013f;  // 1 / 19990
constexpr float kWidthSteps = 390.9f;
constexpr float kWidthNarrowest = 0.1f;
constexpr float kWidthSpanReciprocal = 0.25641024f;  // 1 / 3.9
constexpr float kHighShelfLowest = 1000.0f;
constexpr float kHighShelfSpan = 19000.0f;
constexpr float kHighShelfSpanReciprocal = 0.000052631578f;  // 1 / 19000

// MIDI controllers: a value v of 0 to 127 sets Output to v * 2/127, Bit to
// int(v * 11.9/127 + 1), Sample to v kHz (121 to 127: the high rates below)
// and the channel gains to v * 4/127.
constexpr int kControllerOutput = 20;
constexpr int kControllerBit = 21;
constexpr int kControllerSample = 22;
constexpr int kControllerMGain = 23;
constexpr int kControllerSGain = 24;
constexpr float kOutputPerControllerStep = 0.015748031f;  // 2 / 127
constexpr float kBitPerControllerStep = 0.09370078f;      // 11.9 / 127
constexpr float kGainPerControllerStep = 0.031496063f;    // 4 / 127
constexpr int kFirstHighSampleValue = 121;
constexpr std::int32_t kHighSampleRates[7] = {128, 136, 144, 152, 160, 176, 192};

int truncated(float v) { return static_cast<int>(v); }

// The nine per-channel parameters, each once; the M and S rows are made
// from these.
struct ChannelRow {
    const char* stem;
    const char* label;
    const char* unit;
    const char* panelLabel;
    Mapping mapping;
    float minimum, maximum, defaultValue;
    int controllers[kChannelCount];
    const char* description;
};
// clang-format off
constexpr ChannelRow kChannelRows[kChannelParamCount] = {
    {"Gain",      "[%]",  "%",   "Gain",  Mapping::Gain,          0.0f,    4.0f,     1.0f,
     {kControllerMGain, kControllerSGain}, "input factor of the channel, before its equaliser"},
    {"Comp.",     nullptr, "%",  "Comp.", Mapping::Comp,          0.0f,    1.0f,     0.0f,
     {kNoController, kNoController}, "static level-dependent gain: a sample of level a is multiplied by 1 + Comp (1 - a)"},
    {"LS_Freq.",  "[Hz]", "Hz",  "Freq.", Mapping::LowShelfFreq,  10.0f,   1500.0f,  100.0f,
     {kNoController, kNoController}, "low-shelf corner frequency"},
    {"LS_Gain",   nullptr, "dB", "Gain",  Mapping::DbGain,        -40.0f,  40.0f,    0.0f,
     {kNoController, kNoController}, "low-shelf gain"},
    {"BP_Freq.",  "[Hz]", "Hz",  "Freq.", Mapping::PeakFreq,      10.0f,   20000.0f, 1000.0f,
     {kNoController, kNoController}, "peaking band's centre frequency"},
    {"BP_Width",  nullptr, "oct", "Band", Mapping::Width,         0.1f,    4.0f,     1.0f,
     {kNoController, kNoController}, "peaking band's width"},
    {"BP_Gain",   nullptr, "dB", "Gain",  Mapping::DbGain,        -40.0f,  40.0f,    0.0f,
     {kNoController, kNoController}, "peaking band's gain"},
    {"HS_Freq.",  "[Hz]", "Hz",  "Freq.", Mapping::HighShelfFreq, 1000.0f, 20000.0f, 2000.0f,
     {kNoController, kNoController}, "high-shelf corner frequency"},
    {"HS_Gain",   nullptr, "dB", "Gain",  Mapping::DbGain,        -40.0f,  40.0f,    0.0f,
     {kNoController, kNoController}, "high-shelf gain"},
};
// clang-format on
constexpr const char* kChannelPrefixes[kChannelCount] = {"M-", "S-"};

constexpr int kNameCapacity = 16;
using ChannelNames = std::array<std::array<char, kNameCapacity>, kChannelCount * kChannelParamCount>;
constexpr ChannelNames kChannelNames = [] {
    ChannelNames names{};
    for (int k = 0; k < kChannelCount; ++k)
        for (int slot = 0; slot < kChannelParamCount; ++slot) {
            auto& name = names[k * kChannelParamCount + slot];
            int n = 0;
            for (const char* p = kChannelPrefixes[k]; *p; ++p) name[n++] = *p;
            for (const char* p = kChannelRows[slot].stem; *p; ++p) name[n++] = *p;
        }
    return names;
}();

constexpr ParamInfo channelInfo(int index) {
    const ChannelRow& row = kChannelRows[slotOf(index)];
    const int k = channelOf(index);
    return {kChannelNames[k * kChannelParamCount + slotOf(index)].data(),
            row.label,
            row.unit,
            row.panelLabel,
            row.mapping,
            row.minimum,
            row.maximum,
            row.defaultValue,
            nullptr,
            0,
            row.controllers[k],
            row.description};
}

// clang-format off
constexpr ParamInfo kGlobalRows[] = {
    {"Mode",   nullptr, "",    "Mode",  Mapping::Mode,   0.0f, 3.0f,   0.0f,   kModeNames,   4, kNoController,
     "the channel matrix: L and R throughout, mid/side in and back, mid/side in only, or back only"},
    {"Output", "[%]",   "%",   "Gain",  Mapping::Output, 0.0f, 2.0f,   1.0f,   nullptr,      0, kControllerOutput,
     "output factor, after everything else"},
    {"Bit",    nullptr, "bit", "Bit",   Mapping::Bit,    1.0f, 12.0f,  12.0f,  nullptr,      0, kControllerBit,
     "word length the signal is truncated to"},
    {"Sample", nullptr, "kHz", "Freq.", Mapping::Sample, 1.0f, 192.0f, 192.0f, nullptr,      0, kControllerSample,
     "rate of the reduced signal; the reconstruction low-pass sits at its Nyquist frequency"},
    {"Auto",   nullptr, "ms",  "Auto",  Mapping::Auto,   0.0f, 100.0f, 50.0f,  nullptr,      0, kNoController,
     "look-ahead of the clip guard (0: off); the output is delayed by it"},
    {"Int",    nullptr, "",    "Int.",  Mapping::Switch, 0.0f, 1.0f,   1.0f,   kSwitchNames, 2, kNoController,
     "held samples glide to the next one instead of stepping"},
};
constexpr ParamInfo kLinkRow =
    {"Link",   nullptr, "",    "P.Link", Mapping::Switch, 0.0f, 1.0f,  1.0f,   kSwitchNames, 2, kNoController,
     "a change to one channel's parameter also sets the other channel's"};
constexpr ParamInfo kBypassRow =
    {nullptr,  nullptr, "",    "Bypass", Mapping::Switch, 0.0f, 1.0f,  0.0f,   kSwitchNames, 2, kNoController,
     "leaves out Sample/Bit, the low-pass, the clip guard and Comp"};
// clang-format on

constexpr std::array<ParamInfo, kNumParams> buildTable() {
    std::array<ParamInfo, kNumParams> table{};
    for (int i = 0; i < kFirstChannelParam; ++i) table[i] = kGlobalRows[i];
    for (int i = kFirstChannelParam; i < kLink; ++i) table[i] = channelInfo(i);
    table[kLink] = kLinkRow;
    table[kBypass] = kBypassRow;
    return table;
}

}  // namespace

constexpr std::array<ParamInfo, kNumParams> kParamTable = buildTable();

const char* displayName(int index) {
    const ParamInfo& p = kParamTable[index];
    return p.name ? p.name : p.panelLabel;
}

bool isStepped(Mapping mapping) {
    switch (mapping) {
    case Mapping::Comp:
    case Mapping::LowShelfFreq:
    case Mapping::DbGain:
    case Mapping::PeakFreq:
    case Mapping::HighShelfFreq: return false;
    default: return true;
    }
}

float engineeringValue(Mapping mapping, float x) {
    const float x2 = x * x;
    switch (mapping) {
    case Mapping::Mode: return static_cast<float>(truncated(x * kModeSteps));
    case Mapping::Output: return static_cast<float>(truncated(x2 * kOutputSteps)) * kHundredthSteps;
    case Mapping::Bit: return static_cast<float>(truncated(x * kBitSteps + 1.0f));
    case Mapping::Sample: return static_cast<float>(truncated(x2 * kSampleSteps + 1.0f));
    case Mapping::Auto: return static_cast<float>(truncated(x * kAutoSteps));
    case Mapping::Switch: return x > kSwitchThreshold ? 1.0f : 0.0f;
    case Mapping::Gain: return static_cast<float>(truncated(x2 * kGainSteps)) * kHundredthSteps;
    case Mapping::Comp: return x;
    case Mapping::LowShelfFreq: return x2 * kLowShelfSpan + kLowShelfLowest;
    case Mapping::DbGain: return (x - kDbCentre) * kDbSpan;
    case Mapping::PeakFreq: return x2 * kPeakSpan + kPeakLowest;
    case Mapping::Width: return static_cast<float>(truncated(x2 * kWidthSteps)) * kHundredthSteps + kWidthNarrowest;
    case Mapping::HighShelfFreq: return x2 * kHighShelfSpan + kHighShelfLowest;
    }
    return 0.0f;
}

double storedValue(const StateBlock& s, int index) {
    switch (index) {
    case kMode: return s.mode;
    case kOutput: return s.output;
    case kBit: return s.bit;
    case kSample: return s.sample;
    case kAuto: return s.autoMs;
    case kInt: return s.interpolate;
    case kLink: return s.link;
    case kBypass: return s.bypass;
    default: return s.channel[slotOf(index)][channelOf(index)];
    }
}

void storeValue(StateBlock& s, int index, float v) {
    switch (index) {
    case kMode: s.mode = static_cast<std::uint8_t>(v); break;
    case kOutput: s.output = v; break;
    case kBit: s.bit = static_cast<std::uint8_t>(v); break;
    case kSample: s.sample = static_cast<std::int32_t>(v); break;
    case kAuto: s.autoMs = static_cast<std::uint8_t>(v); break;
    case kInt: s.interpolate = static_cast<std::uint8_t>(v); break;
    case kLink: s.link = static_cast<std::uint8_t>(v); break;
    case kBypass: s.bypass = static_cast<std::uint8_t>(v); break;
    default: s.channel[slotOf(index)][channelOf(index)] = v; break;
    }
}

// Each case computes in single precision from the stored value, which the
// double holds exactly.
float normalisedValue(Mapping mapping, double v) {
    const auto f = static_cast<float>(v);
    switch (mapping) {
    case Mapping::Mode: return f * kModeSpanReciprocal;
    case Mapping::Output: return std::sqrt(f * kOutputSpanReciprocal);
    case Mapping::Bit: return f * kBitSpanReciprocal;
    case Mapping::Sample: return std::sqrt(f * kSampleSpanReciprocal);
    case Mapping::Auto: return f * kAutoSpanReciprocal;
    case Mapping::Switch: return v != 0.0 ? 1.0f : 0.0f;
    case Mapping::Gain: return std::sqrt(f * kGainSpanReciprocal);
    case Mapping::Comp: return f;
    case Mapping::LowShelfFreq: return std::sqrt((f - kLowShelfLowest) * kLowShelfSpanReciprocal);
    case Mapping::DbGain: return f * kDbSpanReciprocal + kDbCentre;
    case Mapping::PeakFreq: return std::sqrt((f - kPeakLowest) * kPeakSpanReciprocal);
    case Mapping::Width: return std::sqrt((f - kWidthNarrowest) * kWidthSpanReciprocal);
    case Mapping::HighShelfFreq: return std::sqrt((f - kHighShelfLowest) * kHighShelfSpanReciprocal);
    }
    return 0.0f;
}

void formatValue(Mapping mapping, double v, char* text, std::size_t size) {
    const auto f = static_cast<float>(v);
    // Only the integer-stored parameters (a byte or an int32) are converted.
    const auto whole = [v] { return static_cast<int>(v); };
    switch (mapping) {
    case Mapping::Mode: std::snprintf(text, size, "%s", modeName(whole())); return;
    case Mapping::Switch: std::snprintf(text, size, "%s", switchName(whole())); return;
    case Mapping::Bit: std::snprintf(text, size, "%02d", whole()); return;
    case Mapping::Sample:
    case Mapping::Auto: std::snprintf(text, size, "%03d", whole()); return;
    case Mapping::Output:
    case Mapping::Gain:
    case Mapping::Comp: std::snprintf(text, size, "%03.f", f * kPercent); return;
    case Mapping::LowShelfFreq:
    case Mapping::PeakFreq:
    case Mapping::HighShelfFreq: std::snprintf(text, size, "%04.f", v); return;
    case Mapping::Width: std::snprintf(text, size, "%1.2f", v); return;
    case Mapping::DbGain: std::snprintf(text, size, "%+03.f", v); return;
    }
}

float controllerValue(Mapping mapping, int value) {
    const auto v = static_cast<float>(value);
    switch (mapping) {
    case Mapping::Output: return v * kOutputPerControllerStep;
    case Mapping::Bit: return v * kBitPerControllerStep + 1.0f;
    case Mapping::Sample:
        return static_cast<float>(value >= kFirstHighSampleValue ? kHighSampleRates[value - kFirstHighSampleValue]
                                                                 : value);
    case Mapping::Gain: return v * kGainPerControllerStep;
    default: return 0.0f;  // the other parameters have no controller
    }
}

int controllerParameter(int number) {
    for (int i = 0; i < kNumParams; ++i)
        if (kParamTable[i].controller == number) return i;
    return -1;
}

namespace {

constexpr double kPercentPerFactor = 100.0;

// The factors (Output, gains, Comp) are shown to hosts as percentages.
double hostScale(Mapping mapping) {
    switch (mapping) {
    case Mapping::Output:
    case Mapping::Gain:
    case Mapping::Comp: return kPercentPerFactor;
    default: return 1.0;
    }
}

double clampedHost(const ParamInfo& p, double v) {
    const double scale = hostScale(p.mapping);
    const double lowest = p.minimum * scale;
    const double highest = p.maximum * scale;
    if (!(v >= lowest)) return lowest;
    return v > highest ? highest : v;
}

// A step count of a host value, the same integer the normalised mapping
// truncates to for the value that shows it.
float onStep(double steps) { return static_cast<float>(static_cast<int>(std::lround(steps))); }

}  // namespace

HostRange hostRange(int index) {
    const ParamInfo& p = kParamTable[index];
    const double scale = hostScale(p.mapping);
    const bool integer = isStepped(p.mapping) && p.mapping != Mapping::Width;
    const bool logarithmic = p.mapping == Mapping::LowShelfFreq || p.mapping == Mapping::PeakFreq ||
                             p.mapping == Mapping::HighShelfFreq;
    return {p.minimum * scale, p.maximum * scale, p.defaultValue * scale, integer, logarithmic};
}

double hostValue(const StateBlock& s, int index) {
    const ParamInfo& p = kParamTable[index];
    const double v = storedValue(s, index);
    switch (p.mapping) {
    case Mapping::Output:
    case Mapping::Gain: return clampedHost(p, std::round(v * kPercentPerFactor));
    case Mapping::Comp: return clampedHost(p, v * kPercentPerFactor);
    case Mapping::Switch: return v != 0.0 ? 1.0 : 0.0;
    default: return clampedHost(p, v);
    }
}

float engineeringValueOfHost(int index, double value) {
    const ParamInfo& p = kParamTable[index];
    const double v = clampedHost(p, value);
    switch (p.mapping) {
    case Mapping::Mode:
    case Mapping::Bit:
    case Mapping::Sample:
    case Mapping::Auto: return onStep(v);
    case Mapping::Switch: return v > kSwitchThreshold ? 1.0f : 0.0f;
    case Mapping::Output:
    case Mapping::Gain: return onStep(v) * kHundredthSteps;
    case Mapping::Width: return onStep((v - kWidthNarrowest) * kPercent) * kHundredthSteps + kWidthNarrowest;
    case Mapping::Comp: return static_cast<float>(v / kPercentPerFactor);
    default: return static_cast<float>(v);
    }
}

// A loaded state may hold any byte; values past a table read as its last entry.
float readBack(const StateBlock& s, int index, char* text, std::size_t size) {
    if (index < 0 || index >= kNumParams || !text || size == 0) return 0.0f;
    const double v = storedValue(s, index);
    formatValue(kParamTable[index].mapping, v, text, size);
    return normalisedValue(kParamTable[index].mapping, v);
}

int linkedPartner(const StateBlock& s, int index) {
    if (!isChannelParam(index) || !s.link) return -1;
    return channelParamIndex(1 - channelOf(index), slotOf(index));
}

const char* modeName(int mode) { return kModeNames[mode < 0 ? 0 : (mode > 3 ? 3 : mode)]; }
const char* switchName(int value) { return kSwitchNames[value != 0 ? 1 : 0]; }

NameTable& nameTable() {
    static NameTable table{};
    return table;
}

void fillNameTable() {
    NameTable& table = nameTable();
    table[kEffectNameEntry].store(kEffectName, std::memory_order_relaxed);
    table[kVendorEntry].store(kVendorName, std::memory_order_relaxed);
    table[kProductEntry].store(kProductName, std::memory_order_relaxed);
    for (int i = 0; i < kNumParams; ++i) {
        table[parameterNameEntry(i)].store(kParamTable[i].name, std::memory_order_relaxed);
        table[parameterLabelEntry(i)].store(kParamTable[i].label, std::memory_order_relaxed);
    }
}

}  // namespace orv
