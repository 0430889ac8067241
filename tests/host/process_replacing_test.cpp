// The host's audio entry: pieces of at most 1024 frames, events applied
// between pieces, suspended blocks left untouched, and the event list's
// bookkeeping across blocks.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "host/orv_vst.h"

namespace {

struct Buffers {
    std::vector<float> inL, inR, outL, outR;
    float* in[2];
    float* out[2];
    explicit Buffers(int n, float fill = 0.0f)
        : inL(static_cast<std::size_t>(n)), inR(static_cast<std::size_t>(n)),
          outL(static_cast<std::size_t>(n), fill), outR(static_cast<std::size_t>(n), fill) {
        for (int j = 0; j < n; ++j) {
            inL[j] = 0.4f * std::sin(0.013f * j);
            inR[j] = 0.3f * std::sin(0.021f * j + 1.0f);
        }
        in[0] = inL.data();
        in[1] = inR.data();
        out[0] = outL.data();
        out[1] = outR.data();
    }
    // Processes frames [from, from + n) of these buffers.
    void process(orvVst& e, int from, int n) {
        float* i[2] = {in[0] + from, in[1] + from};
        float* o[2] = {out[0] + from, out[1] + from};
        e.processReplacing(i, o, n);
    }
};

class ProcessReplacing : public ::testing::Test {
protected:
    orvVst a{nullptr};
    orvVst b{nullptr};
    ProcessReplacing() {
        for (orvVst* e : {&a, &b}) {
            e->setSampleRate(48000.0f);
            e->resume();
        }
    }
    void sendController(orvVst& e, int delta, int number, int value) {
        VstMidiEvent midi{};
        midi.type = kVstMidiType;
        midi.deltaFrames = delta;
        midi.midiData[0] = static_cast<char>(0xB3);
        midi.midiData[1] = static_cast<char>(number);
        midi.midiData[2] = static_cast<char>(value);
        VstEvents events{};
        events.numEvents = 1;
        events.events[0] = reinterpret_cast<VstEvent*>(&midi);
        e.processEvents(&events);
    }
};

TEST_F(ProcessReplacing, LongBlocksAreProcessedInPiecesOf1024) {
    // A gain change ramps over exactly one piece, so the piece lengths show
    // in the output.
    orvVst c(nullptr);
    c.setSampleRate(48000.0f);
    c.resume();
    Buffers warmUp(64);
    for (orvVst* e : {&a, &b, &c}) {
        warmUp.process(*e, 0, 64);
        e->setParameter(6, 1.0f);
    }
    Buffers one(3000), three(3000), other(3000);
    one.process(a, 0, 3000);
    three.process(b, 0, 1024);
    three.process(b, 1024, 1024);
    three.process(b, 2048, 952);
    EXPECT_EQ(one.outL, three.outL);
    EXPECT_EQ(one.outR, three.outR);
    other.process(c, 0, 512);
    other.process(c, 512, 2488);
    EXPECT_NE(one.outL, other.outL);
}

TEST_F(ProcessReplacing, ControllerTakesEffectAtItsDeltaFrame) {
    Buffers withEvent(256), split(256);
    sendController(a, 100, 20, 32);  // Output to 32 * 2/127
    withEvent.process(a, 0, 256);
    split.process(b, 0, 100);
    b.core().applyController(0xB0, 20, 32);
    split.process(b, 100, 156);
    EXPECT_EQ(withEvent.outL, split.outL);
    EXPECT_EQ(withEvent.outR, split.outR);
    EXPECT_EQ(a.storedEventCount(), 0);
    EXPECT_FLOAT_EQ(a.core().state().output, 32 * 0.015748031f);
}

TEST_F(ProcessReplacing, EventsAtOrBeyondTheEndAllTakeEffectThere) {
    sendController(a, 256, 20, 10);
    sendController(a, 5000, 20, 64);
    sendController(a, 300, 21, 0);
    Buffers io(256);
    io.process(a, 0, 256);
    EXPECT_EQ(a.storedEventCount(), 0);
    EXPECT_FLOAT_EQ(a.core().state().output, 64 * 0.015748031f);
    EXPECT_EQ(a.core().state().bit, 1);
}

TEST_F(ProcessReplacing, SuspendedWritesNothingAndKeepsEvents) {
    a.suspend();
    Buffers io(512, 7.0f);
    io.process(a, 0, 512);
    for (float v : io.outL) ASSERT_EQ(v, 7.0f);
    a.resume();
    sendController(a, 10, 20, 0);
    a.suspend();
    io.process(a, 0, 512);
    EXPECT_EQ(a.storedEventCount(), 1);
    a.resume();
    io.process(a, 0, 512);
    EXPECT_EQ(a.storedEventCount(), 0);
    EXPECT_EQ(a.core().state().output, 0.0f);
}

TEST_F(ProcessReplacing, InPlaceBuffersGiveTheSameOutput) {
    Buffers separate(2048), inPlace(2048);
    separate.process(a, 0, 2048);
    float* io[2] = {inPlace.inL.data(), inPlace.inR.data()};
    b.processReplacing(io, io, 2048);
    EXPECT_EQ(separate.outL, inPlace.inL);
    EXPECT_EQ(separate.outR, inPlace.inR);
}

TEST_F(ProcessReplacing, OddCallsAreHarmless) {
    Buffers io(16, 5.0f);
    a.processReplacing(io.in, io.out, 0);
    a.processReplacing(io.in, io.out, -5);
    a.processReplacing(nullptr, io.out, 16);
    float* missing[2] = {io.out[0], nullptr};
    a.processReplacing(io.in, missing, 16);
    for (float v : io.outL) EXPECT_EQ(v, 5.0f);
}

TEST(ProcessBeforeConfiguration, WorksAtTheInitialRate) {
    orvVst fresh(nullptr);
    fresh.resume();
    Buffers io(4096);
    io.process(fresh, 0, 4096);
    double energy = 0;
    for (float v : io.outL) {
        ASSERT_TRUE(std::isfinite(v));
        energy += v * v;
    }
    EXPECT_GT(energy, 0.0);
    orvVst configured(nullptr);
    configured.setSampleRate(44100.0f);
    configured.resume();
    Buffers same(4096);
    same.process(configured, 0, 4096);
    EXPECT_EQ(io.outL, same.outL);
}

TEST(SampleRate, NonsenseRatesAreIgnored) {
    orvVst e(nullptr);
    e.setSampleRate(0.0f);
    e.setSampleRate(-48000.0f);
    e.setSampleRate(std::nanf(""));
    EXPECT_EQ(e.core().sampleRate, 44100.0f);
    e.setSampleRate(96000.0f);
    EXPECT_EQ(e.core().sampleRate, 96000.0f);
    EXPECT_EQ(e.getSampleRate(), 96000.0f);
}

}  // namespace

namespace {

// The block-size handler (no host opcode reaches it) rebuilds the buffers
// and makes pieces of the new size.
TEST(BlockSizeHandler, PiecesFollowTheNewSize) {
    orvVst a(nullptr), b(nullptr);
    for (orvVst* e : {&a, &b}) {
        e->setSampleRate(48000.0f);
        e->changeBlockSize(256);
        e->resume();
        Buffers warmUp(32);
        warmUp.process(*e, 0, 32);
        e->setParameter(6, 1.0f);
    }
    EXPECT_EQ(a.core().blockSize, 256);
    EXPECT_EQ(a.getBlockSize(), 256);
    Buffers one(512), two(512);
    one.process(a, 0, 512);
    two.process(b, 0, 256);
    two.process(b, 256, 256);
    EXPECT_EQ(one.outL, two.outL);
}

}  // namespace
