// The chain's stages through the reference engine (gain ramps, the mode
// matrices, the Sample/Bit stage, the clip guard and Comp), the engine's own
// paths (Bypass, rate changes, broken input), and the engine's fused loop
// against the reference, bit for bit.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "dsp/dsp_engine.h"
#include "dsp/reference_engine.h"
#include "stereo.h"

namespace orv {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr float kRate = 48000.0f;

using support::Stereo;

// The effect's defaults as engineering values.
StateBlock defaultState() {
    StateBlock s{};
    s.output = 1.0f;
    s.bit = 12;
    s.sample = 192;
    s.autoMs = 50;
    s.interpolate = 1;
    s.link = 1;
    const float channel[kChannelSlots] = {1.0f, 0.0f, 100.0f, 0.0f, 1000.0f, 1.0f, 0.0f, 2000.0f, 0.0f};
    for (int slot = 0; slot < kChannelSlots; ++slot) s.channel[slot][0] = s.channel[slot][1] = channel[slot];
    return s;
}

// An engine of either kind at the defaults, configured as the effect does.
template <class Engine>
void configureAtDefaults(Engine& e, float fs = kRate) {
    e.apply(defaultState(), kDeriveEverything);
    e.configure(fs, kCoreBlockSize);
}

template <class Engine, class F>
void change(Engine& e, unsigned derive, F&& f) {
    StateBlock s = e.settings().state;
    f(s);
    e.apply(s, derive);
}

class Stages : public ::testing::Test {
protected:
    ReferenceEngine ref{kRate, kCoreBlockSize};
    Stages() { configureAtDefaults(ref); }

