// SPDX-License-Identifier: MIT
// Paints one row of a text pane: its characters on the cell grid, the selected part white on navy,
// and the grey end-of-line or end-of-file mark. Only the cells inside the view are visited.
#pragma once

#include "textview/TSelection.h"
#include "textview/TViewGeometry.h"

#include <QColor>
#include <QStringView>
#include <optional>

class QPainter;

namespace kelda {

class TLineRenderer {
public:
    static inline const QColor kText = Qt::black;
    static inline const QColor kBackground = Qt::white;
    static inline const QColor kSelectedText = Qt::white;
    static inline const QColor kSelectedBackground = QColor(0, 0, 128);
    static inline const QColor kMark = QColor(128, 128, 128);

    // viewCells: cells from the geometry's LeftCol that fit in the view (a partly visible one included).
    TLineRenderer(QPainter& painter, const TViewGeometry& geometry, int tabWidth, int ascent, int viewCells)
        : painter_(painter), g_(geometry), tabWidth_(tabWidth), ascent_(ascent), viewCells_(viewCells) {}

    void PaintLine(QStringView line, int y, const std::optional<TSelection::TRowSpan>& span);
    void PaintEndOfFile(int y);
    void PaintCaret(int cell, int y);

private:
    void flushRun();
    void paintEndOfLine(int cell, int y, bool selected);

    QPainter& painter_;
    const TViewGeometry& g_;
    int tabWidth_;
    int ascent_;
    int viewCells_;

    // A run of ASCII characters drawn with one call.
    QString run_;
    int runX_ = 0;
    int runY_ = 0;
    bool runSelected_ = false;
};

} // namespace kelda
