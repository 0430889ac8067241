// Vectors of single-precision lanes for the processing loops: F4 (four
// lanes), and in code compiled for AVX2 or AVX-512 also F8 (eight) and F16
// (sixteen). Every operation is the single-precision operation of the scalar
// code, lane by lane, so a routine written over these types gives the same
// bits on every width. A comparison gives a Mask: a vector whose lanes are
// all ones (true) or all zeros, or with AVX-512 a mask register.
#pragma once

#include <emmintrin.h>
#if defined(__SSE4_1__)
#include <smmintrin.h>
#endif
#if defined(__AVX2__)
#include <immintrin.h>
#endif

#include <cstddef>
#include <cstdint>

#include "dsp/biquad.h"

// Each instruction set's code lives in a namespace of its own, so that the
// translation units built for different instruction sets never share a
// function the linker could pick from the wrong one.
#if defined(__AVX512F__)
#define ORV_SIMD_TARGET avx512
#elif defined(__AVX2__)
#define ORV_SIMD_TARGET avx2
#else
#define ORV_SIMD_TARGET sse2
#endif

namespace orv::simd {
inline namespace ORV_SIMD_TARGET {

#if defined(__AVX512VL__)
using Mask4 = __mmask8;
#else
struct F4;
using Mask4 = F4;
#endif

struct F4 {
    using Mask = Mask4;
    static constexpr int kLanes = 4;
    __m128 v;
    static F4 all(float x) { return {_mm_set1_ps(x)}; }
    static F4 zero() { return {_mm_setzero_ps()}; }
    static F4 bits(std::uint32_t b) { return {_mm_castsi128_ps(_mm_set1_epi32(static_cast<int>(b)))}; }
    static F4 load(const float* p) { return {_mm_loadu_ps(p)}; }
    void store(float* p) const { _mm_storeu_ps(p, v); }
    // Lanes whose entry of a is above b, and lanes whose entry equals b.
    static Mask above(const std::int32_t* a, int b);
    static Mask equal(const std::int32_t* a, int b);
};

inline F4 operator+(F4 a, F4 b) { return {_mm_add_ps(a.v, b.v)}; }
inline F4 operator-(F4 a, F4 b) { return {_mm_sub_ps(a.v, b.v)}; }
inline F4 operator*(F4 a, F4 b) { return {_mm_mul_ps(a.v, b.v)}; }
inline F4 operator/(F4 a, F4 b) { return {_mm_div_ps(a.v, b.v)}; }
inline F4 operator&(F4 a, F4 b) { return {_mm_and_ps(a.v, b.v)}; }
inline F4 operator|(F4 a, F4 b) { return {_mm_or_ps(a.v, b.v)}; }
inline F4 operator^(F4 a, F4 b) { return {_mm_xor_ps(a.v, b.v)}; }
// (a < b) ? a : b, as std::min(b, a) gives it.
inline F4 minOf(F4 a, F4 b) { return {_mm_min_ps(a.v, b.v)}; }
// (a > b) ? a : b.
inline F4 maxOf(F4 a, F4 b) { return {_mm_max_ps(a.v, b.v)}; }

#if defined(__AVX512VL__)
inline Mask4 less(F4 a, F4 b) { return _mm_cmp_ps_mask(a.v, b.v, _CMP_LT_OS); }
inline Mask4 greater(F4 a, F4 b) { return _mm_cmp_ps_mask(a.v, b.v, _CMP_GT_OS); }
// True where a >= b does not hold, not-a-number included.
inline Mask4 notGreaterEqual(F4 a, F4 b) { return _mm_cmp_ps_mask(a.v, b.v, _CMP_NGE_US); }
inline Mask4 intGreater(__m128i a, __m128i b) { return _mm_cmpgt_epi32_mask(a, b); }
inline Mask4 intEqual(__m128i a, __m128i b) { return _mm_cmpeq_epi32_mask(a, b); }
inline F4 select(Mask4 mask, F4 ifSet, F4 ifClear) { return {_mm_mask_blend_ps(mask, ifClear.v, ifSet.v)}; }
inline __m128i select(Mask4 mask, __m128i ifSet, __m128i ifClear) {
    return _mm_mask_blend_epi32(mask, ifClear, ifSet);
}
// a where mask is clear, zero where it is set.
inline F4 clearWhere(Mask4 mask, F4 a) { return {_mm_maskz_mov_ps(static_cast<Mask4>(~mask), a.v)}; }
inline F4 keepWhere(Mask4 mask, F4 a) { return {_mm_maskz_mov_ps(mask, a.v)}; }
inline Mask4 clearWhere(Mask4 mask, Mask4 a) { return static_cast<Mask4>(a & ~mask); }
inline int signBits(Mask4 mask) { return mask; }
#else
inline F4 less(F4 a, F4 b) { return {_mm_cmplt_ps(a.v, b.v)}; }
inline F4 greater(F4 a, F4 b) { return {_mm_cmpgt_ps(a.v, b.v)}; }
// True where a >= b does not hold, not-a-number included.
inline F4 notGreaterEqual(F4 a, F4 b) { return {_mm_cmpnge_ps(a.v, b.v)}; }
inline F4 intGreater(__m128i a, __m128i b) { return {_mm_castsi128_ps(_mm_cmpgt_epi32(a, b))}; }
inline F4 intEqual(__m128i a, __m128i b) { return {_mm_castsi128_ps(_mm_cmpeq_epi32(a, b))}; }
inline F4 select(F4 mask, F4 ifSet, F4 ifClear) {
#if defined(__SSE4_1__)
    return {_mm_blendv_ps(ifClear.v, ifSet.v, mask.v)};
#else
    return {_mm_or_ps(_mm_and_ps(mask.v, ifSet.v), _mm_andnot_ps(mask.v, ifClear.v))};
#endif
}
inline __m128i select(F4 mask, __m128i ifSet, __m128i ifClear) {
    return _mm_castps_si128(select(mask, F4{_mm_castsi128_ps(ifSet)}, F4{_mm_castsi128_ps(ifClear)}).v);
}
// a where mask is clear, zero where it is set.
inline F4 clearWhere(F4 mask, F4 a) { return {_mm_andnot_ps(mask.v, a.v)}; }
inline F4 keepWhere(F4 mask, F4 a) { return mask & a; }
inline int signBits(F4 mask) { return _mm_movemask_ps(mask.v); }
#endif

inline Mask4 F4::above(const std::int32_t* a, int b) {
    return intGreater(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a)), _mm_set1_epi32(b));
}
inline Mask4 F4::equal(const std::int32_t* a, int b) {
    return intEqual(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a)), _mm_set1_epi32(b));
}


