#pragma once
// Histogram of an image's pixels for the automatic levels: 4096 bins of 16
// values each, counted exactly, with the 20 % and 99 % points. It stays
// valid until the pixels change (the deconvolution driver invalidates it).

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr int32_t kHistogramBins = 4096;
inline constexpr int32_t kHistogramBinShift = 4;

class CHistogram {
public:
    // Counts count pixels and finds the two points; marks the histogram valid.
    void Compute(const uint16_t* pixels, size_t count);
    void Invalidate() { valid_ = false; }
    bool IsValid() const { return valid_; }

    uint32_t Bin(int32_t b) const { return bins_[size_t(b)]; }
    uint64_t Total() const { return total_; }
    // Lowest pixel value of the bin where the running count first exceeds
    // 20 % (99 %) of the pixels.
    int32_t Point20() const { return point20_; }
    int32_t Point99() const { return point99_; }

private:
    void FindPoints();

    std::array<uint32_t, kHistogramBins> bins_{};
    uint64_t total_ = 0;
    int32_t point20_ = 0;
    int32_t point99_ = 0;
    bool valid_ = false;
};
