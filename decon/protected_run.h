#pragma once
// The protected run's additions to the engine (DeconOptions::protect): what
// it keeps of the image before the run, and how it turns the estimate into
// the pixels the user sees. The steps themselves are the written ones.
//
//  cores    star cores (smoothed signal well above the local sky) get their
//           own pixels back after the noise reduction, which would otherwise
//           replace a lone peak by its neighbours' mean and flatten it;
//  weights  each pixel shows the deconvolved estimate in proportion to its
//           signal-to-noise, and the noise-reduced image where there is no
//           signal, so the sky keeps its grain;
//  flux     where the estimate shows, the light within a few pixels of
//           every point is scaled back to the image's own: the damped steps
//           brighten more readily than they darken.
// Showing the sky as it was also takes away the dark seam the steps leave
// inside the area's edge and most of the rings round bright stars.

#include <cstdint>
#include <vector>

#include "decon/decon_engine.h"

class RowPool;

// Parts of the protected run, for measuring what each one does.
enum ProtectPart : uint32_t {
    kProtectCores = 1u << 0,
    kProtectWeights = 1u << 1,
    kProtectFlux = 1u << 2,
    kProtectAll = 0x7u,
};

class ProtectedRun {
public:
    ProtectedRun(uint32_t parts, int threads) : parts_(parts), rows_(threads) {}

    // Before the noise reduction: keeps the selection's pixels.
    void TakeImage(const DeconEngine& engine);
    // After the background: puts the star cores back into estimate and
    // observed, and keeps what the writes need.
    void Prepare(DeconEngine& engine, RowPool& pool);
    bool Ready() const { return ready_; }
    // The pixels shown for estimate, over the selection. The flux is kept
    // only on a complete write (the end of an iteration or of the run): the
    // writes in between are for the live display alone.
    void Write(const DeconEngine& engine, RowPool& pool, const DeconKernels& kernels, bool complete);

    // Memory the run keeps per pixel of the selection, at most.
    static constexpr uint64_t kBytesPerPixel = sizeof(uint16_t) + 8 * sizeof(float);  // raw, 7 arrays, a copy

    float Noise() const { return noise_; }

private:
    size_t At(int32_t row, int32_t column) const {
        return static_cast<size_t>(row - area_.top) * static_cast<size_t>(area_.right - area_.left) +
               static_cast<size_t>(column - area_.left);
    }
    float Raw(int32_t row, int32_t column) const { return raw_[At(row, column)]; }
    void MeasureNoise();
    void MeasureSky();
    float Sky(int32_t row, int32_t column) const;
    float SmoothedRaw(int32_t row, int32_t column) const;
    float Blended(float estimate, size_t k) const { return reference_[k] + weight_[k] * (estimate - reference_[k]); }
    float FluxKept(size_t k, float cushion) const;
    // Sums of (value - sky) over the box round every pixel of the selection.
    void BoxSums(RowPool& pool, const std::vector<float>& values, std::vector<float>& sums);

    uint32_t parts_;
    DeconRect area_;
    bool ready_ = false;
    float noise_ = 0.0f;
    std::vector<uint16_t> raw_;
    std::vector<float> reference_;  // estimate after the noise reduction and the cores
    std::vector<float> weight_;
    std::vector<float> skyTiles_;
    int32_t tilesAcross_ = 0, tilesDown_ = 0;
    std::vector<float> shown_;                  // the blended selection
    std::vector<float> sky_;                    // the local sky at every pixel
    std::vector<float> rawSums_, shownSums_, across_, zeros_;
    std::vector<std::vector<float>> rows_;      // per-thread output row
};
