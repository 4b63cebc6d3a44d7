#include "platform/temp_cleanup.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <mutex>

namespace {

constexpr int kSlots = 16;
constexpr size_t kNameBytes = 32;
constexpr int kFree = -1;
constexpr int kClaimed = -2;  // being filled in; the handler skips it
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

struct Slot {
    std::atomic<int> folderFd{kFree};
    char name[kNameBytes] = {};
};
Slot slots[kSlots];
static_assert(std::atomic<int>::is_always_lock_free, "read from a signal handler");

struct sigaction previous[NSIG];

void RemoveRegistered() {
    for (Slot& slot : slots) {
        int folder = slot.folderFd.load();
        if (folder >= 0) ::unlinkat(folder, slot.name, 0);
    }
}

extern "C" void OnTerminatingSignal(int signal, siginfo_t* info, void* context) {
    const struct sigaction& before = previous[signal];
    if (before.sa_flags & SA_SIGINFO) {
        if (before.sa_sigaction) before.sa_sigaction(signal, info, context);
        return;
    }
    if (before.sa_handler == SIG_IGN) return;
    if (before.sa_handler != SIG_DFL) {
        before.sa_handler(signal);
        return;
    }
    const int saved = errno;
    RemoveRegistered();
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
    ::raise(signal);  // delivered with the default action once this handler returns
    errno = saved;
}

// Puts the cleanup handler in front of whatever the program has set now
// (it may have changed the disposition since the last save).
void InstallHandlers() {
    static std::mutex lock;
    std::lock_guard guard(lock);
    for (int signal : kSignals) {
        struct sigaction current {};
        ::sigaction(signal, nullptr, &current);
        if ((current.sa_flags & SA_SIGINFO) && current.sa_sigaction == OnTerminatingSignal) continue;
        struct sigaction action {};
        action.sa_sigaction = OnTerminatingSignal;
        action.sa_flags = SA_SIGINFO | SA_RESTART;
        sigemptyset(&action.sa_mask);
        for (int other : kSignals) sigaddset(&action.sa_mask, other);
        previous[signal] = current;
        ::sigaction(signal, &action, nullptr);
    }
}

}  // namespace

TerminatingSignalsHeld::TerminatingSignalsHeld() {
    sigset_t held;
    sigemptyset(&held);
    for (int signal : kSignals) sigaddset(&held, signal);
    pthread_sigmask(SIG_BLOCK, &held, &previous_);
}

TerminatingSignalsHeld::~TerminatingSignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

int RegisterTempFile(int folderFd, const char* name) {
    InstallHandlers();
    if (std::strlen(name) >= kNameBytes) return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (!slots[i].folderFd.compare_exchange_strong(expected, kClaimed)) continue;
        std::strcpy(slots[i].name, name);
        slots[i].folderFd.store(folderFd);
        return i;
    }
    return -1;
}

void ReleaseTempFile(int slot) {
    if (slot >= 0 && slot < kSlots) slots[slot].folderFd.store(kFree);
}
