#include "dsp/biquad_pair.h"

#include "dsp/biquad_lanes.h"

namespace orv {
namespace {

using simd::BiquadLanes;
using simd::F4;

constexpr int kMaxPairSections = 4;

// N sections of a chain for both channels, loaded from the records and
// written back to them by save(). Bit i of Cascade says whether section i
// runs twice; the records must agree (see pairable()).
template <int N, unsigned Cascade>
struct PairChain {
    static constexpr int kStages = 2;
    BiquadLanes<F4> stage[N][kStages];
    BiquadSection* a[N];
    BiquadSection* b[N];
    simd::LaneImage image[N][kStages];

    PairChain(BiquadSection* firstA, BiquadSection* firstB) {
        a[0] = firstA;
        b[0] = firstB;
        for (int i = 1; i < N; ++i) {
            a[i] = a[i - 1]->next;
            b[i] = b[i - 1]->next;
        }
        for (int i = 0; i < N; ++i)
            for (int st = 0; st < kStages; ++st) {
                image[i][st].clear();
                image[i][st].putCoefficients(0, *a[i], *b[i]);
                image[i][st].putState(0, *a[i], *b[i], st);
                stage[i][st] = simd::loadBiquad<F4>(image[i][st]);
            }
    }
    static bool matches(BiquadSection* first) {
        for (int i = 0; i < N; ++i, first = first->next)
            if (first->cascade != (((Cascade >> i) & 1u) != 0)) return false;
        return true;
    }
    // Answers the chain's output for a flushed input.
    F4 run(F4 s) {
        F4 v = s;
        for (int i = 0; i < N; ++i) {
            v = stage[i][0].step(s);
            s = stage[i][0].y1;
            if ((Cascade >> i) & 1u) {
                v = stage[i][1].step(s);
                s = stage[i][1].y1;
            }
        }
        return v;
    }
    void save() {
        for (int i = 0; i < N; ++i)
            for (int st = 0; st < kStages; ++st) {
                simd::saveBiquad(stage[i][st], image[i][st]);
                image[i][st].takeState(0, *a[i], *b[i], st);
            }
    }
};

template <int N, unsigned Cascade>
void runPairs(BiquadSection* firstA, BiquadSection* firstB, float* a, float* b, int n) {
    PairChain<N, Cascade> chain(firstA, firstB);
    for (int j = 0; j < n; ++j) {
        const F4 v = chain.run(simd::flush(simd::loadPair(a, b, j)));
        a[j] = simd::lane0(v);
        b[j] = simd::lane1(v);
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

void runChainPair(BiquadSection* firstA, BiquadSection* firstB, float* a, float* b, int n) {
    int count = 0;
    if (pairable(firstA, firstB, count) && runKnownShape(firstA, firstB, a, b, n, count)) return;
    runChain(firstA, a, n);
    runChain(firstB, b, n);
}

}  // namespace orv
