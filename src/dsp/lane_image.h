// Filter sections laid out lane by lane, for the vector loops to load.
#pragma once

#include "dsp/biquad.h"

namespace orv::simd {

// The coefficients and one stage's state of up to eight section pairs (M
// in the even lane, S in the odd one), as plain arrays for any width.
struct LaneImage {
    static constexpr int kMaxLanes = 16;
    float b0[kMaxLanes], b1[kMaxLanes], b2[kMaxLanes], a1[kMaxLanes], a2[kMaxLanes];
    float x1[kMaxLanes], x2[kMaxLanes], y1[kMaxLanes], y2[kMaxLanes];

    void clear();
    // Places the coefficients of sections m and s, or the state of their
    // stage `stage`, in lanes 2 * group and 2 * group + 1.
    void putCoefficients(int group, const BiquadSection& m, const BiquadSection& s);
    void putState(int group, const BiquadSection& m, const BiquadSection& s, int stage);
    // Writes the state of that lane pair back to the sections.
    void takeState(int group, BiquadSection& m, BiquadSection& s, int stage) const;
    // Whether any lane's output state is infinite or not a number.
    bool brokenState() const;
};

}  // namespace orv::simd