// Pairs (a[i], b[i]) in order: the first half of them in lo, the rest in hi;
// and back.
inline void interleave(F4 a, F4 b, F4& lo, F4& hi) {
    lo.v = _mm_unpacklo_ps(a.v, b.v);
    hi.v = _mm_unpackhi_ps(a.v, b.v);
}
inline void deinterleave(F4 lo, F4 hi, F4& a, F4& b) {
    a.v = _mm_shuffle_ps(lo.v, hi.v, _MM_SHUFFLE(2, 0, 2, 0));
    b.v = _mm_shuffle_ps(lo.v, hi.v, _MM_SHUFFLE(3, 1, 3, 1));
}

#if defined(__AVX2__)
struct F8 {
    using Mask = F8;
    static constexpr int kLanes = 8;
    __m256 v;
    static F8 all(float x) { return {_mm256_set1_ps(x)}; }
    static F8 zero() { return {_mm256_setzero_ps()}; }
    static F8 bits(std::uint32_t b) {
        return {_mm256_castsi256_ps(_mm256_set1_epi32(static_cast<int>(b)))};
    }
    static F8 load(const float* p) { return {_mm256_loadu_ps(p)}; }
    void store(float* p) const { _mm256_storeu_ps(p, v); }
    static Mask above(const std::int32_t* a, int b) {
        return {_mm256_castsi256_ps(
            _mm256_cmpgt_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(a)), _mm256_set1_epi32(b)))};
    }
    static Mask equal(const std::int32_t* a, int b) {
        return {_mm256_castsi256_ps(
            _mm256_cmpeq_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(a)), _mm256_set1_epi32(b)))};
    }
};

