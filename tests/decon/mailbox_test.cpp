// The mailbox protocol between the main side and the worker thread, driven
// the way the program's run driver drives it.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "decon/decon_mailbox.h"
#include "decon/decon_texts.h"
#include "decon/decon_worker.h"
#include "decon/run_selection.h"
#include "decon_test_util.h"

using namespace std::chrono_literals;

namespace {

TestImage Field(int width, int height) {
    return MakeStarField(width, height, 700, 30, {{30, 28, 9000, 1.6}, {width - 35.0, height - 33.0, 20000, 1.4}}, 3);
}

DeconWorkerOptions FastWorker(int threads = 2) {
    DeconWorkerOptions options;
    options.pollPeriod = 1ms;
    options.engine.threads = threads;
    return options;
}

// The main side's wait: polls without ever blocking on the worker.
void WaitDone(DeconMailbox& box) {
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (!box.IsDone()) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the worker never finished its command";
        std::this_thread::sleep_for(1ms);
    }
}

void WaitForStatus(DeconMailbox& box, const char* prefix) {
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (box.statusText.Get().rfind(prefix, 0) != 0) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "never saw " << prefix;
        std::this_thread::sleep_for(100us);
    }
}

}  // namespace

// Init, SetImage, AddStar per star, SetSelection, Start, ReturnImage, Free:
// the worker carries out each in turn, says what it does, and ends with the
// same pixels as the engine driven directly. The main side reads the pixels
// during the run under the non-blocking lock.
TEST(Mailbox, FullRunMatchesTheEngineDrivenDirectly) {
    TestImage image = Field(120, 90), direct = image;
    DeconMailbox box;
    std::thread worker = StartDeconWorker(box, FastWorker());

    box.PostInit(uint16_t(image.width), uint32_t(image.height));
    WaitDone(box);
    EXPECT_EQ(box.statusText.Get(), "Allocating arrays...");
    box.PostSetImage(image.pixels.data());
    WaitDone(box);
    EXPECT_EQ(box.statusText.Get(), "Receiving image data...");
    for (auto [column, row] : {std::pair{30, 28}, std::pair{85, 57}}) {
        box.PostAddStar(uint16_t(column), uint32_t(row));
        WaitDone(box);
        EXPECT_EQ(box.statusText.Get(), "Receiving PSF points...");
    }
    box.PostSetSelection(RunSelection(nullptr, image.width, image.height));
    WaitDone(box);
    EXPECT_EQ(box.statusText.Get(), "Receiving selection rectangle...");

    box.PostStart(2);
    uint16_t seenUpdates = 0;
    long checksum = 0;
    while (!box.IsDone()) {
        if (box.imageUpdateCount.load(std::memory_order_acquire) != seenUpdates) {
            if (auto lock = box.TryLockPixels(); lock.owns_lock()) {
                seenUpdates = box.imageUpdateCount.load(std::memory_order_acquire);
                for (uint16_t v : image.pixels) checksum += v;  // as a redraw would
            }
        }
        (void)box.statusText.Get();
        std::this_thread::sleep_for(200us);
    }
    // A loaded machine may run the whole of Start between two polls; the
    // redraw after the run then reads the pixels, and the lock is free.
    if (auto lock = box.TryLockPixels(); lock.owns_lock()) {
        for (uint16_t v : image.pixels) checksum += v;
    }
    EXPECT_EQ(box.statusText.Get(), "Deconvolved 97%...");
    EXPECT_EQ(box.Command(), DeconCommand::Start);
    EXPECT_GT(checksum, 0);

    box.PostReturnImage(image.pixels.data());
    WaitDone(box);
    EXPECT_EQ(box.statusText.Get(), "Returning final image...");
    box.PostFree();
    WaitDone(box);
    EXPECT_EQ(box.statusText.Get(), "Deallocating arrays...");
    worker.join();
    box.EndRun();
    EXPECT_EQ(box.sequence.load(), 0);
    EXPECT_TRUE(box.IsDone());
    EXPECT_EQ(box.imageUpdateCount.load(), 1 + 6 + 1);
    EXPECT_TRUE(box.failureText.Get().empty());

    RunSetup setup{.stars = {{30, 28}, {85, 57}}, .selection = {}, .iterations = 2, .options = {.threads = 2}};
    ASSERT_EQ(RunEngine(direct, setup), StartOutcome::completed);
    EXPECT_EQ(image.pixels, direct.pixels);
}

