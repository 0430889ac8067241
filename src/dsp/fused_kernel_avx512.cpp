// The fused loop for processors with AVX-512 (this file alone is compiled
// for AVX-512; nothing here runs before the processor check has chosen it).
#include "dsp/fused_kernel_impl.h"

namespace orv {

void runFusedAvx512(FusedJob& job) { simd::runFused<simd::Avx512Front>(job); }

}  // namespace orv
