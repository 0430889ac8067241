// The direct-form-I step of a biquad written once over a vector of lanes:
// each lane is one section's stage (of one channel), with its own
// coefficients and state. Lanes are grouped in (M, S) pairs.
#pragma once

#include "dsp/lane_image.h"
#include "dsp/simd_lanes.h"

namespace orv::simd {
inline namespace ORV_SIMD_TARGET {

template <class V>
struct BiquadLanes {
    // The coefficients are read at every step from lane `first` of the
    // image, so that loops keep only the state in registers.
    const LaneImage* image;
    int first;
    V x1, x2, y1, y2;

    // One step on a flushed input s. Answers the output and leaves its
    // flushed form in y1, which is also what the next section takes: the
    // stored x1 and y1 are kept flushed, as their first use would make them.
    V step(V s) {
        const V y = directFormOne(V::load(image->b0 + first), V::load(image->b1 + first),
                                  V::load(image->b2 + first), V::load(image->a1 + first),
                                  V::load(image->a2 + first), s, x1, x2, y1, y2);
        x2 = x1;
        x1 = s;
        y2 = y1;
        y1 = flush(y);
        return y;
    }

    // The state of other in the lanes of mask, this state elsewhere.
    void takeStateWhere(typename V::Mask mask, const BiquadLanes& other) {
        x1 = select(mask, other.x1, x1);
        x2 = select(mask, other.x2, x2);
        y1 = select(mask, other.y1, y1);
        y2 = select(mask, other.y2, y2);
    }
};

// Lanes first to first + V::kLanes of the image; the image keeps the
// coefficients for as long as the lanes run.
template <class V>
BiquadLanes<V> loadBiquad(const LaneImage& im, int first = 0) {
    BiquadLanes<V> q;
    q.image = &im;
    q.first = first;
    q.x1 = flush(V::load(im.x1 + first));
    q.x2 = V::load(im.x2 + first);
    q.y1 = flush(V::load(im.y1 + first));
    q.y2 = V::load(im.y2 + first);
    return q;
}

template <class V>
void saveBiquad(const BiquadLanes<V>& q, LaneImage& im, int first = 0) {
    q.x1.store(im.x1 + first);
    q.x2.store(im.x2 + first);
    q.y1.store(im.y1 + first);
    q.y2.store(im.y2 + first);
}

}  // namespace ORV_SIMD_TARGET
}  // namespace orv::simd
