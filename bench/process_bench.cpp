// Cost of the audio entry per stereo frame: stereo, 48 kHz, host blocks of
// 64, 512 and 1024 frames, at the defaults and with every stage at work, on
// a mix of two sines and on uniform white noise peaking at -12 dBFS.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "host/orv_vst.h"

namespace {

constexpr float kRate = 48000.0f;
constexpr int kSeconds = 1;

void busySettings(orvVst& e) {
    e.setParameter(orv::kLink, 0.0f);
    for (int k = 0; k < 2; ++k) {
        e.setParameter(orv::channelParamIndex(k, orv::kSlotLowShelfGain), 0.6f);
        e.setParameter(orv::channelParamIndex(k, orv::kSlotPeakGain), 0.35f);
        e.setParameter(orv::channelParamIndex(k, orv::kSlotHighShelfGain), 0.7f);
        e.setParameter(orv::channelParamIndex(k, orv::kSlotComp), 0.5f);
    }
    e.setParameter(orv::kSample, std::sqrt(23.05f / 191.9f));  // 24 kHz
    e.setParameter(orv::kInt, 1.0f);
    e.setParameter(orv::kBit, 0.93f);  // 12 bits would be the default; 11.9*0.93+1 = 12.07 -> 12
}

enum Input { kTones = 0, kNoise = 1 };

void fill(Input input, std::vector<float>& l, std::vector<float>& r) {
    std::mt19937 random(1);
    std::uniform_real_distribution<float> noise(-0.25f, 0.25f);
    for (std::size_t j = 0; j < l.size(); ++j) {
        if (input == kNoise) {
            l[j] = noise(random);
            r[j] = noise(random);
        } else {
            l[j] = 0.5f * std::sin(0.031f * j) + 0.3f * std::sin(0.0021f * j);
            r[j] = 0.5f * std::sin(0.027f * j + 1.0f);
        }
    }
}

void run(benchmark::State& state, bool busy) {
    const int block = static_cast<int>(state.range(0));
    const auto input = static_cast<Input>(state.range(1));
    orvVst effect(nullptr);
    effect.setSampleRate(kRate);
    effect.resume();
    if (busy) busySettings(effect);
    const int frames = static_cast<int>(kRate) * kSeconds;
    std::vector<float> inL(frames), inR(frames), outL(frames), outR(frames);
    fill(input, inL, inR);
    for (auto _ : state) {
        for (int start = 0; start + block <= frames; start += block) {
            float* in[2] = {inL.data() + start, inR.data() + start};
            float* out[2] = {outL.data() + start, outR.data() + start};
            effect.processReplacing(in, out, block);
        }
        benchmark::DoNotOptimize(outL.data());
    }
    const double processed = static_cast<double>(frames / block * block) * state.iterations();
    // Seconds per stereo frame; shown with an SI prefix (n = nanoseconds).
    state.counters["per_frame"] =
        benchmark::Counter(processed, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void Defaults(benchmark::State& state) { run(state, false); }
void AllStages(benchmark::State& state) { run(state, true); }

// Arguments: host block, input (0 sines, 1 noise).
BENCHMARK(Defaults)->ArgsProduct({{64, 512, 1024}, {kTones, kNoise}})->Unit(benchmark::kMillisecond);
BENCHMARK(AllStages)->ArgsProduct({{64, 512, 1024}, {kTones, kNoise}})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
