#include "dsp/biquad_pair.h"

#include <emmintrin.h>

namespace orv {
namespace {

constexpr int kMaxSections = 4;

// A section's coefficients and both stages' state for the two channels.
struct PairSection {
    __m128 b0, b1, b2, a1, a2;
    __m128 x1[2], x2[2], y1[2], y2[2];
    bool cascade;
};

__m128 pair(float a, float b) { return _mm_setr_ps(a, b, 0.0f, 0.0f); }
float lane0(__m128 v) { return _mm_cvtss_f32(v); }
float lane1(__m128 v) { return _mm_cvtss_f32(_mm_shuffle_ps(v, v, _MM_SHUFFLE(1, 1, 1, 1))); }

// |v| < threshold gives +0, anything else (NaN included) passes.
__m128 flush(__m128 v) {
    const __m128 magnitude = _mm_and_ps(v, _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF)));
    return _mm_andnot_ps(_mm_cmplt_ps(magnitude, _mm_set1_ps(kFlushThreshold)), v);
}

// One direct-form-I step on a flushed input. The stored x1 and y1 are kept
// flushed, which is what the first use of each would do.
__m128 step(PairSection& p, int st, __m128 s) {
    __m128 t = _mm_mul_ps(p.b0, s);
    t = _mm_add_ps(t, _mm_mul_ps(p.b1, p.x1[st]));
    t = _mm_add_ps(t, _mm_mul_ps(p.b2, p.x2[st]));
    t = _mm_sub_ps(t, _mm_mul_ps(p.a1, p.y1[st]));
    const __m128 y = _mm_sub_ps(t, _mm_mul_ps(p.a2, p.y2[st]));
    p.x2[st] = p.x1[st];
    p.x1[st] = s;
    p.y2[st] = p.y1[st];
    p.y1[st] = flush(y);
    return y;
}

void load(PairSection& p, const BiquadSection& a, const BiquadSection& b) {
    p.b0 = pair(a.b0, b.b0);
    p.b1 = pair(a.b1, b.b1);
    p.b2 = pair(a.b2, b.b2);
    p.a1 = pair(a.a1, b.a1);
    p.a2 = pair(a.a2, b.a2);
    p.cascade = a.cascade;
    for (int st = 0; st < 2; ++st) {
        p.x1[st] = flush(pair(a.stage[st].x1, b.stage[st].x1));
        p.x2[st] = pair(a.stage[st].x2, b.stage[st].x2);
        p.y1[st] = flush(pair(a.stage[st].y1, b.stage[st].y1));
        p.y2[st] = pair(a.stage[st].y2, b.stage[st].y2);
    }
}

void store(const PairSection& p, BiquadSection& a, BiquadSection& b) {
    for (int st = 0; st < 2; ++st) {
        a.stage[st] = {lane0(p.x1[st]), lane0(p.x2[st]), lane0(p.y1[st]), lane0(p.y2[st])};
        b.stage[st] = {lane1(p.x1[st]), lane1(p.x2[st]), lane1(p.y1[st]), lane1(p.y2[st])};
    }
}

// Side by side only when the two chains have the same shape and every mix
// is 1 (the filtered signal alone): then each output is the plain sum.
bool pairable(BiquadSection* a, BiquadSection* b, int& count) {
    count = 0;
    for (; a && b; a = a->next, b = b->next) {
        if (count == kMaxSections || a->cascade != b->cascade || a->mix != 1.0f || b->mix != 1.0f)
            return false;
        ++count;
    }
    return !a && !b;
}

template <int N>
void runPairs(BiquadSection* firstA, BiquadSection* firstB, float* a, float* b, int n) {
    PairSection p[N];
    BiquadSection* sa[N];
    BiquadSection* sb[N];
    sa[0] = firstA;
    sb[0] = firstB;
    for (int i = 1; i < N; ++i) {
        sa[i] = sa[i - 1]->next;
        sb[i] = sb[i - 1]->next;
    }
    for (int i = 0; i < N; ++i) load(p[i], *sa[i], *sb[i]);
    for (int j = 0; j < n; ++j) {
        __m128 v = _mm_unpacklo_ps(_mm_load_ss(a + j), _mm_load_ss(b + j));
        for (int i = 0; i < N; ++i) {
            v = step(p[i], 0, flush(v));
            if (p[i].cascade) v = step(p[i], 1, flush(v));
        }
        _mm_store_ss(a + j, v);
        _mm_store_ss(b + j, _mm_shuffle_ps(v, v, _MM_SHUFFLE(1, 1, 1, 1)));
    }
    for (int i = 0; i < N; ++i) store(p[i], *sa[i], *sb[i]);
}

}  // namespace

void runChainPair(BiquadSection* firstA, BiquadSection* firstB, float* a, float* b, int n) {
    int count = 0;
    if (!pairable(firstA, firstB, count)) {
        runChain(firstA, a, n);
        runChain(firstB, b, n);
        return;
    }
    switch (count) {
    case 1: runPairs<1>(firstA, firstB, a, b, n); break;
    case 2: runPairs<2>(firstA, firstB, a, b, n); break;
    case 3: runPairs<3>(firstA, firstB, a, b, n); break;
    case 4: runPairs<4>(firstA, firstB, a, b, n); break;
    default: break;
    }
}

}  // namespace orv
