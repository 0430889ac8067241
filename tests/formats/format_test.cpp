// The effect in each plug-in format against the VST 2.4 library: the
// parameters of the table in their own units, the same output bit for bit
// for the same values in any order of arrival (MIDI controllers included,
// the gain controllers following Link), the same 136 state bytes, states
// that go from any format to any other, bad input refused or clamped, odd
// block sizes, latency that follows Auto and the rate from the start, and
// many instances.
// Usage: format_tests VST2_LIBRARY [--lv2 BUNDLE_DIR] [--clap FILE] [--vst3 FILE]
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <map>
#include <random>

#include "format_plugins.h"
#include "midi_events.h"
#include "dsp/state_block.h"
#include "params/param_table.h"
#include "plugin_instance.h"

namespace formats {

std::string vst2Path;
std::map<std::string, std::function<std::unique_ptr<FormatPlugin>()>> openers;

std::vector<std::string> formatNames() {
    std::vector<std::string> names;
    for (const auto& [name, opener] : openers) names.push_back(name);
    return names;
}

namespace {

constexpr double kRate = 48000;
constexpr int kBlock = 512;
constexpr int kBlocks = 6;
constexpr int kOutput = 1;
constexpr int kAuto = 4;

// A setting as the VST 2.4 library takes it: normalised values, in order.
struct Setting {
    int index;
    double value;
};
using Settings = std::vector<Setting>;

// Defaults; a busy setting over every stage (Link on, so the VST 2.4 gives
// both channels what it is given for M); one with the matrix, Auto 0 and
// Link off.
const std::vector<Settings> kSettings = {
    {},
    {{0, 1.0 / 3}, {1, 0.6}, {2, 0.5}, {3, 0.33}, {5, 1.0}, {7, 0.4}, {9, 0.7}, {11, 0.3}, {12, 0.2}, {14, 0.65}},
    {{0, 0.7}, {4, 0.0}, {8, 0.2}, {16, 0.9}, {17, 0.8}, {22, 0.1}, {24, 0.0}},
};

// Noise and a sine, the same for every format.
std::vector<float> signal(int channel) {
    std::mt19937 random(7 + channel);
    std::uniform_real_distribution<float> noise(-0.3f, 0.3f);
    std::vector<float> s(static_cast<std::size_t>(kBlock) * kBlocks);
    for (std::size_t j = 0; j < s.size(); ++j)
        s[j] = noise(random) + 0.5f * std::sin(0.01f * static_cast<float>(j) * static_cast<float>(channel + 1));
    return s;
}

using Render = std::vector<float>;  // left then right

// A controller message in the third block: Output by controller 20.
const std::vector<ControllerMessage> kController = {{100, 0xB0, 20, 90}};
constexpr int kControllerBlock = 2;

Render renderVst2(const Settings& settings, const std::vector<std::uint8_t>* chunk = nullptr,
                  const std::vector<ControllerMessage>& controllers = kController) {
    vsthost::PluginLibrary library(vst2Path);
    vsthost::PluginInstance e(library);
    e.call(effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
    e.call(effSetBlockSize, 0, kBlock);
    if (chunk) e.call(effSetChunk, 0, static_cast<VstIntPtr>(chunk->size()), const_cast<std::uint8_t*>(chunk->data()));
    for (const Setting& s : settings) e->setParameter(e.get(), s.index, static_cast<float>(s.value));
    e.call(effMainsChanged, 0, 1);
    const std::vector<float> l = signal(0), r = signal(1);
    Render out(l.size() * 2);
    for (int b = 0; b < kBlocks; ++b) {
        if (b == kControllerBlock && !controllers.empty()) {
            vsthost::MidiEventList events;
            for (const ControllerMessage& m : controllers) events.add(static_cast<VstInt32>(m.frame), m.status, m.number, m.value);
            e.call(effProcessEvents, 0, 0, events.events());
        }
        const std::size_t at = static_cast<std::size_t>(b) * kBlock;
        float* in[2] = {const_cast<float*>(l.data() + at), const_cast<float*>(r.data() + at)};
        float* o[2] = {out.data() + at, out.data() + l.size() + at};
        e.process(in, o, kBlock);
    }
    return out;
}

Render renderVst2WithoutControllers(const Settings& settings) { return renderVst2(settings, nullptr, {}); }

std::vector<std::uint8_t> vst2Chunk(const Settings& settings) {
    vsthost::PluginLibrary library(vst2Path);
    vsthost::PluginInstance e(library);
    e.call(effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
    for (const Setting& s : settings) e->setParameter(e.get(), s.index, static_cast<float>(s.value));
    return e.chunk();
}

// What hosts of the formats read back for a state: every value in its units.
std::vector<double> hostValues(const std::vector<std::uint8_t>& chunk) {
    orv::StateBlock state{};
    std::memcpy(&state, chunk.data(), std::min(chunk.size(), sizeof state));
    std::vector<double> values;
    for (int i = 0; i < orv::kNumParams; ++i) values.push_back(orv::hostValue(state, i));
    return values;
}

Render render(FormatPlugin& p, const std::vector<ControllerMessage>& controllers = kController) {
    p.start(kRate, kBlock);
    const std::vector<float> l = signal(0), r = signal(1);
    Render out(l.size() * 2);
    for (int b = 0; b < kBlocks; ++b) {
        const std::size_t at = static_cast<std::size_t>(b) * kBlock;
        const float* in[2] = {l.data() + at, r.data() + at};
        float* o[2] = {out.data() + at, out.data() + l.size() + at};
        p.process(in, o, kBlock, b == kControllerBlock ? controllers : std::vector<ControllerMessage>{});
    }
    return out;
}

// Every value at once, as a host restoring its project sets them, in index
// order or the reverse.
void setAll(FormatPlugin& p, const std::vector<double>& values, bool reversed = false) {
    for (int k = 0; k < orv::kNumParams; ++k) {
        const int i = reversed ? orv::kNumParams - 1 - k : k;
        p.setValue(i, values[static_cast<std::size_t>(i)]);
    }
}

// The VST 2.4 render a format is held against: with the controller message
// where the format takes MIDI.
Render expectedRender(const FormatPlugin& p, const Settings& settings) {
    return p.takesMidi() ? renderVst2(settings) : renderVst2WithoutControllers(settings);
}

// One block of silence: where values reach the plug-in only while it runs
// (LV2), they have reached it afterwards.
void runSilence(FormatPlugin& p) {
    std::vector<float> l(kBlock), r(kBlock);
    const float* in[2] = {l.data(), r.data()};
    float* out[2] = {l.data(), r.data()};
    p.process(in, out, kBlock);
}

class Format : public ::testing::TestWithParam<std::string> {
protected:
    std::unique_ptr<FormatPlugin> open() { return openers.at(GetParam())(); }
};

TEST_P(Format, ParametersComeFromTheTableInTheirUnits) {
    auto p = open();
    const auto parameters = p->parameters();
    ASSERT_EQ(parameters.size(), static_cast<std::size_t>(orv::kNumParams));
    for (int i = 0; i < orv::kNumParams; ++i) {
        const orv::ParamInfo& info = orv::kParamTable[i];
        const orv::HostRange range = orv::hostRange(i);
        EXPECT_EQ(parameters[i].name, orv::displayName(i));
        EXPECT_FLOAT_EQ(parameters[i].minimum, range.minimum) << info.name;
        EXPECT_FLOAT_EQ(parameters[i].maximum, range.maximum) << info.name;
        EXPECT_FLOAT_EQ(parameters[i].defaultValue, range.defaultValue) << info.name;
        if (!parameters[i].unit.empty()) {
            EXPECT_NE(parameters[i].unit.find(info.unit), std::string::npos);
        }
        EXPECT_FLOAT_EQ(p->value(i), parameters[i].defaultValue) << info.name;
    }
    if (!p->valueText(0, 0.0).empty()) {
        EXPECT_EQ(p->valueText(0, 1.0), "M/S");
        EXPECT_EQ(p->valueText(24, 1.0), "ON");
        EXPECT_EQ(p->valueText(kOutput, 100.0), "100");
        EXPECT_EQ(p->valueText(8, 523.5), "523.5");  // M-LS_Freq., Hz
    }
}

TEST_P(Format, RendersBitForBitLikeTheVst2WhateverTheOrderOfValues) {
    for (std::size_t i = 0; i < kSettings.size(); ++i) {
        const std::vector<double> values = hostValues(vst2Chunk(kSettings[i]));
        for (const bool reversed : {false, true}) {
            auto p = open();
            setAll(*p, values, reversed);
            for (int k = 0; k < orv::kNumParams; ++k)
                EXPECT_FLOAT_EQ(p->value(k), values[static_cast<std::size_t>(k)]) << "setting " << i << ", read back " << k;
            EXPECT_EQ(render(*p), expectedRender(*p, kSettings[i])) << "setting " << i << (reversed ? ", reversed" : "");
        }
    }
}

// The gain controllers follow Link where the host cannot couple them: with
// Link on, controller 23 sets both channels' gains.
TEST_P(Format, GainControllersFollowLink) {
    auto p = open();
    if (!p->takesMidi()) GTEST_SKIP() << "this format takes no MIDI";
    const std::vector<ControllerMessage> mGain = {{100, 0xB3, 23, 64}};
    const std::vector<ControllerMessage> bothGains = {{100, 0xB3, 23, 64}, {100, 0xB3, 24, 64}};
    EXPECT_EQ(render(*p, mGain), renderVst2({}, nullptr, bothGains));
    auto unlinked = open();
    unlinked->setValue(24, 0.0);
    EXPECT_EQ(render(*unlinked, mGain), renderVst2({{24, 0.0}}, nullptr, mGain));
}

TEST_P(Format, StateIsTheVst2ChunkAndRestoresInEveryFormat) {
    const Settings& settings = kSettings[1];
    const std::vector<std::uint8_t> vst2State = vst2Chunk(settings);
    auto p = open();
    setAll(*p, hostValues(vst2State));
    p->start(kRate, kBlock);
    runSilence(*p);
    const std::string state = p->saveState();
    const std::vector<std::uint8_t> chunk = chunkOfState(state);
    EXPECT_EQ(chunk, vst2State);
    for (const auto& [name, openOther] : openers) {
        auto other = openOther();
        const std::string theirs = name == GetParam() ? state : other->stateOfChunk(chunk, hostValues(chunk));
        ASSERT_TRUE(other->loadState(theirs)) << name;
        const Render expected = renderVst2({}, &chunk, other->takesMidi() ? kController : std::vector<ControllerMessage>{});
        EXPECT_EQ(render(*other), expected) << "restored in " << name;
    }
}

TEST_P(Format, BadStatesChangeNothing) {
    auto p = open();
    setAll(*p, hostValues(vst2Chunk(kSettings[1])));
    p->start(kRate, kBlock);
    runSilence(*p);
    const std::string good = p->saveState();
    std::vector<std::uint8_t> chunk = chunkOfState(good);
    std::vector<std::uint8_t> shorter(chunk.begin(), chunk.end() - 1);
    ASSERT_EQ(chunk.size(), sizeof(orv::StateBlock));
    std::vector<std::uint8_t> foreign = chunk;
    const char otherName[] = "abcdef";
    std::copy(otherName, otherName + 6, foreign.begin() + 4);
    for (const auto& bad : {shorter, foreign}) {
        auto fresh = open();
        fresh->start(kRate, kBlock);
        fresh->loadState(fresh->stateOfChunk(bad, hostValues(vst2Chunk({}))));
        runSilence(*fresh);
        EXPECT_EQ(chunkOfState(fresh->saveState()), vst2Chunk({})) << bad.size() << " bytes";
    }
}

TEST_P(Format, OutOfRangeValuesAreClamped) {
    auto low = open(), high = open(), zero = open(), top = open();
    low->setValue(kOutput, -300.0);
    high->setValue(kOutput, 700.0);
    zero->setValue(kOutput, 0.0);
    top->setValue(kOutput, 200.0);
    // A host reading back sees the value clamped.
    if (GetParam() != "LV2") {  // an LV2 host reads its own control port
        EXPECT_EQ(high->value(kOutput), 200.0);
        EXPECT_EQ(low->value(kOutput), 0.0);
    }
    EXPECT_EQ(render(*low), render(*zero));
    EXPECT_EQ(render(*high), render(*top));
}

// Text typed into a host's field: value names and numbers, with the unit
// or without; any other text names no value and is refused.
TEST_P(Format, TypedTextThatNamesNoValueIsRefused) {
    auto p = open();
    double v = -1;
    if (!p->valueOfText(0, "M/S", v)) GTEST_SKIP() << "the format's hosts keep no text of their own";
    EXPECT_EQ(v, 1.0);
    EXPECT_TRUE(p->valueOfText(8, "250 Hz", v));  // M-LS_Freq.
    EXPECT_EQ(v, 250.0);
    EXPECT_TRUE(p->valueOfText(kOutput, "71", v));
    EXPECT_EQ(v, 71.0);
    for (const char* text : {"abc", "", "12 dB", "Loud"}) EXPECT_FALSE(p->valueOfText(8, text, v)) << text;
    EXPECT_FALSE(p->valueOfText(0, "Loud", v));
    EXPECT_FALSE(p->valueOfText(0, "7", v));  // Mode has four named values
}

TEST_P(Format, EmptyAndLargeBlocks) {
    auto p = open();
    const int large = 8192;
    p->start(kRate, large);
    std::vector<float> l(large, 0.25f), r(large, -0.25f);
    const float* in[2] = {l.data(), r.data()};
    float* out[2] = {l.data(), r.data()};
    p->process(in, out, 0);
    p->process(in, out, large);
    for (float v : l) ASSERT_TRUE(std::isfinite(v));
}

TEST_P(Format, LatencyFollowsAutoAndTheRate) {
    auto p = open();
    p->start(kRate, kBlock);
    // Known before the first block (LV2 reports it through its port, which a
    // plug-in writes while it runs).
    if (GetParam() != "LV2") {
        EXPECT_EQ(p->latency(), 2400);  // 50 ms at 48 kHz
    }
    runSilence(*p);
    EXPECT_EQ(p->latency(), 2400);
    p->stop();
    p->start(96000, kBlock);
    runSilence(*p);
    EXPECT_EQ(p->latency(), 4800);
    p->setValue(kAuto, 0.0);
    runSilence(*p);
    EXPECT_EQ(p->latency(), 0);
    // Bypass leaves out the clip guard and its delay.
    p->setValue(kAuto, 50.0);
    p->setValue(orv::kBypass, 1.0);
    runSilence(*p);
    EXPECT_EQ(p->latency(), 0);
}

// The build's version (CMake's project version). LV2 knows no major
// version and reads odd minor and micro numbers as unstable: DPF gives
// minor + 2 for a major above 0, and the plug-in doubles minor and micro.
TEST_P(Format, ReportsTheBuildsVersion) {
    auto p = open();
    const std::string expected =
        GetParam() == "LV2"
            ? std::to_string(2 * ORV_VERSION_MINOR + (ORV_VERSION_MAJOR > 0 ? 2 : 0)) + "." +
                  std::to_string(2 * ORV_VERSION_PATCH)
            : std::to_string(ORV_VERSION_MAJOR) + "." + std::to_string(ORV_VERSION_MINOR) + "." +
                  std::to_string(ORV_VERSION_PATCH);
    EXPECT_EQ(p->version(), expected);
}

TEST_P(Format, ManyInstancesAndRateChanges) {
    for (int i = 0; i < 20; ++i) open();
    std::vector<std::unique_ptr<FormatPlugin>> several;
    for (int i = 0; i < 8; ++i) several.push_back(open());
    for (auto& p : several) {
        for (double rate : {44100.0, 96000.0, 8000.0, 192000.0}) {
            p->start(rate, kBlock);
            std::vector<float> l(kBlock, 0.1f), r(kBlock, 0.1f);
            const float* in[2] = {l.data(), r.data()};
            float* out[2] = {l.data(), r.data()};
            p->process(in, out, kBlock);
            for (float v : l) ASSERT_TRUE(std::isfinite(v));
            p->stop();
        }
    }
}


INSTANTIATE_TEST_SUITE_P(Formats, Format, ::testing::ValuesIn(formatNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
}  // namespace formats

// The formats are known before GoogleTest instantiates the tests for them.
int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option.rfind("--gtest", 0) == 0) continue;
        if (formats::vst2Path.empty() && option.rfind("--", 0) != 0) {
            formats::vst2Path = vsthost::platformPath(option);
            continue;
        }
        if (i + 1 >= argc) break;
        const std::string path = vsthost::platformPath(argv[++i]);
#if !defined(_WIN32)
        if (option == "--lv2") formats::openers["LV2"] = [path] { return formats::openLv2(path); };
#endif
        if (option == "--clap") formats::openers["CLAP"] = [path] { return formats::openClap(path); };
        if (option == "--vst3") formats::openers["VST3"] = [path] { return formats::openVst3(path); };
    }
    if (formats::vst2Path.empty()) {
        std::fprintf(stderr, "usage: %s VST2_LIBRARY [--lv2 BUNDLE_DIR] [--clap FILE] [--vst3 FILE]\n", argv[0]);
        return 2;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
