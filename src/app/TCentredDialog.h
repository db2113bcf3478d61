// SPDX-License-Identifier: MIT
// A dialog whose frame is centred on an area (its window's frame, or the screen) when it is shown.
//
// The dialog's own placement centres its inner area with a guessed title-bar height and, once the
// window exists, hands the result to the window manager as the inner corner, so that boxes ended
// up 20 to 30 pixels above the centre. This one places the frame itself, in the show event: the
// dialog has its final size there and is not mapped yet, so it appears in its place at once (or
// within a pixel or two, corrected once it is framed).
#pragma once

#include <QEvent>
#include <QMargins>
#include <QMetaObject>
#include <QPointer>
#include <QRect>
#include <QShowEvent>
#include <QWidget>

namespace kelda {

// The frame corner that centres a frame of frameSize on area, kept inside screen as far as it goes.
QPoint CentredFrameCorner(const QRect& area, const QSize& frameSize, const QRect& screen);

// The decoration the window manager will draw around widget's window: its own once it is framed,
// before that the decoration of its parent's window (or, without one, of the active window).
QMargins ExpectedFrameMargins(const QWidget* widget);

// Moves the window so that its frame is centred on the frame of over's window, or on over's
// screen's available area when onScreen is set or over is null.
void CentreFrame(QWidget* window, const QWidget* over, bool onScreen);

template <class TDialog> class TCentredDialog : public TDialog {
public:
    // over: the window to centre on (null: the screen); onScreen: centre on over's screen.
    template <class... TArgs>
    TCentredDialog(const QWidget* over, bool onScreen, TArgs&&... args)
        : TDialog(std::forward<TArgs>(args)...), over_(over), onScreen_(onScreen) {}

protected:
    bool event(QEvent* event) override {
        // Once the window manager has framed the dialog (and its window) the frames are known: a
        // box opened before its window was framed, or framed differently from its window, moves
        // to the centre it was meant for.
        if (event->type() == QEvent::WindowActivate && !framed_) {
            framed_ = true;
            QMetaObject::invokeMethod(
                this, [this] { CentreFrame(this, over_.data(), onScreen_ || over_.isNull()); },
                Qt::QueuedConnection);
        }
        return TDialog::event(event);
    }
    void showEvent(QShowEvent* event) override {
        TDialog::showEvent(event); // gives the dialog its final size
        if (!event->spontaneous()) {
            CentreFrame(this, over_.data(), onScreen_ || over_.isNull());
        }
    }

private:
    QPointer<const QWidget> over_;
    bool onScreen_;
    bool framed_ = false;
};

} // namespace kelda
