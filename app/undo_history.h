#pragma once
// Undo and redo for an image window: the state before each run, flip and
// Clean Image (pixels, history, stars, selection, modified flag), kept
// within a memory budget. When a new entry does not fit, the oldest go
// first, and the caller is told how many.

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"

struct WindowState {
    std::vector<uint16_t> pixels;
    std::string history;
    std::string historyCards;  // a FITS image's HISTORY cards
    std::vector<char> records; // a FITS image's kept records: a flip moves their WCS
    // The records go back only while the image is saved in the format they
    // were taken in (a Save As in another format makes records of its own).
    int32_t fileType = 0;
    std::vector<StarPoint> stars;
    bool hasSelection = false;
    SelectionRect selection;
    bool modified = false;
    uint64_t Bytes() const;
};

// A quarter of the machine's physical memory.
uint64_t DefaultUndoBudget();

class UndoHistory {
public:
    explicit UndoHistory(uint64_t budgetBytes = DefaultUndoBudget()) : budget_(budgetBytes) {}

    // Keeps the state before a change; the redo entries go. Returns how many
    // of the oldest entries were dropped to stay within the budget.
    int Record(WindowState before);
    // Drops the newest entry (a change that did not happen after all).
    void DropNewest();

    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    // The state to go back to; current is kept for Redo.
    WindowState Undo(WindowState current);
    // The state to go forward to; current is kept for Undo.
    WindowState Redo(WindowState current);

    // The state before the last change, for comparing; null when none.
    const WindowState* Before() const { return undo_.empty() ? nullptr : &undo_.back(); }
    uint64_t Bytes() const;
    uint64_t Budget() const { return budget_; }
    // A new budget; the oldest entries go until the rest fit.
    int SetBudget(uint64_t budgetBytes) {
        budget_ = budgetBytes;
        return Fit();
    }
    size_t UndoCount() const { return undo_.size(); }

private:
    int Fit();

    std::deque<WindowState> undo_;
    std::deque<WindowState> redo_;
    uint64_t budget_;
};
