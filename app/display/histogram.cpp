#include "app/display/histogram.h"

#include <vector>

void CHistogram::Compute(const uint16_t* pixels, size_t count) {
    // Four interleaved sets of bins, so that runs of equal pixels do not
    // serialise on one counter.
    constexpr size_t kLanes = 4;
    std::vector<uint32_t> lanes(kLanes * kHistogramBins, 0);
    size_t i = 0;
    for (; i + kLanes <= count; i += kLanes)
        for (size_t lane = 0; lane < kLanes; ++lane)
            ++lanes[lane * kHistogramBins + (pixels[i + lane] >> kHistogramBinShift)];
    for (; i < count; ++i) ++lanes[pixels[i] >> kHistogramBinShift];
    for (size_t b = 0; b < size_t(kHistogramBins); ++b) {
        uint32_t sum = 0;
        for (size_t lane = 0; lane < kLanes; ++lane) sum += lanes[lane * kHistogramBins + b];
        bins_[b] = sum;
    }
    total_ = count;
    FindPoints();
    valid_ = true;
}

// Each point is taken only while it is still 0, so a point already passed
// in bin 0 lands on bin 1 unless the walk also stops in bin 0. Automatic
// levels of stored images depend on exactly this.
void CHistogram::FindPoints() {
    const uint64_t t20 = uint64_t(double(total_) * 0.2);
    const uint64_t t99 = uint64_t(double(total_) * 0.99);
    int32_t p20 = 0;
    int32_t p99 = 0;
    uint64_t running = 0;
    for (int32_t b = 0; b < kHistogramBins; ++b) {
        running += bins_[size_t(b)];
        if (running > t20 && p20 == 0) p20 = b;
        if (running > t99 && p99 == 0) {
            p99 = b;
            break;
        }
    }
    point20_ = p20 << kHistogramBinShift;
    point99_ = p99 << kHistogramBinShift;
}
