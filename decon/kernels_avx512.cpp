// The row kernels built for AVX-512 (this file alone is compiled with
// -mavx512f -mavx512bw).
#define QV_KERNEL_BYTES 64
#include "decon/kernels_impl.h"

const DeconKernels& Avx512DeconKernels() {
    static constexpr DeconKernels kernels = MakeKernels("avx512");
    return kernels;
}
