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

// The direct-form-I recursion, written once for a float and for every vector
// of lanes: the same operations in the same order give the same bits.
template <class V>
V directFormOne(V b0, V b1, V b2, V a1, V a2, V x, V x1, V x2, V y1, V y2) {
    V t = b0 * x;
    t = t + b1 * x1;
    t = t + b2 * x2;
    t = t - a1 * y1;
    return t - a2 * y2;
}

// Recomputes the five coefficients for the sample rate fs; may correct freq,
// q and mix in the record. The state is left as it is.
void designSection(BiquadSection& section, float fs);

// Clears the state of a section whose state is no longer finite.
void resetIfNotFinite(BiquadSection& section);

}  // namespace orv
