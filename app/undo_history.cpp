#include "app/undo_history.h"

#include <unistd.h>

#include <utility>

uint64_t WindowState::Bytes() const {
    return pixels.size() * sizeof(uint16_t) + history.size() + historyCards.size() + records.size() +
           stars.size() * sizeof(StarPoint) + sizeof(*this);
}

uint64_t DefaultUndoBudget() {
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) return uint64_t(1) << 30;
    return uint64_t(pages) * uint64_t(pageSize) / 4;
}

uint64_t UndoHistory::Bytes() const {
    uint64_t total = 0;
    for (const auto* list : {&undo_, &redo_})
        for (const WindowState& state : *list) total += state.Bytes();
    return total;
}

int UndoHistory::Record(WindowState before) {
    redo_.clear();
    undo_.push_back(std::move(before));
    return Fit();
}

void UndoHistory::DropNewest() {
    if (!undo_.empty()) undo_.pop_back();
}

// The oldest undo entries go first; the newest is kept even when it alone
// is over the budget, so the last change can always be taken back.
int UndoHistory::Fit() {
    int dropped = 0;
    while (undo_.size() > 1 && Bytes() > budget_) {
        undo_.pop_front();
        ++dropped;
    }
    return dropped;
}

WindowState UndoHistory::Undo(WindowState current) {
    WindowState back = std::move(undo_.back());
    undo_.pop_back();
    redo_.push_back(std::move(current));
    return back;
}

WindowState UndoHistory::Redo(WindowState current) {
    WindowState forward = std::move(redo_.back());
    redo_.pop_back();
    undo_.push_back(std::move(current));
    return forward;
}
