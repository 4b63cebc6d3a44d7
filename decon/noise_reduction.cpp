// Noise reduction over the selection: three passes that replace isolated
// outliers by their four neighbours' mean and, in the first pass, every other
// pixel by the mean of the values within its noise band nearby.

#include <cstring>

#include "decon/decon_engine.h"
#include "decon/engine_rows.h"

namespace {
constexpr int kNoisePasses = 3;
}

bool DeconEngine::ReduceNoise() {
    const int32_t columns = right - left;
    for (int pass = 0; pass < kNoisePasses; ++pass) {
        const bool done = ForRowsUntilAbort(top, bottom, [&](int32_t row, int) {
            kernels_->noiseRow(observed.data() + Index(row, left), width,
                               estimate.data() + Index(row, left), columns, pass == 0);
        });
        if (!done) return false;
        // Outside the selection the two arrays already agree.
        pool_->ForRows(top, bottom, [&](int first, int last, int) {
            for (int32_t row = first; row < last; ++row)
                std::memcpy(observed.data() + Index(row, left), estimate.data() + Index(row, left),
                            sizeof(float) * static_cast<size_t>(columns));
        });
    }
    return true;
}
