// SPDX-License-Identifier: MIT
#include "textview/TLineRenderer.h"

#include "textview/TLineLayout.h"

#include <QFontMetrics>
#include <QPainter>

namespace kelda {

void TLineRenderer::PaintLine(QStringView line, int y, const std::optional<TSelection::TRowSpan>& span) {
    const int firstCell = g_.LeftCol;
    const int endCell = g_.LeftCol + viewCells_;
    const int h = g_.LineHeight;
    const int w = g_.CharWidth;
    int lineCells = 0;
    bool pastView = false;
    TLineLayout::ForEach(line, tabWidth_, [&](const TLineLayout::TCluster& c) {
        lineCells = c.Cell + c.Cells;
        if (c.Cell >= endCell) {
            pastView = true;
            return false;
        }
        if (lineCells <= firstCell) {
            return true;
        }
        const bool selected = span && c.Index >= span->From && c.Index < span->To;
        const int x = g_.CellX(c.Cell);
        if (selected) {
            painter_.fillRect(x, y, c.Cells * w, h, kSelectedBackground);
        }
        const char32_t ch = c.Char;
        if (ch == U'\t' || ch == U' ' || ch == 0x3000) {
            flushRun();
            return true;
        }
        if (ch < 0x20 || ch == 0x7F) {
            // A control character shows as a small hollow box in its cell.
            flushRun();
            painter_.setPen(selected ? kSelectedText : kMark);
            painter_.setBrush(Qt::NoBrush);
            painter_.drawRect(x + 1, y + h / 4, std::max(1, w - 3), std::max(1, h / 2));
            return true;
        }
        if (ch < 0x80 && c.Length == 1) {
            if (!run_.isEmpty() && (runSelected_ != selected)) {
                flushRun();
            }
            if (run_.isEmpty()) {
                runX_ = x;
                runY_ = y;
                runSelected_ = selected;
            }
            run_.append(line[c.Index]);
            return true;
        }
        // Anything else is drawn on its own, centred in its cells when its glyph is narrower, so
        // that fallback fonts keep the grid.
        flushRun();
        const QString text = line.mid(c.Index, c.Length).toString();
        const int advance = painter_.fontMetrics().horizontalAdvance(text);
        const int room = c.Cells * w;
        painter_.setPen(selected ? kSelectedText : kText);
        painter_.drawText(x + std::max(0, (room - advance) / 2), y + ascent_, text);
        return true;
    });
    flushRun();
    if (!pastView) {
        paintEndOfLine(lineCells, y, span && span->LineBreak);
    }
}

void TLineRenderer::flushRun() {
    if (run_.isEmpty()) {
        return;
    }
    painter_.setPen(runSelected_ ? kSelectedText : kText);
    painter_.drawText(runX_, runY_ + ascent_, run_);
    run_.clear();
}

void TLineRenderer::paintEndOfLine(int cell, int y, bool selected) {
    if (cell < g_.LeftCol) {
        return;
    }
    const int x = g_.CellX(cell);
    const int w = g_.CharWidth;
    const int h = g_.LineHeight;
    if (selected) {
        painter_.fillRect(x, y, w, h, kSelectedBackground);
    }
    // A small arrow bending down and to the left.
    const int right = x + w * 3 / 4;
    const int left = x + w / 4;
    const int top = y + h / 4;
    const int bottom = y + h * 3 / 4;
    const int head = std::max(2, w / 4);
    painter_.setPen(selected ? kSelectedText : kMark);
    painter_.drawLine(right, top, right, bottom);
    painter_.drawLine(right, bottom, left, bottom);
    painter_.drawLine(left, bottom, left + head, bottom - head);
    painter_.drawLine(left, bottom, left + head, bottom + head);
}

void TLineRenderer::PaintEndOfFile(int y) {
    painter_.setPen(kMark);
    painter_.drawText(g_.CellX(0), y + ascent_, QStringLiteral("[EOF]"));
}

void TLineRenderer::PaintCaret(int cell, int y) {
    painter_.fillRect(g_.CellX(cell), y, 2, g_.LineHeight, kText);
}

} // namespace kelda
