#include "dsp/biquad_pair.h"

#include "dsp/simd_pair.h"

namespace orv {

namespace simd {

bool pairable(BiquadSection* a, BiquadSection* b, int& count) {
    count = 0;
    for (; a && b; a = a->next, b = b->next) {
        if (count == kMaxPairSections || a->cascade != b->cascade || a->mix != 1.0f ||
            b->mix != 1.0f)
            return false;
        ++count;
    }
    return !a && !b;
}

}  // namespace simd

namespace {

using namespace simd;

template <int N, unsigned Cascade>
void runPairs(BiquadSection* firstA, BiquadSection* firstB, float* a, float* b, int n) {
    PairChain<N, Cascade> chain(firstA, firstB);
    __m128 flushed;
    for (int j = 0; j < n; ++j) {
        const __m128 v = chain.run(_mm_unpacklo_ps(_mm_load_ss(a + j), _mm_load_ss(b + j)), flushed);
        _mm_store_ss(a + j, v);
        _mm_store_ss(b + j, swapLanes(v));
    }
    chain.save();
}

// The shapes this effect's chains have: three single sections (the
// equaliser) and one section run twice (the reconstruction low-pass).
bool runKnownShape(BiquadSection* firstA, BiquadSection* firstB, float* a, float* b, int n,
                   int count) {
    if (count == 3 && PairChain<3, 0u>::matches(firstA)) {
        runPairs<3, 0u>(firstA, firstB, a, b, n);
        return true;
    }
    if (count == 1 && PairChain<1, 1u>::matches(firstA)) {
        runPairs<1, 1u>(firstA, firstB, a, b, n);
        return true;
    }
    return false;
}

}  // namespace

void runChainPair(BiquadSection* firstA, BiquadSection* firstB, float* a, float* b, int n) {
    int count = 0;
    if (!pairable(firstA, firstB, count)) {
        runChain(firstA, a, n);
        runChain(firstB, b, n);
        return;
    }
    if (runKnownShape(firstA, firstB, a, b, n, count)) return;
    runChain(firstA, a, n);
    runChain(firstB, b, n);
}

}  // namespace orv
