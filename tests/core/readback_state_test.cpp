// Read-back and display texts, the one-entry display cache, and the state
// chunk with its refusal rules, through the plug-in object.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "host/orv_vst.h"

namespace orv {
namespace {

std::string display(orvVst& effect, int index) {
    char text[64];
    std::memset(text, 'x', sizeof text);
    effect.getParameterDisplay(index, text);
    return text;
}

class ReadBack : public ::testing::Test {
protected:
    orvVst effect{nullptr};
    EffectCore& core = effect.core();

    // Values no parameter sets reach the effect as they do in use: in a loaded state.
    template <class F>
    void load(F change) {
        core.stampHeader();
        StateBlock s = core.state();
        change(s);
        ASSERT_EQ(core.applyState(&s, kStateSize), kStateSize);
    }

    std::string text(int index) {
        char buffer[kDisplayTextSize];
        core.readParameter(index, buffer, sizeof buffer);
        return buffer;
    }
    float value(int index) {
        char buffer[kDisplayTextSize];
        return core.readParameter(index, buffer, sizeof buffer);
    }
};

TEST_F(ReadBack, DefaultsAsTheHostSeesThem) {
    const char* expected[kNumParams] = {"Normal", "100", "12",  "192",  "050", "ON",   "100",
                                        "000",    "0100", "+00", "1000", "1.00", "+00", "2000",
                                        "+00",    "100", "000", "0100", "+00", "1000", "1.00",
                                        "+00",    "2000", "+00", "ON",   "OFF"};
    for (int i = 0; i < kNumParams; ++i) EXPECT_EQ(display(effect, i), expected[i]) << i;
}

TEST_F(ReadBack, TextsAndValuesOfTheTable) {
    load([](StateBlock& s) { s.mode = 2; });
    EXPECT_EQ(text(kMode), "to M/S");
    EXPECT_FLOAT_EQ(value(kMode), 0.6666667f);
    load([](StateBlock& s) { s.mode = 3; });
    EXPECT_EQ(text(kMode), "from M/S");
    EXPECT_EQ(value(kMode), 1.0f);
    EXPECT_EQ(display(effect, kMode), "from M/S");
    load([](StateBlock& s) { s.output = 0.5f; });
    EXPECT_EQ(text(kOutput), "050");
    load([](StateBlock& s) { s.output = 2.0f; });
    EXPECT_EQ(text(kOutput), "200");
    const int peakFreq = channelParamIndex(0, kSlotPeakFreq);
    load([](StateBlock& s) { s.channel[kSlotPeakFreq][0] = 20000.0f; });
    EXPECT_EQ(text(peakFreq), "20000");
    EXPECT_FLOAT_EQ(value(peakFreq), 1.0f);
    load([](StateBlock& s) { s.channel[kSlotPeakFreq][0] = 10.0f; });
    EXPECT_EQ(text(peakFreq), "0010");
    EXPECT_EQ(value(peakFreq), 0.0f);
    const int gain = channelParamIndex(1, kSlotLowShelfGain);
    load([](StateBlock& s) { s.channel[kSlotLowShelfGain][1] = -0.4f; });
    EXPECT_EQ(text(gain), "-00");
    load([](StateBlock& s) { s.channel[kSlotLowShelfGain][1] = 12.6f; });
    EXPECT_EQ(text(gain), "+13");
    load([](StateBlock& s) { s.channel[kSlotLowShelfGain][1] = -40.0f; });
    EXPECT_EQ(text(gain), "-40");
    EXPECT_EQ(value(gain), 0.0f);
    load([](StateBlock& s) { s.channel[kSlotPeakWidth][0] = 0.1f; });
    EXPECT_EQ(text(channelParamIndex(0, kSlotPeakWidth)), "0.10");
    EXPECT_NEAR(value(channelParamIndex(0, kSlotPeakWidth)), 0.0f, 1e-4f);
    core.applyController(0xB0, 22, 0);
    EXPECT_EQ(text(kSample), "000");
    EXPECT_EQ(value(kSample), 0.0f);
    EXPECT_EQ(value(-1), 0.0f);
    EXPECT_EQ(value(26), 0.0f);
}

TEST_F(ReadBack, SteppedParametersRoundTripExactly) {
    core.setParameterValue(kLink, 0.0f);
    const int stepped[] = {kMode, kOutput, kBit, kSample, kAuto, kInt, kLink, kBypass,
                           channelParamIndex(0, kSlotGain), channelParamIndex(1, kSlotGain),
                           channelParamIndex(0, kSlotPeakWidth)};
    for (int index : stepped) {
        for (int i = 0; i <= 2000; ++i) {
            core.setParameterValue(index, static_cast<float>(i) / 2000.0f);
            const StateBlock before = core.state();
            core.setParameterValue(index, value(index));
            ASSERT_EQ(std::memcmp(&before, &core.state(), sizeof before), 0)
                << "parameter " << index << " at x = " << i / 2000.0;
        }
    }
}

TEST_F(ReadBack, ContinuousParametersComeBackWithinRounding) {
    for (int index = kFirstChannelParam; index < kLink; ++index) {
        const int slot = slotOf(index);
        if (slot == kSlotGain || slot == kSlotPeakWidth) continue;  // stepped
        for (float x : {0.0f, 0.1f, 0.37f, 0.5f, 0.81f, 1.0f}) {
            core.setParameterValue(index, x);
            EXPECT_NEAR(value(index), x, 2e-4f) << index;
        }
    }
}

TEST_F(ReadBack, DisplayCacheServesOnePair) {
    EXPECT_EQ(effect.getParameter(kSample), 1.0f);
    load([](StateBlock& s) { s.sample = 50; });  // a change between the pair's two calls is not seen once
    EXPECT_EQ(display(effect, kSample), "192");
    EXPECT_EQ(display(effect, kSample), "050");
    effect.getParameter(kAuto);
    load([](StateBlock& s) { s.autoMs = 10; });
    EXPECT_EQ(effect.getParameter(kAuto), 0.5f);
    EXPECT_FLOAT_EQ(effect.getParameter(kAuto), 0.1f);
    EXPECT_EQ(display(effect, 99), "");
}

TEST_F(ReadBack, HostSeesEightCharactersWhateverWasLoaded) {
    load([](StateBlock& s) { s.output = 3e38f; });
    load([](StateBlock& s) { s.channel[kSlotPeakFreq][0] = -1e38f; });
    load([](StateBlock& s) { s.channel[kSlotPeakWidth][1] = std::numeric_limits<float>::quiet_NaN(); });
    load([](StateBlock& s) { s.mode = 200; });
    load([](StateBlock& s) { s.bypass = 9; });
    load([](StateBlock& s) { s.sample = -2147483647; });
    for (int i = 0; i < kNumParams; ++i) {
        char text[64];
        std::memset(text, 'x', sizeof text);
        effect.getParameterDisplay(i, text);
        EXPECT_LE(std::strlen(text), 8u) << i;
        char buffer[kDisplayTextSize];
        core.readParameter(i, buffer, sizeof buffer);
        EXPECT_LT(std::strlen(buffer), kDisplayTextSize);
    }
    EXPECT_EQ(display(effect, kMode), "from M/S");
    EXPECT_EQ(display(effect, kBypass), "ON");
}

class StateChunk : public ::testing::Test {
protected:
    orvVst effect{nullptr};

