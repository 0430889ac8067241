// The host's audio entry: pieces of at most 1024 frames, events applied
// between pieces, suspended blocks left untouched, and the event list's
// bookkeeping across blocks.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "host/orv_vst.h"
#include "midi_events.h"
#include "stereo.h"

namespace {

// Two sines in, the outputs pre-filled.
struct Buffers {
    support::Stereo input, output;
    explicit Buffers(int n, float fill = 0.0f)
        : input(static_cast<std::size_t>(n)), output(static_cast<std::size_t>(n), fill, fill) {
        support::fillSines(input);
    }
    // Processes frames [from, from + n) of these buffers.
    void process(orvVst& e, int from, int n) {
        e.processReplacing(input.at(from), output.at(from), n);
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
        vsthost::MidiEventList events;
        events.add(delta, 0xB3, number, value);
        e.processEvents(events.events());
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
    EXPECT_EQ(one.output.l, three.output.l);
    EXPECT_EQ(one.output.r, three.output.r);
    other.process(c, 0, 512);
    other.process(c, 512, 2488);
    EXPECT_NE(one.output.l, other.output.l);
}

TEST_F(ProcessReplacing, ControllerTakesEffectAtItsDeltaFrame) {
    Buffers withEvent(256), split(256);
    sendController(a, 100, 20, 32);  // Output to 32 * 2/127
    withEvent.process(a, 0, 256);
    split.process(b, 0, 100);
    b.core().applyController(0xB0, 20, 32);
    split.process(b, 100, 156);
    EXPECT_EQ(withEvent.output.l, split.output.l);
    EXPECT_EQ(withEvent.output.r, split.output.r);
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
    for (float v : io.output.l) ASSERT_EQ(v, 7.0f);
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
    float* io[2] = {inPlace.input.l.data(), inPlace.input.r.data()};
    b.processReplacing(io, io, 2048);
    EXPECT_EQ(separate.output.l, inPlace.input.l);
    EXPECT_EQ(separate.output.r, inPlace.input.r);
}

TEST_F(ProcessReplacing, OddCallsAreHarmless) {
    Buffers io(16, 5.0f);
    a.processReplacing(io.input.ptr, io.output.ptr, 0);
    a.processReplacing(io.input.ptr, io.output.ptr, -5);
    a.processReplacing(nullptr, io.output.ptr, 16);
    float* missing[2] = {io.output.ptr[0], nullptr};
    a.processReplacing(io.input.ptr, missing, 16);
    for (float v : io.output.l) EXPECT_EQ(v, 5.0f);
}

TEST(ProcessBeforeConfiguration, WorksAtTheInitialRate) {
    orvVst fresh(nullptr);
    fresh.resume();
    Buffers io(4096);
    io.process(fresh, 0, 4096);
    double energy = 0;
    for (float v : io.output.l) {
        ASSERT_TRUE(std::isfinite(v));
        energy += v * v;
    }
    EXPECT_GT(energy, 0.0);
    orvVst configured(nullptr);
    configured.setSampleRate(44100.0f);
    configured.resume();
    Buffers same(4096);
    same.process(configured, 0, 4096);
    EXPECT_EQ(io.output.l, same.output.l);
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
    EXPECT_EQ(one.output.l, two.output.l);
}

}  // namespace
