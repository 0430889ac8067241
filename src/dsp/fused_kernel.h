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

#include "dsp/lane_image.h"

namespace orv {

// Look-ahead clip guard: the largest step between samples before the
// slope limit acts, and the peak a rescaled half-wave is given.
constexpr float kSlopeLimit = 0.35f;
constexpr float kGuardPeak = 0.99f;
// |v * 2^Bit| must stay below this for the quantiser to truncate it.
constexpr float kQuantRange = 2147483648.0f;

struct GuardState {
    std::int32_t writeIndex = 0;
    std::int32_t segmentStart = -1;
    float peak = 0.0f;
    float lastSample = 0.0f;
};

constexpr int kFusedGroups = 5;

// A piece may leave its last kCarriedPairs samples in the loop's pipeline,
// to be finished by the next piece: the input pairs keep that many pairs
// of room before the piece's first.
constexpr int kCarriedPairs = 11;

// What the samples in the pipeline are processed with: a piece may carry
// samples over only into a piece with the same settings.
struct FusedSettings {
    bool decode = false;
    bool quantise = false;
    float quantScale = 1.0f;
    float quantScaleReciprocal = 1.0f;
    std::int32_t holdPeriod = 1;
    float holdPeriodReciprocal = 1.0f;
    bool interpolate = false;
    std::int32_t window = 0;  // the clip guard's (0: off)
    float* ring = nullptr;
    std::int32_t ringMask = 0;
    bool operator==(const FusedSettings&) const = default;
};

// Everything one piece needs, read and written by the loop.
struct FusedJob {
    int n = 0;
    const float* in[2] = {};
    float* out[2] = {};
    float* pairs = nullptr;  // room for n interleaved (M, S) pairs, and kCarriedPairs before them

    // Input stage.
    const float* ramp[2] = {};  // per-sample gains, or null for the steady gains below
    float steadyGain[2] = {};
    bool encode = false;

    FusedSettings settings;

    // Filters, in lane groups (kFusedGroups): low shelf, high shelf, peak,
    // and the low-pass's two stages.
    simd::LaneImage filters;

    // Sample/Bit stage.
    std::int32_t holdCounter = 1;
    float held[2][2] = {};  // [channel][previous, current]

    // Clip guard over an interleaved stereo ring.
    GuardState guard[2];
    bool rescalesOften = false;  // in: half-wave rescales were frequent lately
    int rescaleCount = 0;        // out: samples with a rescale (counted while they are rare)

    // The pipeline between pieces.
    bool carried = false;      // in: the last piece's samples are in it; out: this piece's are
    bool drainOnly = false;    // in: only finish the carried samples (n is 0)
    float carryLimit = 0.0f;   // carried values larger than this could overflow before they leave

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
