// A fixed programme through the real library, hashed bit for bit: loud and
// quiet noise and a tone mix, at the defaults, with every stage at work and
// with random settings in every mode and with Bypass, in blocks of odd
// sizes with MIDI controllers in between. Any change to any output sample
// changes the hash.
#include <cstdint>
#include <cstring>
#include <vector>

#include "midi_events.h"
#include "plugin_fixture.h"

namespace integration {
namespace {

using GoldenRender = PluginTest;

constexpr float kRate = 48000.0f;
constexpr int kFrames = 24000;
constexpr int kBlockSizes[] = {1, 17, 64, 333, 1024, 1500, 4097, 700};

// Deterministic on every platform: integer steps, no maths library.
struct Lcg {
    std::uint32_t state;
    std::uint32_t next() { return state = state * 1664525u + 1013904223u; }
    float unit() { return static_cast<float>(next() >> 8) * (1.0f / 16777216.0f); }
};

enum class Input { NoiseMinus12, NoiseFull, Tones };

void fillInput(Input kind, std::vector<float>& l, std::vector<float>& r) {
    Lcg random{7};
    // Two quadrature oscillators (rotation by a fixed angle) and a little noise.
    double c1 = 1, s1 = 0, c2 = 1, s2 = 0;
    const double rc1 = 0.99989640728979, rs1 = 0.01439450279413;  // 0.0144 rad per sample
    const double rc2 = 0.99786176233963, rs2 = 0.06535340980220;  // 0.0654 rad per sample
    for (std::size_t j = 0; j < l.size(); ++j) {
        const float a = random.unit() * 2.0f - 1.0f;
        const float b = random.unit() * 2.0f - 1.0f;
        switch (kind) {
        case Input::NoiseMinus12: l[j] = 0.25f * a; r[j] = 0.25f * b; break;
        case Input::NoiseFull: l[j] = a; r[j] = b; break;
        case Input::Tones:
            l[j] = static_cast<float>(0.3 * s1 + 0.2 * s2) + 0.02f * a;
            r[j] = static_cast<float>(0.3 * c1 - 0.2 * c2) + 0.02f * b;
            break;
        }
        const double n1 = c1 * rc1 - s1 * rs1, n2 = c2 * rc2 - s2 * rs2;
        s1 = s1 * rc1 + c1 * rs1;
        s2 = s2 * rc2 + c2 * rs2;
        c1 = n1;
        c2 = n2;
    }
}

struct Hash {
    std::uint64_t value = 1469598103934665603ull;  // FNV-1a, 64 bits
    void add(float v) {
        std::uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        for (int b = 0; b < 4; ++b) {
            value ^= (bits >> (8 * b)) & 0xFFu;
            value *= 1099511628211ull;
        }
    }
};

void sendController(const PluginInstance& e, int delta, int number, int value) {
    vsthost::MidiEventList events;
    events.add(delta, 0xB0, number, value);
    e.call(effProcessEvents, 0, 0, events.events());
}

// Settings by normalised value; 26 entries, or empty for the defaults.
void renderOne(const vsthost::PluginLibrary& library, Input input,
               const std::vector<float>& settings, bool midi, Hash& hash) {
    PluginInstance e(library);
    e.call(effSetSampleRate, 0, 0, nullptr, kRate);
    for (VstInt32 i = 0; i < static_cast<VstInt32>(settings.size()); ++i)
        e->setParameter(e.get(), i, settings[i]);
    e.call(effMainsChanged, 0, 1);
    std::vector<float> l(kFrames), r(kFrames);
    fillInput(input, l, r);
    int start = 0;
    for (int piece = 0; start < kFrames; ++piece) {
        const int n = std::min(kBlockSizes[piece % std::size(kBlockSizes)], kFrames - start);
        if (midi && piece % 3 == 1) sendController(e, n / 2, 20 + piece % 5, (piece * 37) % 128);
        float* io[2] = {l.data() + start, r.data() + start};
        e->processReplacing(e.get(), io, io, n);
        start += n;
    }
    for (int j = 0; j < kFrames; ++j) {
        hash.add(l[j]);
        hash.add(r[j]);
    }
}

std::vector<float> busySettings() {
    std::vector<float> x = {0.0f, 0.7071f, 0.93f, 0.3466f, 0.5f, 1.0f};  // Sample 24 kHz, Int on
    const float channel[9] = {0.7071f, 0.5f, 0.26f, 0.6f, 0.22f, 0.5f, 0.35f, 0.3f, 0.7f};
    for (int k = 0; k < 2; ++k) x.insert(x.end(), channel, channel + 9);
    x.push_back(0.0f);  // Link off
    x.push_back(0.0f);  // Bypass off
    return x;
}

std::uint64_t renderProgramme(const vsthost::PluginLibrary& library) {
    Hash hash;
    for (Input input : {Input::NoiseMinus12, Input::NoiseFull, Input::Tones}) {
        renderOne(library, input, {}, false, hash);
        renderOne(library, input, busySettings(), true, hash);
    }
    Lcg random{2026};
    for (int round = 0; round < 12; ++round) {
        std::vector<float> x(26);
        for (float& v : x) v = random.unit();
        x[0] = static_cast<float>(round % 4) / 3.0f;  // every mode
        x[25] = round % 6 == 5 ? 1.0f : 0.0f;         // Bypass now and then
        if (round % 3 == 0) x[4] = 0.0f;              // Auto off
        renderOne(library, round % 2 ? Input::NoiseFull : Input::Tones, x, true, hash);
    }
    return hash.value;
}

// The same on Linux and on Windows.
constexpr std::uint64_t kRecordedHash = 0x0d7a741e588b4be5;

TEST_F(GoldenRender, OutputIsBitForBitWhatItWas) {
    const std::uint64_t hash = renderProgramme(*library);
    EXPECT_EQ(hash, kRecordedHash) << std::hex << "rendered 0x" << hash;
}

}  // namespace
}  // namespace integration
