#pragma once
// The deconvolution worker thread.
//
// Threading model
// ---------------
// A run involves three kinds of thread:
//  * the user-interface thread (the "main side"), which posts commands into
//    the DeconMailbox and reads the worker's status line and update counter
//    from a timer. It never waits on the worker: posts return at once, the
//    status line is read lock-free, and the pixel buffer is read only under
//    DeconMailbox::TryLockPixels(), skipping the read when the worker holds it;
//  * the worker (DeconWorker, one per run), which polls the mailbox, carries
//    out one command at a time on its DeconEngine and raises done;
//  * the engine's row pool, helpers that the worker wakes to share out the
//    rows of each loop and that sleep in between. They touch only the
//    engine's arrays and the pixel buffer, each row by exactly one thread,
//    and report to the worker before it goes on.
// The threads share nothing else. Every mailbox field is a std::atomic: a post
// writes its arguments and the command (relaxed), clears done and increments
// the sequence last (release); the worker reads the sequence (acquire), then
// the arguments, and after finishing stores the sequence it served and done
// (release). Abort overwrites the command at any time; the engine's abort
// check reads it (acquire). Every write into the pixel buffer happens under
// the mailbox's pixelLock and is followed by an increment of
// imageUpdateCount (release), after which the main side may redraw.

#include <chrono>
#include <thread>

#include "decon/decon_engine.h"
#include "decon/decon_mailbox.h"

struct DeconWorkerOptions {
    std::chrono::milliseconds pollPeriod{150};
    DeconOptions engine;
    // Told of each step's change and each iteration's end, on the engine's
    // thread (WantsStepChange, StepChanged, IterationEnded); may be null.
    // It must outlive the worker.
    DeconHooks* observer = nullptr;
};

// The thread procedure: serves commands until Free; returns 0.
int DeconWorker(DeconMailbox& mailbox, const DeconWorkerOptions& options = {});

// Starts DeconWorker on a new thread. The main side joins it once Free is done.
std::thread StartDeconWorker(DeconMailbox& mailbox, const DeconWorkerOptions& options = {});
