// SPDX-License-Identifier: MIT
#include "textview/TLineLayout.h"

#include "textview/CellWidth.h"

#include <algorithm>

namespace kelda {

TLineLayout::TCluster TLineLayout::ClusterAt(QStringView line, int index, int cell, int tabWidth) {
    TCluster c;
    c.Index = index;
    c.Cell = cell;
    int units = 1;
    c.Char = CodePointAt(line, index, &units);
    if (c.Char == U'\t') {
        const int k = std::max(1, tabWidth);
        c.Cells = k - cell % k;
        c.Bytes = 1;
    } else {
        // A mark with nothing before it to join gets a cell of its own.
        c.Cells = std::max(1, CellWidth(c.Char));
        c.Bytes = c.Cells;
    }
    int end = index + units;
    while (end < line.size()) {
        const char32_t next = CodePointAt(line, end, &units);
        if (next == U'\t' || CellWidth(next) != 0) {
            break;
        }
        end += units;
    }
    c.Length = end - index;
    return c;
}

int TLineLayout::LineCells(QStringView line, int tabWidth) {
    int cells = 0;
    ForEach(line, tabWidth, [&](const TCluster& c) {
        cells = c.Cell + c.Cells;
        return true;
    });
    return cells;
}

namespace {

// True when the code point starting at index joins the cluster before it.
bool JoinsPrevious(QStringView line, int index) {
    int units = 1;
    const char32_t c = CodePointAt(line, index, &units);
    return c != U'\t' && CellWidth(c) == 0;
}

} // namespace

int TLineLayout::SnapIndex(QStringView line, int index) {
    const int size = static_cast<int>(line.size());
    if (index >= size) {
        return size;
    }
    if (index <= 0) {
        return 0;
    }
    // Step off the low half of a surrogate pair, then back over marks to their base.
    if (line[index].isLowSurrogate() && line[index - 1].isHighSurrogate()) {
        --index;
    }
    while (index > 0 && JoinsPrevious(line, index)) {
        index = index >= 2 && line[index - 1].isLowSurrogate() && line[index - 2].isHighSurrogate()
                    ? index - 2
                    : index - 1;
    }
    return index;
}

int TLineLayout::CellOfIndex(QStringView line, int index, int tabWidth) {
    int cell = 0;
    ForEach(line, tabWidth, [&](const TCluster& c) {
        if (c.Index + c.Length > index) {
            cell = c.Cell;
            return false;
        }
        cell = c.Cell + c.Cells;
        return true;
    });
    return cell;
}

int TLineLayout::IndexAtCell(QStringView line, int cell, int tabWidth, TSnap snap) {
    int result = static_cast<int>(line.size());
    ForEach(line, tabWidth, [&](const TCluster& c) {
        if (c.Cell + c.Cells > cell) {
            // For Nearest, a cell in the right half of a wide cluster goes to its end.
            const bool after = snap == TSnap::Nearest && 2 * (cell - c.Cell) >= c.Cells && c.Cells > 1;
            result = after ? c.Index + c.Length : c.Index;
            return false;
        }
        return true;
    });
    return result;
}

int TLineLayout::NextBoundary(QStringView line, int index) {
    if (index >= line.size()) {
        return static_cast<int>(line.size());
    }
    const int start = SnapIndex(line, std::max(0, index));
    return start + ClusterAt(line, start, 0, 1).Length;
}

int TLineLayout::PrevBoundary(QStringView line, int index) {
    if (index <= 0) {
        return 0;
    }
    return SnapIndex(line, std::min(index, static_cast<int>(line.size())) - 1);
}

} // namespace kelda
