#pragma once
// The one record the user-interface thread and the deconvolution worker
// share. The main side posts one command at a time; the worker polls, carries
// it out and raises done; it leaves a status line and counts its writes into
// the image. Every shared field is atomic: a post writes its arguments, then
// the command, clears done and increments the sequence last (release); the
// worker reads the sequence first (acquire). See decon_worker.h for the whole
// threading model.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "decon/decon_engine.h"
#include "decon/status_line.h"

enum class DeconCommand : uint16_t {
    none = 0,
    Init = 1,          // A = width, B = height
    SetImage = 2,      // image
    AddStar = 3,       // A = column, B = row
    SetSelection = 4,  // top, left, bottom, right
    Start = 5,         // A = iterations N (1 .. 10)
    GetStatus = 6,
    Abort = 7,
    ReturnImage = 8,   // image
    Free = 9,
};

// The status line the worker shows when it takes a command.
const char* DeconCommandText(DeconCommand command);

class DeconMailbox {
public:
    DeconMailbox() { Clear(); }
    DeconMailbox(const DeconMailbox&) = delete;
    DeconMailbox& operator=(const DeconMailbox&) = delete;

    // Back to the values at program start: nothing posted, done set.
    void Clear();

    // ---- Main side ----------------------------------------------------------
    void PostInit(uint16_t width, uint32_t height);
    void PostSetImage(uint16_t* pixels);
    void PostAddStar(uint16_t column, uint32_t row);
    void PostSetSelection(const DeconRect& rect);
    void PostStart(uint16_t iterations);
    void PostGetStatus();
    void PostReturnImage(uint16_t* pixels);
    void PostFree();
    // Overwrites the command while the worker may be busy; done is untouched.
    void PostAbort();

    // True when the worker has carried out the command standing in the
    // mailbox (done set for the current sequence number).
    bool IsDone() const;
    DeconCommand Command() const {
        return static_cast<DeconCommand>(command.load(std::memory_order_acquire));
    }
    // After Free is done: argument A and the sequence back to 0.
    void EndRun();

    // Holds the worker off the pixel buffer while the caller reads it; check
    // owns_lock(): it never waits, so a busy buffer is simply skipped.
    std::unique_lock<std::mutex> TryLockPixels() {
        return std::unique_lock<std::mutex>(pixelLock, std::try_to_lock);
    }

    // ---- The record ---------------------------------------------------------
    std::atomic<uint16_t> sequence{0};
    std::atomic<uint16_t> command{0};
    std::atomic<uint32_t> done{1};
    std::atomic<uint16_t> argumentA{0};
    std::atomic<uint32_t> argumentB{0};
    std::atomic<int32_t> top{0};
    std::atomic<int32_t> left{0};
    std::atomic<int32_t> bottom{0};
    std::atomic<int32_t> right{0};
    std::atomic<uint16_t*> image{nullptr};
    std::atomic<uint16_t> imageUpdateCount{0};
    // Sweeps of the deconvolution done, of how many (worker; 0 of 0 before).
    std::atomic<int32_t> stepsDone{0};
    std::atomic<int32_t> stepsTotal{0};
    StatusLine statusText;

    // The sequence number whose command done refers to (worker).
    std::atomic<uint16_t> doneSequence{0};
    // Why this run could not deconvolve; empty when it could (worker).
    StatusLine failureText;
    // Taken by the worker around every write into the pixel buffer.
    std::mutex pixelLock;

private:
    void Post(DeconCommand code);
};

// The process-wide mailbox of the desktop program.
DeconMailbox& TheDeconMailbox();
