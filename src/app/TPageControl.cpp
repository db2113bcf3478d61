// SPDX-License-Identifier: MIT
#include "app/TPageControl.h"

#include <QPaintEvent>
#include <QPainter>
#include <QShortcut>

namespace kelda {

TPageTabBar::TPageTabBar(QWidget* parent) : QTabBar(parent) {}

void TPageTabBar::SetOnDrawTab(TDrawTabEvent handler) {
    onDrawTab_ = std::move(handler);
    update();
}

void TPageTabBar::paintEvent(QPaintEvent* e) {
    if (!onDrawTab_) {
        QTabBar::paintEvent(e);
        return;
    }
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    for (int i = 0; i < count(); ++i) {
        const QRect r = tabRect(i);
        if (!r.intersects(e->rect())) {
            continue;
        }
        painter.save();
        // A thin frame keeps the tabs apart; the handler fills their inside.
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRect(r.adjusted(0, 0, -1, 0));
        painter.setClipRect(r.adjusted(1, 1, -1, 0));
        onDrawTab_(painter, i, r.adjusted(1, 1, -1, 0), i == currentIndex());
        painter.restore();
    }
}

TPageControl::TPageControl(QWidget* parent) : QTabWidget(parent), bar_(new TPageTabBar(this)) {
    setTabBar(bar_);
    const struct {
        QList<QKeySequence> Keys;
        int Step;
    } moves[] = {
        {{QKeySequence(Qt::CTRL | Qt::Key_Tab)}, 1},
        {{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
          QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), QKeySequence(Qt::CTRL | Qt::Key_Backtab)},
         -1},
    };
    for (const auto& move : moves) {
        auto* shortcut = new QShortcut(this);
        shortcut->setKeys(move.Keys);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, step = move.Step] { StepPage(step); });
    }
}

void TPageControl::StepPage(int step) {
    const int pages = count();
    int page = currentIndex();
    for (int pass = 1; pass < pages; ++pass) {
        page = (page + step + pages) % pages;
        if (isTabEnabled(page)) {
            setCurrentIndex(page);
            return;
        }
    }
}

} // namespace kelda
