// Whole deconvolution runs on small synthetic images.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "decon/decon_engine.h"
#include "decon/decon_texts.h"
#include "decon/run_selection.h"
#include "decon_test_util.h"

namespace {

// Three stars on a noisy sky: enough for every stage to do real work.
TestImage SmallField() {
    return MakeStarField(96, 80, 800, 40,
                         {{30, 28, 9000, 1.6}, {61, 47, 20000, 1.4}, {45, 60, 3000, 2.0}, {75, 20, 600, 1.5}}, 7);
}

const RunSetup kSmallRun{.stars = {{30, 28}, {61, 47}}, .selection = {}, .iterations = 1, .options = {}};

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

std::string Progress(int k, int steps) {
    char text[64];
    std::snprintf(text, sizeof text, kTextDeconvolvedFormat, k * 100.0 / steps);
    return text;
}

}  // namespace

// A run deconvolves: stars get sharper, and outside the selection nothing moves.
TEST(Engine, RunSharpensStarsInsideTheSelectionOnly) {
    TestImage image = SmallField();
    const TestImage before = image;
    RunSetup setup = kSmallRun;
    setup.selection = DeconRect{20, 20, 70, 80};
    ASSERT_EQ(RunEngine(image, setup), StartOutcome::completed);
    EXPECT_GT(image.At(61, 47), before.At(61, 47));
    for (int row = 0; row < image.height; ++row)
        for (int column = 0; column < image.width; ++column)
            if (row < 20 || row >= 70 || column < 20 || column >= 80) {
                ASSERT_EQ(image.At(column, row), before.At(column, row)) << "pixel " << column << "," << row;
            }
}

// N = 1 runs 15 steps from 0 % to 93 %, writing the background once and the
// estimate after steps 5, 10 and 15; ReturnImage writes once more.
TEST(Engine, OneIterationIsFifteenStepsWithThreeWrites) {
    TestImage image = SmallField();
    RecordingHooks hooks;
    DeconEngine engine;
    ASSERT_EQ(RunEngine(image, kSmallRun, &hooks, &engine), StartOutcome::completed);
    std::vector<std::string> steps;
    for (const std::string& s : hooks.statuses)
        if (StartsWith(s, "Deconvolved")) steps.push_back(s);
    ASSERT_EQ(steps.size(), 15u);
    EXPECT_EQ(steps.front(), "Deconvolved 0%...");
    EXPECT_EQ(steps.back(), "Deconvolved 93%...");
    EXPECT_EQ(hooks.statuses[0], kTextNoiseReduction);
    EXPECT_EQ(hooks.statuses[1], kTextEstimatingBackground);
    EXPECT_EQ(hooks.updates, 1 + 3 + 1);
    EXPECT_EQ(engine.updateThreshold, 100.0f + 15 * 8.0f);
}

// An image whose pixels are all below 100 is never updated: the threshold is
// never passed, so the run hands back the image it was given.
TEST(Engine, DimImageIsLeftAsItWas) {
    TestImage image = MakeStarField(90, 60, 50, 0, {{70, 30, 40, 1.5}});
    const TestImage before = image;
    RunSetup setup{.stars = {{70, 30}}, .selection = DeconRect{10, 10, 50, 50}, .iterations = 2, .options = {}};
    ASSERT_EQ(RunEngine(image, setup), StartOutcome::completed);
    EXPECT_EQ(image.pixels, before.pixels);
}

// A lone hot pixel is replaced by the mean of its four neighbours in the
// first noise pass; an abort right after leaves the pixels untouched.
TEST(Engine, HotPixelIsReplacedAndAbortAfterNoiseReductionKeepsThePixels) {
    TestImage image = MakeStarField(64, 64, 1000, 0, {{45, 45, 8000, 1.5}});
    image.At(20, 22) = 9000;
    const TestImage before = image;
    RecordingHooks hooks;
    hooks.abortFrom = [](const std::string& s) { return s == kTextEstimatingBackground; };
    DeconEngine engine;
    RunSetup setup{.stars = {{45, 45}}, .selection = {}, .iterations = 1, .options = {}};
    ASSERT_EQ(RunEngine(image, setup, &hooks, &engine), StartOutcome::aborted);
    EXPECT_EQ(engine.estimate[engine.Index(22, 20)], 1000.0f);
    EXPECT_EQ(image.pixels, before.pixels);
    EXPECT_EQ(hooks.updates, 1);  // the background write, made even after an abort
}