// Abort while Start runs: Start returns early, the worker then takes the
// Abort, and Free ends the thread; no ReturnImage is needed.
TEST(Mailbox, AbortDuringStartEndsTheRunEarly) {
    TestImage image = Field(300, 200);
    DeconMailbox box;
    std::thread worker = StartDeconWorker(box, FastWorker());
    box.PostInit(uint16_t(image.width), uint32_t(image.height));
    WaitDone(box);
    box.PostSetImage(image.pixels.data());
    WaitDone(box);
    box.PostAddStar(30, 28);
    WaitDone(box);
    box.PostSetSelection(RunSelection(nullptr, image.width, image.height));
    WaitDone(box);
    box.PostStart(10);
    WaitForStatus(box, "Deconvolved");
    box.PostAbort();
    WaitDone(box);
    EXPECT_EQ(box.Command(), DeconCommand::Abort);
    EXPECT_EQ(box.statusText.Get(), "Aborting Lucy-Richardson...");
    box.PostFree();
    WaitDone(box);
    worker.join();
    box.EndRun();
    EXPECT_LT(box.imageUpdateCount.load(), 1 + 30);  // a whole run writes 31 times
}

// Free with no engine (Abort came before Init was carried out) still ends the
// thread, also when the previous run left the same last sequence number.
TEST(Mailbox, FreeWithNoEngineEndsTheWorker) {
    DeconMailbox box;
    std::thread first = StartDeconWorker(box, FastWorker());
    box.PostInit(100, 100);
    WaitDone(box);
    box.PostFree();
    WaitDone(box);
    first.join();
    box.EndRun();

    DeconWorkerOptions slow = FastWorker();
    slow.pollPeriod = 50ms;
    std::thread second = StartDeconWorker(box, slow);
    box.PostInit(100, 100);
    box.PostAbort();  // sequence 2, as the last post of the run before
    WaitDone(box);
    EXPECT_EQ(box.Command(), DeconCommand::Abort);
    box.PostFree();
    WaitDone(box);
    EXPECT_EQ(box.statusText.Get(), "Deallocating arrays...");
    second.join();
    box.EndRun();
}

// An engine that cannot be created is reported, and the worker keeps saying
// why instead of pretending to deconvolve.
TEST(Mailbox, InitFailureIsReportedUntilFree) {
    TestImage image = Field(100, 80);
    const TestImage before = image;
    DeconMailbox box;
    DeconWorkerOptions options = FastWorker();
    options.engine.memoryLimitBytes = 1;
    std::thread worker = StartDeconWorker(box, options);
    const std::string why = "Not enough memory to deconvolve a 100 x 80 image.";
    box.PostInit(100, 80);
    WaitDone(box);
    EXPECT_EQ(box.failureText.Get(), why);
    EXPECT_EQ(box.statusText.Get(), why);
    box.PostSetImage(image.pixels.data());
    WaitDone(box);
    box.PostStart(1);
    WaitDone(box);
    EXPECT_EQ(box.statusText.Get(), why);
    box.PostFree();
    WaitDone(box);
    worker.join();
    EXPECT_EQ(image.pixels, before.pixels);
    EXPECT_EQ(box.imageUpdateCount.load(), 0);
}

// A run whose every star was skipped changes nothing and says why.
TEST(Mailbox, RunWithoutUsableStarsSaysWhy) {
    TestImage image = Field(100, 80);
    const TestImage before = image;
    DeconMailbox box;
    std::thread worker = StartDeconWorker(box, FastWorker());
    box.PostInit(100, 80);
    WaitDone(box);
    box.PostSetImage(image.pixels.data());
    WaitDone(box);
    box.PostAddStar(2, 79);
    WaitDone(box);
    EXPECT_EQ(box.statusText.Get(), "PSF star at 2, 79 skipped: it is too close to the image edge.");
    box.PostSetSelection(RunSelection(nullptr, 100, 80));
    WaitDone(box);
    box.PostStart(1);
    WaitDone(box);
    box.PostReturnImage(image.pixels.data());
    WaitDone(box);
    EXPECT_EQ(box.statusText.Get(), kTextNoUsableStar);
    EXPECT_EQ(box.failureText.Get(), kTextNoUsableStar);
    box.PostFree();
    WaitDone(box);
    worker.join();
    EXPECT_EQ(image.pixels, before.pixels);
    EXPECT_EQ(box.imageUpdateCount.load(), 0);
}

// The status line is read whole while another thread rewrites it.
TEST(Mailbox, StatusLineIsNeverReadTorn) {
    StatusLine line;
    const std::string a = "Deconvolved 12%...", b = "Estimating background, a longer line of text...";
    line.Set(a.c_str());
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; !stop.load(); ++i) {
            line.Set(i % 2 ? a.c_str() : b.c_str());
            std::this_thread::sleep_for(20us);
        }
    });
    for (int i = 0; i < 3000; ++i) {
        const std::string text = line.Get();
        ASSERT_TRUE(text == a || text == b) << "read " << text;
    }
    stop = true;
    writer.join();
    const std::string longText(400, 'x');
    line.Set(longText.c_str());
    EXPECT_EQ(line.Get(), std::string(StatusLine::kCapacity - 1, 'x'));
}
