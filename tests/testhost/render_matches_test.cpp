// orvhost render writes what the plug-in computes when it is driven
// directly with the same input and block size.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "midi_events.h"
#include "plugin_library.h"

namespace {

std::string orvhost;
std::string plugin;

constexpr int kRate = 48000;
constexpr int kFrames = 30000;
constexpr int kBlock = 256;

std::vector<float> readStereo(const std::string& path) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) return {};
    std::vector<float> data(static_cast<std::size_t>(info.frames) * info.channels);
    sf_readf_float(f, data.data(), info.frames);
    sf_close(f);
    return data;
}

TEST(OrvhostRender, MatchesDirectProcessing) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "orvhost-render-test";
    fs::create_directories(dir);
    std::vector<float> interleaved(2 * kFrames);
    for (int j = 0; j < kFrames; ++j) {
        interleaved[2 * j] = 0.6f * std::sin(0.03f * j);
        interleaved[2 * j + 1] = 0.4f * std::sin(0.071f * j + 0.5f);
    }
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    const std::string in = (dir / "in.wav").string();
    const std::string out = (dir / "out.wav").string();
    SNDFILE* f = sf_open(in.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr);
    sf_writef_float(f, interleaved.data(), kFrames);
    sf_close(f);
    const std::string command = orvhost + " render " + plugin + " " + in + " " + out +
                                " --block 256 --set Mode=M/S --set M-LS_Gain=0.575 --midi 1000:0xB0:20:90 > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::vector<float> rendered = readStereo(out);
    ASSERT_EQ(rendered.size(), interleaved.size());

    vsthost::PluginLibrary library(plugin);
    AEffect* e = library.instantiate(vsthost::hostCallback);
    ASSERT_NE(e, nullptr);
    vsthost::dispatch(e, effOpen);
    e->setParameter(e, 0, 1.0f / 3.0f);
    e->setParameter(e, 9, 0.575f);
    vsthost::dispatch(e, effSetSampleRate, 0, 0, nullptr, kRate);
    vsthost::dispatch(e, effSetBlockSize, 0, kBlock);
    vsthost::dispatch(e, effMainsChanged, 0, 1);
    std::vector<float> l(kBlock), r(kBlock);
    for (int start = 0; start < kFrames; start += kBlock) {
        const int n = std::min(kBlock, kFrames - start);
        if (start <= 1000 && 1000 < start + n) {
            vsthost::MidiEventList events;
            events.add(1000 - start, 0xB0, 20, 90);
            vsthost::dispatch(e, effProcessEvents, 0, 0, events.events());
        }
        for (int j = 0; j < n; ++j) {
            l[j] = interleaved[2 * (start + j)];
            r[j] = interleaved[2 * (start + j) + 1];
        }
        float* io[2] = {l.data(), r.data()};
        e->processReplacing(e, io, io, n);
        for (int j = 0; j < n; ++j) {
            ASSERT_EQ(rendered[2 * (start + j)], l[j]) << start + j;
            ASSERT_EQ(rendered[2 * (start + j) + 1], r[j]) << start + j;
        }
    }
    vsthost::dispatch(e, effClose);
    fs::remove_all(dir);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 3) return 2;
    orvhost = argv[1];
    plugin = argv[2];
    return RUN_ALL_TESTS();
}
