#include "parameter_setting.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "plugin_library.h"

namespace vsthost {
namespace {

constexpr int kHostNameChars = 8;
constexpr int kSearchSteps = 20000;

std::string trimmed(std::string s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
    std::size_t start = 0;
    while (start < s.size() && std::isspace(static_cast<unsigned char>(s[start]))) ++start;
    return s.substr(start);
}

std::string parameterText(AEffect* e, VstInt32 opcode, VstInt32 index) {
    char text[256] = {};
    dispatch(e, opcode, index, 0, text);
    text[sizeof text - 1] = '\0';
    return trimmed(text);
}

bool parseNumber(const std::string& s, double& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    out = std::strtod(s.c_str(), &end);
    return end && *end == '\0' && std::isfinite(out);
}

int findParameter(AEffect* e, const std::string& name) {
    double index = 0;
    if (parseNumber(name, index) && index == std::floor(index) && index >= 0 && index < e->numParams)
        return static_cast<int>(index);
    for (VstInt32 i = 0; i < e->numParams; ++i) {
        const std::string hostName = parameterText(e, effGetParamName, i);
        if (hostName.empty()) continue;
        if (name == hostName || name.substr(0, kHostNameChars) == hostName) return i;
    }
    return -1;
}

// The smallest normalised value whose display text is the given one, as
// text or as a number.
bool valueForDisplay(AEffect* e, VstInt32 index, const std::string& wanted, float& out) {
    double wantedNumber = 0;
    const bool numeric = parseNumber(wanted, wantedNumber);
    for (int step = 0; step <= kSearchSteps; ++step) {
        const float x = static_cast<float>(step) / kSearchSteps;
        e->setParameter(e, index, x);
        const std::string shown = parameterText(e, effGetParamDisplay, index);
        double shownNumber = 0;
        if (shown == wanted || (numeric && parseNumber(shown, shownNumber) && shownNumber == wantedNumber)) {
            out = x;
            return true;
        }
    }
    return false;
}

}  // namespace

SettingResult applySetting(AEffect* e, const std::string& setting) {
    const auto equals = setting.find('=');
    if (equals == std::string::npos || equals == 0)
        return {false, "setting '" + setting + "' is not NAME=VALUE"};
    const std::string name = setting.substr(0, equals);
    const std::string value = trimmed(setting.substr(equals + 1));
    const int index = findParameter(e, name);
    if (index < 0) return {false, "unknown parameter '" + name + "'"};
    double number = 0;
    const bool plain = parseNumber(value, number) && value[0] != '+' && value[0] != '-';
    if (plain && number >= 0.0 && number <= 1.0) {
        e->setParameter(e, index, static_cast<float>(number));
        return {true, {}};
    }
    const float before = e->getParameter(e, index);
    float x = 0;
    if (valueForDisplay(e, index, value, x)) {
        e->setParameter(e, index, x);
        return {true, {}};
    }
    e->setParameter(e, index, before);
    return {false, "value '" + value + "' is out of range for parameter '" + name + "'"};
}

}  // namespace vsthost
