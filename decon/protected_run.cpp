#include "decon/protected_run.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "decon/row_pool.h"

namespace {

// Smoothed signal, in sigmas of one pixel's noise (a 3 x 3 mean has a third
// of it), above which a pixel counts as a star core.
constexpr float kCoreSignal = 3.0f;
// The estimate's share rises from 0 to 1 between these signals.
constexpr float kWeightLow = 0.5f;
constexpr float kWeightHigh = 2.0f;
// Side of the tiles whose medians make the local sky.
constexpr int32_t kSkyTile = 32;
// Reach of the box whose light is kept, and the light (in noise sigmas per
// pixel of its side) that stands in for none, so the sky keeps a scale of 1.
// A deep cushion lets only a clear excess of light be taken back: a thin one
// also cut the peaks of stars whose light the steps had not yet gathered.
constexpr int32_t kFluxReach = 8;
constexpr float kFluxCushion = 10.0f;

float MedianOf(std::vector<float>& values) {
    if (values.empty()) return 0.0f;
    const size_t mid = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + mid, values.end());
    return values[mid];
}

}  // namespace

void ProtectedRun::TakeImage(const DeconEngine& engine) {
    area_ = engine.Selection();
    raw_.clear();
    for (int32_t row = area_.top; row < area_.bottom; ++row) {
        const uint16_t* line = engine.image + engine.Index(row, area_.left);
        raw_.insert(raw_.end(), line, line + (area_.right - area_.left));
    }
}

// Normal noise of one pixel from differences of neighbours: robust to stars
// and to a sky that varies slowly.
void ProtectedRun::MeasureNoise() {
    std::vector<float> differences;
    for (int32_t row = area_.top; row < area_.bottom; row += 2)
        for (int32_t column = area_.left; column + 1 < area_.right; column += 2)
            differences.push_back(Raw(row, column) - Raw(row, column + 1));
    const float median = MedianOf(differences);
    for (float& d : differences) d = std::fabs(d - median);
    noise_ = std::max(1.0f, 1.4826f * MedianOf(differences) / std::sqrt(2.0f));
}

void ProtectedRun::MeasureSky() {
    tilesAcross_ = std::max(1, (area_.right - area_.left) / kSkyTile);
    tilesDown_ = std::max(1, (area_.bottom - area_.top) / kSkyTile);
    skyTiles_.assign(static_cast<size_t>(tilesAcross_) * tilesDown_, 0.0f);
    std::vector<float> values;
    for (int32_t ty = 0; ty < tilesDown_; ++ty)
        for (int32_t tx = 0; tx < tilesAcross_; ++tx) {
            values.clear();
            const int32_t r0 = area_.top + ty * kSkyTile, c0 = area_.left + tx * kSkyTile;
            const int32_t r1 = ty + 1 == tilesDown_ ? area_.bottom : r0 + kSkyTile;
            const int32_t c1 = tx + 1 == tilesAcross_ ? area_.right : c0 + kSkyTile;
            for (int32_t row = r0; row < r1; ++row)
                for (int32_t column = c0; column < c1; ++column) values.push_back(Raw(row, column));
            skyTiles_[static_cast<size_t>(ty) * tilesAcross_ + tx] = MedianOf(values);
        }
}

// The tiles' medians interpolated between their centres.
float ProtectedRun::Sky(int32_t row, int32_t column) const {
    const float fy = std::clamp((row - area_.top + 0.5f) / kSkyTile - 0.5f, 0.0f, tilesDown_ - 1.0f);
    const float fx = std::clamp((column - area_.left + 0.5f) / kSkyTile - 0.5f, 0.0f, tilesAcross_ - 1.0f);
    const int32_t y0 = static_cast<int32_t>(fy), x0 = static_cast<int32_t>(fx);
    const int32_t y1 = std::min(y0 + 1, tilesDown_ - 1), x1 = std::min(x0 + 1, tilesAcross_ - 1);
    const float ay = fy - y0, ax = fx - x0;
    auto tile = [&](int32_t y, int32_t x) { return skyTiles_[static_cast<size_t>(y) * tilesAcross_ + x]; };
    return (1 - ay) * ((1 - ax) * tile(y0, x0) + ax * tile(y0, x1)) + ay * ((1 - ax) * tile(y1, x0) + ax * tile(y1, x1));
}

float ProtectedRun::SmoothedRaw(int32_t row, int32_t column) const {
    float sum = 0.0f;
    for (int32_t dy = -1; dy <= 1; ++dy)
        for (int32_t dx = -1; dx <= 1; ++dx)
            sum += Raw(std::clamp(row + dy, area_.top, area_.bottom - 1),
                       std::clamp(column + dx, area_.left, area_.right - 1));
    return sum / 9.0f;
}

