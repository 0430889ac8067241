// The pass from the inputs to the reconstruction low-pass as one loop over
// the samples, both channels side by side in SSE2 lanes. Every value is
// computed by the same single-precision operations, in the same order, as
// the step-by-step stages; running all five filter recursions of a sample in
// one loop lets the processor overlap them.
#include <cmath>
#include <limits>

#include "dsp/dsp_engine.h"
#include "dsp/simd_pair.h"

namespace orv {
namespace {

using namespace simd;

constexpr int kEqualiserSections = 3;
constexpr int kLowPassSections = 1;
using EqualiserChain = PairChain<kEqualiserSections, 0u>;   // shelves and peak, once each
using LowPassChain = PairChain<kLowPassSections, 1u>;       // one section run twice

__m128 loadPair(const float* a, const float* b, int j) {
    return _mm_unpacklo_ps(_mm_load_ss(a + j), _mm_load_ss(b + j));
}

// Not-a-number and infinite samples become silence.
__m128 sanitized(__m128 v) {
    const __m128 finite =
        _mm_cmplt_ps(magnitude(v), _mm_set1_ps(std::numeric_limits<float>::infinity()));
    return _mm_and_ps(finite, v);
}

// Lane 0: b + a; lane 1: b - a, with a and b being the two lanes of v.
__m128 sumAndDifference(__m128 v) {
    const __m128 swapped = swapLanes(v);
    return lane0From(_mm_add_ps(swapped, v), _mm_sub_ps(swapped, v));
}

struct PairQuantiser {
    bool active;
    __m128 scale, reciprocal;

    __m128 operator()(__m128 v) const {
        if (!active) return v;
        const __m128 scaled = _mm_mul_ps(v, scale);
        const __m128 inRange = _mm_cmplt_ps(magnitude(scaled), _mm_set1_ps(kQuantRange));
        const __m128 q = _mm_mul_ps(_mm_cvtepi32_ps(_mm_cvttps_epi32(scaled)), reciprocal);
        return select(inRange, q, sanitized(v));
    }
};

}  // namespace

bool DspEngine::processFused(const float* const in[2], float* const out[2], int n) {
    int equaliserCount = 0;
    int lowPassCount = 0;
    if (!pairable(&sections[0].lowShelf, &sections[1].lowShelf, equaliserCount) ||
        equaliserCount != kEqualiserSections || !EqualiserChain::matches(&sections[0].lowShelf) ||
        !pairable(&sections[0].lowPass, &sections[1].lowPass, lowPassCount) ||
        lowPassCount != kLowPassSections || !LowPassChain::matches(&sections[0].lowPass))
        return false;
    const bool steady = gainsSteady();
    if (!steady) fillGainRamps(n);
    const __m128 steadyRamp = pair(rampGain_[0], rampGain_[1]);
    PairSection lowShelf, highShelf, peaking, lowPass;
    lowShelf.load(sections[0].lowShelf, sections[1].lowShelf);
    highShelf.load(sections[0].highShelf, sections[1].highShelf);
    peaking.load(sections[0].peaking, sections[1].peaking);
    lowPass.load(sections[0].lowPass, sections[1].lowPass);

    const int mode = clampedMode(state.mode);
    const bool encode = encodesMidSide(mode);
    const bool decode = decodesMidSide(mode);
    const PairQuantiser quantise{state.bit < kFullWordLength, _mm_set1_ps(quantScale),
                                 _mm_set1_ps(quantScaleReciprocal)};
    const bool hold = holdPeriod > 1;
    const bool interpolate = state.interpolate != 0;
    __m128 previous = pair(held_[0][0], held_[1][0]);
    __m128 current = pair(held_[0][1], held_[1][1]);
    const float* rampM = ramp_[0].data();
    const float* rampS = ramp_[1].data();

    // The five filter steps of a sample depend on one another, so each
    // iteration j runs every step on a different sample: the low shelf on
    // sample j, the high shelf on j - 1, the peak (with the decoder and the
    // Sample/Bit stage) on j - 2, and the low-pass's two stages on j - 3 and
    // j - 4. The steps of one iteration are then independent and overlap.
    __m128 afterLowShelf = _mm_setzero_ps();
    __m128 afterHighShelf = _mm_setzero_ps();
    __m128 afterHold = _mm_setzero_ps();
    __m128 afterFirstLowPass = _mm_setzero_ps();
    constexpr int kDepth = 4;
    const auto inRange = [n](int sample) { return sample >= 0 && sample < n; };
    for (int j = 0; j < n + kDepth; ++j) {
        const bool edge = j < kDepth || j >= n;
        if (!edge || inRange(j - 4)) {
            const __m128 y = lowPass.step(1, afterFirstLowPass);
            _mm_store_ss(out[0] + j - 4, y);
            _mm_store_ss(out[1] + j - 4, swapLanes(y));
        }
        if (!edge || inRange(j - 3)) {
            lowPass.step(0, afterHold);
            afterFirstLowPass = lowPass.y1[0];
        }
        if (!edge || inRange(j - 2)) {
            __m128 v = peaking.step(0, afterHighShelf);
            if (decode) v = sumAndDifference(v);
            if (hold) {
                if (holdCounter >= holdPeriod) {
                    previous = current;
                    current = quantise(v);
                    holdCounter = -1;
                }
                if (interpolate) {
                    const __m128 position =
                        _mm_set1_ps(static_cast<float>(holdCounter) * holdPeriodReciprocal);
                    v = _mm_add_ps(previous, _mm_mul_ps(_mm_sub_ps(current, previous), position));
                } else {
                    v = previous;
                }
                ++holdCounter;
            } else {
                v = quantise(v);
                previous = current = v;
            }
            afterHold = flush(v);
        }
        if (!edge || inRange(j - 1)) {
            highShelf.step(0, afterLowShelf);
            afterHighShelf = highShelf.y1[0];
        }
        if (!edge || inRange(j)) {
            __m128 v = sanitized(loadPair(in[0], in[1], j));
            const __m128 ramp = steady ? steadyRamp : loadPair(rampM, rampS, j);
            if (encode)
                v = _mm_mul_ps(_mm_mul_ps(sumAndDifference(v), ramp), _mm_set1_ps(0.5f));
            else
                v = _mm_mul_ps(v, ramp);
            lowShelf.step(0, flush(v));
            afterLowShelf = lowShelf.y1[0];
        }
    }
    lowShelf.save(sections[0].lowShelf, sections[1].lowShelf);
    highShelf.save(sections[0].highShelf, sections[1].highShelf);
    peaking.save(sections[0].peaking, sections[1].peaking);
    lowPass.save(sections[0].lowPass, sections[1].lowPass);
    held_[0][0] = lane0(previous);
    held_[1][0] = lane1(previous);
    held_[0][1] = lane0(current);
    held_[1][1] = lane1(current);
    if (!hold) holdCounter = holdCounter > holdPeriod ? holdCounter : holdPeriod;
    recoverFilters(out[0], out[1], n);
    return true;
}

}  // namespace orv
