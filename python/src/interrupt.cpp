#include "interrupt.h"

#include <atomic>
#include <csignal>
#include <mutex>

namespace qvpy {

namespace {

std::atomic<unsigned> interrupts{0};
static_assert(std::atomic<unsigned>::is_always_lock_free, "counted in a signal handler");

std::mutex watchMutex;
int watchers = 0;
bool installed = false;
struct sigaction previous {};

extern "C" void OnInterrupt(int signal, siginfo_t* info, void* context) {
    interrupts.fetch_add(1, std::memory_order_relaxed);
    if (previous.sa_flags & SA_SIGINFO) {
        if (previous.sa_sigaction) previous.sa_sigaction(signal, info, context);
    } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
        previous.sa_handler(signal);
    }
}

// Only a handler that is a function is chained: with SIGINT ignored a run
// should not stop, and with the default action the process ends anyway.
bool PreviousIsFunction(const struct sigaction& action) {
    if (action.sa_flags & SA_SIGINFO) return action.sa_sigaction != nullptr;
    return action.sa_handler != SIG_DFL && action.sa_handler != SIG_IGN;
}

}  // namespace

InterruptWatch::InterruptWatch() {
    std::lock_guard<std::mutex> lock(watchMutex);
    start_ = interrupts.load(std::memory_order_relaxed);
    if (watchers++ > 0) return;
    struct sigaction current {};
    sigaction(SIGINT, nullptr, &current);
    if (!PreviousIsFunction(current)) return;
    previous = current;
    struct sigaction ours {};
    ours.sa_sigaction = OnInterrupt;
    ours.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&ours.sa_mask);
    installed = sigaction(SIGINT, &ours, nullptr) == 0;
}

InterruptWatch::~InterruptWatch() {
    std::lock_guard<std::mutex> lock(watchMutex);
    if (--watchers > 0 || !installed) return;
    // Put Python's handler back unless someone replaced ours meanwhile.
    struct sigaction current {};
    sigaction(SIGINT, nullptr, &current);
    if ((current.sa_flags & SA_SIGINFO) && current.sa_sigaction == OnInterrupt) sigaction(SIGINT, &previous, nullptr);
    installed = false;
}

bool InterruptWatch::Seen() const { return interrupts.load(std::memory_order_relaxed) != start_; }

}  // namespace qvpy
