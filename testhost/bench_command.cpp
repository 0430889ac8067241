// orvhost bench: nanoseconds per stereo frame for any VST 2.4 effect, the
// median of timed repetitions after a warm-up, measured the same way for
// every plug-in.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>

#include "commands.h"
#include "host_session.h"

namespace vsthost {
namespace {

constexpr float kRate = 48000.0f;
constexpr int kRepetitions = 7;
constexpr int kChannels = 2;

// Programme-like material: a few tones over a little noise.
void toneMix(int frames, std::vector<std::vector<float>>& in) {
    std::mt19937 random(1);
    std::uniform_real_distribution<float> noise(-0.02f, 0.02f);
    for (int j = 0; j < frames; ++j) {
        const float t = static_cast<float>(j);
        in[0][j] = 0.3f * std::sin(0.0144f * t) + 0.2f * std::sin(0.0654f * t) +
                   0.1f * std::sin(0.31f * t) + noise(random);
        in[1][j] = 0.3f * std::sin(0.0181f * t) + 0.2f * std::sin(0.0411f * t) +
                   0.1f * std::sin(0.27f * t) + noise(random);
    }
}

// The file's samples as they are (mono as dual mono), repeated to fill frames.
bool loopedInput(const CommandOptions& options, int frames, std::vector<std::vector<float>>& in,
                 std::string& error) {
    AudioData data;
    if (!readAudio(options.inputPath, options.raw, data, error)) return false;
    if (data.frames() == 0 || data.channels.size() > kChannels) {
        error = options.inputPath + ": orvhost times mono and stereo files that hold audio";
        return false;
    }
    for (int c = 0; c < kChannels; ++c) {
        const std::vector<float>& source = data.channels[std::min<std::size_t>(c, data.channels.size() - 1)];
        for (int j = 0; j < frames; ++j) in[c][j] = source[static_cast<std::size_t>(j) % source.size()];
    }
    return true;
}

}  // namespace

int runBench(const std::string& plugin, const CommandOptions& options) {
    HostSession session(plugin);
    if (!session.ok()) {
        std::fprintf(stderr, "orvhost: %s\n", session.error().c_str());
        return 1;
    }
    if (options.block <= 0 || !(options.seconds > 0)) {
        std::fprintf(stderr, "orvhost: --block and --seconds must be positive\n");
        return 1;
    }
    if (!session.applySettings(options.settings)) {
        std::fprintf(stderr, "orvhost: %s\n", session.error().c_str());
        return 1;
    }
    AEffect* effect = session.effect();
    session.start(kRate, options.block);
    const int frames = static_cast<int>(options.seconds * kRate);
    const int ports = std::max({effect->numInputs, effect->numOutputs, kChannels});
    std::vector<std::vector<float>> in(ports, std::vector<float>(frames));
    std::vector<std::vector<float>> out(ports, std::vector<float>(options.block));
    if (!options.inputPath.empty()) {
        std::string error;
        if (!loopedInput(options, frames, in, error)) {
            std::fprintf(stderr, "orvhost: %s\n", error.c_str());
            return 1;
        }
    } else {
        toneMix(frames, in);
    }
    std::vector<float*> inPointers(ports), outPointers(ports);
    const auto pass = [&] {
        for (int start = 0; start + options.block <= frames; start += options.block) {
            for (int p = 0; p < ports; ++p) {
                inPointers[p] = in[p].data() + start;
                outPointers[p] = out[p].data();
            }
            processBlock(effect, inPointers.data(), outPointers.data(), options.block);
        }
    };
    pass();  // warm-up
    std::vector<double> nsPerFrame;
    const int processed = frames / options.block * options.block;
    for (int r = 0; r < kRepetitions; ++r) {
        const auto begin = std::chrono::steady_clock::now();
        pass();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        nsPerFrame.push_back(seconds * 1e9 / processed);
    }
    std::sort(nsPerFrame.begin(), nsPerFrame.end());
    const double median = nsPerFrame[nsPerFrame.size() / 2];
    std::printf("%s: %.2f ns per stereo frame (median of %d x %.1f s, block %d, %.0f Hz), real-time factor %.0f\n",
                plugin.c_str(), median, kRepetitions, options.seconds, options.block, kRate,
                1e9 / (median * kRate));
    return 0;
}

}  // namespace vsthost