void ProtectedRun::Prepare(DeconEngine& engine, RowPool& pool) {
    MeasureNoise();
    MeasureSky();
    const size_t count = raw_.size();
    reference_.assign(count, 0.0f);
    weight_.assign(count, 1.0f);
    sky_.assign(count, 0.0f);
    shown_.assign(count, 0.0f);
    pool.ForRows(area_.top, area_.bottom, [&](int first, int last, int) {
        for (int32_t row = first; row < last; ++row)
            for (int32_t column = area_.left; column < area_.right; ++column) {
                const size_t i = engine.Index(row, column), k = At(row, column);
                sky_[k] = Sky(row, column);
                const float signal = (SmoothedRaw(row, column) - sky_[k]) / noise_;
                if ((parts_ & kProtectCores) && signal > kCoreSignal)
                    engine.estimate[i] = engine.observed[i] = Raw(row, column);
                reference_[k] = engine.estimate[i];
                if (parts_ & kProtectWeights)
                    weight_[k] = std::clamp((signal - kWeightLow) / (kWeightHigh - kWeightLow), 0.0f, 1.0f);
            }
    });
    if (parts_ & kProtectFlux) {
        std::vector<float> raw(raw_.begin(), raw_.end());
        BoxSums(pool, raw, rawSums_);
    }
    ready_ = true;
}

void ProtectedRun::BoxSums(RowPool& pool, const std::vector<float>& values, std::vector<float>& sums) {
    const int32_t w = area_.right - area_.left, h = area_.bottom - area_.top;
    across_.resize(values.size());
    sums.resize(values.size());
    pool.ForRows(0, h, [&](int first, int last, int) {
        for (int32_t y = first; y < last; ++y) {
            const size_t base = static_cast<size_t>(y) * w;
            double sum = 0.0;
            for (int32_t x = -kFluxReach; x < w; ++x) {
                if (x + kFluxReach < w) sum += values[base + x + kFluxReach] - sky_[base + x + kFluxReach];
                if (x - kFluxReach - 1 >= 0) sum -= values[base + x - kFluxReach - 1] - sky_[base + x - kFluxReach - 1];
                if (x >= 0) across_[base + x] = static_cast<float>(sum);
            }
        }
    });
    // Rows beyond the area add nothing: a row of zeros keeps the inner loop
    // free of tests.
    zeros_.assign(static_cast<size_t>(w), 0.0f);
    pool.ForRows(0, w, [&](int first, int last, int) {
        std::vector<double> sum(static_cast<size_t>(last - first), 0.0);
        for (int32_t y = -kFluxReach; y < h; ++y) {
            const float* in = y + kFluxReach < h ? &across_[static_cast<size_t>(y + kFluxReach) * w] : zeros_.data();
            const float* out = y - kFluxReach - 1 >= 0 ? &across_[static_cast<size_t>(y - kFluxReach - 1) * w] : zeros_.data();
            double* s = sum.data() - first;
            for (int32_t x = first; x < last; ++x) s[x] = s[x] + in[x] - out[x];
            if (y < 0) continue;
            float* row = &sums[static_cast<size_t>(y) * w];
            for (int32_t x = first; x < last; ++x) row[x] = static_cast<float>(s[x]);
        }
    });
}

// shown = sky + (shown - sky) x (raw light + cushion) / (shown light + cushion),
// in proportion to the weight.
float ProtectedRun::FluxKept(size_t k, float cushion) const {
    const float scale = (rawSums_[k] + cushion) / std::max(shownSums_[k] + cushion, cushion * 0.25f);
    // Only where the estimate shows: the sky keeps its own grain.
    const float share = 1.0f + weight_[k] * (std::clamp(scale, 0.5f, 2.0f) - 1.0f);
    return sky_[k] + (shown_[k] - sky_[k]) * share;
}

void ProtectedRun::Write(const DeconEngine& engine, RowPool& pool, const DeconKernels& kernels, bool complete) {
    const bool keepFlux = complete && (parts_ & kProtectFlux);
    if (keepFlux) {
        pool.ForRows(area_.top, area_.bottom, [&](int first, int last, int) {
            for (int32_t row = first; row < last; ++row) {
                const float* estimate = engine.estimate.data() + engine.Index(row, 0);
                for (int32_t column = area_.left; column < area_.right; ++column) {
                    const size_t k = At(row, column);
                    shown_[k] = Blended(estimate[column], k);
                }
            }
        });
        BoxSums(pool, shown_, shownSums_);
    }
    const float cushion = kFluxCushion * noise_ * (2 * kFluxReach + 1);
    pool.ForRows(area_.top, area_.bottom, [&](int first, int last, int slot) {
        for (int32_t row = first; row < last; ++row) {
            std::vector<float>& out = rows_[slot];
            const float* estimate = engine.estimate.data() + engine.Index(row, 0);
            out.assign(estimate, estimate + engine.width);
            const size_t base = At(row, area_.left);
            for (int32_t column = area_.left; column < area_.right; ++column) {
                const size_t k = base + static_cast<size_t>(column - area_.left);
                out[column] = keepFlux ? FluxKept(k, cushion) : Blended(estimate[column], k);
            }
            kernels.toPixelsRow(out.data(), engine.image + engine.Index(row, 0), engine.width);
        }
    });
}
