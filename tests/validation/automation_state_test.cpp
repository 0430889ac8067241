// Automation at the worst rate hosts send it, and the state chunk: round
// trips, refusals, arbitrary bytes, loads while audio runs.
#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>

#include "validation.h"

namespace validation {
namespace {

using Automation = Suite;
using State = Suite;

// The largest output the parameters allow for inputs within -1..1: the M/S
// matrix and gains give at most 4; three +40 dB sections at most 100 each
// (1e6), more transiently when coefficients jump; the decoder doubles it;
// Comp then gives about c * Output * x^2. With a margin for the transients
// of jumping coefficients, 1e16 bounds it; what matters most is that it is
// finite.
constexpr float kOutputBound = 1e16f;

TEST_F(Automation, EveryParameterJumpsEvery32Frames) {
    std::mt19937 random = generator();
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    Instance e(*library);
    e.call(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    e.call(effMainsChanged, 0, 1);
    float largest = 0;
    for (int block = 0; block < 3000; ++block) {
        for (VstInt32 i = 0; i < 26; ++i) {
            const float r = unit(random);
            const float x = r < 0.1f ? 0.0f : (r > 0.9f ? 1.0f : unit(random));
            e->setParameter(e.get(), i, x);
        }
        Stereo s(32);
        fillTestSignal(s, random, static_cast<std::size_t>(block) * 32);
        e.process(s.ptr, s.ptr, 32);
        ASSERT_TRUE(s.finite()) << "block " << block;
        largest = std::max(largest, s.peak());
    }
    EXPECT_LT(largest, kOutputBound);
    std::printf("largest output under random automation: %g\n", largest);
}

TEST_F(State, ByteExactRoundTripsForRandomSettings) {
    std::mt19937 random = generator();
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int round = 0; round < 50; ++round) {
        Instance a(*library), b(*library);
        for (VstInt32 i = 0; i < 26; ++i) a->setParameter(a.get(), i, unit(random));
        auto first = a.chunk();
        ASSERT_EQ(first.size(), 136u);
        ASSERT_EQ(b.call(effSetChunk, 0, 136, first.data()), 136);
        ASSERT_EQ(b.chunk(), first);
    }
}

TEST_F(State, RefusedChunksChangeNothing) {
    Instance e(*library);
    e->setParameter(e.get(), 3, 0.3f);
    const auto before = e.chunk();
    for (int rule = 0; rule < 5; ++rule) {
        auto bad = before;
        switch (rule) {
        case 0: bad[0] = 1; break;                          // first field not 0
        case 1: bad[4] = 'x'; break;                        // another name
        case 2: bad[40] ^= 1; break;                        // check not the complement
        case 3: bad[36] = 200; break;                       // size field differs
        default: break;
        }
        const VstIntPtr size = rule == 4 ? 135 : 136;       // shorter than the state
        EXPECT_EQ(e.call(effSetChunk, 0, size, bad.data()), 0) << rule;
        EXPECT_EQ(e.chunk(), before) << rule;
    }
}

TEST_F(State, EveryLengthUpTo300AndArbitraryBytes) {
    std::mt19937 random = generator();
    Instance e(*library);
    e.call(effMainsChanged, 0, 1);
    for (int length = 0; length <= 300; ++length) {
        for (int round = 0; round < 4; ++round) {
            std::vector<unsigned char> bytes(static_cast<std::size_t>(length) + 1);
            for (auto& b : bytes) b = static_cast<unsigned char>(random());
            if (round >= 2 && length >= 136) {
                const std::int32_t size = length, check = ~length;
                std::memset(bytes.data(), 0, 4);
                std::memcpy(bytes.data() + 4, "orvq41", 6);
                std::memcpy(bytes.data() + 36, &size, 4);
                std::memcpy(bytes.data() + 40, &check, 4);
            }
            const VstIntPtr answer = e.call(effSetChunk, 0, length, bytes.data());
            ASSERT_TRUE(answer == 0 || answer == length);
            char text[64];
            for (VstInt32 i = 0; i < 26; ++i) {
                e.call(effGetParamDisplay, i, 0, text);
                ASSERT_LE(std::strlen(text), 8u);
            }
            Stereo s(64, 0.5f);
            e.process(s.ptr, s.ptr, 64);
        }
    }
}

TEST_F(State, LoadedFromAnotherThreadWhileProcessing) {
    std::mt19937 random = generator();
    Instance e(*library);
    e.call(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    e.call(effMainsChanged, 0, 1);
    Instance source(*library);
    std::vector<std::vector<unsigned char>> chunks;
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int i = 0; i < 8; ++i) {
        for (VstInt32 p = 0; p < 26; ++p) source->setParameter(source.get(), p, unit(random));
        chunks.push_back(source.chunk());
    }
    std::atomic<bool> stop{false};
    std::thread loader([&] {
        for (int i = 0; !stop.load(); ++i) {
            auto& c = chunks[static_cast<std::size_t>(i) % chunks.size()];
            e.call(effSetChunk, 0, static_cast<VstIntPtr>(c.size()), c.data());
        }
    });
    bool finite = true;
    for (int block = 0; block < 2000; ++block) {
        Stereo s(256);
        fillTestSignal(s, random);
        e.process(s.ptr, s.ptr, 256);
        finite = finite && s.finite();
    }
    stop.store(true);
    loader.join();
    EXPECT_TRUE(finite);
}

TEST_F(State, LoadedBeforeAnySampleRate) {
    Instance source(*library);
    source->setParameter(source.get(), 3, 0.2f);
    auto c = source.chunk();
    Instance e(*library);
    ASSERT_EQ(e.call(effSetChunk, 0, 136, c.data()), 136);
    e.call(effSetSampleRate, 0, 0, nullptr, 96000.0f);
    e.call(effMainsChanged, 0, 1);
    Stereo s(2048, 0.5f);
    e.process(s.ptr, s.ptr, 2048);
    EXPECT_TRUE(s.finite());
    EXPECT_EQ(e.chunk(), c);
}

}  // namespace
}  // namespace validation
