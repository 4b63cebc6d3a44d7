// What the engine reports after each step and each iteration.

#include <gtest/gtest.h>

#include "decon_test_util.h"

namespace {

struct StepHooks : DeconHooks {
    bool wantChange = true;
    std::vector<double> changes;
    std::vector<int> steps;
    const TestImage* image = nullptr;
    std::vector<std::vector<uint16_t>> iterations;

    bool WantsStepChange() override { return wantChange; }
    void StepChanged(int step, int total, double change) override {
        EXPECT_EQ(total, 45);
        steps.push_back(step);
        changes.push_back(change);
    }
    void IterationEnded(int iteration) override {
        EXPECT_EQ(iteration, int(iterations.size()) + 1);
        iterations.push_back(image->pixels);
    }
};

TestImage Field(double noise) {
    return MakeStarField(96, 80, 300, noise, {{30, 30, 9000, 1.6}, {65, 50, 5000, 2.0}, {50, 20, 3000, 1.4}});
}

RunSetup ThreeIterations() {
    RunSetup setup;
    setup.stars = {{30, 30}, {65, 50}};
    setup.iterations = 3;
    return setup;
}

const RunSetup kSetup = ThreeIterations();

}  // namespace

// On a noiseless star field each step changes the estimate less than the one before.
TEST(StepChange, ShrinksStepByStepOnANoiselessField) {
    TestImage image = Field(0);
    StepHooks hooks;
    hooks.image = &image;
    ASSERT_EQ(RunEngine(image, kSetup, &hooks), StartOutcome::completed);
    ASSERT_EQ(hooks.changes.size(), 45u);
    for (int k = 0; k < 45; ++k) EXPECT_EQ(hooks.steps[k], k);
    EXPECT_GT(hooks.changes[0], 1e-4);
    for (size_t k = 1; k < hooks.changes.size(); ++k)
        EXPECT_LE(hooks.changes[k], hooks.changes[k - 1]) << "step " << k;
}

// Measuring the change leaves the result bit for bit alone, for any thread count.
TEST(StepChange, MeasuringChangesNothingAndIsTheSameOnEveryThreadCount) {
    TestImage plain = Field(25);
    ASSERT_EQ(RunEngine(plain, kSetup), StartOutcome::completed);
    std::vector<double> first;
    for (int threads : {1, 3}) {
        TestImage image = Field(25);
        StepHooks hooks;
        hooks.image = &image;
        RunSetup setup = kSetup;
        setup.options.threads = threads;
        ASSERT_EQ(RunEngine(image, setup, &hooks), StartOutcome::completed);
        EXPECT_EQ(image.pixels, plain.pixels);
        if (first.empty()) first = hooks.changes;
        EXPECT_EQ(hooks.changes, first);
    }
    StepHooks quiet;
    quiet.wantChange = false;
    TestImage image = Field(25);
    quiet.image = &image;
    ASSERT_EQ(RunEngine(image, kSetup, &quiet), StartOutcome::completed);
    EXPECT_TRUE(quiet.changes.empty());
}

// The image at the end of iteration k of a run equals what a run of k iterations gives.
TEST(StepChange, EachIterationsImageEqualsAShorterRun) {
    TestImage image = Field(25);
    StepHooks hooks;
    hooks.wantChange = false;
    hooks.image = &image;
    ASSERT_EQ(RunEngine(image, kSetup, &hooks), StartOutcome::completed);
    ASSERT_EQ(hooks.iterations.size(), 3u);
    EXPECT_EQ(hooks.iterations[2], image.pixels);
    for (int k = 1; k <= 2; ++k) {
        TestImage shorter = Field(25);
        RunSetup setup = kSetup;
        setup.iterations = k;
        ASSERT_EQ(RunEngine(shorter, setup), StartOutcome::completed);
        EXPECT_EQ(hooks.iterations[k - 1], shorter.pixels) << "iteration " << k;
    }
}
