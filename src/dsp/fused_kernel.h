// The whole processing of a piece that is not bypassed, from the inputs to
// the outputs, as one loop over the samples: the equaliser and the
// reconstruction low-pass of both channels side by side in vector lanes,
// the decoder, the Sample/Bit stage and the clip guard, then Comp and
// Output. Every value is computed by the same single-precision operations,
// in the same order, as the stages run one after the other.
//
// Three builds of the loop exist: one for every x86-64 processor (SSE2),
// one for processors with AVX2 and one for AVX-512; the widest the
// processor supports is chosen at run time. All give the same bits.
#pragma once

#include <cstdint>

#include "dsp/chain_settings.h"
#include "dsp/guard_ring.h"
#include "dsp/lane_image.h"

namespace orv {

constexpr int kFusedGroups = 5;

// Everything one piece needs, read and written by the loop.
struct FusedJob {
    int n = 0;
    const float* in[2] = {};
    float* out[2] = {};
    float* pairs = nullptr;  // room for n interleaved (M, S) pairs

    // Input stage.
    const float* ramp[2] = {};  // per-sample gains, or null for the steady gains below
    float steadyGain[2] = {};
    bool encode = false;
    bool decode = false;

    // Filters, in lane groups (kFusedGroups): low shelf, high shelf, peak,
    // and the low-pass's two stages.
    simd::LaneImage filters;

    // Sample/Bit stage.
    bool quantise = false;
    float quantScale = 1.0f;
    float quantScaleReciprocal = 1.0f;
    std::int32_t holdPeriod = 1;
    float holdPeriodReciprocal = 1.0f;
    std::int32_t holdCounter = 1;
    bool interpolate = false;
    float held[2][2] = {};  // [channel][previous, current]

    // Clip guard (window 0: off) over an interleaved stereo ring.
    std::int32_t window = 0;
    float* ring = nullptr;
    std::int32_t ringMask = 0;
    GuardState guard[2];
    bool rescalesOften = false;  // in: half-wave rescales were frequent lately
    int rescaleCount = 0;        // out: samples with a rescale (counted while they are rare)

    // Comp and Output.
    float comp[2] = {};
    float output = 1.0f;
};

enum class Kernel { Sse2, Avx2, Avx512 };

using KernelFunction = void (*)(FusedJob& job);

// The loop built for each instruction set.
void runFusedSse2(FusedJob& job);
void runFusedAvx2(FusedJob& job);
void runFusedAvx512(FusedJob& job);

bool kernelSupported(Kernel kernel);
// The loop in use: the widest the processor supports, unless a test chose one.
KernelFunction activeKernel();
// For tests: runs every later piece with the given build (it must be supported).
void useKernelForTesting(Kernel kernel);

}  // namespace orv
