// orvhost render: an audio file through the plug-in at the file's rate.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "commands.h"
#include "host_session.h"
#include "midi_events.h"

#if defined(_WIN32)
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace vsthost {
namespace {

constexpr double kProgressFromSeconds = 10.0;
constexpr int kProgressWidth = 40;
constexpr int kMaxChannels = 2;

struct MidiMessage {
    long frame;
    unsigned char bytes[3];
};

bool parseMidi(const std::string& text, MidiMessage& m) {
    long values[4];
    const char* p = text.c_str();
    for (int i = 0; i < 4; ++i) {
        char* end = nullptr;
        values[i] = std::strtol(p, &end, 0);
        if (end == p || (i < 3 ? *end != ':' : *end != '\0')) return false;
        p = end + 1;
    }
    if (values[0] < 0) return false;
    for (int i = 1; i < 4; ++i)
        if (values[i] < 0 || values[i] > 255) return false;
    m.frame = values[0];
    for (int i = 0; i < 3; ++i) m.bytes[i] = static_cast<unsigned char>(values[i + 1]);
    return true;
}

struct Level {
    double peak = 0;
    double sumSquares = 0;
};

std::string dbfs(double v) {
    if (v <= 0) return "-inf";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", 20 * std::log10(v));
    return text;
}

std::vector<Level> levelsOf(const AudioData& data) {
    std::vector<Level> levels(data.channels.size());
    for (std::size_t c = 0; c < data.channels.size(); ++c)
        for (float v : data.channels[c]) {
            levels[c].peak = std::max(levels[c].peak, std::fabs(static_cast<double>(v)));
            levels[c].sumSquares += static_cast<double>(v) * v;
        }
    return levels;
}

void printLevels(const char* what, const AudioData& data) {
    const auto levels = levelsOf(data);
    for (std::size_t c = 0; c < levels.size(); ++c) {
        const double rms = data.frames() ? std::sqrt(levels[c].sumSquares / data.frames()) : 0;
        std::printf("  %-3s channel %zu: peak %s dBFS, RMS %s dBFS\n", what, c + 1,
                    dbfs(levels[c].peak).c_str(), dbfs(rms).c_str());
    }
}

// Delivers the events that fall into [start, start + frames) for this block.
void sendEvents(AEffect* effect, const std::vector<MidiMessage>& midi, long start, int frames) {
    MidiEventList events;
    for (const MidiMessage& m : midi)
        if (m.frame >= start && m.frame < start + frames)
            events.add(static_cast<VstInt32>(m.frame - start), m.bytes[0], m.bytes[1], m.bytes[2]);
    if (!events.empty()) dispatch(effect, effProcessEvents, 0, 0, events.events());
}

void showProgress(std::size_t done, std::size_t total) {
    const int filled = static_cast<int>(kProgressWidth * done / std::max<std::size_t>(total, 1));
    std::fprintf(stderr, "\r[%.*s%*s] %3d%%", filled, "########################################",
                 kProgressWidth - filled, "", static_cast<int>(100 * done / std::max<std::size_t>(total, 1)));
    std::fflush(stderr);
}

int fail(const std::string& message) {
    std::fprintf(stderr, "orvhost: %s\n", message.c_str());
    return 1;
}

}  // namespace

int runRender(const std::string& plugin, const std::string& in, const std::string& out,
              const CommandOptions& options) {
    if (options.block <= 0) return fail("--block must be a positive number of frames");
    std::vector<MidiMessage> midi;
    for (const std::string& m : options.midi) {
        MidiMessage message{};
        if (!parseMidi(m, message)) return fail("--midi '" + m + "' is not FRAME:STATUS:DATA1:DATA2");
        midi.push_back(message);
    }
    HostSession session(plugin);
    if (!session.ok()) return fail(session.error());
    AudioData input;
    std::string error;
    if (!readAudio(in, options.raw, input, error)) return fail(error);
    if (input.channels.empty() || input.channels.size() > kMaxChannels)
        return fail(in + ": " + std::to_string(input.channels.size()) +
                    " channels; orvhost renders mono and stereo files");
    if (input.channels.size() == 1) input.channels.push_back(input.channels[0]);  // dual mono
    if (!options.statePath.empty() && !session.loadState(options.statePath)) return fail(session.error());
    if (!session.applySettings(options.settings)) return fail(session.error());
    AEffect* effect = session.effect();
    session.start(static_cast<float>(input.sampleRate), options.block);

    const std::size_t frames = input.frames();
    AudioData output;
    output.sampleRate = input.sampleRate;
    output.channels.assign(2, std::vector<float>(frames));
    const int ports = std::max({effect->numInputs, effect->numOutputs, kMaxChannels});
    std::vector<std::vector<float>> inBuffers(ports, std::vector<float>(options.block));
    std::vector<std::vector<float>> outBuffers(ports, std::vector<float>(options.block));
    std::vector<float*> inPointers(ports), outPointers(ports);
    for (int p = 0; p < ports; ++p) {
        inPointers[p] = inBuffers[p].data();
        outPointers[p] = outBuffers[p].data();
    }
    const bool progress = isatty(fileno(stderr)) && frames > kProgressFromSeconds * input.sampleRate;
    const auto begin = std::chrono::steady_clock::now();
    for (std::size_t start = 0; start < frames; start += options.block) {
        const int n = static_cast<int>(std::min<std::size_t>(options.block, frames - start));
        for (int c = 0; c < kMaxChannels; ++c)
            std::copy_n(input.channels[c].begin() + static_cast<long>(start), n, inBuffers[c].begin());
        sendEvents(effect, midi, static_cast<long>(start), n);
        processBlock(effect, inPointers.data(), outPointers.data(), n);
        for (int c = 0; c < kMaxChannels; ++c)
            std::copy_n(outBuffers[c].begin(), n, output.channels[c].begin() + static_cast<long>(start));
        if (progress) showProgress(start + n, frames);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    if (progress) std::fprintf(stderr, "\n");
    if (!writeAudio(out, output, error)) return fail(error);
    if (!options.saveStatePath.empty() && !session.saveState(options.saveStatePath))
        return fail(session.error());
    const double audioSeconds = frames / input.sampleRate;
    std::printf("rendered %s -> %s: %zu frames at %.0f Hz (%.2f s of audio)\n", in.c_str(),
                out.c_str(), frames, input.sampleRate, audioSeconds);
    printLevels("in", input);
    printLevels("out", output);
    std::printf("  time %.3f s, real-time factor %.1f\n", seconds,
                seconds > 0 ? audioSeconds / seconds : 0.0);
    return 0;
}

}  // namespace vsthost
