// SPDX-License-Identifier: MIT
// The window walked with the keyboard and the wheel, as a user without a mouse, or with one
// resting over the wrong control, would.
#include "app/TPageControl.h"
#include "resources/TResourcePage.h"
#include "support/WindowFixture.h"
#include "textview/TEditor.h"

#include <QComboBox>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>

namespace kelda {
namespace {

class KeyboardReachTest : public WindowFixture {
protected:
    // The widgets Tab (or Shift+Tab) reaches from start, in order, count steps.
    static std::vector<QWidget*> Walk(TFormMain& form, QWidget* start, int count, bool back = false) {
        start->setFocus();
        std::vector<QWidget*> reached;
        for (int i = 0; i < count; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab,
                            back ? Qt::ShiftModifier : Qt::NoModifier);
            reached.push_back(form.focusWidget());
        }
        return reached;
    }
    // A wheel turn at a point of the window, as the window system delivers it: to the window, which
    // hands it to the widget under the mouse.
    static void Wheel(TFormMain& form, QWidget* under, int delta) {
        const QPointF at = under->mapTo(&form, QPointF(under->width() / 2.0, under->height() / 2.0));
        QWheelEvent wheel(at, form.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QSpontaneKeyEvent::setSpontaneous(&wheel);
        QCoreApplication::sendEvent(form.windowHandle(), &wheel);
    }
    static void FillResults(TFormMain& form) {
        QStringList lines;
        for (int i = 0; i < 300; ++i) {
            lines.append(QString::number(i));
        }
        form.Editor2->AppendLines(lines);
        form.Editor2->SetTopRow(100);
    }
};

TEST_F(KeyboardReachTest, TabLeavesTheGridForTheButtonsAndComesBack) {
    TFormMain& form = Shown(); // the grid view
    ASSERT_TRUE(form.StringGrid1->isVisible());
    const std::vector<QWidget*> forward = Walk(form, form.StringGrid1, 2);
    EXPECT_EQ(forward[0], form.BtnFileOpen);
    EXPECT_EQ(forward[1], form.BtnTmpFileClear);
    EXPECT_EQ(Walk(form, form.BtnFileOpen, 1, true)[0], form.StringGrid1);
    // Ctrl+Tab does not walk the cells either, in the header grid or the resource table.
    form.ResourcePage->ResourceTable->setRowCount(2);
    for (QTableWidget* table : {form.StringGrid1, form.ResourcePage->ResourceTable}) {
        SCOPED_TRACE(table->objectName().toStdString());
        form.PageControl1->setCurrentWidget(table == form.StringGrid1 ? static_cast<QWidget*>(form.TabSheet1)
                                                                      : form.ResourcePage);
        table->setFocus();
        table->setCurrentCell(0, 0);
        QTest::keyClick(table, Qt::Key_Tab, Qt::ControlModifier);
        EXPECT_EQ(table->currentColumn(), 0);
    }
}

TEST_F(KeyboardReachTest, TheWheelGoesToTheFocusedPaneOnlyWhateverIsUnderTheMouse) {
    TFormMain& form = Shown();
    form.PageControl1->setCurrentIndex(1);
    FillResults(form);
    form.ComboBox1->addItem(QStringLiteral("second entry"));
    ASSERT_EQ(form.ComboBox1->currentIndex(), 0);

    // Editor2 focused, the mouse over the closed recent-file list: Editor2 scrolls one line and the
    // list keeps its entry (and the focus stays in Editor2).
    form.Editor2->setFocus();
    Wheel(form, form.ComboBox1, -120);
    EXPECT_EQ(form.ComboBox1->currentIndex(), 0);
    EXPECT_EQ(form.focusWidget(), form.Editor2);
    EXPECT_EQ(form.Editor2->TopRow(), 101);

    // No pane focused: the pane under the mouse does not scroll.
    form.BtnFileBrowse->setFocus();
    Wheel(form, form.Editor2, -120);
    EXPECT_EQ(form.Editor2->TopRow(), 101);
    EXPECT_EQ(form.ComboBox1->currentIndex(), 0);
}

TEST_F(KeyboardReachTest, AltMReachesTheTextGridGroupAndSpaceSwitchesTheView) {
    // The button of the view that shows is disabled, so the group's shortcut lands on the other
    // one: at a fresh start, and after the button it reached last time was disabled by the switch.
    TFormMain& form = Shown();
    ASSERT_TRUE(form.StringGrid1->isVisible());
    const struct {
        int focused; // the button Alt+M reaches
        bool textShownAfterSpace;
    } cases[] = {{0, true}, {1, false}, {0, true}};
    for (const auto& c : cases) {
        form.BtnFileOpen->setFocus();
        QTest::keyClick(form.BtnFileOpen, Qt::Key_M, Qt::AltModifier);
        ASSERT_EQ(form.focusWidget(), form.RadioGroupInformationItems[static_cast<std::size_t>(c.focused)])
            << c.focused;
        QTest::keyClick(form.focusWidget(), Qt::Key_Space);
        EXPECT_EQ(form.Editor1->isVisible(), c.textShownAfterSpace) << c.focused;
        EXPECT_EQ(form.StringGrid1->isVisible(), !c.textShownAfterSpace) << c.focused;
        EXPECT_EQ(form.RadioGroupItemIndex(), c.textShownAfterSpace ? 0 : 1);
    }
}

TEST_F(KeyboardReachTest, ANewGridColumnHasAnEmptyTitle) {
    TFormMain& form = Shown();
    std::string header(128, '\0');
    header[1] = 3;
    header.replace(2, 3, "a\tb");
    header[65] = 'T';
    const auto file = root_ / "tab.bin";
    WriteFile(file, header + std::string(16, '\0'));
    form.ReadFile(file);
    ASSERT_EQ(form.StringGrid1->columnCount(), 7);
    const QTableWidgetItem* title = form.StringGrid1->horizontalHeaderItem(6);
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), QString());
}

} // namespace
} // namespace kelda
