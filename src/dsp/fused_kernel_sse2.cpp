// The fused loop for every x86-64 processor.
#include "dsp/fused_kernel_impl.h"

namespace orv {

void runFusedSse2(FusedJob& job) { simd::runFused<simd::Sse2Front>(job); }

}  // namespace orv