    std::vector<unsigned char> chunkOf(orvVst& e) {
        void* data = nullptr;
        const VstInt32 size = e.getChunk(&data, false);
        const auto* bytes = static_cast<const unsigned char*>(data);
        return std::vector<unsigned char>(bytes, bytes + size);
    }
    template <class T>
    static void put(std::vector<unsigned char>& c, std::size_t offset, T v) {
        std::memcpy(c.data() + offset, &v, sizeof v);
    }
    template <class T>
    static T get(const std::vector<unsigned char>& c, std::size_t offset) {
        T v;
        std::memcpy(&v, c.data() + offset, sizeof v);
        return v;
    }
};

TEST_F(StateChunk, NewEffectsChunk) {
    const auto c = chunkOf(effect);
    ASSERT_EQ(c.size(), 136u);
    EXPECT_EQ(get<std::uint32_t>(c, 0), 0u);
    EXPECT_STREQ(reinterpret_cast<const char*>(c.data() + 4), "orvq41x(Velmar)");
    for (std::size_t i = 4 + 16; i < 36; ++i) EXPECT_EQ(c[i], 0) << i;
    EXPECT_EQ(get<std::int32_t>(c, 36), 136);
    EXPECT_EQ(get<std::int32_t>(c, 40), -137);
    EXPECT_EQ(c[44], 0);
    EXPECT_EQ(get<float>(c, 48), 1.0f);
    EXPECT_EQ(c[52], 12);
    EXPECT_EQ(get<std::int32_t>(c, 56), 192);
    EXPECT_EQ(c[60], 50);
    EXPECT_EQ(c[61], 1);
    EXPECT_EQ(c[62], 1);
    EXPECT_EQ(c[63], 0);
    const float perChannel[9] = {1, 0, 100, 0, 1000, 1, 0, 2000, 0};
    for (int slot = 0; slot < 9; ++slot) {
        EXPECT_EQ(get<float>(c, 64 + 8 * slot), perChannel[slot]) << slot;
        EXPECT_EQ(get<float>(c, 68 + 8 * slot), perChannel[slot]) << slot;
    }
}

TEST_F(StateChunk, RoundTripRestoresEveryParameter) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    effect.setParameter(kLink, 0.0f);
    for (int i = 0; i < kNumParams; ++i)
        if (i != kLink) effect.setParameter(i, unit(random));
    const auto saved = chunkOf(effect);
    orvVst other(nullptr);
    EXPECT_EQ(other.setChunk(const_cast<unsigned char*>(saved.data()), 136, false), 136);
    for (int i = 0; i < kNumParams; ++i) {
        EXPECT_EQ(other.getParameter(i), effect.getParameter(i)) << i;
        EXPECT_EQ(display(other, i), display(effect, i)) << i;
    }
    EXPECT_EQ(chunkOf(other), saved);
    EXPECT_EQ(other.core().dsp->settings().quantScale, effect.core().dsp->settings().quantScale);
    EXPECT_EQ(other.core().dsp->settings().holdPeriod, effect.core().dsp->settings().holdPeriod);
    EXPECT_EQ(other.core().dsp->settings().sections[1].peaking.b0, effect.core().dsp->settings().sections[1].peaking.b0);
}

TEST_F(StateChunk, EachRefusalRuleChangesNothing) {
    effect.setParameter(kOutput, 0.3f);
    const auto good = chunkOf(effect);
    orvVst target(nullptr);
    target.setParameter(kBit, 0.2f);
    const auto before = chunkOf(target);
    const int changesBefore = target.core().panel.changeCounter.load();
    std::vector<std::vector<unsigned char>> refused(6, good);
    put<std::int32_t>(refused[0], 40, -136);                // check is not the complement
    put<std::uint32_t>(refused[1], 0, 1);                   // first field not 0
    put<std::int32_t>(refused[2], 36, 137);                 // size field differs from byteSize
    refused[3][4] = 'X';                                    // another effect's name
    refused[4][9] = '2';                                    // "orvq42": differs within six characters
    put<std::int32_t>(refused[5], 36, 100);                 // size below the state's
    put<std::int32_t>(refused[5], 40, ~100);
    for (std::size_t i = 0; i < refused.size(); ++i) {
        const VstInt32 size = i == 5 ? 100 : 136;
        EXPECT_EQ(target.setChunk(refused[i].data(), size, false), 0) << "rule " << i;
        EXPECT_EQ(chunkOf(target), before) << "rule " << i;
    }
    EXPECT_EQ(target.setChunk(const_cast<unsigned char*>(good.data()), 0, false), 0);
    EXPECT_EQ(target.setChunk(nullptr, 136, false), 0);
    EXPECT_EQ(target.core().panel.changeCounter.load(), changesBefore);
}

TEST_F(StateChunk, OnlySixCharactersOfTheNameAreCompared) {
    auto c = chunkOf(effect);
    std::memcpy(c.data() + 4, "orvq41-other", 13);
    c[44] = 2;
    EXPECT_EQ(effect.setChunk(c.data(), 136, false), 136);
    EXPECT_EQ(display(effect, kMode), "to M/S");
}

TEST_F(StateChunk, LongerChunksWithMatchingSizeAreTaken) {
    auto c = chunkOf(effect);
    c.resize(4096, 0xAB);
    put<std::int32_t>(c, 36, 4096);
    put<std::int32_t>(c, 40, ~4096);
    EXPECT_EQ(effect.setChunk(c.data(), 4096, false), 4096);
}

TEST_F(StateChunk, LinkOffKeepsChannelsApart) {
    auto c = chunkOf(effect);
    c[62] = 0;
    put<float>(c, 88, 6.0f);
    put<float>(c, 92, -9.0f);
    ASSERT_EQ(effect.setChunk(c.data(), 136, false), 136);
    EXPECT_EQ(display(effect, channelParamIndex(0, kSlotLowShelfGain)), "+06");
    EXPECT_EQ(display(effect, channelParamIndex(1, kSlotLowShelfGain)), "-09");
    EXPECT_EQ(effect.core().dsp->settings().sections[0].lowShelf.gainDb, 6.0f);
    EXPECT_EQ(effect.core().dsp->settings().sections[1].lowShelf.gainDb, -9.0f);
}

TEST_F(StateChunk, OutOfRangeValuesLoadWithoutFaults) {
    auto c = chunkOf(effect);
    c[44] = 250;                          // Mode
    c[52] = 255;                          // Bit
    put<std::int32_t>(c, 56, 0);          // Sample
    c[61] = 7;                            // Int
    ASSERT_EQ(effect.setChunk(c.data(), 136, false), 136);
    EXPECT_STREQ(effect.core().panel.paramControls[kMode].text, "from M/S");
    EXPECT_STREQ(effect.core().panel.paramControls[kInt].text, "ON");
    EXPECT_EQ(effect.core().dsp->settings().holdPeriod, 1);
    put<std::int32_t>(c, 56, -5);
    ASSERT_EQ(effect.setChunk(c.data(), 136, false), 136);
    EXPECT_EQ(effect.core().dsp->settings().holdPeriod, 1);
}

TEST_F(StateChunk, ArbitraryBytesOfAnySizeAreAnsweredSafely) {
    std::mt19937 random(11);
    for (VstInt32 size : {0, 1, 135, 136, 137, 4096}) {
        for (int round = 0; round < 20; ++round) {
            std::vector<unsigned char> bytes(static_cast<std::size_t>(size));
            for (auto& b : bytes) b = static_cast<unsigned char>(random());
            if (size >= 136 && round % 2 == 0) {
                // Pass the header check so the values themselves get loaded.
                put<std::uint32_t>(bytes, 0, 0);
                std::memcpy(bytes.data() + 4, "orvq41", 6);
                put<std::int32_t>(bytes, 36, size);
                put<std::int32_t>(bytes, 40, ~size);
            }
            const VstInt32 answer = effect.setChunk(bytes.empty() ? nullptr : bytes.data(), size, false);
            EXPECT_TRUE(answer == 0 || answer == size);
            for (int i = 0; i < kNumParams; ++i) {
                effect.getParameter(i);
                display(effect, i);
            }
        }
    }
}

TEST_F(StateChunk, ProgramsChangeNoValue) {
    const auto before = chunkOf(effect);
    effect.setProgram(5);
    EXPECT_EQ(chunkOf(effect), before);
    char name[32] = "x";
    effect.getProgramName(name);
    EXPECT_STREQ(name, "");
}

TEST_F(StateChunk, TheHostsCopyDoesNotChangeUnderIt) {
    void* data = nullptr;
    effect.getChunk(&data, false);
    std::vector<unsigned char> copy(static_cast<unsigned char*>(data),
                                    static_cast<unsigned char*>(data) + 136);
    effect.setParameter(kOutput, 0.1f);
    EXPECT_EQ(std::memcmp(data, copy.data(), 136), 0);
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// After the host changes a parameter, its text and value are the new ones,
// even when the one-entry cache held that parameter.
TEST(DisplayCache, AChangeIsSeenAtOnce) {
    orvVst effect(nullptr);
    effect.getParameter(kOutput);
    effect.setParameter(kOutput, 0.5f);
    EXPECT_EQ(display(effect, kOutput), "050");
    effect.setParameter(kOutput, 1.0f);
    EXPECT_EQ(display(effect, kOutput), "200");
    EXPECT_FLOAT_EQ(effect.getParameter(kOutput), 1.0f);
}

}  // namespace
}  // namespace orv