inline F8 operator+(F8 a, F8 b) { return {_mm256_add_ps(a.v, b.v)}; }
inline F8 operator-(F8 a, F8 b) { return {_mm256_sub_ps(a.v, b.v)}; }
inline F8 operator*(F8 a, F8 b) { return {_mm256_mul_ps(a.v, b.v)}; }
inline F8 operator&(F8 a, F8 b) { return {_mm256_and_ps(a.v, b.v)}; }
inline F8 operator|(F8 a, F8 b) { return {_mm256_or_ps(a.v, b.v)}; }
inline F8 operator^(F8 a, F8 b) { return {_mm256_xor_ps(a.v, b.v)}; }
inline F8 clearWhere(F8 mask, F8 a) { return {_mm256_andnot_ps(mask.v, a.v)}; }
inline F8 less(F8 a, F8 b) { return {_mm256_cmp_ps(a.v, b.v, _CMP_LT_OS)}; }
inline F8 greater(F8 a, F8 b) { return {_mm256_cmp_ps(a.v, b.v, _CMP_GT_OS)}; }
inline F8 notGreaterEqual(F8 a, F8 b) { return {_mm256_cmp_ps(a.v, b.v, _CMP_NGE_US)}; }
inline F8 minOf(F8 a, F8 b) { return {_mm256_min_ps(a.v, b.v)}; }
inline F8 maxOf(F8 a, F8 b) { return {_mm256_max_ps(a.v, b.v)}; }
inline F8 select(F8 mask, F8 ifSet, F8 ifClear) {
    return {_mm256_blendv_ps(ifClear.v, ifSet.v, mask.v)};
}
inline F8 keepWhere(F8 mask, F8 a) { return mask & a; }
inline void interleave(F8 a, F8 b, F8& lo, F8& hi) {
    const __m256 low = _mm256_unpacklo_ps(a.v, b.v);   // pairs 0, 1 | 4, 5
    const __m256 high = _mm256_unpackhi_ps(a.v, b.v);  // pairs 2, 3 | 6, 7
    lo.v = _mm256_permute2f128_ps(low, high, 0x20);
    hi.v = _mm256_permute2f128_ps(low, high, 0x31);
}
inline void deinterleave(F8 lo, F8 hi, F8& a, F8& b) {
    const __m256i split = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
    const __m256 l = _mm256_permutevar8x32_ps(lo.v, split);  // a 0-3 | b 0-3
    const __m256 h = _mm256_permutevar8x32_ps(hi.v, split);  // a 4-7 | b 4-7
    a.v = _mm256_permute2f128_ps(l, h, 0x20);
    b.v = _mm256_permute2f128_ps(l, h, 0x31);
}
#endif

#if defined(__AVX512F__)
// Sixteen lanes; comparisons give mask registers.
struct F16 {
    using Mask = __mmask16;
    static constexpr int kLanes = 16;
    __m512 v;
    static F16 all(float x) { return {_mm512_set1_ps(x)}; }
    static F16 zero() { return {_mm512_setzero_ps()}; }
    static F16 bits(std::uint32_t b) {
        return {_mm512_castsi512_ps(_mm512_set1_epi32(static_cast<int>(b)))};
    }
    static F16 load(const float* p) { return {_mm512_loadu_ps(p)}; }
    void store(float* p) const { _mm512_storeu_ps(p, v); }
    static Mask above(const std::int32_t* a, int b) {
        return _mm512_cmpgt_epi32_mask(_mm512_loadu_si512(a), _mm512_set1_epi32(b));
    }
    static Mask equal(const std::int32_t* a, int b) {
        return _mm512_cmpeq_epi32_mask(_mm512_loadu_si512(a), _mm512_set1_epi32(b));
    }
};

