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
#include <array>
#include <cstdint>
#include <utility>

#include "dsp/biquad_lanes.h"
#include "dsp/fused_kernel.h"

namespace orv::simd {
inline namespace ORV_SIMD_TARGET {

constexpr int kFeedLag = 2;     // a section behind the one that feeds it in a vector
constexpr int kStageLag = 3;    // the low-pass behind the peak (through the Sample/Bit stage)
constexpr int kHighShelfLag = kFeedLag;
constexpr int kPeakLag = 2 * kFeedLag;
constexpr int kFirstLowPassLag = kPeakLag + kStageLag;
constexpr int kSecondLowPassLag = kFirstLowPassLag + kFeedLag;
constexpr int kDepth = kSecondLowPassLag;  // iterations the filters need to drain
constexpr int kGuardLag = 2;               // the clip guard behind the low-pass
constexpr int kGuardStart = kSecondLowPassLag + kGuardLag;  // the guard's first iteration
static_assert(kDepth <= kGuardStart, "the first iterations have no guard sample");

// Lane groups of the filter image: each section pair's lanes, and how far
// behind the input each lane works (idle lanes count as the last, so that
// a vector of the low-pass's second stage and idle lanes has one lag).
enum LaneGroup : int { kLowShelfGroup, kHighShelfGroup, kPeakGroup, kFirstLowPassGroup, kSecondLowPassGroup };
inline constexpr std::int32_t kLaneLags[LaneImage::kMaxLanes] = {
    0, 0, kHighShelfLag, kHighShelfLag, kPeakLag, kPeakLag, kFirstLowPassLag, kFirstLowPassLag,
    kSecondLowPassLag, kSecondLowPassLag, kDepth, kDepth, kDepth, kDepth, kDepth, kDepth};

inline bool inPiece(int sample, int n) { return sample >= 0 && sample < n; }

// How an iteration treats the lanes that work outside the piece: in the
// steady middle every lane is inside. In the first kDepth + 1 iterations
// (Opening, iteration j) a lane runs on before its samples begin and takes
// back its state on the iteration of its lag. In the last ones (Closing,
// iteration n - 1 + e) a lane runs on after its last sample, whose state is
// kept aside on the iteration of its lag, so that the lanes it feeds still
// find its outputs in y2. Pieces too short for both use Masked: lane by
// lane, from the lags at run time.
struct Steady {
    template <int Lag>
    static constexpr bool in() { return true; }
};
struct Opening {
    int j;
    template <int Lag>
    bool in() const { return j >= Lag; }
};
struct Closing {
    int e;
    template <int Lag>
    bool in() const { return e <= Lag; }
};
struct Masked {
    int j, n;
    template <int Lag>
    bool in() const { return inPiece(j - Lag, n); }
};

// Bit L set when one of lanes first to first + count - 1 has lag L.
constexpr unsigned lagsOfLanes(int first, int count) {
    unsigned bits = 0;
    for (int lane = first; lane < first + count; ++lane) bits |= 1u << kLaneLags[lane];
    return bits;
}

// Section stages whose lanes each run a fixed number of iterations behind
// the input; First is the image lane of the vector's lane 0. The image keeps
// the state each lane had when the piece began, and receives the state each
// lane's last sample leaves.
template <class V, int First>
struct PipelinedBiquad {
    static constexpr unsigned kLags = lagsOfLanes(First, V::kLanes);
    BiquadLanes<V> live;
    LaneImage& image;

    explicit PipelinedBiquad(LaneImage& im) : live(loadBiquad<V>(im, First)), image(im) {}

    [[gnu::always_inline]] V step(V input, Steady) { return live.step(input); }

    [[gnu::always_inline]] V step(V input, Opening at) {
        if (at.j > 0 && ((kLags >> at.j) & 1u))
            live.takeStateWhere(V::equal(kLaneLags + First, at.j), loadBiquad<V>(image, First));
        return live.step(input);
    }

    [[gnu::always_inline]] V step(V input, Closing at) {
        const V y = live.step(input);
        if ((kLags >> at.e) & 1u) keepFinalState(V::equal(kLaneLags + First, at.e));
        return y;
    }

    [[gnu::always_inline]] V step(V input, Masked at) {
        const BiquadLanes<V> before = live;
        const V y = live.step(input);
        live.takeStateWhere(V::above(kLaneLags + First, at.j), before);
        keepFinalState(V::equal(kLaneLags + First, at.j - (at.n - 1)));
        return y;
    }

private:
    [[gnu::always_inline]] void keepFinalState(typename V::Mask lanes) {
        BiquadLanes<V> final = loadBiquad<V>(image, First);
        final.takeStateWhere(lanes, live);
        saveBiquad(final, image, First);
    }
};

// SSE2: low shelf and high shelf in one vector, peak and the low-pass's
// first stage in a second, its second stage in a third (upper lanes idle).
struct Sse2Front {
    PipelinedBiquad<F4, 0> shelves;
    PipelinedBiquad<F4, 4> middle;
    PipelinedBiquad<F4, 8> last;

    explicit Sse2Front(LaneImage& im) : shelves(im), middle(im), last(im) {}

    // Takes the input pair of sample j and the low-pass's input for j - 7;
    // gives the peak's output for j - 4 and the low-pass's for j - 9.
    template <class Policy>
    [[gnu::always_inline]] void run(F4 in, F4 toLowPass, Policy at, F4& peakOut, F4& lowPassOut) {
        const F4 toShelves = lowHalves(in, shelves.live.y2);
        const F4 toMiddle{_mm_shuffle_ps(shelves.live.y2.v, toLowPass.v, _MM_SHUFFLE(1, 0, 3, 2))};
        const F4 toLast = highHalf(middle.live.y2);
        shelves.step(toShelves, at);
        peakOut = middle.step(toMiddle, at);
        lowPassOut = last.step(toLast, at);
    }
};

#if defined(__AVX2__)
// AVX2: the first four sections in one vector, the low-pass's second stage
// in a second one.
struct Avx2Front {
    PipelinedBiquad<F8, 0> sections;
    PipelinedBiquad<F4, 8> last;

    explicit Avx2Front(LaneImage& im) : sections(im), last(im) {}

    template <class Policy>
    [[gnu::always_inline]] void run(F4 in, F4 toLowPass, Policy at, F4& peakOut, F4& lowPassOut) {
        // Lanes 2 to 5 take the outputs two iterations old; lanes 0 and 1
        // the input, lanes 6 and 7 the low-pass's input.
        const __m256 fed = _mm256_permutevar8x32_ps(sections.live.y2.v, _mm256_setr_epi32(0, 1, 0, 1, 2, 3, 6, 7));
        const __m256 fresh = _mm256_permutevar8x32_ps(_mm256_castps128_ps256(lowHalves(in, toLowPass).v),
                                                      _mm256_setr_epi32(0, 1, 0, 1, 0, 1, 2, 3));
        const F4 toLast = highHalf(F4{_mm256_extractf128_ps(sections.live.y2.v, 1)});
        const F8 y = sections.step(F8{_mm256_blend_ps(fed, fresh, 0xC3)}, at);
        peakOut = F4{_mm256_extractf128_ps(y.v, 1)};
        lowPassOut = last.step(toLast, at);
    }
};
#endif

#if defined(__AVX512F__)
// AVX-512: all five sections of both channels in one vector.
struct Avx512Front {
    PipelinedBiquad<F16, 0> sections;

    explicit Avx512Front(LaneImage& im) : sections(im) {}

    template <class Policy>
    [[gnu::always_inline]] void run(F4 in, F4 toLowPass, Policy at, F4& peakOut, F4& lowPassOut) {
        // From y2 (indices 0 to 15) and from the fresh pairs (16 to 19).
        const __m512i from = _mm512_setr_epi32(16, 17, 0, 1, 2, 3, 18, 19, 6, 7, 10, 11, 12, 13, 14, 15);
        const __m512 fresh = _mm512_zextps128_ps512(lowHalves(in, toLowPass).v);
        const F16 y = sections.step(F16{_mm512_permutex2var_ps(sections.live.y2.v, from, fresh)}, at);
        peakOut = F4{_mm512_extractf32x4_ps(y.v, 1)};
        lowPassOut = F4{_mm512_extractf32x4_ps(y.v, 2)};
    }
};
#endif

// The clip guard's newest ring entries, kept in registers: Pairs (M, S)
// pairs, oldest first, for entries w - Pairs to w - 1. A half-wave rescale
// then scales them without a loop or a branch; only half-waves longer than
// that reach back into the ring in memory. Held (staircase) signals change
// sign less often, so their loop keeps more.
template <int Pairs>
alignas(64) inline constexpr std::array<std::int32_t, 2 * Pairs> kRecentAges = [] {
    std::array<std::int32_t, 2 * Pairs> ages{};
    for (int i = 0; i < 2 * Pairs; ++i) ages[i] = Pairs - i / 2;
    return ages;
}();

inline float* ringPair(float* ring, std::int32_t index, std::int32_t mask) { return ring + 2 * (index & mask); }

// Ring entries of the half-waves in the channels of `lanes` from their
// start up to the oldest entry kept in registers, times the factors.
[[gnu::noinline, gnu::cold]] inline void scaleOlderEntries(float* ring, std::int32_t mask, std::int32_t w,
                                                          int lanes, __m128i start, F4 factor, int kept) {
    alignas(16) float f[4];
    alignas(16) std::int32_t z[4];
    _mm_store_ps(f, factor.v);
    _mm_store_si128(reinterpret_cast<__m128i*>(z), start);
    for (int k = 0; k < 2; ++k) {
        if (!(lanes & (1 << k))) continue;
        const std::int32_t length = ((w - z[k]) & mask) - kept;
        for (std::int32_t i = 0; i < length; ++i) ringPair(ring, z[k] + i, mask)[k] *= f[k];
    }
}

template <class V, int Pairs>
struct RecentPairs;

template <class V, int Pairs>
struct RecentPairsBase {
    static constexpr int kRecentPairs = Pairs;
    static constexpr int kVectors = 2 * Pairs / V::kLanes;
    V pairs[kVectors];

    [[gnu::always_inline]] RecentPairsBase(float* ring, std::int32_t w, std::int32_t mask) {
        alignas(64) float image[2 * kRecentPairs];
        const float* from = contiguous(w, mask) ? ringPair(ring, w - kRecentPairs, mask) : image;
        if (from == image)
            for (int i = 0; i < kRecentPairs; ++i)
                for (int k = 0; k < 2; ++k) image[2 * i + k] = ringPair(ring, w - kRecentPairs + i, mask)[k];
        for (int v = 0; v < kVectors; ++v) pairs[v] = V::load(from + v * V::kLanes);
    }
    [[gnu::always_inline]] void store(float* ring, std::int32_t w, std::int32_t mask) const {
        alignas(64) float image[2 * kRecentPairs];
        float* to = contiguous(w, mask) ? ringPair(ring, w - kRecentPairs, mask) : image;
        for (int v = 0; v < kVectors; ++v) pairs[v].store(to + v * V::kLanes);
        if (to == image)
            for (int i = 0; i < kRecentPairs; ++i)
                for (int k = 0; k < 2; ++k) ringPair(ring, w - kRecentPairs + i, mask)[k] = image[2 * i + k];
    }
    // Whether the entries lie in one run of the ring, without wrapping.
    static bool contiguous(std::int32_t w, std::int32_t mask) {
        return ((w - kRecentPairs) & mask) + kRecentPairs <= mask + 1;
    }
};

// One specialisation per instruction set, for its widest vector.
#if !defined(__AVX2__)
template <int Pairs>
struct RecentPairs<F4, Pairs> : RecentPairsBase<F4, Pairs> {
    using Base = RecentPairsBase<F4, Pairs>;
    using Base::Base, Base::kVectors, Base::kRecentPairs, Base::pairs;

    // Entry w joins; entry w - kRecentPairs leaves for the ring.
    [[gnu::always_inline]] void push(F4 x, float* ring, std::int32_t w, std::int32_t mask) {
        storePair(ringPair(ring, w - kRecentPairs, mask), pairs[0]);
        for (int v = 0; v < kVectors; ++v) {
            const __m128 next = v + 1 < kVectors ? pairs[v + 1].v : x.v;
            pairs[v].v = _mm_shuffle_ps(pairs[v].v, next, _MM_SHUFFLE(1, 0, 3, 2));
        }
    }
    // The entries at most `reach` old (per channel; 0 for none) times `factor`.
    [[gnu::always_inline]] void scale(__m128i reach, F4 factor) {
        const __m128i reaches = _mm_shuffle_epi32(reach, _MM_SHUFFLE(1, 0, 1, 0));
        const F4 factors = lowHalves(factor, factor);
        for (int v = 0; v < kVectors; ++v) {
            const __m128i ages = _mm_load_si128(reinterpret_cast<const __m128i*>(kRecentAges<Pairs>.data() + 4 * v));
            pairs[v] = select(intGreater(ages, reaches), pairs[v], pairs[v] * factors);
        }
    }
};

#elif !defined(__AVX512F__)
template <int Pairs>
struct RecentPairs<F8, Pairs> : RecentPairsBase<F8, Pairs> {
    using Base = RecentPairsBase<F8, Pairs>;
    using Base::Base, Base::kVectors, Base::kRecentPairs, Base::pairs;

    [[gnu::always_inline]] void push(F4 x, float* ring, std::int32_t w, std::int32_t mask) {
        storePair(ringPair(ring, w - kRecentPairs, mask), F4{_mm256_castps256_ps128(pairs[0].v)});
        for (int v = 0; v < kVectors; ++v) {
            const __m256 next = v + 1 < kVectors ? pairs[v + 1].v : _mm256_castps128_ps256(x.v);
            const __m256 across = _mm256_permute2f128_ps(pairs[v].v, next, 0x21);
            pairs[v].v = _mm256_shuffle_ps(pairs[v].v, across, _MM_SHUFFLE(1, 0, 3, 2));
        }
    }
    [[gnu::always_inline]] void scale(__m128i reach, F4 factor) {
        const __m256i reaches = _mm256_broadcastq_epi64(reach);
        const F8 factors{_mm256_castpd_ps(_mm256_broadcastsd_pd(_mm_castps_pd(factor.v)))};
        for (int v = 0; v < kVectors; ++v) {
            const __m256i ages = _mm256_load_si256(reinterpret_cast<const __m256i*>(kRecentAges<Pairs>.data() + 8 * v));
            const F8 older{_mm256_castsi256_ps(_mm256_cmpgt_epi32(ages, reaches))};
            pairs[v] = select(older, pairs[v], pairs[v] * factors);
        }
    }
};
#else
template <int Pairs>
struct RecentPairs<F16, Pairs> : RecentPairsBase<F16, Pairs> {
    using Base = RecentPairsBase<F16, Pairs>;
    using Base::Base, Base::kVectors, Base::kRecentPairs, Base::pairs;

    [[gnu::always_inline]] void push(F4 x, float* ring, std::int32_t w, std::int32_t mask) {
        storePair(ringPair(ring, w - kRecentPairs, mask), F4{_mm512_castps512_ps128(pairs[0].v)});
        for (int v = 0; v < kVectors; ++v) {
            const __m512 next = v + 1 < kVectors ? pairs[v + 1].v : _mm512_zextps128_ps512(x.v);
            pairs[v].v = _mm512_castsi512_ps(
                _mm512_alignr_epi32(_mm512_castps_si512(next), _mm512_castps_si512(pairs[v].v), 2));
        }
    }
    [[gnu::always_inline]] void scale(__m128i reach, F4 factor) {
        const __m512i reaches = _mm512_broadcastq_epi64(reach);
        const __m512 factors = _mm512_castpd_ps(_mm512_broadcastsd_pd(_mm_castps_pd(factor.v)));
        for (int v = 0; v < kVectors; ++v) {
            const __mmask16 within = _mm512_cmple_epi32_mask(_mm512_load_si512(kRecentAges<Pairs>.data() + 16 * v), reaches);
            pairs[v].v = _mm512_mask_mul_ps(pairs[v].v, within, pairs[v].v, factors);
        }
    }
};
#endif

#define ORV_INLINE [[gnu::always_inline]] inline

// The loop's state lives in this object, which never leaves run(): every
// member function is inlined, so the compiler keeps the state in registers.
// How the clip guard runs: off; on, with the rare half-wave rescale behind a
// branch (cheapest while rescales are rare); or on, rescaling without a
// branch (cheapest while they are frequent, which a branch would mispredict).
enum class GuardMode { Off, RareRescales, FrequentRescales };

template <class Front, bool Hold, GuardMode Mode>
class FusedLoop {
    static constexpr bool Guard = Mode != GuardMode::Off;

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
          recent_(job.ring, job.guard[0].writeIndex, job.ringMask),
          w_(job.guard[0].writeIndex), lastBeforeWindow_(_mm_set1_epi32(job.window - 1)) {}

    ORV_INLINE void run() {
        // The first and the last iterations, in which some lanes work
        // outside the piece, keep or take state lane by lane.
        if (n_ > kDepth + 1) {
            int j = 0;
            for (; j <= kDepth; ++j) iterate<false>(j, Opening{j});
            for (; j < std::min(n_ - 1, kGuardStart); ++j) iterate<false>(j, Steady{});
            for (; j < n_ - 1; ++j) iterate<Guard>(j, Steady{});
            for (int e = 0; e <= kDepth; ++e) iterate<Guard>(n_ - 1 + e, Closing{e});
        } else {
            for (int j = 0; j < n_ + kDepth; ++j) iterate<Guard>(j, Masked{j, n_});
        }
        if constexpr (Guard)
            for (int t = std::max(0, n_ - kGuardLag); t < n_; ++t) guard(loadPair(pairs_ + 2 * t));
        finish();
    }

private:
    ORV_INLINE F4 quantise(F4 v) const {
        if (!quantise_) return v;
        const __m128i whole = _mm_cvttps_epi32((v * quantScale_).v);
        const F4 q = F4{_mm_cvtepi32_ps(whole)} * quantReciprocal_;
        // The conversion gives the integer minimum exactly when |v * scale| < 2^31
        // fails (not a number included); such samples pass as they are, or as
        // silence when not finite.
        const auto outside = intEqual(whole, _mm_set1_epi32(INT32_MIN));
        if (signBits(outside) & 3) [[unlikely]]
            return select(outside, sanitized(v), q);
        return q;
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
        const auto cross = notGreaterEqual(s_ * x, F4::zero());
        const __m128i w = _mm_set1_epi32(w_);
        const __m128i length = _mm_and_si128(_mm_sub_epi32(w, z_), _mm_set1_epi32(ringMask_));
        const auto expire = clearWhere(cross, intGreater(length, lastBeforeWindow_));
        const auto untracked = intEqual(z_, _mm_set1_epi32(-1));
        // A half-wave above full scale that ends here is scaled to a peak of
        // kGuardPeak: always computed, applied where chosen.
        const auto rescale = clearWhere(untracked, cross & greater(peak_, F4::all(1.0f)));
        if constexpr (Mode == GuardMode::RareRescales) {
            if (signBits(rescale) & 3) [[unlikely]] {
                ++rescales_;
                rescaleHalfWaves(rescale, length);
            }
        } else {
            rescaleHalfWaves(rescale, length);
        }
        recent_.push(x, ring_, w_, ringMask_);
        z_ = select(expire, _mm_set1_epi32(-1), select(cross, w, z_));
        peak_ = maxOf(magnitude(x), clearWhere(expire, peak_));
        s_ = x;
        w_ = (w_ + 1) & ringMask_;
    }

    // GuardNow: whether the clip guard may have a sample in this iteration.
    ORV_INLINE void rescaleHalfWaves(F4::Mask rescale, __m128i length) {
        const F4 factor = F4::all(kGuardPeak) / peak_;
        recent_.scale(select(rescale, length, _mm_setzero_si128()), factor);
        const auto reachesRing = intGreater(length, _mm_set1_epi32(kRecent));
        if (const int lanes = signBits(rescale & reachesRing) & 3) [[unlikely]]
            scaleOlderEntries(ring_, ringMask_, w_, lanes, z_, factor, kRecent);
        peak_ = select(rescale, F4::all(1.0f), peak_);
    }

    template <bool GuardNow, class Policy>
    ORV_INLINE void iterate(int j, Policy at) {
        const F4 in = at.template in<0>() ? loadPair(pairs_ + 2 * j) : F4::zero();
        const F4 toLowPass =
            at.template in<kFirstLowPassLag>() ? loadPair(pairs_ + 2 * (j - kFirstLowPassLag)) : F4::zero();
        F4 peakOut, lowPassOut;
        front_.run(in, toLowPass, at, peakOut, lowPassOut);
        if (at.template in<kPeakLag>()) storePair(pairs_ + 2 * (j - kPeakLag), holdStage(peakOut));
        if (at.template in<kSecondLowPassLag>())
            storePair(pairs_ + 2 * (j - kSecondLowPassLag), sanitized(lowPassOut));
        if constexpr (GuardNow) {
            const int t = j - kGuardStart;
            if (t >= 0) guard(loadPair(pairs_ + 2 * t));
        }
    }

    ORV_INLINE void finish() {
        if constexpr (Guard) recent_.store(ring_, w_, ringMask_);
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
            job_.rescaleCount = rescales_;
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
    static constexpr int kRecent = Hold ? 16 : 8;
    RecentPairs<Wide, kRecent> recent_;
    int rescales_ = 0;  // samples with a rescale, counted where it costs nothing
    std::int32_t w_;
    const __m128i lastBeforeWindow_;
};

// Sanitizing, gains, the input matrix and the flush of the equaliser's
// input, a vector of samples at a time, into interleaved pairs.
inline void prepareInput(FusedJob& job) {
    constexpr int kStep = Wide::kLanes;
    const int n = job.n;
    const auto gains = [&](int j, int k) {
        return job.ramp[k] ? Wide::load(job.ramp[k] + j) : Wide::all(job.steadyGain[k]);
    };
    int j = 0;
    for (; j + kStep <= n; j += kStep) {
        const Wide l = sanitized(Wide::load(job.in[0] + j));
        const Wide r = sanitized(Wide::load(job.in[1] + j));
        Wide m, s;
        if (job.encode) {
            m = (r + l) * gains(j, 0) * Wide::all(0.5f);
            s = (l - r) * gains(j, 1) * Wide::all(0.5f);
        } else {
            m = l * gains(j, 0);
            s = r * gains(j, 1);
        }
        Wide lo, hi;
        interleave(flush(m), flush(s), lo, hi);
        lo.store(job.pairs + 2 * j);
        hi.store(job.pairs + 2 * j + kStep);
    }
    for (; j < n; ++j) {
        F4 v = sanitized(loadPair(job.in[0], job.in[1], j));
        const F4 ramp = job.ramp[0] ? loadPair(job.ramp[0], job.ramp[1], j)
                                    : pair(job.steadyGain[0], job.steadyGain[1]);
        v = job.encode ? sumAndDifference(v) * ramp * F4::all(0.5f) : v * ramp;
        storePair(job.pairs + 2 * j, flush(v));
    }
}

// Comp and Output on count interleaved pairs, into the two outputs.
inline void compAndOutput(const FusedJob& job, const float* pairs, int count, float* out0, float* out1) {
    constexpr int kStep = Wide::kLanes;
    const auto shape = [&](auto x, auto comp) {
        using V = decltype(x);
        return ((V::all(1.0f) - magnitude(x)) * comp + V::all(1.0f)) * V::all(job.output) * x;
    };
    const Wide comp0 = Wide::all(job.comp[0]), comp1 = Wide::all(job.comp[1]);
    int i = 0;
    for (; i + kStep <= count; i += kStep) {
        Wide m, s;
        deinterleave(Wide::load(pairs + 2 * i), Wide::load(pairs + 2 * i + kStep), m, s);
        shape(m, comp0).store(out0 + i);
        shape(s, comp1).store(out1 + i);
    }
    const F4 comp = pair(job.comp[0], job.comp[1]);
    for (; i < count; ++i) {
        const F4 y = shape(loadPair(pairs + 2 * i), comp);
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

template <class Front, bool Hold, GuardMode Mode>
[[gnu::noinline]] void runLoop(FusedJob& job) {
    FusedLoop<Front, Hold, Mode> loop(job);
    loop.run();
}

template <class Front>
void runFused(FusedJob& job) {
    prepareInput(job);
    const GuardMode mode = job.window == 0        ? GuardMode::Off
                           : job.rescalesOften    ? GuardMode::FrequentRescales
                                                  : GuardMode::RareRescales;
    const auto run = [&]<bool Hold>() {
        switch (mode) {
        case GuardMode::Off: runLoop<Front, Hold, GuardMode::Off>(job); break;
        case GuardMode::RareRescales: runLoop<Front, Hold, GuardMode::RareRescales>(job); break;
        case GuardMode::FrequentRescales: runLoop<Front, Hold, GuardMode::FrequentRescales>(job); break;
        }
    };
    if (job.holdPeriod > 1)
        run.template operator()<true>();
    else
        run.template operator()<false>();
    writeOutputs(job);
}

}  // namespace ORV_SIMD_TARGET
}  // namespace orv::simd
