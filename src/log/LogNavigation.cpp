// SPDX-License-Identifier: MIT
#include "log/LogNavigation.h"

#include <algorithm>

namespace kelda {

bool IsSeparatorLine(std::string_view line) {
    return line.starts_with(LogSeparator());
}

std::optional<int> LogTopTarget(int lineCount) {
    if (lineCount <= 0) {
        return std::nullopt;
    }
    return 0;
}

std::optional<int> LogEndTarget(int lineCount, const TIsSeparatorAt& isSeparator) {
    for (int i = lineCount - 1; i >= 0; --i) {
        if (isSeparator(i)) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<int> LogPrevTarget(int lineCount, int caretRow, const TIsSeparatorAt& isSeparator) {
    if (lineCount <= 0) {
        return std::nullopt;
    }
    for (int i = std::min(caretRow, lineCount - 1); i >= 0; --i) {
        if (i != caretRow && isSeparator(i)) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<int> LogNextTarget(int lineCount, int caretRow, const TIsSeparatorAt& isSeparator) {
    for (int i = std::max(caretRow, 0); i < lineCount; ++i) {
        if (i != caretRow && isSeparator(i)) {
            return i;
        }
    }
    return std::nullopt;
}

} // namespace kelda
