// What the run's extras cost on a 4096 x 4096 whole-image run of N = 5:
// the change measured after every step, and the image window's record of
// the run (the change, and the image before the run and after every
// iteration kept within the window's memory budget). The variants run
// interleaved, so a busy moment of the machine falls on all of them alike;
// the fastest wall time of each is reported, and the median processor time
// (all threads), which a shared machine's pauses disturb less.

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "app/iteration_review.h"
#include "decon/decon_engine.h"
#include "decon/kernels.h"
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

struct ChangeHooks : DeconHooks {
    bool measure = false;
    std::vector<double> changes;
    bool WantsStepChange() override { return measure; }
    void StepChanged(int, int, double change) override { changes.push_back(change); }
};

uint64_t keptBytes = 0;

double ProcessorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
double lastProcessorSeconds = 0;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The window's budget for undo and the kept iterations together.
uint64_t QuarterOfMemory() {
    return uint64_t(sysconf(_SC_PHYS_PAGES)) * uint64_t(sysconf(_SC_PAGE_SIZE)) / 4;
}

// The window's record also copies the image as the run starts, as the
// window does when its worker starts.
double RunOnce(bool measure, bool record) {
    const StarField& field = Field();
    std::vector<uint16_t> pixels = field.pixels;
    ChangeHooks hooks;
    hooks.measure = measure;
    IterationReview review;
    const auto begin = Clock::now();
    const double processorBegin = ProcessorSeconds();
    if (record) review.BeginRun(pixels.data(), pixels.size(), QuarterOfMemory());
    DeconEngine engine;
    engine.SetHooks(record ? static_cast<DeconHooks*>(&review) : &hooks);
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
    const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    lastProcessorSeconds = ProcessorSeconds() - processorBegin;
    if (record) {
        review.EndRun(true, kIterations);
        keptBytes = review.Bytes();
    }
    return seconds;
}

void BM_RunExtras(benchmark::State& state) {
    double best[3] = {1e9, 1e9, 1e9};
    std::vector<double> processor[3];
    for (auto _ : state) {
        double total = 0;
        for (int variant = 0; variant < 3; ++variant) {
            const double t = RunOnce(variant >= 1, variant == 2);
            best[variant] = std::min(best[variant], t);
            processor[variant].push_back(lastProcessorSeconds);
            total += t;
        }
        state.SetIterationTime(total);
    }
    state.counters["plain_s"] = best[0];
    state.counters["change_s"] = best[1];
    state.counters["record_s"] = best[2];
    state.counters["change_pct"] = (best[1] / best[0] - 1) * 100;
    state.counters["record_pct"] = (best[2] / best[0] - 1) * 100;
    const double plainProcessor = Median(processor[0]);
    state.counters["change_cpu_pct"] = (Median(processor[1]) / plainProcessor - 1) * 100;
    state.counters["record_cpu_pct"] = (Median(processor[2]) / plainProcessor - 1) * 100;
    state.counters["kept_MB"] = double(keptBytes) / 1e6;
    state.counters["budget_MB"] = double(QuarterOfMemory()) / 1e6;
}
// The change measure's own price, free of the machine's noise: one
// 4096-column row of the damped update, plain and measuring, its inputs in
// cache as the step has them. Arg: 1 to measure.
void BM_UpdateRow(benchmark::State& state) {
    const bool measure = state.range(0) != 0;
    const DeconKernels& kernels = SelectDeconKernels();
    std::vector<float> est(kSide, 1200.0f), obs(kSide, 1300.0f), bg(kSide, 300.0f), corr(kSide);
    for (int c = 0; c < kSide; ++c) corr[c] = 0.9f + 0.2f * float(c % 17) / 16.0f;
    std::vector<float> out(2 * kSide);
    float changed[kChangeLanes], size[kChangeLanes];
    for (auto _ : state) {
        if (measure)
            kernels.updateMeasureAndRestoreRow(est.data(), obs.data(), bg.data(), corr.data(), 100.0f, kSide, true,
                                               out.data(), out.data() + kSide, changed, size);
        else
            kernels.updateAndRestoreRow(est.data(), obs.data(), bg.data(), corr.data(), 100.0f, kSide, true,
                                        out.data(), out.data() + kSide);
        benchmark::DoNotOptimize(changed);
        benchmark::ClobberMemory();
    }
    state.SetLabel(kernels.name);
}
BENCHMARK(BM_UpdateRow)->Arg(0)->Arg(1);

BENCHMARK(BM_RunExtras)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(6);

}  // namespace

BENCHMARK_MAIN();
