#include "decon/status_line.h"

#include <thread>

namespace {
constexpr int kReadAttempts = 64;
}

void StatusLine::Set(const char* text) {
    const uint32_t version = version_.load(std::memory_order_relaxed);
    version_.store(version + 1, std::memory_order_relaxed);  // odd: write in progress
    std::atomic_thread_fence(std::memory_order_release);
    size_t i = 0;
    for (; i + 1 < kCapacity && text[i] != '\0'; ++i) chars_[i].store(text[i], std::memory_order_relaxed);
    chars_[i].store('\0', std::memory_order_relaxed);
    version_.store(version + 2, std::memory_order_release);
}

std::string StatusLine::Get() const {
    std::string text;
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        const uint32_t before = version_.load(std::memory_order_acquire);
        text.clear();
        for (size_t i = 0; i < kCapacity; ++i) {
            const char c = chars_[i].load(std::memory_order_relaxed);
            if (c == '\0') break;
            text.push_back(c);
        }
        std::atomic_thread_fence(std::memory_order_acquire);
        if ((before & 1u) == 0 && version_.load(std::memory_order_relaxed) == before) return text;
        std::this_thread::yield();
    }
    return text;
}
