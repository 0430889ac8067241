// The base class's number-to-text helpers, including the cut at maxLen.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

#include "host/orv_vst.h"

namespace {

class NumberText : public ::testing::Test {
protected:
    orvVst effect{nullptr};
    char text[64] = {};

    std::string floatText(float v, int maxLen = 63) {
        effect.float2string(v, text, maxLen);
        return text;
    }
    std::string intText(VstInt32 v, int maxLen = 63) {
        effect.int2string(v, text, maxLen);
        return text;
    }
};

TEST_F(NumberText, FloatFillsEightCharactersAndTruncates) {
    EXPECT_EQ(floatText(1.5f), "1.500000");
    EXPECT_EQ(floatText(-2.25f), "-2.25000");
    EXPECT_EQ(floatText(123.5f), "123.5000");
    EXPECT_EQ(floatText(0.0f), "0.000000");
    EXPECT_EQ(floatText(0.99999f), "0.999989");  // 0.99999f is 0.99998998...: truncated, not rounded
}

TEST_F(NumberText, FloatRangeLimits) {
    EXPECT_EQ(floatText(-10000000.0f), "Huge!");
    EXPECT_EQ(floatText(100000000.0f), "Huge!");
    EXPECT_EQ(floatText(9999999.0f), "9999999.");
    EXPECT_EQ(floatText(-999999.0f), "-999999.");
    EXPECT_EQ(floatText(std::numeric_limits<float>::infinity()), "Huge!");
    EXPECT_EQ(floatText(-std::numeric_limits<float>::infinity()), "Huge!");
    EXPECT_EQ(floatText(std::numeric_limits<float>::quiet_NaN()), "NaN");
}

TEST_F(NumberText, FloatCutAtMaxLenAlwaysTerminates) {
    std::memset(text, 'x', sizeof text);
    effect.float2string(1.5f, text, 3);
    EXPECT_STREQ(text, "1.5");
    effect.float2string(1.5f, text, 0);
    EXPECT_STREQ(text, "");
}

TEST_F(NumberText, Integers) {
    EXPECT_EQ(intText(0), "0");
    EXPECT_EQ(intText(-42), "-42");
    EXPECT_EQ(intText(100000000), "Huge!");
    EXPECT_EQ(intText(99999999), "99999999");
    EXPECT_EQ(intText(-999999999), "-999999999");
    EXPECT_EQ(intText(std::numeric_limits<VstInt32>::min()), "-Huge!");
    EXPECT_EQ(intText(-1000000000), "-Huge!");
    EXPECT_EQ(intText(12345, 2), "12");
}

TEST_F(NumberText, DecibelsHertzAndMilliseconds) {
    effect.dB2string(1.0f, text, 63);
    EXPECT_STREQ(text, "0.000000");
    effect.dB2string(0.5f, text, 63);
    EXPECT_STREQ(text, "-6.02059");
    effect.dB2string(0.0f, text, 63);
    EXPECT_STREQ(text, "-oo");
    effect.dB2string(-1.0f, text, 63);
    EXPECT_STREQ(text, "-oo");
    effect.Hz2string(100.0f, text, 63);
    EXPECT_STREQ(text, "441.0000");
    effect.Hz2string(0.0f, text, 63);
    EXPECT_STREQ(text, "0.000000");
    effect.ms2string(441.0f, text, 63);
    EXPECT_STREQ(text, "10.00000");
}

}  // namespace
