#pragma once
// The images a run leaves at the end of each iteration, kept so that the
// user can choose one afterwards. Filled on the engine's thread while the
// user-interface thread may ask how it stands, so every member locks.
// Within a memory budget: before a new image goes in, the oldest go until
// it fits (the newest is kept even when it alone is over the budget), and
// the store counts how many it let go.

#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

class IterationStore {
public:
    explicit IterationStore(uint64_t budgetBytes = 0) : budget_(budgetBytes) {}

    // Empties the store and sets a new budget.
    void Reset(uint64_t budgetBytes);
    // Copies count pixels as the image of `iteration`.
    void Keep(int iteration, const uint16_t* pixels, size_t count);

    // The iterations held, oldest first.
    std::vector<int> Kept() const;
    // How many were let go for the budget since the last Reset.
    int Dropped() const;
    // Copies the image of `iteration` into `into`; false when not held.
    bool CopyOut(int iteration, std::vector<uint16_t>& into) const;
    uint64_t Bytes() const;

private:
    struct Entry {
        int iteration;
        std::vector<uint16_t> pixels;
    };
    uint64_t BytesLocked() const;

    mutable std::mutex lock_;
    std::deque<Entry> entries_;
    uint64_t budget_;
    int dropped_ = 0;
};
