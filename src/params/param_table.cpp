#include "params/param_table.h"

namespace orv {

// clang-format off
const ParamInfo kParamTable[kNumParams] = {
    {"Mode",       nullptr, Mapping::Mode,          0.0f},
    {"Output",     "[%]",   Mapping::Output,        1.0f},
    {"Bit",        nullptr, Mapping::Bit,           12.0f},
    {"Sample",     nullptr, Mapping::Sample,        192.0f},
    {"Auto",       nullptr, Mapping::Auto,          50.0f},
    {"Int",        nullptr, Mapping::Switch,        1.0f},
    {"M-Gain",     "[%]",   Mapping::Gain,          1.0f},
    {"M-Comp.",    nullptr, Mapping::Comp,          0.0f},
    {"M-LS_Freq.", "[Hz]",  Mapping::LowShelfFreq,  100.0f},
    {"M-LS_Gain",  nullptr, Mapping::DbGain,        0.0f},
    {"M-BP_Freq.", "[Hz]",  Mapping::PeakFreq,      1000.0f},
    {"M-BP_Width", nullptr, Mapping::Width,         1.0f},
    {"M-BP_Gain",  nullptr, Mapping::DbGain,        0.0f},
    {"M-HS_Freq.", "[Hz]",  Mapping::HighShelfFreq, 2000.0f},
    {"M-HS_Gain",  nullptr, Mapping::DbGain,        0.0f},
    {"S-Gain",     "[%]",   Mapping::Gain,          1.0f},
    {"S-Comp.",    nullptr, Mapping::Comp,          0.0f},
    {"S-LS_Freq.", "[Hz]",  Mapping::LowShelfFreq,  100.0f},
    {"S-LS_Gain",  nullptr, Mapping::DbGain,        0.0f},
    {"S-BP_Freq.", "[Hz]",  Mapping::PeakFreq,      1000.0f},
    {"S-BP_Width", nullptr, Mapping::Width,         1.0f},
    {"S-BP_Gain",  nullptr, Mapping::DbGain,        0.0f},
    {"S-HS_Freq.", "[Hz]",  Mapping::HighShelfFreq, 2000.0f},
    {"S-HS_Gain",  nullptr, Mapping::DbGain,        0.0f},
    {"Link",       nullptr, Mapping::Switch,        1.0f},
    {nullptr,      nullptr, Mapping::Switch,        0.0f},  // Bypass: the host sees no name
};
// clang-format on

const char* const kModeNames[4] = {"Normal", "M/S", "to M/S", "from M/S"};
const char* const kSwitchNames[2] = {"OFF", "ON"};

// A loaded state may hold any byte; values past a table read as its last entry.
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
