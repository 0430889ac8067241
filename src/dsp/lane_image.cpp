#include "dsp/lane_image.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <iterator>

namespace orv::simd {

void LaneImage::clear() {
    for (float* field : {b0, b1, b2, a1, a2, x1, x2, y1, y2}) std::fill(field, field + kMaxLanes, 0.0f);
}

void LaneImage::putCoefficients(int group, const BiquadSection& m, const BiquadSection& s) {
    int lane = 2 * group;
    for (const BiquadSection* section : {&m, &s}) {
        b0[lane] = section->b0;
        b1[lane] = section->b1;
        b2[lane] = section->b2;
        a1[lane] = section->a1;
        a2[lane] = section->a2;
        ++lane;
    }
}

void LaneImage::putState(int group, const BiquadSection& m, const BiquadSection& s, int stage) {
    int lane = 2 * group;
    for (const BiquadSection* section : {&m, &s}) {
        const BiquadStage& st = section->stage[stage];
        x1[lane] = st.x1;
        x2[lane] = st.x2;
        y1[lane] = st.y1;
        y2[lane] = st.y2;
        ++lane;
    }
}

void LaneImage::takeState(int group, BiquadSection& m, BiquadSection& s, int stage) const {
    int lane = 2 * group;
    for (BiquadSection* section : {&m, &s}) {
        section->stage[stage] = {x1[lane], x2[lane], y1[lane], y2[lane]};
        ++lane;
    }
}

bool LaneImage::brokenState() const {
    // An exponent of all ones (infinite or not a number) carries into the
    // sign bit when one more exponent step is added; the loop has no branch.
    constexpr std::uint32_t kExponent = 0x7F800000u;
    constexpr std::uint32_t kExponentStep = 0x00800000u;
    constexpr std::uint32_t kSignBit = 0x80000000u;
    std::uint32_t carries = 0;
    for (int lane = 0; lane < kMaxLanes; ++lane)
        carries |= ((std::bit_cast<std::uint32_t>(y1[lane]) & kExponent) + kExponentStep) |
                   ((std::bit_cast<std::uint32_t>(y2[lane]) & kExponent) + kExponentStep);
    return (carries & kSignBit) != 0;
}

}  // namespace orv::simd
