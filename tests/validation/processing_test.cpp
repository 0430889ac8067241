// Processing: every sample rate and block size hosts use, variable blocks,
// separate and in-place buffers, processing before set-up, rate changes.
#include <cfloat>
#include <cmath>

#include "validation.h"

namespace validation {
namespace {

using Processing = Suite;

constexpr float kRates[] = {8000, 22050, 44100, 48000, 88200, 96000, 192000, 384000};
constexpr int kBlocks[] = {0, 1, 7, 32, 64, 511, 1024, 1025, 4096, 10000};

TEST_F(Processing, EveryRateAndBlockSize) {
    std::mt19937 random = generator();
    for (float rate : kRates) {
        Instance e(*library);
        e.call(effSetSampleRate, 0, 0, nullptr, rate);
        e.call(effMainsChanged, 0, 1);
        for (int block : kBlocks) {
            e.call(effSetBlockSize, 0, block);
            Stereo s(static_cast<std::size_t>(block) + 1);
            fillTestSignal(s, random);
            for (int round = 0; round < 3; ++round) e.process(s.ptr, s.ptr, block);
            ASSERT_TRUE(s.finite()) << rate << " Hz, block " << block;
        }
    }
}

TEST_F(Processing, VariableBlockSizesWithinARun) {
    std::mt19937 random = generator();
    std::uniform_int_distribution<int> size(0, 3000);
    Instance e(*library);
    e.call(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    e.call(effMainsChanged, 0, 1);
    for (int i = 0; i < 200; ++i) {
        const int n = size(random);
        Stereo s(static_cast<std::size_t>(n) + 1);
        fillTestSignal(s, random);
        e.process(s.ptr, s.ptr, n);
        ASSERT_TRUE(s.finite());
    }
}

TEST_F(Processing, SeparateAndInPlaceBuffersGiveTheSameOutput) {
    std::mt19937 random = generator();
    Instance a(*library), b(*library);
    for (Instance* e : {&a, &b}) {
        e->call(effSetSampleRate, 0, 0, nullptr, 44100.0f);
        e->call(effMainsChanged, 0, 1);
    }
    for (int i = 0; i < 20; ++i) {
        Stereo in(700);
        fillTestSignal(in, random);
        Stereo out(700), inPlace(in);
        a.process(in.ptr, out.ptr, 700);
        b.process(inPlace.ptr, inPlace.ptr, 700);
        ASSERT_EQ(out.l, inPlace.l);
        ASSERT_EQ(out.r, inPlace.r);
    }
}

TEST_F(Processing, BeforeAnySampleRateAndBeforeResume) {
    Instance e(*library);
    Stereo untouched(256, 3.0f);
    e.process(untouched.ptr, untouched.ptr, 256);  // suspended: nothing written
    EXPECT_EQ(untouched.l[0], 3.0f);
    e.call(effMainsChanged, 0, 1);
    Stereo s(4096, 0.3f);
    e.process(s.ptr, s.ptr, 4096);
    EXPECT_TRUE(s.finite());
    EXPECT_GT(s.peak(), 0.0f);
}

TEST_F(Processing, SampleRateChangesBetweenBlocks) {
    std::mt19937 random = generator();
    Instance e(*library);
    e.call(effMainsChanged, 0, 1);
    for (int i = 0; i < 24; ++i) {
        e.call(effSetSampleRate, 0, 0, nullptr, kRates[random() % 8]);
        Stereo s(1500);
        fillTestSignal(s, random);
        e.process(s.ptr, s.ptr, 1500);
        ASSERT_TRUE(s.finite());
    }
}

TEST_F(Processing, NoSubnormalsAfterTenSecondsOfSilence) {
    std::mt19937 random = generator();
    Instance e(*library);
    e.call(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    e->setParameter(e.get(), 23, 1.0f);  // loud high shelves
    e.call(effMainsChanged, 0, 1);
    Stereo loud(48000);
    fillTestSignal(loud, random);
    for (float& v : loud.l) v *= 2;
    e.process(loud.ptr, loud.ptr, 48000);
    for (int second = 0; second < 10; ++second) {
        Stereo silence(48000);
        e.process(silence.ptr, silence.ptr, 48000);
        for (std::size_t i = 0; i < silence.l.size(); ++i) {
            ASSERT_NE(std::fpclassify(silence.l[i]), FP_SUBNORMAL) << second << " s";
            ASSERT_NE(std::fpclassify(silence.r[i]), FP_SUBNORMAL) << second << " s";
        }
    }
}

}  // namespace
}  // namespace validation
