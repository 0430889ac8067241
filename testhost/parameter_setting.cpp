#include "parameter_setting.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "plugin_library.h"

namespace vsthost {
namespace {

constexpr int kHostNameChars = 8;
constexpr int kSearchSteps = 4000;
constexpr int kBisections = 40;

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

// The display of x, as text and, when it is one, as a number.
struct Shown {
    std::string text;
    bool numeric;
    double number;
};

Shown shownAt(AEffect* e, VstInt32 index, float x) {
    e->setParameter(e, index, x);
    Shown s{parameterText(e, effGetParamDisplay, index), false, 0};
    s.numeric = parseNumber(s.text, s.number);
    return s;
}

// The edge of the run of values showing the same text as inside: bisection
// between a value inside the run and one outside it.
float runEdge(AEffect* e, VstInt32 index, const std::function<bool(const Shown&)>& matches,
              float inside, float outside) {
    for (int i = 0; i < kBisections; ++i) {
        const float mid = 0.5f * (inside + outside);
        (matches(shownAt(e, index, mid)) ? inside : outside) = mid;
    }
    return inside;
}

// A value whose display is the given text (or the given number): the middle
// of the run of values that show it, so "+6" means 6 dB rather than the
// smallest value that rounds to it. A scan finds the runs of stepped
// parameters; between two scan points whose numbers lie on either side of
// the wanted one, bisection finds it for continuous parameters.
bool valueForDisplay(AEffect* e, VstInt32 index, const std::string& wanted, float& out) {
    double wantedNumber = 0;
    const bool numeric = parseNumber(wanted, wantedNumber);
    const std::function<bool(const Shown&)> matches = [&](const Shown& s) {
        return s.text == wanted || (numeric && s.numeric && s.number == wantedNumber);
    };
    const auto middleOfRun = [&](float x) {
        const float step = 1.0f / kSearchSteps;
        float below = x, above = x;
        while (below > 0.0f && matches(shownAt(e, index, below))) below = std::max(0.0f, below - step);
        while (above < 1.0f && matches(shownAt(e, index, above))) above = std::min(1.0f, above + step);
        const float low = matches(shownAt(e, index, below)) ? below : runEdge(e, index, matches, x, below);
        const float high = matches(shownAt(e, index, above)) ? above : runEdge(e, index, matches, x, above);
        return 0.5f * (low + high);
    };
    Shown previous = shownAt(e, index, 0.0f);
    if (matches(previous)) {
        out = middleOfRun(0.0f);
        return true;
    }
    for (int step = 1; step <= kSearchSteps; ++step) {
        const float x = static_cast<float>(step) / kSearchSteps;
        const Shown current = shownAt(e, index, x);
        if (matches(current)) {
            out = middleOfRun(x);
            return true;
        }
        if (numeric && previous.numeric && current.numeric &&
            (previous.number - wantedNumber) * (current.number - wantedNumber) < 0) {
            float lo = static_cast<float>(step - 1) / kSearchSteps, hi = x;
            const bool rising = current.number > previous.number;
            for (int i = 0; i < kBisections; ++i) {
                const float mid = 0.5f * (lo + hi);
                const Shown s = shownAt(e, index, mid);
                if (matches(s)) {
                    out = middleOfRun(mid);
                    return true;
                }
                if (!s.numeric) break;
                ((s.number < wantedNumber) == rising ? lo : hi) = mid;
            }
        }
        previous = current;
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
