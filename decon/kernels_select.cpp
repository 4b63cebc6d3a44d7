// Picks the widest build of the row kernels that this processor runs.

#include <cstdlib>
#include <cstring>

#include "decon/kernels.h"

std::vector<const DeconKernels*> UsableDeconKernels() {
    std::vector<const DeconKernels*> usable;
#if defined(QV_DECON_AVX512)
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw"))
        usable.push_back(&Avx512DeconKernels());
#endif
#if defined(QV_DECON_AVX2)
    if (__builtin_cpu_supports("avx2")) usable.push_back(&Avx2DeconKernels());
#endif
    usable.push_back(&GenericDeconKernels());
    return usable;
}

const DeconKernels& SelectDeconKernels(const char* name) {
    const std::vector<const DeconKernels*> usable = UsableDeconKernels();
    if (name == nullptr || *name == '\0') name = std::getenv("QV_DECON_KERNELS");
    if (name != nullptr)
        for (const DeconKernels* kernels : usable)
            if (std::strcmp(kernels->name, name) == 0) return *kernels;
    return *usable.front();
}