    // Exact identity sections, so the decoder shows the gains themselves.
    void makeEqualiserTransparent() {
        for (ChannelSections& c : ref.settings().sections)
            for (BiquadSection* s : {&c.lowShelf, &c.highShelf, &c.peaking}) {
                s->b0 = 1;
                s->b1 = s->b2 = s->a1 = s->a2 = 0;
            }
    }
    void set(unsigned derive, void (*f)(StateBlock&)) { change(ref, derive, f); }
    // Runs the input stage on constant inputs; the result is the decoder's output.
    Stereo decoded(float l, float r, int n = 16) {
        Stereo in(n, l, r);
        Stereo out(n);
        ref.inputStage(in.input(), out.ptr, n);
        return out;
    }
};

TEST_F(Stages, ModeMatricesAtTheDecodersOutput) {
    set(0, [](StateBlock& s) { s.mode = kToMidSide; });
    Stereo a = decoded(1.0f, 1.0f);
    EXPECT_NEAR(a.l[8], 1.0f, 1e-5f);
    EXPECT_NEAR(a.r[8], 0.0f, 1e-6f);
    set(0, [](StateBlock& s) { s.mode = kFromMidSide; });
    Stereo b = decoded(1.0f, 0.0f);
    EXPECT_NEAR(b.l[8], 1.0f, 1e-5f);
    EXPECT_NEAR(b.r[8], 1.0f, 1e-5f);
    set(0, [](StateBlock& s) { s.mode = kMidSide; });  // with a flat equaliser gives the input back
    Stereo c = decoded(0.8f, -0.3f);
    EXPECT_NEAR(c.l[8], 0.8f, 1e-5f);
    EXPECT_NEAR(c.r[8], -0.3f, 1e-5f);
    set(0, [](StateBlock& s) { s.mode = 200; });  // past the last mode: from M/S
    Stereo d = decoded(1.0f, 0.0f);
    EXPECT_NEAR(d.r[8], 1.0f, 1e-5f);
}

TEST_F(Stages, GainChangeRampsOverOnePiece) {
    decoded(1.0f, 1.0f, 4);  // the ramps start from the gains in force
    set(0, [](StateBlock& s) { s.channel[kSlotGain][0] = 2.0f; });
    makeEqualiserTransparent();
    Stereo first = decoded(1.0f, 1.0f, 4);
    EXPECT_EQ(first.l, (std::vector<float>{1.0f, 1.25f, 1.5f, 1.75f}));
    Stereo next = decoded(1.0f, 1.0f, 4);
    for (float v : next.l) EXPECT_EQ(v, 2.0f);
}

TEST_F(Stages, FirstPieceStartsFromTheGainsInForce) {
    set(0, [](StateBlock& s) { s.channel[kSlotGain][0] = 4.0f; });
    makeEqualiserTransparent();
    Stereo out = decoded(0.25f, 0.25f, 4);
    for (float v : out.l) EXPECT_EQ(v, 1.0f);
}

TEST_F(Stages, QuantiserSteps) {
    set(kDeriveQuantisation, [](StateBlock& s) { s.bit = 1; });
    EXPECT_EQ(ref.settings().quantise(0.7f), 0.5f);
    EXPECT_EQ(ref.settings().quantise(-0.7f), -0.5f);
    set(kDeriveQuantisation, [](StateBlock& s) { s.bit = 12; });
    EXPECT_EQ(ref.settings().quantise(0.1f), 409.0f / 4096.0f);
    // Far beyond any audio level and not a number: defined results.
    EXPECT_EQ(ref.settings().quantise(1e30f), 1e30f);
    EXPECT_EQ(ref.settings().quantise(std::numeric_limits<float>::quiet_NaN()), 0.0f);
    set(kDeriveQuantisation, [](StateBlock& s) { s.bit = 23; });
    EXPECT_EQ(ref.settings().quantise(0.123456789f), 0.123456789f);
}

TEST_F(Stages, HoldWithoutInterpolationIsAStaircaseOfThreeSamples) {
    set(kDeriveHoldPeriod | kDeriveQuantisation, [](StateBlock& s) {
        s.sample = 24;  // at 48 kHz
        s.interpolate = 0;
        s.bit = 23;
    });
    ASSERT_EQ(ref.settings().holdPeriod, 2);
    Stereo io(12);
    for (int j = 0; j < 12; ++j) io.l[j] = io.r[j] = static_cast<float>(j + 1);
    ref.sampleAndHold(io.ptr, 12);
    // Captures at 0, 3, 6, 9; the output follows one cycle late.
    const float expected[12] = {0, 0, 0, 1, 1, 1, 4, 4, 4, 7, 7, 7};
    for (int j = 0; j < 12; ++j) EXPECT_EQ(io.l[j], expected[j]) << j;
}

TEST_F(Stages, InterpolationRunsFromThePreviousCapture) {
    set(kDeriveHoldPeriod | kDeriveQuantisation, [](StateBlock& s) {
        s.sample = 12;  // holdPeriod 4
        s.interpolate = 1;
        s.bit = 23;
    });
    ASSERT_EQ(ref.settings().holdPeriod, 4);
    Stereo io(10);
    for (int j = 0; j < 10; ++j) io.l[j] = io.r[j] = j < 5 ? 1.0f : 3.0f;
    ref.sampleAndHold(io.ptr, 10);
    // Second cycle: previous 1, current 3, t = -0.25, 0, 0.25, 0.5, 0.75.
    const float t[5] = {-0.25f, 0.0f, 0.25f, 0.5f, 0.75f};
    for (int i = 0; i < 5; ++i) EXPECT_FLOAT_EQ(io.l[5 + i], 1.0f + 2.0f * t[i]) << i;
}

TEST_F(Stages, HalfWaveAboveFullScaleLeavesAtPeak099AfterTheWindow) {
    const int window = ref.settings().autoWindow;  // 50 ms at 48 kHz
    ASSERT_EQ(window, 2400);
    const int half = 200;
    const int total = window + 4 * half;
    std::vector<float> x(static_cast<std::size_t>(total), 0.0f);
    for (int i = 0; i < 10; ++i) x[i] = -0.01f;  // a crossing opens the first half-wave
    // A slow half-sine of peak 1.5 (within the slope limit), then one of 0.9.
    for (int i = 0; i < half; ++i) x[10 + i] = 1.5f * std::sin(kPi * (i + 0.5) / half);
    for (int i = 0; i < half; ++i) x[10 + half + i] = -0.9f * std::sin(kPi * (i + 0.5) / half);
    std::vector<float> y = x;
    for (int start = 0; start < total; start += 1000)
        ref.guardClips(0, y.data() + start, std::min(1000, total - start));
    float firstPeak = 0;
    for (int i = 0; i < half; ++i) {
        firstPeak = std::max(firstPeak, std::fabs(y[window + 10 + i]));
        // The same shape, scaled.
        ASSERT_NEAR(y[window + 10 + i], x[10 + i] * 0.99f / 1.5f, 1e-4f);
        // The second half-wave never exceeded full scale and leaves unchanged.
        ASSERT_EQ(y[window + 10 + half + i], x[10 + half + i]);
    }
    EXPECT_NEAR(firstPeak, 0.99f, 1e-4f);
    for (int i = 0; i < window; ++i) ASSERT_EQ(y[i], 0.0f);
}

TEST_F(Stages, SlopeLimit) {
    std::vector<float> y(4096, 1.0f);
    y[0] = 0.0f;
    ref.guardClips(0, y.data(), 4096);
    const int window = ref.settings().autoWindow;
    EXPECT_EQ(y[window], 0.0f);
    EXPECT_FLOAT_EQ(y[window + 1], 0.675f);
}

TEST_F(Stages, SlopeLimitNeverRunsAway) {
    std::vector<float> y(8192);
    for (std::size_t i = 0; i < y.size(); ++i) y[i] = (i % 2 ? -4.1f : 4.1f);
    for (int start = 0; start < 8192; start += 1024) ref.guardClips(0, y.data() + start, 1024);
    for (float v : y) ASSERT_LE(std::fabs(v), 4.1f);
    std::vector<float> loud(4096);
    for (std::size_t i = 0; i < loud.size(); ++i) loud[i] = (i % 2 ? -5.0f : 5.0f);
    ref.guardClips(1, loud.data(), 1024);
    for (float v : loud) ASSERT_TRUE(std::isfinite(v));
}

TEST_F(Stages, CompAndOutput) {
    set(kDeriveAutoWindow | kDeriveQuantisation, [](StateBlock& s) {
        s.autoMs = 0;
        s.bit = 23;
        s.channel[kSlotComp][0] = 1.0f;
        s.channel[kSlotComp][1] = 0.0f;
        s.output = 0.5f;
    });
    // Take the low-pass out of the way to see the Comp step alone.
    for (ChannelSections& c : ref.settings().sections) {
        c.lowPass.b0 = 1;
        c.lowPass.b1 = c.lowPass.b2 = c.lowPass.a1 = c.lowPass.a2 = 0;
    }
    Stereo io(3);
    io.l = {0.5f, 1.0f, -0.5f};
    io.r = {0.5f, 1.0f, -0.5f};
    ref.outputStage(io.ptr, 3);
    EXPECT_FLOAT_EQ(io.l[0], 0.75f * 0.5f);
    EXPECT_FLOAT_EQ(io.l[1], 1.0f * 0.5f);
    EXPECT_FLOAT_EQ(io.l[2], -0.75f * 0.5f);
    EXPECT_FLOAT_EQ(io.r[0], 0.25f);
    EXPECT_FLOAT_EQ(io.r[1], 0.5f);
}

TEST(ChainSettings, WindowHasTheBlockMinimumOnlyWhenAutoIsSet) {
    ChainSettings cs(kRate, kCoreBlockSize);
    StateBlock s = defaultState();
    s.autoMs = 1;
    cs.apply(s, kDeriveAutoWindow);
    EXPECT_EQ(cs.autoWindow, 1024);
    cs.configure(kRate, kCoreBlockSize);
    EXPECT_EQ(cs.autoWindow, 48);
}

TEST(ChainSettings, RateChangeMovesTheLowPassWithSampleAgain) {
    ChainSettings cs(44100.0f, kCoreBlockSize);
    cs.apply(defaultState(), kDeriveEverything);
    cs.configure(44100.0f, kCoreBlockSize);
    EXPECT_FLOAT_EQ(cs.sections[0].lowPass.freq, 0.49f * 44100.0f);
    cs.configure(96000.0f, kCoreBlockSize);
    EXPECT_FLOAT_EQ(cs.sections[0].lowPass.freq, 0.49f * 96000.0f);
    cs.configure(384000.0f, kCoreBlockSize);
    EXPECT_EQ(cs.sections[1].lowPass.freq, 96000.0f);
}

TEST(Engine, BypassKeepsTheMatrixAndOutputOnly) {
    DspEngine e(kRate, kCoreBlockSize);
    configureAtDefaults(e);
    change(e, kDeriveEverything, [](StateBlock& s) {
        s.bypass = 1;
        s.output = 0.25f;
        s.mode = kToMidSide;
        s.channel[kSlotGain][0] = 4.0f;
        s.channel[kSlotLowShelfGain][0] = 40.0f;
        s.bit = 1;
        s.sample = 1;
    });
    Stereo io(64, 0.6f, 0.2f);
    e.processBlock(io.input(), io.ptr, 64);
    for (int j = 0; j < 64; ++j) {
        EXPECT_EQ(io.l[j], (0.2f + 0.6f) * 1.0f * 0.5f * 0.25f);
        EXPECT_EQ(io.r[j], (0.6f - 0.2f) * 1.0f * 0.5f * 0.25f);
    }
}

TEST(Engine, AutoOffMeansNoDelay) {
    DspEngine e(kRate, kCoreBlockSize);
    configureAtDefaults(e);
    change(e, kDeriveAutoWindow, [](StateBlock& s) { s.autoMs = 0; });
    Stereo io(256, 0.5f, 0.5f);
    e.processBlock(io.input(), io.ptr, 256);
    EXPECT_NE(io.l[0], 0.0f);
}

TEST(Engine, NonFiniteInputIsSilenceAndRecoversWithinABlock) {
    DspEngine e(kRate, kCoreBlockSize);
    configureAtDefaults(e);
    Stereo bad(1024, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity());
    e.processBlock(bad.input(), bad.ptr, 1024);
    for (int j = 0; j < 1024; ++j) ASSERT_TRUE(std::isfinite(bad.l[j]) && std::isfinite(bad.r[j]));
    Stereo good(1024);
    for (int j = 0; j < 1024; ++j) good.l[j] = good.r[j] = 0.5f * std::sin(0.05f * j);
    e.processBlock(good.input(), good.ptr, 1024);
    for (int j = 0; j < 1024; ++j) ASSERT_TRUE(std::isfinite(good.l[j]) && std::isfinite(good.r[j]));
}

TEST(Engine, OverflowingEqualiserIsResetAndSoundsAgain) {
    DspEngine e(kRate, kCoreBlockSize);
    configureAtDefaults(e);
    change(e, kDeriveEverything, [](StateBlock& s) {
        s.autoMs = 0;
        s.channel[kSlotGain][0] = 4.0f;
        for (int slot : {kSlotLowShelfGain, kSlotPeakGain, kSlotHighShelfGain}) s.channel[slot][0] = 40.0f;
    });
    Stereo huge(1024, 3e38f, -3e38f);
    e.processBlock(huge.input(), huge.ptr, 1024);
    Stereo quiet(1024, 0.01f, 0.01f);
    e.processBlock(quiet.input(), quiet.ptr, 1024);
    for (float v : quiet.l) ASSERT_TRUE(std::isfinite(v));
    EXPECT_NE(quiet.l[1023], 0.0f);
}

TEST(Engine, SmallerRingsAfterARateChangeAreIndexedInside) {
    DspEngine e(384000.0f, kCoreBlockSize);
    configureAtDefaults(e, 384000.0f);
    Stereo io(1024, 0.3f, -0.3f);
    for (int i = 0; i < 40; ++i) e.processBlock(io.input(), io.ptr, 1024);
    e.configure(8000.0f, kCoreBlockSize);
    for (int i = 0; i < 4; ++i) e.processBlock(io.input(), io.ptr, 1024);
    for (float v : io.l) ASSERT_TRUE(std::isfinite(v));
}

// A random setting within the parameters' ranges, now and then a word
// length only a loaded state holds (no quantisation).
StateBlock randomState(std::mt19937& random, int round) {
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const auto in = [&](float lo, float hi) { return lo + (hi - lo) * unit(random); };
    StateBlock s = defaultState();
    s.mode = static_cast<std::uint8_t>(round % 4);
    s.output = in(0.0f, 2.0f);
    s.bit = round % 4 == 0 ? 23 : static_cast<std::uint8_t>(in(1.0f, 12.9f));
    s.sample = static_cast<std::int32_t>(in(1.0f, 192.9f));
    s.autoMs = round % 5 == 0 ? 0 : static_cast<std::uint8_t>(in(0.0f, 100.9f));
    s.interpolate = unit(random) > 0.5f;
    for (int k = 0; k < 2; ++k) {
        s.channel[kSlotGain][k] = in(0.0f, 4.0f);
        s.channel[kSlotComp][k] = unit(random);
        s.channel[kSlotLowShelfFreq][k] = in(10.0f, 1500.0f);
        s.channel[kSlotPeakFreq][k] = in(10.0f, 20000.0f);
        s.channel[kSlotPeakWidth][k] = in(0.1f, 4.0f);
        s.channel[kSlotHighShelfFreq][k] = in(1000.0f, 20000.0f);
        for (int slot : {kSlotLowShelfGain, kSlotPeakGain, kSlotHighShelfGain}) s.channel[slot][k] = in(-40.0f, 40.0f);
    }
    return s;
}

// The fused loop gives exactly what the stages give one after the other,
// on every build of the loop the processor can run, for every mode, hold
// period, word length and switch, with changes of any kind, bypassed pieces
// and rate changes between pieces of any length.
const char* const kKernelNames[] = {"Sse2", "Avx2", "Avx512"};

class FusedPass : public ::testing::TestWithParam<Kernel> {
protected:
    void SetUp() override {
        if (!kernelSupported(GetParam())) GTEST_SKIP() << "the processor lacks this build";
        useKernelForTesting(GetParam());
    }
    void TearDown() override { useKernelForTesting(Kernel::Sse2); }

