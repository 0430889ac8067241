// The parameter table's functions: for every parameter and 1001 normalised
// values, the value a host sets stays inside the table's range, reading it
// back and setting that again is stable, and the text denotes the value;
// the other formats' host values stand for the same values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "params/param_table.h"

namespace orv {
namespace {

constexpr int kSteps = 1000;

// The set path's store, without what the effect derives from it.
void set(StateBlock& s, int index, float x) {
    storeValue(s, index, engineeringValue(kParamTable[index].mapping, clampNormalised(x)));
}

StateBlock defaults() {
    StateBlock s{};
    for (int i = 0; i < kNumParams; ++i) storeValue(s, i, kParamTable[i].defaultValue);
    return s;
}

// The engineering value a display text denotes, to its printed precision.
void expectTextDenotes(const ParamInfo& p, const std::string& text, double v) {
    if (p.valueNames) {
        const int named = std::min(static_cast<int>(v), p.valueCount - 1);
        EXPECT_EQ(text, p.valueNames[named]) << p.name;
        return;
    }
    const double shown = std::strtod(text.c_str(), nullptr);
    const bool percent = p.mapping == Mapping::Output || p.mapping == Mapping::Gain || p.mapping == Mapping::Comp;
    const double precision = p.mapping == Mapping::Width ? 0.005 : 0.5;
    EXPECT_NEAR(shown, percent ? v * 100.0 : v, precision + 1e-4) << p.panelLabel << " " << text;
}

TEST(ParameterTable, EveryValueStaysInRangeReadsBackStablyAndShowsItsText) {
    StateBlock s = defaults();
    for (int i = 0; i < kNumParams; ++i) {
        const ParamInfo& p = kParamTable[i];
        for (int step = 0; step <= kSteps; ++step) {
            set(s, i, static_cast<float>(step) / kSteps);
            const double v = storedValue(s, i);
            ASSERT_GE(v, p.minimum) << displayName(i) << " at step " << step;
            ASSERT_LE(v, p.maximum) << displayName(i) << " at step " << step;

            char text[kDisplayTextSize];
            const float shown = readBack(s, i, text, sizeof text);
            expectTextDenotes(p, text, v);

            set(s, i, shown);
            const double again = storedValue(s, i);
            if (isStepped(p.mapping))
                ASSERT_EQ(again, v) << displayName(i) << " at step " << step;
            else
                ASSERT_NEAR(again, v, 1e-5 * std::max(1.0, std::abs(v))) << displayName(i) << " at step " << step;
            EXPECT_NEAR(readBack(s, i, text, sizeof text), shown, 1e-6);
        }
    }
}

TEST(ParameterTable, DefaultsAreTheStartingStateAndLieInRange) {
    const StateBlock s = defaults();
    for (int i = 0; i < kNumParams; ++i) {
        const ParamInfo& p = kParamTable[i];
        EXPECT_EQ(storedValue(s, i), p.defaultValue) << displayName(i);
        EXPECT_GE(p.defaultValue, p.minimum);
        EXPECT_LE(p.defaultValue, p.maximum);
        EXPECT_NE(displayName(i), nullptr);
    }
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// The formats show every parameter in its unit: for each value the VST 2.4
// can hold, the host value read back lies in the host range and stands for
// exactly that engineering value; for the stepped ones, a host value between
// two steps lands on the nearer step of the VST 2.4's own.
TEST(ParameterTable, HostValuesStandForTheVst2sValuesExactly) {
    StateBlock s = defaults();
    for (int i = 0; i < kNumParams; ++i) {
        const HostRange range = hostRange(i);
        EXPECT_EQ(engineeringValueOfHost(i, range.defaultValue), kParamTable[i].defaultValue) << displayName(i);
        for (int step = 0; step <= kSteps; ++step) {
            set(s, i, static_cast<float>(step) / kSteps);
            const double v = storedValue(s, i);
            const double h = hostValue(s, i);
            ASSERT_GE(h, range.minimum) << displayName(i) << " at step " << step;
            ASSERT_LE(h, range.maximum) << displayName(i) << " at step " << step;
            ASSERT_EQ(engineeringValueOfHost(i, h), v) << displayName(i) << " at step " << step;
            if (range.integer) {
                ASSERT_EQ(h, std::round(h)) << displayName(i);
                ASSERT_EQ(engineeringValueOfHost(i, h + 0.3), v) << displayName(i);
            }
        }
    }
    // Output 100 % is the VST 2.4 value whose text is "100"; widths step by hundredths.
    EXPECT_EQ(engineeringValueOfHost(kOutput, 100.0), 1.0f);
    EXPECT_EQ(engineeringValueOfHost(channelParamIndex(0, 5), 1.234), 1.23f);
}

TEST(ParameterTable, HostValuesOutsideTheRangeAreClamped) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (int i = 0; i < kNumParams; ++i) {
        const HostRange range = hostRange(i);
        const float lowest = engineeringValueOfHost(i, range.minimum);
        const float highest = engineeringValueOfHost(i, range.maximum);
        EXPECT_EQ(engineeringValueOfHost(i, nan), lowest) << displayName(i);
        EXPECT_EQ(engineeringValueOfHost(i, -inf), lowest) << displayName(i);
        EXPECT_EQ(engineeringValueOfHost(i, range.minimum - 1000.0), lowest) << displayName(i);
        EXPECT_EQ(engineeringValueOfHost(i, inf), highest) << displayName(i);
        EXPECT_EQ(engineeringValueOfHost(i, range.maximum + 1000.0), highest) << displayName(i);
    }
    // A loaded state may hold values past the ranges; hosts read them clamped.
    StateBlock s{};
    s.bit = 23;
    s.sample = 0;
    s.channel[0][0] = nan;
    EXPECT_EQ(hostValue(s, kBit), 12.0);
    EXPECT_EQ(hostValue(s, kSample), 1.0);
    EXPECT_EQ(hostValue(s, kMGain), 0.0);
}

}  // namespace
}  // namespace orv
