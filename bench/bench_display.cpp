// Display rebuild of a 4096 x 4096 image on one core: plain, smoothed, with
// automatic levels (histogram recomputed each time), and the pieces alone.
#include <benchmark/benchmark.h>

#include "app/display/display_bitmap.h"
#include "app/display/display_render.h"
#include "app/display/histogram.h"
#include "image/image.h"

namespace {

constexpr int32_t kSide = 4096;

// Sky near 1000 with noise and a gradient, so lookups hit many table entries.
void FillSky(CImage& image) {
    image.Width = kSide;
    image.Height = kSide;
    image.pixels.resize(size_t(kSide) * kSide);
    uint32_t seed = 2024;
    for (int32_t y = 0; y < kSide; ++y)
        for (int32_t x = 0; x < kSide; ++x) {
            seed = seed * 1664525u + 1013904223u;
            image.pixels[size_t(y) * kSide + size_t(x)] = uint16_t(900 + x / 32 + y / 64 + (seed >> 24));
        }
}

CImage& Sky() {
    static CImage image;
    if (image.pixels.empty()) FillSky(image);
    return image;
}

void Rebuild(benchmark::State& state, int32_t smooth, int32_t automatic) {
    CImage& image = Sky();
    image.display = DisplaySettings{100, 1000, smooth, automatic, 0, 2};
    CHistogram histogram;
    DisplayBitmap bitmap;
    bitmap.Create(kSide, kSide);
    for (auto _ : state) {
        histogram.Invalidate();
        BuildDisplayBitmap(image, histogram, bitmap);
        benchmark::DoNotOptimize(bitmap.Bits());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kSide) * kSide);
}

void BM_RebuildPlain(benchmark::State& state) { Rebuild(state, 0, 0); }
void BM_RebuildSmoothed(benchmark::State& state) { Rebuild(state, 1, 0); }
void BM_RebuildAutomatic(benchmark::State& state) { Rebuild(state, 0, 1); }

void BM_Histogram(benchmark::State& state) {
    const CImage& image = Sky();
    CHistogram histogram;
    for (auto _ : state) {
        histogram.Compute(image.pixels.data(), image.pixels.size());
        benchmark::DoNotOptimize(histogram.Point99());
    }
}

void BM_RenderQuarter(benchmark::State& state) {
    CImage& image = Sky();
    image.display = DisplaySettings{};
    CHistogram histogram;
    DisplayBitmap bitmap;
    BuildDisplayBitmap(image, histogram, bitmap);
    for (auto _ : state) benchmark::DoNotOptimize(RenderGrey(bitmap, 0).pixels.data());
}

}  // namespace

BENCHMARK(BM_RebuildPlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RebuildSmoothed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RebuildAutomatic)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Histogram)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderQuarter)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
