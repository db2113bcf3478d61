// SPDX-License-Identifier: MIT
#include "log/TabMark.h"

namespace kelda {

std::optional<TTabMarkBar> TabMarkBar(int x, int y, int rectLeft, int cellWidth, int rowHeight) {
    if (x < rectLeft) {
        return std::nullopt;
    }
    const int c = y + rowHeight / 2;
    return TTabMarkBar{x + 2, c - 3, x + cellWidth, c - 1};
}

std::vector<int> TabMarkPositions(std::span<const int> tabBytePositions, int x0, int cellWidth, int tabWidth,
                                  int rectLeft, int rectRight) {
    std::vector<int> xs;
    if (cellWidth <= 0 || tabWidth <= 0) {
        return xs;
    }
    int extra = 0; // pixels the tabs passed so far add beyond their own first cell
    for (const int p : tabBytePositions) {
        const int x = x0 + p * cellWidth + extra;
        if (x >= rectLeft && x <= rectRight - cellWidth) {
            xs.push_back(x);
        }
        const int column = extra / cellWidth + p;
        extra += cellWidth * (tabWidth - column % tabWidth - 1);
    }
    return xs;
}

} // namespace kelda
