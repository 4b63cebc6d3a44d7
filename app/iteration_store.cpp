#include "app/iteration_store.h"

#include <algorithm>

void IterationStore::Reset(uint64_t budgetBytes) {
    std::lock_guard guard(lock_);
    entries_.clear();
    budget_ = budgetBytes;
    dropped_ = 0;
}

// The oldest go before the copy is made, so that the store never holds
// more than the budget plus nothing (or, at worst, the one newest image).
void IterationStore::Keep(int iteration, const uint16_t* pixels, size_t count) {
    std::lock_guard guard(lock_);
    const uint64_t needed = count * sizeof(uint16_t);
    while (!entries_.empty() && BytesLocked() + needed > budget_) {
        entries_.pop_front();
        ++dropped_;
    }
    entries_.push_back({iteration, std::vector<uint16_t>(pixels, pixels + count)});
}

std::vector<int> IterationStore::Kept() const {
    std::lock_guard guard(lock_);
    std::vector<int> kept;
    for (const Entry& entry : entries_) kept.push_back(entry.iteration);
    return kept;
}

int IterationStore::Dropped() const {
    std::lock_guard guard(lock_);
    return dropped_;
}

bool IterationStore::CopyOut(int iteration, std::vector<uint16_t>& into) const {
    std::lock_guard guard(lock_);
    for (const Entry& entry : entries_)
        if (entry.iteration == iteration) {
            if (into.size() != entry.pixels.size()) return false;
            std::copy(entry.pixels.begin(), entry.pixels.end(), into.begin());
            return true;
        }
    return false;
}

uint64_t IterationStore::Bytes() const {
    std::lock_guard guard(lock_);
    return BytesLocked();
}

uint64_t IterationStore::BytesLocked() const {
    uint64_t total = 0;
    for (const Entry& entry : entries_) total += entry.pixels.size() * sizeof(uint16_t);
    return total;
}
