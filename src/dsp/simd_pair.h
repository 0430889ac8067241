// SSE2 helpers for running the two channels side by side: lane 0 carries
// the M (or left) value, lane 1 the S (or right) value. Every operation is
// the single-precision operation of the scalar code, lane by lane.
#pragma once

#include <emmintrin.h>

#include "dsp/biquad.h"

namespace orv::simd {

constexpr int kMaxPairSections = 4;

inline __m128 pair(float a, float b) { return _mm_setr_ps(a, b, 0.0f, 0.0f); }
inline float lane0(__m128 v) { return _mm_cvtss_f32(v); }
inline float lane1(__m128 v) { return _mm_cvtss_f32(_mm_shuffle_ps(v, v, _MM_SHUFFLE(1, 1, 1, 1))); }
inline __m128 magnitude(__m128 v) {
    return _mm_and_ps(v, _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF)));
}
// Lane 0 from a, lane 1 (and above) from b.
inline __m128 lane0From(__m128 a, __m128 b) { return _mm_move_ss(b, a); }
inline __m128 swapLanes(__m128 v) { return _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 2, 0, 1)); }
inline __m128 select(__m128 mask, __m128 ifSet, __m128 ifClear) {
    return _mm_or_ps(_mm_and_ps(mask, ifSet), _mm_andnot_ps(mask, ifClear));
}

// |v| < threshold gives +0, anything else (NaN included) passes.
inline __m128 flush(__m128 v) {
    return _mm_andnot_ps(_mm_cmplt_ps(magnitude(v), _mm_set1_ps(kFlushThreshold)), v);
}

// A section's coefficients and both stages' state for the two channels.
struct PairSection {
    __m128 b0, b1, b2, a1, a2;
    __m128 x1[2], x2[2], y1[2], y2[2];

    void load(const BiquadSection& a, const BiquadSection& b) {
        b0 = pair(a.b0, b.b0);
        b1 = pair(a.b1, b.b1);
        b2 = pair(a.b2, b.b2);
        a1 = pair(a.a1, b.a1);
        a2 = pair(a.a2, b.a2);
        for (int st = 0; st < 2; ++st) {
            x1[st] = flush(pair(a.stage[st].x1, b.stage[st].x1));
            x2[st] = pair(a.stage[st].x2, b.stage[st].x2);
            y1[st] = flush(pair(a.stage[st].y1, b.stage[st].y1));
            y2[st] = pair(a.stage[st].y2, b.stage[st].y2);
        }
    }

    void save(BiquadSection& a, BiquadSection& b) const {
        for (int st = 0; st < 2; ++st) {
            a.stage[st] = {lane0(x1[st]), lane0(x2[st]), lane0(y1[st]), lane0(y2[st])};
            b.stage[st] = {lane1(x1[st]), lane1(x2[st]), lane1(y1[st]), lane1(y2[st])};
        }
    }

    // One direct-form-I step on a flushed input s. Answers the output and
    // leaves its flushed form in y1, which is also the next step's input:
    // the stored x1 and y1 are kept flushed, as their first use would make them.
    __m128 step(int st, __m128 s) {
        __m128 t = _mm_mul_ps(b0, s);
        t = _mm_add_ps(t, _mm_mul_ps(b1, x1[st]));
        t = _mm_add_ps(t, _mm_mul_ps(b2, x2[st]));
        t = _mm_sub_ps(t, _mm_mul_ps(a1, y1[st]));
        const __m128 y = _mm_sub_ps(t, _mm_mul_ps(a2, y2[st]));
        x2[st] = x1[st];
        x1[st] = s;
        y2[st] = y1[st];
        y1[st] = flush(y);
        return y;
    }
};

// N sections of a chain for both channels, loaded from the records and
// written back to them by save(). Bit i of Cascade says whether section i
// runs twice; the records must agree (see pairable()).
template <int N, unsigned Cascade>
struct PairChain {
    PairSection p[N];
    BiquadSection* a[N];
    BiquadSection* b[N];

    PairChain(BiquadSection* firstA, BiquadSection* firstB) {
        a[0] = firstA;
        b[0] = firstB;
        for (int i = 1; i < N; ++i) {
            a[i] = a[i - 1]->next;
            b[i] = b[i - 1]->next;
        }
        for (int i = 0; i < N; ++i) p[i].load(*a[i], *b[i]);
    }
    static bool matches(BiquadSection* first) {
        for (int i = 0; i < N; ++i, first = first->next)
            if (first->cascade != (((Cascade >> i) & 1u) != 0)) return false;
        return true;
    }
    // Answers the chain's output; flushedOut receives its flushed form.
    __m128 run(__m128 v, __m128& flushedOut) {
        __m128 s = flush(v);
        for (int i = 0; i < N; ++i) {
            v = p[i].step(0, s);
            s = p[i].y1[0];
            if ((Cascade >> i) & 1u) {
                v = p[i].step(1, s);
                s = p[i].y1[1];
            }
        }
        flushedOut = s;
        return v;
    }
    void save() {
        for (int i = 0; i < N; ++i) p[i].save(*a[i], *b[i]);
    }
};

// Side by side only when the two chains have the same shape and every mix
// is 1 (the filtered signal alone): then each output is the plain sum. The
// number of sections is written to count.
bool pairable(BiquadSection* a, BiquadSection* b, int& count);

}  // namespace orv::simd