// An abort during noise reduction leaves the pixels exactly as they were.
TEST(Engine, AbortDuringNoiseReductionKeepsThePixels) {
    TestImage image = SmallField();
    const TestImage before = image;
    RecordingHooks hooks;
    hooks.abortFrom = [](const std::string& s) { return s == kTextNoiseReduction; };
    ASSERT_EQ(RunEngine(image, kSmallRun, &hooks), StartOutcome::aborted);
    EXPECT_EQ(image.pixels, before.pixels);
    EXPECT_EQ(hooks.updates, 0);
}

// An abort during the steps leaves the estimate of the last step whose
// number is a multiple of five: the same pixels as a run stopped right after it.
TEST(Engine, AbortDuringTheStepsKeepsTheLastWrittenEstimate) {
    TestImage stoppedLate = SmallField(), stoppedEarly = SmallField();
    RecordingHooks late, early;
    late.abortFrom = [](const std::string& s) { return s == Progress(8, 15); };
    early.abortFrom = [](const std::string& s) { return s == Progress(5, 15); };
    ASSERT_EQ(RunEngine(stoppedLate, kSmallRun, &late), StartOutcome::aborted);
    ASSERT_EQ(RunEngine(stoppedEarly, kSmallRun, &early), StartOutcome::aborted);
    EXPECT_EQ(late.updates, 2);
    EXPECT_EQ(early.updates, 2);
    EXPECT_EQ(stoppedLate.pixels, stoppedEarly.pixels);
    EXPECT_NE(stoppedLate.pixels, SmallField().pixels);
}

// An abort during the background stage still writes the background as far
// as it was computed; where it was never computed the image shows through.
TEST(Engine, AbortDuringTheBackgroundShowsTheBackground) {
    TestImage image = SmallField();
    const TestImage before = image;
    RecordingHooks hooks;
    hooks.abortFrom = [](const std::string& s) { return s == kTextEstimatingBackground; };
    DeconEngine engine;
    ASSERT_EQ(RunEngine(image, kSmallRun, &hooks, &engine), StartOutcome::aborted);
    for (int row = 0; row < image.height; ++row)
        for (int column = 0; column < image.width; ++column)
            ASSERT_EQ(image.At(column, row), uint16_t(engine.background[engine.Index(row, column)]))
                << "pixel " << column << "," << row;
    EXPECT_EQ(image.At(3, 3), before.At(3, 3));
}

// A complete background stays below the estimate and is written out before
// the first step.
TEST(Engine, BackgroundStaysBelowTheEstimate) {
    TestImage image = SmallField();
    RecordingHooks hooks;
    hooks.abortAtUpdate = 1;
    DeconEngine engine;
    ASSERT_EQ(RunEngine(image, kSmallRun, &hooks, &engine), StartOutcome::aborted);
    const DeconRect grown{5, 5, 75, 91};
    for (int row = grown.top; row < grown.bottom; ++row)
        for (int column = grown.left; column < grown.right; ++column) {
            const size_t i = engine.Index(row, column);
            ASSERT_LE(engine.background[i], engine.estimate[i]) << "pixel " << column << "," << row;
            ASSERT_GT(engine.background[i], 0.0f) << "pixel " << column << "," << row;
        }
    EXPECT_NEAR(engine.background[engine.Index(40, 48)], 700.0f, 50.0f);
    EXPECT_EQ(image.At(48, 40), uint16_t(engine.background[engine.Index(40, 48)]));
}

// Without a usable star, or with nothing to deconvolve, the run refuses,
// says why and leaves the image alone.
TEST(Engine, RefusedRunsLeaveTheImageAlone) {
    for (const RunSetup& setup :
         {RunSetup{.stars = {{2, 2}, {500, 500}}, .selection = {}, .iterations = 1, .options = {}},
          RunSetup{.stars = {}, .selection = {}, .iterations = 1, .options = {}},
          RunSetup{.stars = {{61, 47}}, .selection = DeconRect{30, 30, 30, 60}, .iterations = 1, .options = {}}}) {
        TestImage image = SmallField();
        const TestImage before = image;
        RecordingHooks hooks;
        DeconEngine engine;
        EXPECT_EQ(RunEngine(image, setup, &hooks, &engine), StartOutcome::refused);
        EXPECT_EQ(image.pixels, before.pixels);
        EXPECT_EQ(hooks.updates, 0);
        EXPECT_FALSE(engine.RefusalText().empty());
        EXPECT_EQ(hooks.statuses.back(), engine.RefusalText());
    }
}