inline __m512i asInt(__m512 v) { return _mm512_castps_si512(v); }
inline F16 operator+(F16 a, F16 b) { return {_mm512_add_ps(a.v, b.v)}; }
inline F16 operator-(F16 a, F16 b) { return {_mm512_sub_ps(a.v, b.v)}; }
inline F16 operator*(F16 a, F16 b) { return {_mm512_mul_ps(a.v, b.v)}; }
inline F16 operator&(F16 a, F16 b) {
    return {_mm512_castsi512_ps(_mm512_and_si512(asInt(a.v), asInt(b.v)))};
}
inline F16 clearWhere(__mmask16 mask, F16 a) { return {_mm512_maskz_mov_ps(static_cast<__mmask16>(~mask), a.v)}; }
inline __mmask16 less(F16 a, F16 b) { return _mm512_cmp_ps_mask(a.v, b.v, _CMP_LT_OS); }
inline F16 select(__mmask16 mask, F16 ifSet, F16 ifClear) {
    return {_mm512_mask_blend_ps(mask, ifClear.v, ifSet.v)};
}
inline F16 keepWhere(__mmask16 mask, F16 a) { return {_mm512_maskz_mov_ps(mask, a.v)}; }
inline void interleave(F16 a, F16 b, F16& lo, F16& hi) {
    lo.v = _mm512_permutex2var_ps(a.v, _mm512_setr_epi32(0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23), b.v);
    hi.v = _mm512_permutex2var_ps(a.v, _mm512_setr_epi32(8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30, 15, 31), b.v);
}
inline void deinterleave(F16 lo, F16 hi, F16& a, F16& b) {
    a.v = _mm512_permutex2var_ps(lo.v, _mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30), hi.v);
    b.v = _mm512_permutex2var_ps(lo.v, _mm512_setr_epi32(1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31), hi.v);
}
#endif

constexpr std::uint32_t kMagnitudeBits = 0x7FFFFFFFu;
constexpr std::uint32_t kSignBit = 0x80000000u;

template <class V>
V magnitude(V v) {
    return v & V::bits(kMagnitudeBits);
}

// |v| < threshold gives +0, anything else (not-a-number included) passes.
template <class V>
V flush(V v) {
    return clearWhere(less(magnitude(v), V::all(kFlushThreshold)), v);
}

// Not-a-number and infinite values become +0.
template <class V>
V sanitized(V v) {
    return keepWhere(less(magnitude(v), V::bits(0x7F800000u)), v);
}

// The widest vector this instruction set has.
#if defined(__AVX512F__)
using Wide = F16;
#elif defined(__AVX2__)
using Wide = F8;
#else
using Wide = F4;
#endif

// Two-lane helpers on F4 for the stages that work on one (M, S) pair.
inline F4 pair(float a, float b) { return {_mm_setr_ps(a, b, 0.0f, 0.0f)}; }
inline float lane0(F4 v) { return _mm_cvtss_f32(v.v); }
inline float lane1(F4 v) { return _mm_cvtss_f32(_mm_shuffle_ps(v.v, v.v, _MM_SHUFFLE(1, 1, 1, 1))); }
inline F4 swapLanes(F4 v) { return {_mm_shuffle_ps(v.v, v.v, _MM_SHUFFLE(3, 2, 0, 1))}; }
// Lane 0 from a, lanes 1 to 3 from b.
inline F4 lane0From(F4 a, F4 b) { return {_mm_move_ss(b.v, a.v)}; }
// Lanes 0 and 1 of a, then lanes 0 and 1 of b.
inline F4 lowHalves(F4 a, F4 b) { return {_mm_movelh_ps(a.v, b.v)}; }
// Lanes 2 and 3 of v moved to lanes 0 and 1.
inline F4 highHalf(F4 v) { return {_mm_movehl_ps(v.v, v.v)}; }
inline F4 loadPair(const float* p) {
    return {_mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(p)))};
}
inline void storePair(float* p, F4 v) { _mm_store_sd(reinterpret_cast<double*>(p), _mm_castps_pd(v.v)); }
inline F4 loadPair(const float* a, const float* b, int j) {
    return {_mm_unpacklo_ps(_mm_load_ss(a + j), _mm_load_ss(b + j))};
}

// Lane 0: b + a; lane 1: b - a, with a and b being the two lanes of v
// (the mid/side matrix of a pair).
inline F4 sumAndDifference(F4 v) {
    const F4 swapped = swapLanes(v);
    return lane0From(swapped + v, swapped - v);
}

}  // namespace ORV_SIMD_TARGET
}  // namespace orv::simd
