// SPDX-License-Identifier: MIT
#include "app/THeaderHexView.h"

#include "util/VisibleText.h"

#include <QMouseEvent>
#include <QPainter>

namespace kelda {

namespace {

constexpr int kBytesPerRow = 16;
constexpr int kRows = 8;
constexpr int kOffsetCells = 5; // "000  "
constexpr int kMargin = 4;

} // namespace

THeaderHexView::THeaderHexView(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

void THeaderHexView::SetBytes(const std::array<std::uint8_t, 128>& bytes) {
    bytes_ = bytes;
    update();
}

void THeaderHexView::SetHighlight(int start, int count) {
    start_ = std::clamp(start, 0, kRows * kBytesPerRow);
    count_ = std::clamp(count, 0, kRows * kBytesPerRow - start_);
    update();
}

int THeaderHexView::CellWidth() const {
    return fontMetrics().horizontalAdvance(QLatin1Char('0'));
}

int THeaderHexView::RowHeight() const {
    return fontMetrics().height();
}

QRect THeaderHexView::ByteRect(int offset) const {
    const int row = offset / kBytesPerRow;
    const int col = offset % kBytesPerRow;
    const int w = CellWidth();
    // Each byte takes three cells ("xx "), with one more blank after the eighth.
    const int x = kMargin + (kOffsetCells + col * 3 + (col >= 8 ? 1 : 0)) * w;
    return QRect(x, kMargin + row * RowHeight(), 2 * w, RowHeight());
}

int THeaderHexView::ByteAt(const QPoint& point) const {
    for (int offset = 0; offset < kRows * kBytesPerRow; ++offset) {
        // The byte's digits and the blank that follows them, so that every point of a row but the
        // offset column belongs to a byte.
        if (ByteRect(offset).adjusted(0, 0, CellWidth(), 0).contains(point)) {
            return offset;
        }
    }
    return -1;
}

void THeaderHexView::mousePressEvent(QMouseEvent* event) {
    const int offset = ByteAt(event->position().toPoint());
    if (offset >= 0) {
        emit ByteClicked(offset);
    }
    QWidget::mousePressEvent(event);
}

QSize THeaderHexView::sizeHint() const {
    const QRect last = ByteRect(kRows * kBytesPerRow - 1);
    return QSize(last.right() + kMargin + CellWidth(), last.bottom() + kMargin);
}

void THeaderHexView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    const QColor text = palette().color(QPalette::Text);
    for (int row = 0; row < kRows; ++row) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        const QRect first = ByteRect(row * kBytesPerRow);
        painter.drawText(QRect(kMargin, first.top(), kOffsetCells * CellWidth(), RowHeight()), Qt::AlignLeft,
                         QString::asprintf("%03d", row * kBytesPerRow));
        for (int col = 0; col < kBytesPerRow; ++col) {
            const int offset = row * kBytesPerRow + col;
            const QRect r = ByteRect(offset);
            if (offset >= start_ && offset < start_ + count_) {
                // One band across the blank between two highlighted bytes of a row.
                const bool nextToo = col + 1 < kBytesPerRow && offset + 1 < start_ + count_;
                painter.fillRect(nextToo ? r.united(ByteRect(offset + 1)) : r, HighlightColor());
            }
            painter.setPen(text);
            painter.drawText(r, Qt::AlignLeft,
                             QString::fromStdString(HexValue(bytes_[static_cast<std::size_t>(offset)], 8)));
        }
    }
}

} // namespace kelda
