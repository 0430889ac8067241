// The parameter set path: mappings, derived values, Link coupling, the
// sections each parameter redesigns, and the MIDI controllers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "core/effect_core.h"

namespace orv {
namespace {

class SetPath : public ::testing::Test {
protected:
    EffectCore core;
    SetPath() {
        core.setPluginLayerDefaults(44100.0f, 1024);
        core.configureEffect();
    }
    const StateBlock& s() const { return core.state(); }
    float channel(int slot, int k) const { return s().channel[slot][k]; }
};

TEST_F(SetPath, ModeOutputBit) {
    core.setParameterValue(kMode, 0.75f);
    EXPECT_EQ(s().mode, 2);
    EXPECT_STREQ(core.panel.paramControls[kMode].text, "to M/S");
    EXPECT_TRUE(isDirty(core.panel.paramControls[kMode]));
    core.setParameterValue(kMode, 1.0f);
    EXPECT_EQ(s().mode, 3);
    core.setParameterValue(kMode, 0.26f);
    EXPECT_EQ(s().mode, 1);
    core.setParameterValue(kOutput, 0.5f);
    EXPECT_FLOAT_EQ(s().output, 0.5f);
    core.setParameterValue(kOutput, 1.0f);
    EXPECT_FLOAT_EQ(s().output, 2.0f);
    core.setParameterValue(kOutput, 0.0f);
    EXPECT_EQ(s().output, 0.0f);
    core.setParameterValue(kBit, 0.0f);
    EXPECT_EQ(s().bit, 1);
    EXPECT_EQ(core.dsp->settings().quantScale, 2.0f);
    core.setParameterValue(kBit, 1.0f);
    EXPECT_EQ(s().bit, 12);
    EXPECT_EQ(core.dsp->settings().quantScaleReciprocal, 1.0f / 4096.0f);
}

TEST_F(SetPath, SampleSetsHoldPeriodAndLowPass) {
    core.setParameterValue(kSample, 0.0f);
    EXPECT_EQ(s().sample, 1);
    core.setParameterValue(kSample, 1.0f);
    EXPECT_EQ(s().sample, 192);
    EXPECT_EQ(core.dsp->settings().holdPeriod, 1);  // int(0.23) raised to 1
    // x for Sample 22 and 23 kHz: x^2 * 191.9 + 1 just above the integer.
    core.setParameterValue(kSample, std::sqrt(21.05f / 191.9f));
    EXPECT_EQ(s().sample, 22);
    EXPECT_EQ(core.dsp->settings().holdPeriod, 2);
    EXPECT_EQ(core.dsp->settings().holdCounter, 2);
    EXPECT_FLOAT_EQ(core.dsp->settings().holdPeriodReciprocal, 0.5f);
    EXPECT_EQ(core.dsp->settings().sections[0].lowPass.freq, 11000.0f);
    EXPECT_EQ(core.dsp->settings().sections[1].lowPass.freq, 11000.0f);
    core.setParameterValue(kSample, std::sqrt(22.05f / 191.9f));
    EXPECT_EQ(s().sample, 23);
    EXPECT_EQ(core.dsp->settings().holdPeriod, 1);
}

TEST_F(SetPath, AutoWindowHasTheBlockMinimum) {
    core.setParameterValue(kAuto, 0.01f);  // int(1.009) = 1 ms = 44 samples
    EXPECT_EQ(s().autoMs, 1);
    EXPECT_EQ(core.dsp->settings().autoWindow, 1024);
    core.setParameterValue(kAuto, 0.5f);
    EXPECT_EQ(s().autoMs, 50);
    EXPECT_EQ(core.dsp->settings().autoWindow, 2205);
    core.setParameterValue(kAuto, 0.0f);
    EXPECT_EQ(core.dsp->settings().autoWindow, 0);
}

TEST_F(SetPath, WidthsAndSwitches) {
    core.setParameterValue(channelParamIndex(0, kSlotPeakWidth), 0.0f);
    EXPECT_FLOAT_EQ(channel(kSlotPeakWidth, 0), 0.1f);
    core.setParameterValue(channelParamIndex(0, kSlotPeakWidth), 1.0f);
    EXPECT_FLOAT_EQ(channel(kSlotPeakWidth, 0), 4.0f);
    core.setParameterValue(kInt, 0.5f);
    EXPECT_EQ(s().interpolate, 0);
    EXPECT_STREQ(core.panel.paramControls[kInt].text, "OFF");
    core.setParameterValue(kBypass, 0.51f);
    EXPECT_EQ(s().bypass, 1);
    EXPECT_STREQ(core.panel.paramControls[kBypass].text, "ON");
    EXPECT_FALSE(isDirty(core.panel.paramControls[kBypass]));
}

TEST_F(SetPath, HostValuesOutsideTheRangeAreClamped) {
    core.setParameterValue(kMode, 7.0f);
    EXPECT_EQ(s().mode, 3);
    core.setParameterValue(kSample, -3.0f);
    EXPECT_EQ(s().sample, 1);
    core.setParameterValue(kBit, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(s().bit, 1);
    core.setParameterValue(kAuto, std::numeric_limits<float>::infinity());
    EXPECT_EQ(s().autoMs, 100);
    const StateBlock before = s();
    core.setParameterValue(26, 0.5f);
    core.setParameterValue(-1, 0.5f);
    EXPECT_EQ(std::memcmp(&before, &s(), sizeof before), 0);
}

TEST_F(SetPath, LinkCouplesBothChannelsAndMarksBothControls) {
    const int sHighShelfGain = channelParamIndex(1, kSlotHighShelfGain);
    const float mB0 = core.dsp->settings().sections[0].highShelf.b0;
    core.setParameterValue(sHighShelfGain, 1.0f);
    EXPECT_EQ(channel(kSlotHighShelfGain, 0), 40.0f);
    EXPECT_EQ(channel(kSlotHighShelfGain, 1), 40.0f);
    EXPECT_EQ(core.dsp->settings().sections[0].highShelf.gainDb, 40.0f);
    EXPECT_EQ(core.dsp->settings().sections[1].highShelf.gainDb, 40.0f);
    EXPECT_NE(core.dsp->settings().sections[0].highShelf.b0, mB0);
    EXPECT_TRUE(isDirty(core.panel.paramControls[14]));
    EXPECT_TRUE(isDirty(core.panel.paramControls[23]));
}

TEST_F(SetPath, WithoutLinkOnlyTheSetChannelChanges) {
    core.setParameterValue(kLink, 0.0f);
    const BiquadSection mBefore = core.dsp->settings().sections[0].highShelf;
    core.setParameterValue(channelParamIndex(1, kSlotHighShelfGain), 1.0f);
    EXPECT_EQ(channel(kSlotHighShelfGain, 0), 0.0f);
    EXPECT_EQ(channel(kSlotHighShelfGain, 1), 40.0f);
    EXPECT_EQ(core.dsp->settings().sections[0].highShelf.b0, mBefore.b0);
    EXPECT_EQ(core.dsp->settings().sections[1].highShelf.gainDb, 40.0f);
    EXPECT_FALSE(isDirty(core.panel.paramControls[14]));
    EXPECT_FALSE(isDirty(core.panel.paramControls[23]));
}

TEST_F(SetPath, EachEqualiserParameterRedesignsItsOwnSection) {
    core.setParameterValue(kLink, 0.0f);
    const auto before = core.dsp->settings().sections[0];
    core.setParameterValue(channelParamIndex(0, kSlotPeakFreq), 0.5f);
    EXPECT_FLOAT_EQ(core.dsp->settings().sections[0].peaking.freq, 0.25f * 19990.0f + 10.0f);
    EXPECT_NE(core.dsp->settings().sections[0].peaking.a1, before.peaking.a1);
    EXPECT_EQ(core.dsp->settings().sections[0].lowShelf.a1, before.lowShelf.a1);
    EXPECT_EQ(core.dsp->settings().sections[0].highShelf.a1, before.highShelf.a1);
    core.setParameterValue(channelParamIndex(0, kSlotLowShelfFreq), 1.0f);
    EXPECT_EQ(core.dsp->settings().sections[0].lowShelf.freq, 1500.0f);
    core.setParameterValue(channelParamIndex(0, kSlotPeakWidth), 1.0f);
    EXPECT_FLOAT_EQ(core.dsp->settings().sections[0].peaking.q, 4.0f);
    core.setParameterValue(channelParamIndex(0, kSlotGain), 1.0f);
    EXPECT_EQ(channel(kSlotGain, 0), 4.0f);
}

TEST_F(SetPath, Controllers) {
    EXPECT_EQ(core.applyController(0xB0, 22, 121), 1);
    EXPECT_EQ(s().sample, 128);
    EXPECT_EQ(core.applyController(0xB0, 22, 127), 1);
    EXPECT_EQ(s().sample, 192);
    const float lowPassBefore = core.dsp->settings().sections[0].lowPass.freq;
    EXPECT_EQ(core.applyController(0xB0, 22, 0), 1);
    EXPECT_EQ(s().sample, 0);
    EXPECT_EQ(core.dsp->settings().holdPeriod, 1);
    EXPECT_EQ(core.dsp->settings().sections[0].lowPass.freq, lowPassBefore);
    core.applyController(0xB0, 20, 127);
    EXPECT_FLOAT_EQ(s().output, 2.0f);
    core.applyController(0xB0, 21, 127);
    EXPECT_EQ(s().bit, 12);
    core.applyController(0xB0, 21, 0);
    EXPECT_EQ(s().bit, 1);
    EXPECT_EQ(core.dsp->settings().quantScale, 2.0f);
    core.applyController(0xB0, 23, 127);
    EXPECT_FLOAT_EQ(channel(kSlotGain, 0), 4.0f);
    EXPECT_EQ(channel(kSlotGain, 1), 1.0f);  // no Link coupling for controllers
    core.applyController(0xB0, 24, 0);
    EXPECT_EQ(channel(kSlotGain, 1), 0.0f);
}

TEST_F(SetPath, ControllersOnOtherChannelsAndOtherMessages) {
    EXPECT_EQ(core.applyController(0xB0 | 9, 20, 0), 1);
    EXPECT_EQ(s().output, 0.0f);
    EXPECT_EQ(core.applyController(0xB0, 20, 0), 0);  // unchanged value: nothing to redraw
    const StateBlock before = s();
    EXPECT_EQ(core.applyController(0x90, 20, 100), 0);
    EXPECT_EQ(core.applyController(0xB0, 25, 100), 0);
    EXPECT_EQ(core.applyController(0xB0, 7, 100), 0);
    EXPECT_EQ(std::memcmp(&before, &s(), sizeof before), 0);
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// The formats' hosts hold every value themselves: what they set is taken
// as given, whatever Link says; where a person acts (a gain controller),
// Link couples.
TEST_F(SetPath, HostValuesAreTakenAsGivenAndGainControllersFollowLink) {
    const int mLowShelfGain = channelParamIndex(0, 3), sLowShelfGain = channelParamIndex(1, 3);
    core.setHostValue(sLowShelfGain, 16.0);
    EXPECT_EQ(storedValue(s(), sLowShelfGain), 16.0);
    EXPECT_EQ(storedValue(s(), mLowShelfGain), 0.0);  // Link is on, yet M keeps its value
    EXPECT_EQ(core.dsp->settings().sections[1].lowShelf.gainDb, 16.0f);
    EXPECT_EQ(core.dsp->settings().sections[0].lowShelf.gainDb, 0.0f);

    EXPECT_EQ(core.applyControllerFollowingLink(0xB0, 23, 64) & 1, 1);
    EXPECT_FLOAT_EQ(channel(kSlotGain, 0), 64 * 4.0f / 127);
    EXPECT_EQ(channel(kSlotGain, 1), channel(kSlotGain, 0));
    EXPECT_EQ(core.applyControllerFollowingLink(0xB0, 20, 10) & 1, 1);  // Output: no partner
    core.setHostValue(kLink, 0.0);
    core.applyControllerFollowingLink(0xB0, 24, 0);
    EXPECT_EQ(channel(kSlotGain, 1), 0.0f);
    EXPECT_FLOAT_EQ(channel(kSlotGain, 0), 64 * 4.0f / 127);
}

}  // namespace
}  // namespace orv
