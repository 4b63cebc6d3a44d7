// What the run's extras cost on a 4096 x 4096 whole-image run of N = 5:
// the change measured after every step, and a copy of the image kept after
// every iteration. The variants run interleaved, so a busy moment of the
// machine falls on all of them alike; the fastest of each is reported.

#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "decon/decon_engine.h"
#include "decon/run_selection.h"
#include "tools/samplegen/star_field.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kSide = 4096;
constexpr int kIterations = 5;

const StarField& Field() {
    static const StarField field = [] {
        StarFieldOptions options;
        options.width = options.height = kSide;
        options.starCount = int(300.0 * kSide * kSide / (765.0 * 510.0));
        return GenerateStarField(options);
    }();
    return field;
}

struct ExtrasHooks : DeconHooks {
    bool measure = false;
    bool keep = false;
    const std::vector<uint16_t>* pixels = nullptr;
    std::vector<double> changes;
    std::vector<std::vector<uint16_t>> kept;
    bool WantsStepChange() override { return measure; }
    void StepChanged(int, int, double change) override { changes.push_back(change); }
    void IterationEnded(int) override {
        if (keep) kept.push_back(*pixels);
    }
};

double RunOnce(bool measure, bool keep) {
    const StarField& field = Field();
    std::vector<uint16_t> pixels = field.pixels;
    ExtrasHooks hooks;
    hooks.measure = measure;
    hooks.keep = keep;
    hooks.pixels = &pixels;
    hooks.kept.reserve(kIterations);
    const auto begin = Clock::now();
    DeconEngine engine;
    engine.SetHooks(&hooks);
    if (!engine.Init(field.width, field.height)) return 0;
    engine.SetImage(pixels.data());
    int used = 0;
    for (const SampleStar& star : field.stars) {
        if (star.peak > 30000 || star.peak < 2000 || star.x < 40 || star.y < 40 || star.x > kSide - 40 ||
            star.y > kSide - 40)
            continue;
        engine.AddStar(int(star.x + 0.5), int(star.y + 0.5));
        if (++used == 3) break;
    }
    const DeconRect rect = RunSelection(nullptr, field.width, field.height);
    engine.SetSelection(rect.top, rect.left, rect.bottom, rect.right);
    engine.Start(kIterations);
    engine.ReturnImage();
    benchmark::DoNotOptimize(pixels.data());
    return std::chrono::duration<double>(Clock::now() - begin).count();
}

void BM_RunExtras(benchmark::State& state) {
    double best[3] = {1e9, 1e9, 1e9};
    for (auto _ : state) {
        double total = 0;
        for (int variant = 0; variant < 3; ++variant) {
            const double t = RunOnce(variant >= 1, variant == 2);
            best[variant] = std::min(best[variant], t);
            total += t;
        }
        state.SetIterationTime(total);
    }
    state.counters["plain_s"] = best[0];
    state.counters["change_s"] = best[1];
    state.counters["change_and_keep_s"] = best[2];
    state.counters["change_pct"] = (best[1] / best[0] - 1) * 100;
    state.counters["change_and_keep_pct"] = (best[2] / best[0] - 1) * 100;
    state.counters["kept_MB"] = kIterations * double(kSide) * kSide * 2 / 1e6;
}
BENCHMARK(BM_RunExtras)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
