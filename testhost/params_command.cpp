// orvhost params: the parameter reference of the README, from the effect's
// parameter table, so that the manual cannot disagree with the code.
#include <cstdio>
#include <string>

#include "commands.h"
#include "params/param_table.h"

namespace vsthost {
namespace {

using orv::kParamTable;
using orv::ParamInfo;

// Percentages are shown as the host shows them: the factor times 100.
double shownValue(const ParamInfo& p, float v) { return std::string(p.unit) == "%" ? v * 100.0 : v; }

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

std::string range(const ParamInfo& p) {
    if (!p.valueNames) return number(shownValue(p, p.minimum)) + " to " + number(shownValue(p, p.maximum));
    std::string names;
    for (int i = 0; i < p.valueCount; ++i) names += (i ? ", " : "") + std::string("\"") + p.valueNames[i] + "\"";
    return names;
}

std::string defaultText(const ParamInfo& p) {
    if (p.valueNames) return std::string("\"") + p.valueNames[static_cast<int>(p.defaultValue)] + "\"";
    return number(shownValue(p, p.defaultValue));
}

}  // namespace

int runParams() {
    std::printf("| # | parameter | range | unit | default | what it does | MIDI controller |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    for (int i = 0; i < orv::kNumParams; ++i) {
        const ParamInfo& p = kParamTable[i];
        const std::string controller = p.controller == orv::kNoController ? "" : number(p.controller);
        std::printf("| %d | %s | %s | %s | %s | %s | %s |\n", i, orv::displayName(i), range(p).c_str(), p.unit,
                    defaultText(p).c_str(), p.description, controller.c_str());
    }
    return 0;
}

}  // namespace vsthost
