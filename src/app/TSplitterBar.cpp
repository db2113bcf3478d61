// SPDX-License-Identifier: MIT
#include "app/TSplitterBar.h"

#include <QMouseEvent>
#include <QPainter>

namespace kelda {

TSplitterBar::TSplitterBar(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::SizeVerCursor);
    setFixedHeight(5);
}

void TSplitterBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
}

void TSplitterBar::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        dragging_ = true;
        pressY_ = e->position().toPoint().y();
    }
}

void TSplitterBar::mouseMoveEvent(QMouseEvent* e) {
    if (dragging_) {
        // The bar moves with the drag, so the offset is measured from the point grabbed.
        const int dy = e->position().toPoint().y() - pressY_;
        if (dy != 0) {
            emit Dragged(dy);
        }
    }
}

void TSplitterBar::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        dragging_ = false;
    }
}

} // namespace kelda
