// The processing pass and the output stage, step by step: gain ramps, the
// mode matrices, Bypass, the Sample/Bit stage, the clip guard and Comp.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "params/effect_core.h"
#include "stereo.h"

namespace orv {
namespace {

constexpr double kPi = 3.14159265358979323846;

using support::Stereo;

class Processing : public ::testing::Test {
protected:
    EffectCore core;
    DspEngine& dsp() { return *core.dsp; }
    StateBlock& state() { return core.dsp->state; }

    Processing() {
        core.setPluginLayerDefaults(48000.0f, 1024);
        core.configureEffect();
        core.configureAudio(48000.0f, 1024);
    }
    // Exact identity sections, so the decoder shows the gains themselves.
    void makeEqualiserTransparent() {
        for (ChannelSections& c : dsp().sections)
            for (BiquadSection* s : {&c.lowShelf, &c.highShelf, &c.peaking}) {
                s->b0 = 1;
                s->b1 = s->b2 = s->a1 = s->a2 = 0;
            }
    }
    // Runs the input stage on constant inputs; the result is the decoder's output.
    Stereo decoded(float l, float r, int n = 16) {
        Stereo in(n, l, r);
        Stereo out(n);
        dsp().processInputStage(in.input(), out.ptr, n);
        return out;
    }
};

TEST_F(Processing, ModeMatricesAtTheDecodersOutput) {
    core.setParameterValue(kMode, 0.75f);  // to M/S
    Stereo a = decoded(1.0f, 1.0f);
    EXPECT_NEAR(a.l[8], 1.0f, 1e-5f);
    EXPECT_NEAR(a.r[8], 0.0f, 1e-6f);
    core.setParameterValue(kMode, 1.0f);  // from M/S
    Stereo b = decoded(1.0f, 0.0f);
    EXPECT_NEAR(b.l[8], 1.0f, 1e-5f);
    EXPECT_NEAR(b.r[8], 1.0f, 1e-5f);
    core.setParameterValue(kMode, 0.3f);  // M/S with a flat equaliser gives the input back
    Stereo c = decoded(0.8f, -0.3f);
    EXPECT_NEAR(c.l[8], 0.8f, 1e-5f);
    EXPECT_NEAR(c.r[8], -0.3f, 1e-5f);
    core.setParameterValue(kMode, 0.0f);  // Normal
    Stereo d = decoded(0.25f, 0.5f);
    EXPECT_NEAR(d.l[8], 0.25f, 1e-5f);
    EXPECT_NEAR(d.r[8], 0.5f, 1e-5f);
}

TEST_F(Processing, GainChangeRampsOverOnePiece) {
    decoded(1.0f, 1.0f, 4);  // the ramps start from the gains in force
    core.setParameterValue(kLink, 0.0f);
    core.setParameterValue(channelParamIndex(0, kSlotGain), std::sqrt(0.5f));  // 2.00
    ASSERT_EQ(state().channel[kSlotGain][0], 2.0f);
    makeEqualiserTransparent();
    Stereo first = decoded(1.0f, 1.0f, 4);
    EXPECT_EQ(first.l[0], 1.0f);
    EXPECT_EQ(first.l[1], 1.25f);
    EXPECT_EQ(first.l[2], 1.5f);
    EXPECT_EQ(first.l[3], 1.75f);
    Stereo next = decoded(1.0f, 1.0f, 4);
    for (float v : next.l) EXPECT_EQ(v, 2.0f);
}

TEST_F(Processing, FirstPieceStartsFromTheGainsInForce) {
    core.setParameterValue(channelParamIndex(0, kSlotGain), 1.0f);  // 4.00 before any audio
    makeEqualiserTransparent();
    Stereo out = decoded(0.25f, 0.25f, 4);
    for (float v : out.l) EXPECT_EQ(v, 1.0f);
}

TEST_F(Processing, BypassKeepsTheMatrixAndOutputOnly) {
    core.setParameterValue(kBypass, 1.0f);
    core.setParameterValue(kOutput, 0.5f);
    core.setParameterValue(kMode, 0.75f);  // to M/S
    core.setParameterValue(channelParamIndex(0, kSlotGain), 1.0f);
    core.setParameterValue(channelParamIndex(0, kSlotLowShelfGain), 1.0f);
    core.setParameterValue(kBit, 0.0f);
    core.setParameterValue(kSample, 0.0f);
    Stereo io(64, 0.6f, 0.2f);
    dsp().processBlock(io.input(), io.ptr, 64);
    for (int j = 0; j < 64; ++j) {
        EXPECT_EQ(io.l[j], (0.2f + 0.6f) * 1.0f * 0.5f * 0.5f);
        EXPECT_EQ(io.r[j], (0.6f - 0.2f) * 1.0f * 0.5f * 0.5f);
    }
}

TEST_F(Processing, QuantiserSteps) {
    core.setParameterValue(kBit, 0.0f);
    EXPECT_EQ(dsp().quantise(0.7f), 0.5f);
    EXPECT_EQ(dsp().quantise(-0.7f), -0.5f);
    core.setParameterValue(kBit, 1.0f);
    EXPECT_EQ(dsp().quantise(0.1f), 409.0f / 4096.0f);
    // Far beyond any audio level and not a number: defined results.
    EXPECT_EQ(dsp().quantise(1e30f), 1e30f);
    EXPECT_EQ(dsp().quantise(std::numeric_limits<float>::quiet_NaN()), 0.0f);
    state().bit = 23;
    EXPECT_EQ(dsp().quantise(0.123456789f), 0.123456789f);
}

TEST_F(Processing, HoldWithoutInterpolationIsAStaircaseOfThreeSamples) {
    core.setParameterValue(kSample, std::sqrt(23.05f / 191.9f));  // 24 kHz at 48 kHz
    ASSERT_EQ(state().sample, 24);
    ASSERT_EQ(dsp().holdPeriod, 2);
    core.setParameterValue(kInt, 0.0f);
    state().bit = 23;
    Stereo io(12);
    for (int j = 0; j < 12; ++j) io.l[j] = io.r[j] = static_cast<float>(j + 1);
    dsp().sampleAndHold(io.ptr, 12);
    // Captures at 0, 3, 6, 9; the output follows one cycle late.
    const float expected[12] = {0, 0, 0, 1, 1, 1, 4, 4, 4, 7, 7, 7};
    for (int j = 0; j < 12; ++j) EXPECT_EQ(io.l[j], expected[j]) << j;
}

TEST_F(Processing, InterpolationRunsFromThePreviousCapture) {
    dsp().setHoldPeriod(192000.0f, 48);  // holdPeriod 4
    ASSERT_EQ(dsp().holdPeriod, 4);
    state().bit = 23;
    state().interpolate = 1;
    Stereo io(10);
    for (int j = 0; j < 10; ++j) io.l[j] = io.r[j] = j < 5 ? 1.0f : 3.0f;
    dsp().sampleAndHold(io.ptr, 10);
    // Second cycle: previous 1, current 3, t = -0.25, 0, 0.25, 0.5, 0.75.
    const float t[5] = {-0.25f, 0.0f, 0.25f, 0.5f, 0.75f};
    for (int i = 0; i < 5; ++i) EXPECT_FLOAT_EQ(io.l[5 + i], 1.0f + 2.0f * t[i]) << i;
}

TEST_F(Processing, HalfWaveAboveFullScaleLeavesAtPeak099AfterTheWindow) {
    const int window = dsp().autoWindow;  // 50 ms at 48 kHz
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
        dsp().guardClips(0, y.data() + start, std::min(1000, total - start));
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

TEST_F(Processing, SlopeLimit) {
    std::vector<float> y(4096, 1.0f);
    y[0] = 0.0f;
    dsp().guardClips(0, y.data(), 4096);
    const int window = dsp().autoWindow;
    EXPECT_EQ(y[window], 0.0f);
    EXPECT_FLOAT_EQ(y[window + 1], 0.675f);
}

TEST_F(Processing, SlopeLimitNeverRunsAway) {
    std::vector<float> y(8192);
    for (std::size_t i = 0; i < y.size(); ++i) y[i] = (i % 2 ? -4.1f : 4.1f);
    for (int start = 0; start < 8192; start += 1024) dsp().guardClips(0, y.data() + start, 1024);
    for (float v : y) ASSERT_LE(std::fabs(v), 4.1f);
    std::vector<float> loud(4096);
    for (std::size_t i = 0; i < loud.size(); ++i) loud[i] = (i % 2 ? -5.0f : 5.0f);
    dsp().guardClips(1, loud.data(), 1024);
    for (float v : loud) ASSERT_TRUE(std::isfinite(v));
}

TEST_F(Processing, CompAndOutput) {
    state().autoMs = 0;
    dsp().autoWindow = 0;
    state().bit = 23;
    core.setParameterValue(channelParamIndex(0, kSlotComp), 1.0f);
    core.setParameterValue(kLink, 0.0f);
    core.setParameterValue(channelParamIndex(1, kSlotComp), 0.0f);
    core.setParameterValue(kOutput, 0.5f);
    // Take the low-pass out of the way to see the Comp step alone.
    for (ChannelSections& c : dsp().sections) {
        c.lowPass.b0 = 1;
        c.lowPass.b1 = c.lowPass.b2 = c.lowPass.a1 = c.lowPass.a2 = 0;
    }
    Stereo io(3);
    io.l = {0.5f, 1.0f, -0.5f};
    io.r = {0.5f, 1.0f, -0.5f};
    dsp().processOutputStage(io.ptr, 3);
    EXPECT_FLOAT_EQ(io.l[0], 0.75f * 0.5f);
    EXPECT_FLOAT_EQ(io.l[1], 1.0f * 0.5f);
    EXPECT_FLOAT_EQ(io.l[2], -0.75f * 0.5f);
    EXPECT_FLOAT_EQ(io.r[0], 0.25f);
    EXPECT_FLOAT_EQ(io.r[1], 0.5f);
}

TEST_F(Processing, AutoOffMeansNoDelay) {
    core.setParameterValue(kAuto, 0.0f);
    Stereo io(256, 0.5f, 0.5f);
    dsp().processBlock(io.input(), io.ptr, 256);
    EXPECT_NE(io.l[0], 0.0f);
}

TEST_F(Processing, NonFiniteInputIsSilenceAndRecoversWithinABlock) {
    Stereo bad(1024, std::numeric_limits<float>::quiet_NaN(),
               std::numeric_limits<float>::infinity());
    dsp().processBlock(bad.input(), bad.ptr, 1024);
    for (int j = 0; j < 1024; ++j) ASSERT_TRUE(std::isfinite(bad.l[j]) && std::isfinite(bad.r[j]));
    Stereo good(1024);
    for (int j = 0; j < 1024; ++j) good.l[j] = good.r[j] = 0.5f * std::sin(0.05f * j);
    dsp().processBlock(good.input(), good.ptr, 1024);
    for (int j = 0; j < 1024; ++j) ASSERT_TRUE(std::isfinite(good.l[j]) && std::isfinite(good.r[j]));
}

TEST_F(Processing, OverflowingEqualiserIsReset) {
    core.setParameterValue(channelParamIndex(0, kSlotGain), 1.0f);
    for (int slot : {kSlotLowShelfGain, kSlotPeakGain, kSlotHighShelfGain})
        core.setParameterValue(channelParamIndex(0, slot), 1.0f);
    Stereo huge(1024, 3e38f, -3e38f);
    dsp().processBlock(huge.input(), huge.ptr, 1024);
    for (BiquadSection* s : {&dsp().sections[0].lowShelf, &dsp().sections[0].peaking})
        for (const BiquadStage& st : s->stage) EXPECT_TRUE(std::isfinite(st.y1) && std::isfinite(st.y2));
    Stereo quiet(1024, 0.01f, 0.01f);
    dsp().processBlock(quiet.input(), quiet.ptr, 1024);
    for (float v : quiet.l) ASSERT_TRUE(std::isfinite(v));
}

TEST_F(Processing, SampleRateChangeFollowsSampleAgain) {
    EffectCore cd;
    cd.setPluginLayerDefaults(44100.0f, 1024);
    cd.configureEffect();
    EXPECT_FLOAT_EQ(cd.dsp->sections[0].lowPass.freq, 0.49f * 44100.0f);
    cd.configureAudio(96000.0f, 1024);
    EXPECT_FLOAT_EQ(cd.dsp->sections[0].lowPass.freq, 0.49f * 96000.0f);
    cd.configureAudio(384000.0f, 1024);
    EXPECT_EQ(cd.dsp->sections[1].lowPass.freq, 96000.0f);
}

TEST_F(Processing, SmallerRingsAfterARateChangeAreIndexedInside) {
    core.configureAudio(384000.0f, 1024);
    Stereo io(1024, 0.3f, -0.3f);
    for (int i = 0; i < 40; ++i) dsp().processBlock(io.input(), io.ptr, 1024);
    core.configureAudio(8000.0f, 1024);
    for (int i = 0; i < 4; ++i) dsp().processBlock(io.input(), io.ptr, 1024);
    for (float v : io.l) ASSERT_TRUE(std::isfinite(v));
}

TEST_F(Processing, ConfigurationComputesWindowWithoutBlockMinimum) {
    core.setParameterValue(kAuto, 0.01f);  // 1 ms
    EXPECT_EQ(dsp().autoWindow, 1024);
    core.configureAudio(48000.0f, 1024);
    EXPECT_EQ(dsp().autoWindow, 48);
}

// The single loop that processBlock runs gives exactly what the stages give
// one after the other, on every build of the loop the processor can run, for
// every mode, hold period, word length and switch, with controllers, new
// filter designs and bypassed pieces between pieces of any length.
const char* const kKernelNames[] = {"Sse2", "Avx2", "Avx512"};

class FusedPass : public ::testing::TestWithParam<Kernel> {
protected:
    void SetUp() override {
        if (!kernelSupported(GetParam())) GTEST_SKIP() << "the processor lacks this build";
        useKernelForTesting(GetParam());
    }
    void TearDown() override { useKernelForTesting(Kernel::Sse2); }

    // One piece through the loop and the same input through the stages one
    // after the other (both through processBlock when bypassed).
    static ::testing::AssertionResult samePiece(EffectCore& fast, EffectCore& reference, const std::vector<float>& l,
                                                const std::vector<float>& r, int n, bool bypassed) {
        std::vector<float> fl = l, fr = r, rl = l, rr = r;
        const float* fin[2] = {fl.data(), fr.data()};
        float* fout[2] = {fl.data(), fr.data()};
        const float* rin[2] = {rl.data(), rr.data()};
        float* rout[2] = {rl.data(), rr.data()};
        for (EffectCore* c : {&fast, &reference}) c->setParameterValue(kBypass, bypassed ? 1.0f : 0.0f);
        fast.dsp->processBlock(fin, fout, n);
        if (bypassed)
            reference.dsp->processBlock(rin, rout, n);
        else
            reference.dsp->processStepByStep(rin, rout, n);
        for (int j = 0; j < n; ++j)
            if (fl[j] != rl[j] || fr[j] != rr[j]) return ::testing::AssertionFailure() << "sample " << j;
        return ::testing::AssertionSuccess();
    }
};

TEST_P(FusedPass, EqualsTheStepByStepStages) {
    std::mt19937 random(99);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int round = 0; round < 48; ++round) {
        EffectCore fast, reference;
        for (EffectCore* c : {&fast, &reference}) {
            c->setPluginLayerDefaults(48000.0f, 1024);
            c->configureEffect();
        }
        std::mt19937 settings(static_cast<unsigned>(round));
        for (int i = 0; i < kNumParams; ++i) {
            float x = i == kBypass ? 0.0f : unit(settings);
            if (i == kMode) x = static_cast<float>(round % 4) / 3.0f;
            if (i == kAuto && round % 5 == 0) x = 0.0f;
            fast.setParameterValue(i, x);
            reference.setParameterValue(i, x);
        }
        if (round % 4 == 0) fast.dsp->state.bit = reference.dsp->state.bit = 23;
        std::vector<float> l(1024), r(1024);
        for (int piece = 0; piece < 6; ++piece) {
            const int n = piece == 1 ? 1 : piece == 3 ? 5 : 1 + static_cast<int>(unit(random) * 1023);
            const float level = round % 3 == 0 ? 4.0f : 1.5f;
            for (int j = 0; j < n; ++j) {
                l[j] = level * (unit(random) - 0.5f) + 0.8f * std::sin(0.02f * j);
                r[j] = unit(random) - 0.5f;
            }
            if (piece == 2) l[n / 2] = std::numeric_limits<float>::quiet_NaN();
            ASSERT_TRUE(samePiece(fast, reference, l, r, n, round % 6 == 1 && piece == 4))
                << "round " << round << " piece " << piece;
            const int controller = 20 + piece % 5;
            const int value = static_cast<int>(unit(random) * 127);
            const int redesigned = kFirstChannelParam + static_cast<int>(unit(random) * 2 * kChannelParamCount);
            const float x = unit(random);
            for (EffectCore* c : {&fast, &reference}) {
                c->applyController(0xB0, controller, value);
                c->setParameterValue(redesigned, x);
            }
        }
    }
}

// Pieces carry their last samples over to the next one when nothing they
// depend on changes: exact across short windows whose half-waves reach
// back past the output, pieces of one sample, settings and sample-rate
// changes, Bypass and an overflowing equaliser between pieces.
TEST_P(FusedPass, CarriedPiecesEqualTheStepByStepStages) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    // Windows of 8 (shorter than what a piece carries), 48 and 96 samples;
    // at 96 kHz the equaliser is boosted all the way.
    for (const float rate : {8000.0f, 48000.0f, 96000.0f}) {
        EffectCore fast, reference;
        for (EffectCore* c : {&fast, &reference}) {
            c->setPluginLayerDefaults(rate, 1024);
            c->configureEffect();
            c->setParameterValue(kAuto, 0.015f);  // 1 ms
            for (int slot : {kSlotGain, kSlotLowShelfGain, kSlotPeakGain, kSlotHighShelfGain})
                if (rate > 48000.0f) c->setParameterValue(channelParamIndex(0, slot), 1.0f);
            c->configureAudio(rate, 1024);  // the window without the block minimum
        }
        // Half-waves that end within the carried samples without expiring.
        const float halfWave = static_cast<float>(fast.dsp->autoWindow) - 4.0f;
        std::vector<float> l(160), r(160);
        long t = 0;
        for (int piece = 0; piece < 400; ++piece) {
            const int n = piece % 7 == 3 ? 1 : 1 + static_cast<int>(unit(random) * 159);
            for (int j = 0; j < n; ++j, ++t) {
                l[j] = 1.6f * std::sin(static_cast<float>(kPi) * static_cast<float>(t) / halfWave);
                r[j] = 0.2f * (unit(random) - 0.5f) - 0.8f * l[j];
            }
            // A last sample the boosted equaliser overflows on after the piece.
            if (piece % 50 == 17) l[n - 1] = r[n - 1] = 1e37f;
            ASSERT_TRUE(samePiece(fast, reference, l, r, n, piece % 60 == 31)) << "rate " << rate << " piece " << piece;
            // After a long stretch without any, now and then a change that
            // the carried samples must not see.
            const int change = piece < 200 ? -1 : piece % 40;
            const float x = unit(random);
            for (EffectCore* c : {&fast, &reference}) {
                if (change == 5) c->setParameterValue(kSample, x);
                if (change == 11) c->setParameterValue(kBit, x);
                if (change == 19) c->applyController(0xB0, 20 + piece % 5, static_cast<int>(x * 127));
                if (change == 23) c->setParameterValue(channelParamIndex(piece % 2, kSlotPeakGain), x);
                if (change == 29) c->setParameterValue(kInt, x);
                if (change == 37) c->configureAudio(piece % 80 < 40 ? 0.75f * rate : rate, 1024);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Builds, FusedPass, ::testing::Values(Kernel::Sse2, Kernel::Avx2, Kernel::Avx512),
                         [](const auto& info) { return kKernelNames[static_cast<int>(info.param)]; });

}  // namespace
}  // namespace orv
