// The chains of the two channels run side by side: one SSE2 register holds
// the M value in lane 0 and the S value in lane 1, so each single-precision
// operation of the per-sample arithmetic serves both channels at once.
#pragma once

#include "dsp/biquad.h"

namespace orv {

// Filters a[] through the chain starting at firstA and b[] through the chain
// starting at firstB. The two chains must have the same length; the result
// is the same as runChain on each.
void runChainPair(BiquadSection* firstA, BiquadSection* firstB, float* a, float* b, int n);

// Side by side only when the two chains have the same shape and every mix
// is 1 (the filtered signal alone): then each output is the plain sum. The
// number of sections is written to count.
bool pairable(BiquadSection* a, BiquadSection* b, int& count);

}  // namespace orv
