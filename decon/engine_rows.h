#pragma once
// Row loops of the engine shared by its source files (not a public header).

#include <atomic>

#include "decon/decon_engine.h"
#include "decon/row_pool.h"

// Runs body(row, slot) for every row of [first, last) on the pool, testing the
// abort check at the start of every row; false when an abort was seen. Rows
// already under way on other threads finish; the rest are skipped.
template <class Body>
bool DeconEngine::ForRowsUntilAbort(int32_t first, int32_t last, Body body) {
    std::atomic<bool> aborted{false};
    pool_->ForRows(first, last, [&](int begin, int end, int slot) {
        for (int row = begin; row < end; ++row) {
            if (aborted.load(std::memory_order_relaxed)) return;
            if (AbortRequested()) {
                aborted.store(true, std::memory_order_relaxed);
                return;
            }
            body(row, slot);
        }
    });
    return !aborted.load(std::memory_order_relaxed);
}

// The rectangles derived from the selection.
inline constexpr int kSelectionRing = 5;

inline DeconRect GrownRect(const DeconRect& s) {
    return {s.top - kSelectionRing, s.left - kSelectionRing, s.bottom + kSelectionRing,
            s.right + kSelectionRing};
}
inline DeconRect ShrunkRect(const DeconRect& s) {
    return {s.top + kSelectionRing, s.left + kSelectionRing, s.bottom - kSelectionRing,
            s.right - kSelectionRing};
}
