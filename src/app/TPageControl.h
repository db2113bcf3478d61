// SPDX-License-Identifier: MIT
// The page control of the main window: a tab widget whose tabs its owner can draw.
#pragma once

#include <QTabBar>
#include <QTabWidget>
#include <functional>

namespace kelda {

// Draws one tab: painter, tab index, tab rectangle, whether it is the active tab.
using TDrawTabEvent = std::function<void(QPainter& painter, int index, const QRect& rect, bool active)>;

class TPageTabBar : public QTabBar {
    Q_OBJECT
public:
    explicit TPageTabBar(QWidget* parent = nullptr);
    // With a handler the bar paints its background and calls it for every tab; without one it is
    // drawn in the toolkit's usual way.
    void SetOnDrawTab(TDrawTabEvent handler);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    TDrawTabEvent onDrawTab_;
};

// Ctrl+Tab and Ctrl+Shift+Tab change the page from whichever of its controls has the focus: they
// are the control's shortcuts, so a control that takes keys it does not use as typed text (a
// combo box searches its entries by the Tab character) never swallows them.
class TPageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit TPageControl(QWidget* parent = nullptr);
    TPageTabBar* PageTabBar() const { return bar_; }
    // The next enabled page after the current one (step 1) or before it (step -1), round the end.
    void StepPage(int step);

private:
    TPageTabBar* bar_;
};

} // namespace kelda