// Images too small to hold a selection 10 pixels inside every edge are
// refused without reading outside any array.
TEST(Engine, TinyImagesAreRefusedSafely) {
    for (int side : {1, 5, 20}) {
        TestImage image = MakeStarField(side, side, 500, 0, {{side / 2.0, side / 2.0, 3000, 1.0}});
        const TestImage before = image;
        RunSetup setup{.stars = {{side / 2, side / 2}}, .selection = {}, .iterations = 1, .options = {}};
        EXPECT_EQ(RunEngine(image, setup), StartOutcome::refused) << side;
        EXPECT_EQ(image.pixels, before.pixels) << side;
    }
    TestImage smallest = MakeStarField(21, 40, 500, 30, {{10, 20, 3000, 1.0}});
    RunSetup setup{.stars = {{10, 20}}, .selection = {}, .iterations = 1, .options = {}};
    EXPECT_EQ(RunEngine(smallest, setup), StartOutcome::completed);
}

// Sizes the engine cannot hold are refused at Init with a message.
TEST(Engine, InitReportsSizesItCannotHold) {
    DeconEngine engine;
    EXPECT_FALSE(engine.Init(0, 10));
    EXPECT_EQ(engine.ErrorText(), "Cannot deconvolve an image of 0 x 10 pixels.");
    EXPECT_FALSE(engine.Init(70000, 10));
    DeconEngine limited;
    EXPECT_FALSE(limited.Init(1000, 1000, {.threads = 1, .kernels = nullptr, .memoryLimitBytes = 1 << 20}));
    EXPECT_EQ(limited.ErrorText(), "Not enough memory to deconvolve a 1000 x 1000 image.");
    TestImage image = SmallField();
    limited.SetImage(image.pixels.data());  // harmless on an engine without arrays
    EXPECT_EQ(limited.Start(1), StartOutcome::refused);
}

// The result does not depend on the number of threads or on the
// instruction set the kernels were built for: every bit is the same.
TEST(Engine, ResultIsIdenticalForEveryThreadCountAndBuild) {
    TestImage reference = SmallField();
    RunSetup setup = kSmallRun;
    setup.iterations = 2;
    setup.options = {.threads = 1, .kernels = "generic", .memoryLimitBytes = 0};
    DeconEngine referenceEngine;
    ASSERT_EQ(RunEngine(reference, setup, nullptr, &referenceEngine), StartOutcome::completed);
    for (const DeconKernels* kernels : UsableDeconKernels())
        for (int threads : {1, 2, 3}) {
            TestImage image = SmallField();
            setup.options = {.threads = threads, .kernels = kernels->name, .memoryLimitBytes = 0};
            DeconEngine engine;
            ASSERT_EQ(RunEngine(image, setup, nullptr, &engine), StartOutcome::completed);
            EXPECT_EQ(image.pixels, reference.pixels) << kernels->name << ", " << threads << " threads";
            EXPECT_EQ(std::memcmp(engine.estimate.data(), referenceEngine.estimate.data(),
                                  engine.estimate.size() * sizeof(float)),
                      0)
                << kernels->name << ", " << threads << " threads";
        }
}

// The selection rule of a run: the user's rectangle or the whole image,
// pulled in to 10 pixels from every edge.
TEST(Engine, RunSelectionKeepsTenPixelsFromEveryEdge) {
    EXPECT_EQ(RunSelection(nullptr, 765, 510), (DeconRect{10, 10, 500, 755}));
    const DeconRect edgeToEdge{0, -4, 510, 800};
    EXPECT_EQ(RunSelection(&edgeToEdge, 765, 510), (DeconRect{10, 10, 500, 755}));
    const DeconRect inside{40, 50, 300, 400};
    EXPECT_EQ(RunSelection(&inside, 765, 510), inside);
}
