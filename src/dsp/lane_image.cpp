#include "dsp/lane_image.h"

#include <algorithm>
#include <iterator>

namespace orv::simd {

void LaneImage::clear() {
    for (float* field : {b0, b1, b2, a1, a2, x1, x2, y1, y2}) std::fill(field, field + kMaxLanes, 0.0f);
}

void LaneImage::put(int group, const BiquadSection& m, const BiquadSection& s, int stage) {
    int lane = 2 * group;
    for (const BiquadSection* section : {&m, &s}) {
        b0[lane] = section->b0;
        b1[lane] = section->b1;
        b2[lane] = section->b2;
        a1[lane] = section->a1;
        a2[lane] = section->a2;
        const BiquadStage& st = section->stage[stage];
        x1[lane] = st.x1;
        x2[lane] = st.x2;
        y1[lane] = st.y1;
        y2[lane] = st.y2;
        ++lane;
    }
}

void LaneImage::take(int group, BiquadSection& m, BiquadSection& s, int stage) const {
    int lane = 2 * group;
    for (BiquadSection* section : {&m, &s}) {
        section->stage[stage] = {x1[lane], x2[lane], y1[lane], y2[lane]};
        ++lane;
    }
}

}  // namespace orv::simd
