// SPDX-License-Identifier: MIT
#include "app/TCentredDialog.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include <algorithm>

namespace kelda {

QPoint CentredFrameCorner(const QRect& area, const QSize& frameSize, const QRect& screen) {
    int left = area.left() + (area.width() - frameSize.width()) / 2;
    int top = area.top() + (area.height() - frameSize.height()) / 2;
    // Inside the screen, the title bar first: a box larger than the screen keeps its top-left on it.
    left = std::max(std::min(left, screen.right() + 1 - frameSize.width()), screen.left());
    top = std::max(std::min(top, screen.bottom() + 1 - frameSize.height()), screen.top());
    return {left, top};
}

namespace {

QMargins FramedMargins(const QWidget* widget) {
    if (widget == nullptr || !widget->isVisible()) {
        return {};
    }
    const QWindow* window = widget->window()->windowHandle();
    return window != nullptr ? window->frameMargins() : QMargins();
}

} // namespace

QMargins ExpectedFrameMargins(const QWidget* widget) {
    const QWidget* const candidates[] = {widget, widget->parentWidget(), QApplication::activeWindow()};
    for (const QWidget* candidate : candidates) {
        if (const QMargins margins = FramedMargins(candidate); !margins.isNull()) {
            return margins;
        }
    }
    return {};
}

void CentreFrame(QWidget* window, const QWidget* over, bool onScreen) {
    const QScreen* screen = over != nullptr ? over->screen() : window->screen();
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    const QRect available = screen != nullptr ? screen->availableGeometry() : QRect();
    const QRect area = onScreen || over == nullptr ? available : over->window()->frameGeometry();
    const QMargins margins = ExpectedFrameMargins(window);
    const QSize frame = window->size().grownBy(margins);
    const QPoint corner = CentredFrameCorner(area, frame, available.isValid() ? available : area);
    if (QWindow* handle = window->windowHandle(); handle != nullptr && !FramedMargins(window).isNull()) {
        handle->setFramePosition(corner);
    } else {
        // Not framed yet, but the window exists: move() places its inner area.
        window->move(corner + QPoint(margins.left(), margins.top()));
    }
}

} // namespace kelda