    // One piece through both engines.
    static ::testing::AssertionResult samePiece(DspEngine& fast, ReferenceEngine& ref, const std::vector<float>& l,
                                                const std::vector<float>& r, int n) {
        std::vector<float> fl = l, fr = r, rl = l, rr = r;
        const float* fin[2] = {fl.data(), fr.data()};
        float* fout[2] = {fl.data(), fr.data()};
        const float* rin[2] = {rl.data(), rr.data()};
        float* rout[2] = {rl.data(), rr.data()};
        fast.processBlock(fin, fout, n);
        ref.processBlock(rin, rout, n);
        for (int j = 0; j < n; ++j)
            if (fl[j] != rl[j] || fr[j] != rr[j]) return ::testing::AssertionFailure() << "sample " << j;
        return ::testing::AssertionSuccess();
    }

    // The same change to both.
    static void applyBoth(DspEngine& fast, ReferenceEngine& ref, const StateBlock& s, unsigned derive) {
        fast.apply(s, derive);
        ref.apply(s, derive);
    }
};

TEST_P(FusedPass, EqualsTheStepByStepStages) {
    std::mt19937 random(99);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int round = 0; round < 48; ++round) {
        DspEngine fast(kRate, kCoreBlockSize);
        ReferenceEngine ref(kRate, kCoreBlockSize);
        configureAtDefaults(fast);
        configureAtDefaults(ref);
        applyBoth(fast, ref, randomState(random, round), kDeriveEverything);
        std::vector<float> l(1024), r(1024);
        for (int piece = 0; piece < 6; ++piece) {
            const int n = piece == 1 ? 1 : piece == 3 ? 5 : 1 + static_cast<int>(unit(random) * 1023);
            const float level = round % 3 == 0 ? 4.0f : 1.5f;
            for (int j = 0; j < n; ++j) {
                l[j] = level * (unit(random) - 0.5f) + 0.8f * std::sin(0.02f * j);
                r[j] = unit(random) - 0.5f;
            }
            if (piece == 2) l[n / 2] = std::numeric_limits<float>::quiet_NaN();
            StateBlock s = fast.state();
            s.bypass = round % 6 == 1 && piece == 4;
            applyBoth(fast, ref, s, 0);
            ASSERT_TRUE(samePiece(fast, ref, l, r, n)) << "round " << round << " piece " << piece;
            // Another setting with a random part of what it derives brought
            // up to date (as controllers leave the low-pass where it was).
            applyBoth(fast, ref, randomState(random, round + piece), static_cast<unsigned>(unit(random) * 64));
        }
    }
}

