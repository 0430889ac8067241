// The one audio entry: a block split at its MIDI messages sounds as the
// same pieces run by hand around the same controller changes; messages past
// the end take effect there; a suspended effect keeps its messages for the
// next block; Link decides which parameters a gain controller moves.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/audio_entry.h"
#include "stereo.h"

namespace orv {
namespace {

using support::Stereo;

constexpr int kFrames = 3000;

class AudioEntry : public ::testing::Test {
protected:
    EffectCore core;
    AudioHandshake handshake;
    AudioEntry() {
        core.setPluginLayerDefaults(48000.0f, kCoreBlockSize);
        core.configureEffect();
    }
    BlockOutcome run(Stereo& io, const std::vector<MidiMessage>& messages, ControllerLink link,
                     const std::atomic<bool>* suspended = nullptr) {
        const HostBlock block{io.input(), io.ptr, static_cast<std::int32_t>(io.frames()), messages.data(),
                              static_cast<std::int32_t>(messages.size())};
        return processHostBlock(core, handshake, block, link, suspended);
    }
};

Stereo testSignal() {
    Stereo s(kFrames);
    std::mt19937 random(3);
    support::fillTestSignal(s, random);
    return s;
}

TEST_F(AudioEntry, ControllersTakeEffectAtTheirFramesAndPastTheEndAtTheEnd) {
    Stereo viaEntry = testSignal();
    const BlockOutcome outcome =
        run(viaEntry, {{1500, {0xB0, 20, 30}}, {1500, {0xF8, 0, 0}}, {900000, {0xB1, 21, 0}}},
            ControllerLink::StoredValueOnly);
    EXPECT_EQ(outcome.messagesTaken, 3);
    EXPECT_TRUE(outcome.changed[kOutput] && outcome.changed[kBit]);
    EXPECT_EQ(core.state().bit, 1);

    EffectCore byHand;
    byHand.setPluginLayerDefaults(48000.0f, kCoreBlockSize);
    byHand.configureEffect();
    Stereo expected = testSignal();
    for (const auto& [from, to] : {std::pair{0, 1024}, std::pair{1024, 1500}, std::pair{1500, 2524},
                                   std::pair{2524, kFrames}}) {
        if (from == 1500) byHand.applyController(0xB0, 20, 30);
        byHand.processBlock(expected.input(from), expected.at(from), to - from);
    }
    EXPECT_EQ(viaEntry.l, expected.l);
    EXPECT_EQ(viaEntry.r, expected.r);
}

TEST_F(AudioEntry, ASuspendedEffectKeepsItsMessagesAndBuffersMissingDoNothing) {
    std::atomic<bool> suspended{true};
    Stereo io = testSignal();
    const Stereo before = io;
    EXPECT_EQ(run(io, {{10, {0xB0, 20, 0}}}, ControllerLink::StoredValueOnly, &suspended).messagesTaken, 0);
    EXPECT_EQ(io.l, before.l);
    EXPECT_EQ(core.state().output, 1.0f);

    const float* in[2] = {io.l.data(), nullptr};
    const MidiMessage message{10, {0xB0, 20, 0}};
    const HostBlock broken{in, io.ptr, kFrames, &message, 1};
    EXPECT_EQ(processHostBlock(core, handshake, broken, ControllerLink::StoredValueOnly, nullptr).messagesTaken, 0);
    EXPECT_EQ(core.state().output, 1.0f);
}

TEST_F(AudioEntry, GainControllersFollowLinkOnlyWhereAsked) {
    Stereo io(64);
    BlockOutcome vst2 = run(io, {{0, {0xB0, 23, 64}}}, ControllerLink::StoredValueOnly);
    EXPECT_TRUE(vst2.changed[kMGain]);
    EXPECT_FALSE(vst2.changed[kSGain]);
    EXPECT_NE(core.state().channel[kSlotGain][0], core.state().channel[kSlotGain][1]);

    BlockOutcome formats = run(io, {{0, {0xB0, 24, 100}}}, ControllerLink::FollowLink);
    EXPECT_TRUE(formats.changed[kSGain] && formats.changed[kMGain]);
    EXPECT_EQ(core.state().channel[kSlotGain][0], core.state().channel[kSlotGain][1]);
}

}  // namespace
}  // namespace orv
