#include "decon/status_line.h"

#include <thread>

namespace {
constexpr int kReadAttempts = 64;
}

// Sequentially consistent throughout: a reader that sees any character of a
// write in progress is bound to see the version change. The line is short
// and written a few times a second, so the cost does not matter.
void StatusLine::Set(const char* text) {
    const uint32_t version = version_.load();
    version_.store(version + 1);  // odd: write in progress
    size_t i = 0;
    for (; i + 1 < kCapacity && text[i] != '\0'; ++i) chars_[i].store(text[i]);
    chars_[i].store('\0');
    version_.store(version + 2);
}

std::string StatusLine::Get() const {
    std::string text;
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        const uint32_t before = version_.load();
        text.clear();
        for (size_t i = 0; i < kCapacity; ++i) {
            const char c = chars_[i].load();
            if (c == '\0') break;
            text.push_back(c);
        }
        if ((before & 1u) == 0 && version_.load() == before) return text;
        std::this_thread::yield();
    }
    return text;
}
