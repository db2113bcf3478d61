// SPDX-License-Identifier: MIT
// A horizontal bar that the user drags up or down to resize the area above it.
#pragma once

#include <QWidget>
#include <functional>

namespace kelda {

class TSplitterBar : public QWidget {
    Q_OBJECT
public:
    explicit TSplitterBar(QWidget* parent = nullptr);

    // The smallest height both neighbouring areas keep while the bar is dragged.
    int MinSize() const { return minSize_; }
    void SetMinSize(int pixels) { minSize_ = pixels; }

signals:
    // The bar was dragged by dy pixels (positive: down).
    void Dragged(int dy);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    int minSize_ = 200;
    bool dragging_ = false;
    int pressY_ = 0;
};

} // namespace kelda
