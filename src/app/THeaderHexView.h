// SPDX-License-Identifier: MIT
// The 128 header bytes as eight rows of sixteen, with the bytes of one field highlighted.
#pragma once

#include <QWidget>

#include <array>
#include <cstdint>

namespace kelda {

class THeaderHexView : public QWidget {
    Q_OBJECT
public:
    explicit THeaderHexView(QWidget* parent = nullptr);

    void SetBytes(const std::array<std::uint8_t, 128>& bytes);
    // Bytes start to start + count - 1 are drawn on the highlight colour; a count of 0 clears it.
    void SetHighlight(int start, int count);
    int HighlightStart() const { return start_; }
    int HighlightCount() const { return count_; }

    // Where byte offset is drawn (its two hex digits), for tests and tooltips.
    QRect ByteRect(int offset) const;
    static QColor HighlightColor() { return QColor(0xA6, 0xCA, 0xF0); }

    // The byte drawn at point (its two digits or the blank after them); -1 for none.
    int ByteAt(const QPoint& point) const;

    QSize sizeHint() const override;

signals:
    // The user clicked the byte at offset.
    void ByteClicked(int offset);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int CellWidth() const;
    int RowHeight() const;

    std::array<std::uint8_t, 128> bytes_{};
    int start_ = 0;
    int count_ = 0;
};

} // namespace kelda
