// The fused loop, written once over a "front" that runs the five filter
// sections of both channels (equaliser and low-pass): included by the
// SSE2, AVX2 and AVX-512 translation units only.
//
// Each iteration j runs every section on a different sample, so that the
// sections of one iteration do not wait for one another:
//   low shelf on sample j, high shelf on j - 2, peak on j - 4, the
//   low-pass's first stage on j - 7 and its second on j - 9.
// A section fed from the section before it in the same vector takes that
// section's output of two iterations before, which is exactly its y2. The
// decoder and the Sample/Bit stage work on the peak's output as it comes
// and leave the low-pass's input in the pair buffer, three iterations
// ahead of its use. The clip guard runs behind the low-pass on outputs
// kept in the same buffer, so that its own chain of dependent steps
// overlaps with the filters' instead of waiting for them.
#pragma once

#include <algorithm>
#include <cstdint>

#include "dsp/biquad_lanes.h"
#include "dsp/fused_kernel.h"

namespace orv::simd {
inline namespace ORV_SIMD_TARGET {

constexpr int kFeedLag = 2;     // a section behind the one that feeds it in a vector
constexpr int kStageLag = 5;    // the low-pass behind the peak (through the Sample/Bit stage)
constexpr int kHighShelfLag = kFeedLag;
constexpr int kPeakLag = 2 * kFeedLag;
constexpr int kFirstLowPassLag = kPeakLag + kStageLag;
constexpr int kSecondLowPassLag = kFirstLowPassLag + kFeedLag;
constexpr int kDepth = kSecondLowPassLag;  // iterations the filters need to drain
constexpr int kGuardLag = 4;               // the clip guard behind the low-pass

// Lane groups of the filter image: each section pair's lanes, and how far
// behind the input each lane works (idle lanes count as not behind).
enum LaneGroup : int { kLowShelfGroup, kHighShelfGroup, kPeakGroup, kFirstLowPassGroup, kSecondLowPassGroup };
inline constexpr std::int32_t kLaneLags[LaneImage::kMaxLanes] = {
    0, 0, kHighShelfLag, kHighShelfLag, kPeakLag, kPeakLag, kFirstLowPassLag, kFirstLowPassLag,
    kSecondLowPassLag, kSecondLowPassLag, 0, 0, 0, 0, 0, 0};

inline bool inPiece(int sample, int n) { return sample >= 0 && sample < n; }

// Section stages whose lanes each run a fixed number of iterations behind
// the input. At the start of a piece, lanes whose samples have not begun
// keep their state; at the end the state kept is the one each lane's last
// sample left, while the lanes run on, so that the lanes they feed still
// find their outputs in y2.
template <class V>
struct PipelinedBiquad {
    BiquadLanes<V> live, last;
    int first;

    PipelinedBiquad(const LaneImage& im, int firstLane)
        : live(loadBiquad<V>(im, firstLane)), last(live), first(firstLane) {}
    void save(LaneImage& im) const { saveBiquad(last, im, first); }

    template <bool Edge>
    [[gnu::always_inline]] V step(V input, int j, int n) {
        if constexpr (!Edge) {
            return live.step(input);
        } else {
            const BiquadLanes<V> before = live;
            const V y = live.step(input);
            live.takeStateWhere(V::above(kLaneLags + first, j), before);
            last.takeStateWhere(V::equal(kLaneLags + first, j - (n - 1)), live);
            return y;
        }
    }
};

// SSE2: low shelf and high shelf in one vector, peak and the low-pass's
// first stage in a second, its second stage in a third (upper lanes idle).
struct Sse2Front {
    PipelinedBiquad<F4> shelves, middle, last;

    explicit Sse2Front(const LaneImage& im) : shelves(im, 0), middle(im, 4), last(im, 8) {}
    void save(LaneImage& im) const {
        shelves.save(im);
        middle.save(im);
        last.save(im);
    }

    // Takes the input pair of sample j and the low-pass's input for j - 7;
    // gives the peak's output for j - 4 and the low-pass's for j - 9.
    template <bool Edge>
    [[gnu::always_inline]] void run(F4 in, F4 toLowPass, int j, int n, F4& peakOut, F4& lowPassOut) {
        const F4 toShelves = lowHalves(in, shelves.live.y2);
        const F4 toMiddle{_mm_shuffle_ps(shelves.live.y2.v, toLowPass.v, _MM_SHUFFLE(1, 0, 3, 2))};
        const F4 toLast = highHalf(middle.live.y2);
        shelves.step<Edge>(toShelves, j, n);
        peakOut = middle.step<Edge>(toMiddle, j, n);
        lowPassOut = last.step<Edge>(toLast, j, n);
    }
};

#if defined(__AVX2__)
// AVX2: the first four sections in one vector, the low-pass's second stage
// in a second one.
struct Avx2Front {
    PipelinedBiquad<F8> sections;
    PipelinedBiquad<F4> last;

    explicit Avx2Front(const LaneImage& im) : sections(im, 0), last(im, 8) {}
    void save(LaneImage& im) const {
        sections.save(im);
        last.save(im);
    }

    template <bool Edge>
    [[gnu::always_inline]] void run(F4 in, F4 toLowPass, int j, int n, F4& peakOut, F4& lowPassOut) {
        // Lanes 2 to 5 take the outputs two iterations old; lanes 0 and 1
        // the input, lanes 6 and 7 the low-pass's input.
        const __m256 fed = _mm256_permutevar8x32_ps(sections.live.y2.v, _mm256_setr_epi32(0, 1, 0, 1, 2, 3, 6, 7));
        const __m256 fresh = _mm256_permutevar8x32_ps(_mm256_castps128_ps256(lowHalves(in, toLowPass).v),
                                                      _mm256_setr_epi32(0, 1, 0, 1, 0, 1, 2, 3));
        const F4 toLast = highHalf(F4{_mm256_extractf128_ps(sections.live.y2.v, 1)});
        const F8 y = sections.step<Edge>(F8{_mm256_blend_ps(fed, fresh, 0xC3)}, j, n);
        peakOut = F4{_mm256_extractf128_ps(y.v, 1)};
        lowPassOut = last.step<Edge>(toLast, j, n);
    }
};
#endif

#if defined(__AVX512F__)
// AVX-512: all five sections of both channels in one vector.
struct Avx512Front {
    PipelinedBiquad<F16> sections;

    explicit Avx512Front(const LaneImage& im) : sections(im, 0) {}
    void save(LaneImage& im) const { sections.save(im); }

    template <bool Edge>
    [[gnu::always_inline]] void run(F4 in, F4 toLowPass, int j, int n, F4& peakOut, F4& lowPassOut) {
        // From y2 (indices 0 to 15) and from the fresh pairs (16 to 19).
        const __m512i from = _mm512_setr_epi32(16, 17, 0, 1, 2, 3, 18, 19, 6, 7, 10, 11, 12, 13, 14, 15);
        const __m512 fresh = _mm512_zextps128_ps512(lowHalves(in, toLowPass).v);
        const F16 y = sections.step<Edge>(F16{_mm512_permutex2var_ps(sections.live.y2.v, from, fresh)}, j, n);
        peakOut = F4{_mm512_extractf32x4_ps(y.v, 1)};
        lowPassOut = F4{_mm512_extractf32x4_ps(y.v, 2)};
    }
};
#endif

inline __m128i asInt(F4 v) { return _mm_castps_si128(v.v); }
inline F4 asFloat(__m128i v) { return {_mm_castsi128_ps(v)}; }

// Rescales the half-waves that end at w in the lanes of `lanes`: every ring
// entry from the segment start up to w - 1 by kGuardPeak / peak; answers
// the peaks, which become 1 there. Rare: only half-waves that exceeded
// full scale.
[[gnu::noinline, gnu::cold]] inline F4 rescaleHalfWaves(float* ring, std::int32_t mask, std::int32_t w,
                                                       int lanes, F4 peak, __m128i segmentStart) {
    alignas(16) float p[4];
    alignas(16) std::int32_t z[4];
    _mm_store_ps(p, peak.v);
    _mm_store_si128(reinterpret_cast<__m128i*>(z), segmentStart);
    for (int k = 0; k < 2; ++k) {
        if (!(lanes & (1 << k))) continue;
        const float factor = kGuardPeak / p[k];
        const std::int32_t length = (w - z[k]) & mask;
        for (std::int32_t i = 0; i < length; ++i) ring[2 * ((z[k] + i) & mask) + k] *= factor;
        p[k] = 1.0f;
    }
    return {_mm_load_ps(p)};
}

#define ORV_INLINE [[gnu::always_inline]] inline

// The loop's state lives in this object, which never leaves run(): every
// member function is inlined, so the compiler keeps the state in registers.
template <class Front, bool Hold, bool Guard>
class FusedLoop {
public:
    explicit FusedLoop(FusedJob& job)
        : job_(job), n_(job.n), pairs_(job.pairs), decode_(job.decode),
          quantise_(job.quantise), interpolate_(job.interpolate), holdPeriod_(job.holdPeriod),
          holdPeriodReciprocal_(job.holdPeriodReciprocal), ring_(job.ring),
          ringMask_(job.ringMask), front_(job.filters),
          quantScale_(F4::all(job.quantScale)), quantReciprocal_(F4::all(job.quantScaleReciprocal)),
          previous_(pair(job.held[0][0], job.held[1][0])),
          current_(pair(job.held[0][1], job.held[1][1])), holdCounter_(job.holdCounter),
          s_(pair(job.guard[0].lastSample, job.guard[1].lastSample)),
          peak_(pair(job.guard[0].peak, job.guard[1].peak)),
          z_(_mm_setr_epi32(job.guard[0].segmentStart, job.guard[1].segmentStart, 0, 0)),
          w_(job.guard[0].writeIndex), lastBeforeWindow_(_mm_set1_epi32(job.window - 1)) {}

    ORV_INLINE void run() {
        // The first and the last iterations, in which some lanes work
        // outside the piece, keep or take state lane by lane.
        int j = 0;
        for (; j < kDepth; ++j) iterate<true>(j);
        for (; j < n_ - 1; ++j) iterate<false>(j);
        for (; j < n_ + kDepth; ++j) iterate<true>(j);
        if constexpr (Guard)
            for (int t = std::max(0, n_ - kGuardLag); t < n_; ++t) guard(loadPair(pairs_ + 2 * t));
        finish();
    }

private:
    ORV_INLINE F4 quantise(F4 v) const {
        if (!quantise_) return v;
        const F4 scaled = v * quantScale_;
        const F4 inRange = less(magnitude(scaled), F4::all(kQuantRange));
        const F4 q = F4{_mm_cvtepi32_ps(_mm_cvttps_epi32(scaled.v))} * quantReciprocal_;
        return select(inRange, q, sanitized(v));
    }

    // Decoder and Sample/Bit stage on the peak's output; answers the
    // low-pass's flushed input.
    ORV_INLINE F4 holdStage(F4 v) {
        if (decode_) v = sumAndDifference(v);
        if constexpr (Hold) {
            if (holdCounter_ >= holdPeriod_) {
                previous_ = current_;
                current_ = quantise(v);
                holdCounter_ = -1;
            }
            if (interpolate_) {
                const F4 position = F4::all(static_cast<float>(holdCounter_) * holdPeriodReciprocal_);
                v = previous_ + (current_ - previous_) * position;
            } else {
                v = previous_;
            }
            ++holdCounter_;
        } else {
            v = quantise(v);
            current_ = v;
        }
        return flush(v);
    }

    ORV_INLINE void guard(F4 x) {
        const F4 limit = F4::all(kSlopeLimit);
        const F4 d = x - s_;
        const F4 jump = magnitude(d);
        const F4 step = minOf(jump, limit + magnitude(x * F4::all(0.5f)) * (jump - limit));
        const F4 limited = s_ + (step ^ (d & F4::bits(kSignBit)));
        x = select(greater(jump, limit), limited, x);
        storePair(ring_ + 2 * w_, x);
        const F4 cross = notGreaterEqual(s_ * x, F4::zero());
        const __m128i w = _mm_set1_epi32(w_);
        const __m128i length = _mm_and_si128(_mm_sub_epi32(w, z_), _mm_set1_epi32(ringMask_));
        const F4 expire = clearWhere(cross, asFloat(_mm_cmpgt_epi32(length, lastBeforeWindow_)));
        const F4 untracked = asFloat(_mm_cmpeq_epi32(z_, _mm_set1_epi32(-1)));
        const F4 rescale = clearWhere(untracked, cross & greater(peak_, F4::all(1.0f)));
        if (const int lanes = signBits(rescale) & 3) [[unlikely]]
            peak_ = rescaleHalfWaves(ring_, ringMask_, w_, lanes, peak_, z_);
        z_ = asInt(select(cross, asFloat(w), asFloat(z_)) | expire);
        peak_ = maxOf(magnitude(x), clearWhere(expire, peak_));
        s_ = x;
        w_ = (w_ + 1) & ringMask_;
    }

    template <bool Edge>
    ORV_INLINE void iterate(int j) {
        const bool firstLowPassIn = !Edge || inPiece(j - kFirstLowPassLag, n_);
        const F4 in = !Edge || j < n_ ? loadPair(pairs_ + 2 * j) : F4::zero();
        const F4 toLowPass = firstLowPassIn ? loadPair(pairs_ + 2 * (j - kFirstLowPassLag)) : F4::zero();
        F4 peakOut, lowPassOut;
        front_.template run<Edge>(in, toLowPass, j, n_, peakOut, lowPassOut);
        if (!Edge || inPiece(j - kPeakLag, n_)) storePair(pairs_ + 2 * (j - kPeakLag), holdStage(peakOut));
        if (!Edge || inPiece(j - kSecondLowPassLag, n_))
            storePair(pairs_ + 2 * (j - kSecondLowPassLag), sanitized(lowPassOut));
        if constexpr (Guard) {
            const int t = j - kSecondLowPassLag - kGuardLag;
            if (t >= 0) guard(loadPair(pairs_ + 2 * t));
        }
    }

    ORV_INLINE void finish() {
        front_.save(job_.filters);
        if constexpr (!Hold) {
            previous_ = current_;
            job_.holdCounter = std::max(holdCounter_, holdPeriod_);
        } else {
            job_.holdCounter = holdCounter_;
        }
        job_.held[0][0] = lane0(previous_);
        job_.held[1][0] = lane1(previous_);
        job_.held[0][1] = lane0(current_);
        job_.held[1][1] = lane1(current_);
        if constexpr (Guard) {
            alignas(16) std::int32_t z[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(z), z_);
            for (int k = 0; k < 2; ++k) {
                GuardState& g = job_.guard[k];
                g.writeIndex = w_;
                g.segmentStart = z[k];
                g.peak = k == 0 ? lane0(peak_) : lane1(peak_);
                g.lastSample = k == 0 ? lane0(s_) : lane1(s_);
            }
        }
    }

    FusedJob& job_;
    const int n_;
    float* const pairs_;
    const bool decode_, quantise_, interpolate_;
    const std::int32_t holdPeriod_;
    const float holdPeriodReciprocal_;
    float* const ring_;
    const std::int32_t ringMask_;
    Front front_;
    const F4 quantScale_, quantReciprocal_;
    F4 previous_, current_;
    std::int32_t holdCounter_;
    F4 s_, peak_;
    __m128i z_;
    std::int32_t w_;
    const __m128i lastBeforeWindow_;
};

// Sanitizing, gains, the input matrix and the flush of the equaliser's
// input, four samples at a time, into interleaved pairs.
inline void prepareInput(FusedJob& job) {
    const int n = job.n;
    const F4 half = F4::all(0.5f);
    const auto gains = [&](int j, int k) {
        return job.ramp[k] ? F4{_mm_loadu_ps(job.ramp[k] + j)} : F4::all(job.steadyGain[k]);
    };
    int j = 0;
    for (; j + 4 <= n; j += 4) {
        const F4 l = sanitized(F4{_mm_loadu_ps(job.in[0] + j)});
        const F4 r = sanitized(F4{_mm_loadu_ps(job.in[1] + j)});
        F4 m, s;
        if (job.encode) {
            m = (r + l) * gains(j, 0) * half;
            s = (l - r) * gains(j, 1) * half;
        } else {
            m = l * gains(j, 0);
            s = r * gains(j, 1);
        }
        m = flush(m);
        s = flush(s);
        _mm_storeu_ps(job.pairs + 2 * j, _mm_unpacklo_ps(m.v, s.v));
        _mm_storeu_ps(job.pairs + 2 * j + 4, _mm_unpackhi_ps(m.v, s.v));
    }
    for (; j < n; ++j) {
        F4 v = sanitized(loadPair(job.in[0], job.in[1], j));
        const F4 ramp = job.ramp[0] ? loadPair(job.ramp[0], job.ramp[1], j)
                                    : pair(job.steadyGain[0], job.steadyGain[1]);
        v = job.encode ? sumAndDifference(v) * ramp * half : v * ramp;
        storePair(job.pairs + 2 * j, flush(v));
    }
}

// Comp and Output on count interleaved pairs, into the two outputs.
inline void compAndOutput(const FusedJob& job, const float* pairs, int count, float* out0, float* out1) {
    const F4 comp{_mm_setr_ps(job.comp[0], job.comp[1], job.comp[0], job.comp[1])};
    const F4 output = F4::all(job.output);
    const F4 one = F4::all(1.0f);
    const auto shape = [&](F4 x) { return ((one - magnitude(x)) * comp + one) * output * x; };
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const F4 a = shape(F4{_mm_loadu_ps(pairs + 2 * i)});
        const F4 b = shape(F4{_mm_loadu_ps(pairs + 2 * i + 4)});
        _mm_storeu_ps(out0 + i, _mm_shuffle_ps(a.v, b.v, _MM_SHUFFLE(2, 0, 2, 0)));
        _mm_storeu_ps(out1 + i, _mm_shuffle_ps(a.v, b.v, _MM_SHUFFLE(3, 1, 3, 1)));
    }
    for (; i < count; ++i) {
        const F4 y = shape(loadPair(pairs + 2 * i));
        out0[i] = lane0(y);
        out1[i] = lane1(y);
    }
}

// The output is the ring delayed by the window (at most two contiguous
// runs), or without the guard the low-pass's output itself.
inline void writeOutputs(const FusedJob& job) {
    const int n = job.n;
    if (job.window == 0) {
        compAndOutput(job, job.pairs, n, job.out[0], job.out[1]);
        return;
    }
    const std::int32_t start = (job.guard[0].writeIndex - job.window - n) & job.ringMask;
    const int first = std::min<std::int32_t>(n, job.ringMask + 1 - start);
    compAndOutput(job, job.ring + 2 * start, first, job.out[0], job.out[1]);
    compAndOutput(job, job.ring, n - first, job.out[0] + first, job.out[1] + first);
}

template <class Front, bool Hold, bool Guard>
[[gnu::noinline]] void runLoop(FusedJob& job) {
    FusedLoop<Front, Hold, Guard> loop(job);
    loop.run();
}

template <class Front>
void runFused(FusedJob& job) {
    prepareInput(job);
    const bool hold = job.holdPeriod > 1;
    const bool guarded = job.window != 0;
    if (hold && guarded)
        runLoop<Front, true, true>(job);
    else if (hold)
        runLoop<Front, true, false>(job);
    else if (guarded)
        runLoop<Front, false, true>(job);
    else
        runLoop<Front, false, false>(job);
    writeOutputs(job);
}

}  // namespace ORV_SIMD_TARGET
}  // namespace orv::simd
