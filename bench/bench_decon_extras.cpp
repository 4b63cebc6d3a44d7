// What the run's extras cost on a 4096 x 4096 whole-image run of N = 5:
// the change measured after every step, and the image window's record of
// the run (the change, and the image before the run and after every
// iteration kept within the window's memory budget). The variants run
// interleaved, so a busy moment of the machine falls on all of them alike;
// wall and processor time (all threads) are both reported.

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

// The window's record, timing the engine's calls into it: the run waits
// for each, so their sum is the record's own cost, which the machine's
// noise hides in the difference of whole runs.
struct TimedReview : DeconHooks {
    IterationReview review;
    double seconds = 0;

    template <class Call> void Timed(Call call) {
        const auto begin = Clock::now();
        call();
        seconds += std::chrono::duration<double>(Clock::now() - begin).count();
    }
    bool WantsStepChange() override { return review.WantsStepChange(); }
    void StepChanged(int step, int steps, double change) override {
        Timed([&] { review.StepChanged(step, steps, change); });
    }
    void IterationEnded(int iteration) override {
        Timed([&] { review.IterationEnded(iteration); });
    }
};
double lastRecordSeconds = 0;

// The window's record also copies the image as the run starts, as the
// window does when its worker starts.
double RunOnce(bool measure, bool record) {
    const StarField& field = Field();
    std::vector<uint16_t> pixels = field.pixels;
    ChangeHooks hooks;
    hooks.measure = measure;
    TimedReview timed;
    IterationReview& review = timed.review;
    const auto begin = Clock::now();
    const double processorBegin = ProcessorSeconds();
    if (record) timed.Timed([&] { review.BeginRun(pixels.data(), pixels.size(), QuarterOfMemory()); });
    DeconEngine engine;
    engine.SetHooks(record ? static_cast<DeconHooks*>(&timed) : &hooks);
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
        lastRecordSeconds = timed.seconds;
    }
    return seconds;
}

// Each repetition runs the three variants back to back, starting with a
// different one each time; a variant's cost is the median over repetitions
// of its time against the plain run of the same repetition.
void BM_RunExtras(benchmark::State& state) {
    std::vector<double> wall[3], processor[3], inRecord;
    int repetition = 0;
    for (auto _ : state) {
        double total = 0;
        for (int k = 0; k < 3; ++k) {
            const int variant = (repetition + k) % 3;
            const double t = RunOnce(variant >= 1, variant == 2);
            wall[variant].push_back(t);
            processor[variant].push_back(lastProcessorSeconds);
            if (variant == 2) inRecord.push_back(lastRecordSeconds);
            total += t;
        }
        ++repetition;
        state.SetIterationTime(total);
    }
    auto cost = [](const std::vector<double>& with, const std::vector<double>& plain) {
        std::vector<double> ratios;
        for (size_t i = 0; i < plain.size(); ++i) ratios.push_back((with[i] / plain[i] - 1) * 100);
        return Median(ratios);
    };
    state.counters["plain_s"] = Median(wall[0]);
    state.counters["change_pct"] = cost(wall[1], wall[0]);
    state.counters["record_pct"] = cost(wall[2], wall[0]);
    state.counters["change_cpu_pct"] = cost(processor[1], processor[0]);
    state.counters["record_cpu_pct"] = cost(processor[2], processor[0]);
    // The copies and the plot's list, against the plain run.
    state.counters["in_record_pct"] = Median(inRecord) / Median(wall[0]) * 100;
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

BENCHMARK(BM_RunExtras)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(9);

}  // namespace

BENCHMARK_MAIN();
