// Cost of the audio entry per stereo frame: stereo, 48 kHz, host blocks of
// 64, 512 and 1024 frames, at the defaults and with every stage at work, on
// a mix of two sines and on uniform white noise peaking at -12 dBFS; and
// blocks of 64 against blocks of 1024 timed in turn.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
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

constexpr int kFrames = static_cast<int>(kRate) * kSeconds;

// One effect with its second of input, processed in host blocks.
struct Run {
    orvVst effect{nullptr};
    std::vector<float> inL = std::vector<float>(kFrames), inR = inL, outL = inL, outR = inL;

    Run(bool busy, Input input) {
        effect.setSampleRate(kRate);
        effect.resume();
        if (busy) busySettings(effect);
        fill(input, inL, inR);
    }
    // Frames processed.
    int pass(int block) {
        int start = 0;
        for (; start + block <= kFrames; start += block) {
            float* in[2] = {inL.data() + start, inR.data() + start};
            float* out[2] = {outL.data() + start, outR.data() + start};
            effect.processReplacing(in, out, block);
        }
        benchmark::DoNotOptimize(outL.data());
        return start;
    }
};

void run(benchmark::State& state, bool busy) {
    const int block = static_cast<int>(state.range(0));
    Run r(busy, static_cast<Input>(state.range(1)));
    double processed = 0.0;
    for (auto _ : state) processed += r.pass(block);
    // Seconds per stereo frame; shown with an SI prefix (n = nanoseconds).
    state.counters["per_frame"] =
        benchmark::Counter(processed, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Blocks of 64 against blocks of 1024, one pass of each in turn, so that the
// machine's drift hits both alike; the fastest pass of each counts.
void run64Against1024(benchmark::State& state, bool busy) {
    const auto input = static_cast<Input>(state.range(0));
    Run small(busy, input), large(busy, input);
    double best[2] = {1e30, 1e30};
    for (auto _ : state) {
        for (int k = 0; k < 2; ++k) {
            const auto begin = std::chrono::steady_clock::now();
            const int frames = k == 0 ? small.pass(64) : large.pass(1024);
            const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - begin;
            best[k] = std::min(best[k], took.count() / frames);
        }
    }
    state.counters["ns_64"] = best[0];
    state.counters["ns_1024"] = best[1];
    state.counters["ratio"] = best[0] / best[1];
}

void Defaults(benchmark::State& state) { run(state, false); }
void AllStages(benchmark::State& state) { run(state, true); }
void Defaults64Against1024(benchmark::State& state) { run64Against1024(state, false); }
void AllStages64Against1024(benchmark::State& state) { run64Against1024(state, true); }

// Arguments: host block, input (0 sines, 1 noise).
BENCHMARK(Defaults)->ArgsProduct({{64, 512, 1024}, {kTones, kNoise}})->Unit(benchmark::kMillisecond);
BENCHMARK(AllStages)->ArgsProduct({{64, 512, 1024}, {kTones, kNoise}})->Unit(benchmark::kMillisecond);
// Argument: input.
BENCHMARK(Defaults64Against1024)->Arg(kTones)->Arg(kNoise)->Iterations(400)->Unit(benchmark::kMillisecond);
BENCHMARK(AllStages64Against1024)->Arg(kTones)->Arg(kNoise)->Iterations(400)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
