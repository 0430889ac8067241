// Chooses the build of the fused loop once, from what the processor and
// the operating system support.
#include <atomic>

#include "dsp/fused_kernel.h"

namespace orv {
namespace {

KernelFunction functionOf(Kernel kernel) {
    switch (kernel) {
    case Kernel::Avx512: return &runFusedAvx512;
    case Kernel::Avx2: return &runFusedAvx2;
    case Kernel::Sse2: break;
    }
    return &runFusedSse2;
}

KernelFunction widestSupported() {
    for (Kernel kernel : {Kernel::Avx512, Kernel::Avx2})
        if (kernelSupported(kernel)) return functionOf(kernel);
    return functionOf(Kernel::Sse2);
}

std::atomic<KernelFunction>& chosen() {
    static std::atomic<KernelFunction> function{widestSupported()};
    return function;
}

}  // namespace

bool kernelSupported(Kernel kernel) {
    // The checks also ask whether the operating system saves the wide registers.
    __builtin_cpu_init();
    switch (kernel) {
    case Kernel::Avx512:
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
               __builtin_cpu_supports("avx512dq");
    case Kernel::Avx2: return __builtin_cpu_supports("avx2") != 0;
    case Kernel::Sse2: break;
    }
    return true;
}

KernelFunction activeKernel() { return chosen().load(std::memory_order_relaxed); }

void useKernelForTesting(Kernel kernel) {
    chosen().store(functionOf(kernel), std::memory_order_relaxed);
}

}  // namespace orv
