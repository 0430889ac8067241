// Second-order filter sections in direct form I, designed from the Audio EQ
// Cookbook formulas, optionally run twice in series (fourth order).
#pragma once

#include <cstdint>

namespace orv {

enum class SectionType : std::uint8_t {
    HighPass = 1,
    HighPassTwice = 2,
    LowPass = 3,
    LowPassTwice = 4,
    AllPassTwice = 5,
    Peaking = 6,    // q holds the bandwidth in octaves
    HighShelf = 7,
    LowShelf = 8,
    BandPass = 9,   // 0 dB peak; q holds the bandwidth in octaves
};

struct BiquadStage {
    float x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};

struct BiquadSection {
    SectionType type = SectionType::Peaking;
    bool cascade = false;
    float freq = 0;
    float gainDb = 0;
    float mix = 1;
    float q = 1;
    float b0 = 0, b1 = 0, b2 = 0, a1 = 0, a2 = 0;  // already divided by a0
    BiquadStage stage[2];
    BiquadSection* next = nullptr;
    std::uint32_t revision = 0;  // raised by every design, so copies of the coefficients can tell
};

// Values smaller than this in magnitude are flushed to 0 inside the filters.
constexpr float kFlushThreshold = 1e-25f;

// Recomputes the five coefficients for the sample rate fs; may correct freq,
// q and mix in the record. The state is left as it is.
void designSection(BiquadSection& section, float fs);

// Filters n samples in place through the chain that starts at first.
void runChain(BiquadSection* first, float* samples, int n);

// Clears the state of a section whose state is no longer finite.
void resetIfNotFinite(BiquadSection& section);

}  // namespace orv
