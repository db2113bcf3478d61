// SPDX-License-Identifier: MIT
// Places the characters of one line on the cell grid and maps between UTF-16 indexes and cells.
//
// The unit of placement is a cluster: a character together with the zero-width marks that follow
// it. A cluster takes the cells of its first character (at least one); a tab reaches to the next
// multiple of the tab width.
#pragma once

#include <QStringView>

namespace kelda {

class TLineLayout {
public:
    struct TCluster {
        int Index = 0;     // first UTF-16 unit
        int Length = 0;    // UTF-16 units, marks included
        int Cell = 0;      // first display cell
        int Cells = 0;     // display cells taken
        int Bytes = 0;     // cells when a tab counts as one
        char32_t Char = 0; // the first character
    };

    enum class TSnap {
        Start,   // the start of the cluster that holds the cell
        Nearest, // the cluster boundary nearest to the cell's left edge (for clicks between cells)
    };

    // The cluster that begins at index, placed at cell.
    static TCluster ClusterAt(QStringView line, int index, int cell, int tabWidth);

    // Calls f(const TCluster&) for each cluster in order until f returns false.
    template <typename F> static void ForEach(QStringView line, int tabWidth, F&& f) {
        int cell = 0;
        for (int i = 0; i < line.size();) {
            const TCluster c = ClusterAt(line, i, cell, tabWidth);
            if (!f(c)) {
                return;
            }
            cell += c.Cells;
            i += c.Length;
        }
    }

    // Display cells of the whole line.
    static int LineCells(QStringView line, int tabWidth);
    // The start of the cluster holding index (the line's length for an index at or past its end).
    static int SnapIndex(QStringView line, int index);
    // Display cell where the cluster holding index begins (the line's width past its end).
    static int CellOfIndex(QStringView line, int index, int tabWidth);
    // The cluster boundary for a display cell; a cell past the end gives the line's length.
    static int IndexAtCell(QStringView line, int cell, int tabWidth, TSnap snap);
    static int NextBoundary(QStringView line, int index);
    static int PrevBoundary(QStringView line, int index);
};

} // namespace kelda
