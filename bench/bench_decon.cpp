// Speed of the deconvolution engine on generated star fields: the cost of one
// damped step per megapixel, and whole default runs (N = 5: noise reduction,
// background, 75 steps) with the time of each stage.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstring>
#include <map>
#include <memory>

#include "decon/decon_engine.h"
#include "decon/run_selection.h"
#include "tools/samplegen/star_field.h"

namespace {

using Clock = std::chrono::steady_clock;

const StarField& Field(int width, int height) {
    static std::map<std::pair<int, int>, StarField> fields;
    auto [it, added] = fields.try_emplace({width, height});
    if (added) {
        StarFieldOptions options;
        options.width = width;
        options.height = height;
        options.starCount = int(300.0 * width * height / (765.0 * 510.0));
        it->second = GenerateStarField(options);
    }
    return it->second;
}

// Three bright, unsaturated stars well inside the image.
std::vector<std::pair<int, int>> PsfStars(const StarField& field) {
    std::vector<std::pair<int, int>> chosen;
    for (const SampleStar& star : field.stars) {
        if (star.peak > 30000 || star.peak < 2000) continue;
        if (star.x < 40 || star.y < 40 || star.x > field.width - 40 || star.y > field.height - 40) continue;
        chosen.emplace_back(int(star.x + 0.5), int(star.y + 0.5));
        if (chosen.size() == 3) break;
    }
    return chosen;
}

// Notes when each stage begins.
struct StageClock : DeconHooks {
    Clock::time_point noise, background, firstStep;
    void SetStatus(const char* text) override {
        const auto now = Clock::now();
        if (std::strcmp(text, "Noise reduction...") == 0) noise = now;
        if (std::strcmp(text, "Estimating background...") == 0) background = now;
        if (std::strcmp(text, "Deconvolved 0%...") == 0) firstStep = now;
    }
};

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

double PeakResidentMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

struct RunTimes {
    double noise = 0, background = 0, steps = 0, whole = 0;
};

RunTimes Run(const StarField& field, const DeconRect* area, int iterations, int threads, bool protect = false) {
    std::vector<uint16_t> pixels = field.pixels;
    StageClock clock;
    const auto begin = Clock::now();
    DeconEngine engine;
    engine.SetHooks(&clock);
    if (!engine.Init(field.width, field.height, {.threads = threads, .protect = protect})) return {};
    engine.SetImage(pixels.data());
    for (auto [x, y] : PsfStars(field)) engine.AddStar(x, y);
    const DeconRect rect = RunSelection(area, field.width, field.height);
    engine.SetSelection(rect.top, rect.left, rect.bottom, rect.right);
    engine.Start(iterations);
    const auto stepsEnd = Clock::now();
    engine.ReturnImage();
    const auto end = Clock::now();
    benchmark::DoNotOptimize(pixels.data());
    return {Seconds(clock.noise, clock.background), Seconds(clock.background, clock.firstStep),
            Seconds(clock.firstStep, stepsEnd), Seconds(begin, end)};
}

// One step over an area of side x side pixels (the image is 20 pixels wider
// and taller, so the run's 10-pixel margin leaves exactly that area). The
// time per step includes its share of the write-backs every fifth step.
void BM_DeconStep(benchmark::State& state) {
    const int side = int(state.range(0)), threads = int(state.range(1));
    const StarField& field = Field(side + 20, side + 20);
    constexpr int kSteps = 15;
    double total = 0;
    for (auto _ : state) {
        const double perStep = Run(field, nullptr, 1, threads).steps / kSteps;
        total += perStep;
        state.SetIterationTime(perStep);
    }
    const double megapixels = double(side) * side / 1e6;
    state.counters["threads"] = threads;
    state.counters["ms_per_step_per_Mpx"] = total / double(state.iterations()) * 1e3 / megapixels;
}
BENCHMARK(BM_DeconStep)->Args({2048, 1})->Args({2048, 2})->Args({1024, 2})->UseManualTime()
    ->Unit(benchmark::kMillisecond)->Iterations(3);

// The whole default run (N = 5) of a whole image, with its stages.
void BM_DeconWholeRun(benchmark::State& state) {
    const StarField& field = Field(int(state.range(0)), int(state.range(1)));
    RunTimes times;
    for (auto _ : state) {
        times = Run(field, nullptr, 5, 0);
        state.SetIterationTime(times.whole);
    }
    state.counters["noise_s"] = times.noise;
    state.counters["background_s"] = times.background;
    state.counters["steps_s"] = times.steps;
    state.counters["peak_rss_MB"] = PeakResidentMegabytes();
}
BENCHMARK(BM_DeconWholeRun)->Args({765, 510})->Args({2048, 2048})->Args({4096, 4096})->UseManualTime()
    ->Unit(benchmark::kMillisecond)->Iterations(1);

// The same runs with the protected run's additions (compare with the above).
void BM_DeconWholeRunProtected(benchmark::State& state) {
    const StarField& field = Field(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) state.SetIterationTime(Run(field, nullptr, 5, 0, true).whole);
    state.counters["peak_rss_MB"] = PeakResidentMegabytes();
}
BENCHMARK(BM_DeconWholeRunProtected)->Args({765, 510})->Args({2048, 2048})->UseManualTime()
    ->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
