// Measuring the point-spread function from one picked star: find its peak,
// take a box around it, remove the sky, re-centre it to a quarter pixel and
// blend it into the running PSF.

#include <algorithm>
#include <cstring>

#include "decon/decon_engine.h"
#include "decon/decon_texts.h"
#include "platform/format.h"

namespace {

constexpr int kSearchBefore = 10;  // the search window spans -10 .. +9
constexpr int kSearchSize = 20;
constexpr int kBoxHalf = 7;
constexpr int kBoxSize = 2 * kBoxHalf + 1;
// Corners where the sky level is read, four pixels in from the box edge.
constexpr int kBiasNear = 3;
constexpr int kBiasFar = 11;
// The centroid uses the inner 7 x 7 of the box.
constexpr int kCentreFirst = 4;
constexpr int kCentreLast = 10;
constexpr int kUpsample = 4;
constexpr int kFineSize = kBoxSize * kUpsample;
// The PSF is the central 11 x 11 of the re-centred box.
constexpr int kPsfOffset = kBoxHalf - kPsfHalf;

using Box = int[kBoxSize][kBoxSize];

// Truncation toward zero of a pixel value. Values are kept within +-2^24 so
// that no later integer sum can overflow; image values are far inside that.
int TruncatePixel(float v) {
    constexpr float kLimit = 16777216.0f;
    if (!(v > -kLimit)) return v != v ? 0 : -16777216;
    return v < kLimit ? static_cast<int>(v) : 16777216;
}

int ClampFine(int i) { return i < 0 ? 0 : (i > kFineSize - 1 ? kFineSize - 1 : i); }

// Four-fold replication, a shift by (dx, dy) fine pixels, then 4 x 4 block
// sums divided by 16 and truncated.
void ShiftBox(Box& box, float dx, float dy) {
    int rowSource[kFineSize], columnSource[kFineSize];
    for (int i = 0; i < kFineSize; ++i) {
        rowSource[i] = ClampFine(static_cast<int>(static_cast<float>(i) - dy)) / kUpsample;
        columnSource[i] = ClampFine(static_cast<int>(static_cast<float>(i) - dx)) / kUpsample;
    }
    Box shifted;
    for (int i = 0; i < kBoxSize; ++i)
        for (int j = 0; j < kBoxSize; ++j) {
            int sum = 0;
            for (int fi = i * kUpsample; fi < (i + 1) * kUpsample; ++fi)
                for (int fj = j * kUpsample; fj < (j + 1) * kUpsample; ++fj)
                    sum += box[rowSource[fi]][columnSource[fj]];
            shifted[i][j] = static_cast<int>(sum / 16.0);
        }
    std::memcpy(box, shifted, sizeof shifted);
}

// Divides every entry by the sum of all 121; false when the sum is not positive.
bool Normalise(float (&p)[kPsfSize][kPsfSize]) {
    float sum = 0.0f;
    for (const auto& row : p)
        for (float v : row) sum += v;
    if (!(sum > 0.0f)) return false;
    for (auto& row : p)
        for (float& v : row) v /= sum;
    return true;
}

}  // namespace

void DeconEngine::StarStatus(const char* format, int32_t column, int32_t row) {
    Status(Format(format, int(column), int(row)).c_str());
}

StarOutcome DeconEngine::AddStar(int32_t x, int32_t y) {
    // 1. The brightest pixel of the search window, columns outer, first wins.
    const int64_t firstColumn = std::max<int64_t>(int64_t(x) - kSearchBefore, 0);
    const int64_t lastColumn = std::min<int64_t>(int64_t(x) - kSearchBefore + kSearchSize, width);
    const int64_t firstRow = std::max<int64_t>(int64_t(y) - kSearchBefore, 0);
    const int64_t lastRow = std::min<int64_t>(int64_t(y) - kSearchBefore + kSearchSize, height);
    if (image == nullptr || firstColumn >= lastColumn || firstRow >= lastRow) {
        StarStatus(kTextStarOutside, x, y);
        return StarOutcome::outsideImage;
    }
    int peak = 0;
    int32_t px = -1, py = -1;
    for (int64_t c = firstColumn; c < lastColumn; ++c)
        for (int64_t r = firstRow; r < lastRow; ++r) {
            const float v = estimate[Index(int32_t(r), int32_t(c))];
            if (static_cast<float>(peak) < v) {
                peak = TruncatePixel(v);
                px = int32_t(c);
                py = int32_t(r);
            }
        }
    if (px < 0) {
        StarStatus(kTextStarNoSignal, x, y);
        return StarOutcome::noSignal;
    }
    if (px < kBoxHalf || py < kBoxHalf || px + kBoxHalf >= width || py + kBoxHalf >= height) {
        StarStatus(kTextStarNearEdge, x, y);
        return StarOutcome::nearEdge;
    }

    // 2. The box around the peak, less the sky level read at three corners.
    Box box;
    for (int i = 0; i < kBoxSize; ++i)
        for (int j = 0; j < kBoxSize; ++j)
            box[i][j] = TruncatePixel(estimate[Index(py - kBoxHalf + i, px - kBoxHalf + j)]);
    const int bias =
        MedianOfThree(box[kBiasNear][kBiasNear], box[kBiasFar][kBiasFar], box[kBiasNear][kBiasFar]);
    for (auto& row : box)
        for (int& v : row) v = v - bias > 0 ? v - bias : 0;

    // 3. The centroid of the inner 7 x 7.
    float s = 0.0f, sx = 0.0f, sy = 0.0f;
    for (int i = kCentreFirst; i <= kCentreLast; ++i)
        for (int j = kCentreFirst; j <= kCentreLast; ++j) {
            const float v = static_cast<float>(box[i][j]);
            s += v;
            sx += static_cast<float>(j) * v;
            sy += static_cast<float>(i) * v;
        }
    if (!(s > 0.0f)) {
        StarStatus(kTextStarNoSignal, x, y);
        return StarOutcome::noSignal;
    }
    const float dx = (static_cast<float>(kBoxHalf) - sx / s) * 4.0f;
    const float dy = (static_cast<float>(kBoxHalf) - sy / s) * 4.0f;

    // 4. Re-centre, and keep the central 11 x 11 as this star's PSF.
    ShiftBox(box, dx, dy);
    float star[kPsfSize][kPsfSize];
    for (int i = 0; i < kPsfSize; ++i)
        for (int j = 0; j < kPsfSize; ++j)
            star[i][j] = static_cast<float>(box[i + kPsfOffset][j + kPsfOffset]);
    if (!Normalise(star)) {
        StarStatus(kTextStarNoSignal, x, y);
        return StarOutcome::noSignal;
    }

    // 5. Blend: each new star weighs 1 / starCount against the PSF so far.
    std::memcpy(previousPsf, psf, sizeof psf);
    for (int i = 0; i < kPsfSize; ++i)
        for (int j = 0; j < kPsfSize; ++j) psf[i][j] = star[i][j] / starCount + previousPsf[i][j];
    starCount += 1.0f;
    Normalise(psf);
    ++starsUsed_;
    return StarOutcome::used;
}
