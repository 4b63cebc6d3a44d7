#pragma once
// A line of text that one thread writes and another reads without either
// ever waiting on a lock: a version counter around atomic characters. A
// reader that keeps meeting a write in progress gives up after a few tries
// and returns what it read.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

class StatusLine {
public:
    static constexpr size_t kCapacity = 256;  // including the terminating NUL

    StatusLine() { Set(""); }

    // Only one thread may write at a time; longer texts are cut to 255 characters.
    void Set(const char* text);
    std::string Get() const;

private:
    std::atomic<uint32_t> version_{0};
    std::atomic<char> chars_[kCapacity];
};
