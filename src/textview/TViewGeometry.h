// SPDX-License-Identifier: MIT
// Maps rows to y and cells to x in a text pane's viewport, and back, for a given scroll position.
#pragma once

#include <algorithm>

namespace kelda {

struct TViewGeometry {
    int CharWidth = 8;   // pixels of one cell
    int LineHeight = 16; // pixels of one row
    int TopRow = 0;      // first visible row
    int LeftCol = 0;     // first visible cell
    int OriginX = 0;     // x where cell LeftCol begins

    int RowY(int row) const { return (row - TopRow) * LineHeight; }
    // The row under y (rows above the view for negative y).
    int RowAtY(int y) const { return FloorDiv(y, LineHeight) + TopRow; }
    int CellX(int cell) const { return OriginX + (cell - LeftCol) * CharWidth; }
    // The cell under x.
    int CellAtX(int x) const { return FloorDiv(x - OriginX, CharWidth) + LeftCol; }
    // The cell boundary nearest to x (where a click between two cells places the caret).
    int BoundaryAtX(int x) const { return FloorDiv(x - OriginX + CharWidth / 2, CharWidth) + LeftCol; }
    // Rows and cells that fit wholly in a viewport of the given size (at least one).
    int FullRows(int height) const { return std::max(1, height / std::max(1, LineHeight)); }
    int FullCols(int width) const { return std::max(1, (width - OriginX) / std::max(1, CharWidth)); }

    static int FloorDiv(int a, int b) {
        const int q = a / b;
        return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
    }
};

} // namespace kelda
