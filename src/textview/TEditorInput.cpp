// SPDX-License-Identifier: MIT
// TEditor's input: keys, mouse, focus and the caret and drag timers.
#include "textview/TEditor.h"

#include "textview/TLineLayout.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>

namespace kelda {

namespace {

constexpr int kDragScrollInterval = 50;

} // namespace

bool TEditor::event(QEvent* e) {
    // The pane's own copy keys win over window shortcuts with the same keys.
    if (e->type() == QEvent::ShortcutOverride) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->matches(QKeySequence::Copy) || k->matches(QKeySequence::SelectAll)) {
            e->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(e);
}

void TEditor::changeEvent(QEvent* e) {
    QAbstractScrollArea::changeEvent(e);
    if (e->type() == QEvent::FontChange) {
        updateMetrics();
    }
}

void TEditor::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    updateMetrics();
}

void TEditor::keyPressEvent(QKeyEvent* e) {
    if (e->matches(QKeySequence::Copy) ||
        (e->key() == Qt::Key_Insert && e->modifiers() == Qt::ControlModifier)) {
        CopyToClipboard();
        return;
    }
    if (e->matches(QKeySequence::SelectAll)) {
        SelectAll();
        return;
    }
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    if (mods & (Qt::AltModifier | Qt::MetaModifier)) {
        e->ignore();
        return;
    }
    const bool shift = mods & Qt::ShiftModifier;
    const bool ctrl = mods & Qt::ControlModifier;
    const TCaretNavigator nav = navigator();
    const TTextPos caret = sel_.Caret;
    const int page = VisibleRowCount();
    switch (e->key()) {
    case Qt::Key_Left:
        if (HasSelection() && !shift && !ctrl) {
            moveCaret(sel_.Start(), false);
        } else {
            moveCaret(ctrl ? nav.WordLeft(caret) : nav.Left(caret), shift);
        }
        break;
    case Qt::Key_Right:
        if (HasSelection() && !shift && !ctrl) {
            moveCaret(sel_.End(), false);
        } else {
            moveCaret(ctrl ? nav.WordRight(caret) : nav.Right(caret), shift);
        }
        break;
    case Qt::Key_Up:
        if (ctrl) {
            ScrollLineUp();
        } else {
            moveCaret(nav.Vertical(caret, -1, goalCell_), shift, true);
        }
        break;
    case Qt::Key_Down:
        if (ctrl) {
            ScrollLineDown();
        } else {
            moveCaret(nav.Vertical(caret, 1, goalCell_), shift, true);
        }
        break;
    case Qt::Key_PageUp:
        // The view moves by a page and the caret keeps its place on the screen.
        SetTopRow(topRow_ - page);
        moveCaret(nav.Vertical(caret, -page, goalCell_), shift, true);
        break;
    case Qt::Key_PageDown:
        // Paging stops where the end-of-file row reaches the bottom of the view; only explicit
        // scrolling moves the last lines further up.
        SetTopRow(std::min(topRow_ + page, std::max(topRow_, LineCount() + 1 - page)));
        moveCaret(nav.Vertical(caret, page, goalCell_), shift, true);
        break;
    case Qt::Key_Home:
        moveCaret(ctrl ? nav.DocStart() : nav.Home(caret), shift);
        break;
    case Qt::Key_End:
        moveCaret(ctrl ? nav.DocEnd() : nav.End(caret), shift);
        break;
    default:
        // Tab, Enter, Escape and every other key belong to the window.
        e->ignore();
        return;
    }
    e->accept();
}

TTextPos TEditor::posAtPoint(QPoint viewportPoint) const {
    const TViewGeometry g = viewGeometry();
    return navigator().AtCell(g.RowAtY(viewportPoint.y()), g.BoundaryAtX(viewportPoint.x()),
                              TLineLayout::TSnap::Nearest);
}

void TEditor::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(e);
        return;
    }
    pressed_ = true;
    lastDragPoint_ = e->position().toPoint();
    moveCaret(posAtPoint(lastDragPoint_), e->modifiers() & Qt::ShiftModifier);
}

void TEditor::mouseMoveEvent(QMouseEvent* e) {
    if (!pressed_ || !(e->buttons() & Qt::LeftButton)) {
        return;
    }
    lastDragPoint_ = e->position().toPoint();
    moveCaret(posAtPoint(lastDragPoint_), true);
    // Outside the view the selection keeps growing while the view scrolls.
    if (viewport()->rect().contains(lastDragPoint_)) {
        dragTimer_.stop();
    } else if (!dragTimer_.isActive()) {
        dragTimer_.start(kDragScrollInterval, this);
    }
}

void TEditor::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !pressed_) {
        QAbstractScrollArea::mouseReleaseEvent(e);
        return;
    }
    pressed_ = false;
    dragTimer_.stop();
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (HasSelection() && clipboard->supportsSelection()) {
        clipboard->setText(SelectedText(), QClipboard::Selection);
    }
    emit Clicked();
}

void TEditor::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(e);
        return;
    }
    pressed_ = true;
    const auto [from, to] = navigator().WordAt(posAtPoint(e->position().toPoint()));
    select(from, to);
}

void TEditor::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    restartBlink();
}

void TEditor::focusOutEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusOutEvent(e);
    blinkTimer_.stop();
    caretShown_ = false;
    viewport()->update(caretRect());
}

void TEditor::restartBlink() {
    if (!hasFocus()) {
        return;
    }
    caretShown_ = true;
    const int interval = QApplication::cursorFlashTime() / 2;
    if (interval > 0) {
        blinkTimer_.start(interval, this);
    } else {
        blinkTimer_.stop();
    }
    if (!IsUpdating()) {
        viewport()->update(caretRect());
    }
}

void TEditor::timerEvent(QTimerEvent* e) {
    if (e->timerId() == blinkTimer_.timerId()) {
        caretShown_ = !caretShown_;
        viewport()->update(caretRect());
    } else if (e->timerId() == dragTimer_.timerId()) {
        moveCaret(posAtPoint(lastDragPoint_), true);
    } else if (e->timerId() == loadTimer_.timerId()) {
        loadMore();
    } else {
        QAbstractScrollArea::timerEvent(e);
    }
}

} // namespace kelda