// Long runs of short pieces: half-waves that end just after a piece,
// windows shorter than a piece, an equaliser that overflows on a piece's
// last sample, and settings and rate changes in between.
TEST_P(FusedPass, ShortPiecesEqualTheStepByStepStages) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    // Windows of 8, 48 and 96 samples; at 96 kHz the equaliser is boosted all the way.
    for (const float rate : {8000.0f, 48000.0f, 96000.0f}) {
        DspEngine fast(rate, kCoreBlockSize);
        ReferenceEngine ref(rate, kCoreBlockSize);
        configureAtDefaults(fast, rate);
        configureAtDefaults(ref, rate);
        StateBlock s = defaultState();
        s.autoMs = 1;
        if (rate > 48000.0f) {
            s.channel[kSlotGain][0] = 4.0f;
            for (int slot : {kSlotLowShelfGain, kSlotPeakGain, kSlotHighShelfGain}) s.channel[slot][0] = 40.0f;
        }
        applyBoth(fast, ref, s, kDeriveEverything);
        fast.configure(rate, kCoreBlockSize);  // the window without the block minimum
        ref.configure(rate, kCoreBlockSize);
        const float halfWave = static_cast<float>(fast.settings().autoWindow) - 4.0f;
        std::vector<float> l(160), r(160);
        long t = 0;
        for (int piece = 0; piece < 400; ++piece) {
            const int n = piece % 7 == 3 ? 1 : 1 + static_cast<int>(unit(random) * 159);
            for (int j = 0; j < n; ++j, ++t) {
                l[j] = 1.6f * std::sin(static_cast<float>(kPi) * static_cast<float>(t) / halfWave);
                r[j] = 0.2f * (unit(random) - 0.5f) - 0.8f * l[j];
            }
            if (piece % 50 == 17) l[n - 1] = r[n - 1] = 1e37f;
            s = fast.state();
            s.bypass = piece % 60 == 31;
            applyBoth(fast, ref, s, 0);
            ASSERT_TRUE(samePiece(fast, ref, l, r, n)) << "rate " << rate << " piece " << piece;
            const int kind = piece < 200 ? -1 : piece % 40;
            const float x = unit(random);
            if (kind == 5) s.sample = static_cast<std::int32_t>(1 + 191 * x);
            if (kind == 11) s.bit = static_cast<std::uint8_t>(1 + 11 * x);
            if (kind == 23) s.channel[kSlotPeakGain][piece % 2] = 80.0f * x - 40.0f;
            if (kind == 29) s.interpolate = x > 0.5f;
            applyBoth(fast, ref, s, kDeriveEverything);
            if (kind == 37) {
                const float next = piece % 80 < 40 ? 0.75f * rate : rate;
                fast.configure(next, kCoreBlockSize);
                ref.configure(next, kCoreBlockSize);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Builds, FusedPass, ::testing::Values(Kernel::Sse2, Kernel::Avx2, Kernel::Avx512),
                         [](const auto& info) { return kKernelNames[static_cast<int>(info.param)]; });

}  // namespace
}  // namespace orv
