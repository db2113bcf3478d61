// SPDX-License-Identifier: MIT
// Block navigation in the log: which line Top, Prev, Next and End go to. A block begins with a
// separator line; the functions only look at which lines are separators, so the pane's own line
// list can be examined in place.
#pragma once

// The separator itself belongs to the block format (macbinary/LogBlock.h); the log finds blocks by it.
#include "macbinary/LogBlock.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kelda {

// A separator line begins with 70 hyphens; a longer run, or further text after them, counts too.
bool IsSeparatorLine(std::string_view line);

// Tells whether line i (0 <= i < lineCount) is a separator line.
using TIsSeparatorAt = std::function<bool(int index)>;

// Each returns the line to go to, or nothing when the view stays where it is. An empty log never moves.
std::optional<int> LogTopTarget(int lineCount);
// The last separator line.
std::optional<int> LogEndTarget(int lineCount, const TIsSeparatorAt& isSeparator);
// Searching backwards from the caret row (from the last line when the caret lies past it), the first
// separator line other than the caret row: inside a block its own separator, on a separator the one
// of the block before.
std::optional<int> LogPrevTarget(int lineCount, int caretRow, const TIsSeparatorAt& isSeparator);
// Searching forwards from the caret row, the first separator line other than the caret row.
std::optional<int> LogNextTarget(int lineCount, int caretRow, const TIsSeparatorAt& isSeparator);

} // namespace kelda
