#pragma once
// Arguments shared by the measure and profile commands: IN X Y [--box N].

#include <string>

#include "cli/cli_common.h"

inline constexpr int kSmallestMeasureBox = 3;
inline constexpr int kLargestMeasureBox = 31;

// X and Y as whole numbers and an odd box side 3..31 (defaultBox without --box).
inline bool ParsePointAndBox(const ParsedArgs& parsed, int defaultBox, int& x, int& y, int& box,
                             std::string& problem) {
    if (!ParseInt(parsed.positional[1], x) || !ParseInt(parsed.positional[2], y)) {
        problem = "X and Y must be whole numbers (column and row, 0-based)";
        return false;
    }
    box = defaultBox;
    if (const auto text = parsed.Value("--box")) {
        if (!ParseInt(*text, box) || box < kSmallestMeasureBox || box > kLargestMeasureBox || box % 2 == 0) {
            problem = "--box must be an odd number from 3 to 31";
            return false;
        }
    }
    return true;
}
