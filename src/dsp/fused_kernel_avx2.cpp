// The fused loop for processors with AVX2 (this file alone is compiled for
// AVX2; nothing here runs before the processor check has chosen it).
#include "dsp/fused_kernel_impl.h"

namespace orv {

void runFusedAvx2(FusedJob& job) { simd::runFused<simd::Avx2Front>(job); }

}  // namespace orv
