// The portable build of the row kernels (the baseline instruction set).
#define QV_KERNEL_BYTES 16
#include "decon/kernels_impl.h"

const DeconKernels& GenericDeconKernels() {
    static constexpr DeconKernels kernels = MakeKernels("generic");
    return kernels;
}
