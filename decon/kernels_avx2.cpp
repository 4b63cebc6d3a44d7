// The row kernels built for AVX2 (this file alone is compiled with -mavx2).
#define QV_KERNEL_BYTES 32
#include "decon/kernels_impl.h"

const DeconKernels& Avx2DeconKernels() {
    static constexpr DeconKernels kernels = MakeKernels("avx2");
    return kernels;
}
