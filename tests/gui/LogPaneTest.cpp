// SPDX-License-Identifier: MIT
// The log pane in the window: block navigation with its focus rule, saving, clearing, the tab marks
// and the error guard around a failing handler.
#include "app/TPageControl.h"
#include "log/LogNavigation.h"
#include "log/TabMark.h"
#include "support/WindowFixture.h"
#include "textview/TEditor.h"

#include <QPushButton>

namespace kelda {
namespace {

using Kind = FakeDialogs::Kind;

class LogPane : public WindowFixture {
protected:
    const QString separator_ = QString::fromStdString(LogSeparator());

    // Two blocks: separators on lines 0 and 3.
    void AppendTwoBlocks(TFormMain& form) {
        for (const QString& line :
             {separator_, QStringLiteral("FileName         : A"), QStringLiteral("a"), separator_,
              QStringLiteral("FileName         : B"), QStringLiteral("b")}) {
            form.LogAppend(line);
        }
    }

    void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
};

TEST_F(LogPane, ButtonsWalkTheBlocksAndTakeTheFocus) {
    TFormMain& form = Shown();
    AppendTwoBlocks(form);
    TEditor* log = form.Editor3;
    const struct {
        int caretBefore;
        QPushButton* button;
        int caretAfter;
    } steps[] = {
        {4, form.BtnLogPrev, 3},                          // inside the second block: its separator
        {3, form.BtnLogPrev, 0},                          // on it: the first block's
        {0, form.BtnLogPrev, 0},                          // nothing before the first
        {0, form.BtnLogNext, 3}, {3, form.BtnLogNext, 3}, // nothing after the last
        {1, form.BtnLogEnd, 3},  {5, form.BtnLogTop, 0},
        {6, form.BtnLogPrev, 3}, // from the empty row after the last line
    };
    for (const auto& s : steps) {
        log->SetCaret(s.caretBefore, 2);
        form.BtnFileOpen->setFocus();
        Click(s.button);
        EXPECT_EQ(log->CaretRow(), s.caretAfter)
            << s.button->objectName().toStdString() << " from " << s.caretBefore;
        EXPECT_EQ(QApplication::focusWidget(), log) << s.button->objectName().toStdString();
        if (s.caretAfter != s.caretBefore) {
            EXPECT_EQ(log->CaretCol(), 0);
            EXPECT_EQ(log->TopRow(), s.caretAfter);
            EXPECT_EQ(log->LeftCol(), 0);
        }
    }
}

TEST_F(LogPane, EndFromTheWindowBringsTheLastBlockToTheTopAndLeavesTheFocus) {
    TFormMain& form = Shown();
    AppendTwoBlocks(form);
    form.Editor3->SetLeftCol(3);
    form.BtnFileOpen->setFocus();
    form.BtnLogEndClick(&form);
    EXPECT_EQ(form.Editor3->TopRow(), 3);
    EXPECT_EQ(form.Editor3->CaretRow(), 3);
    EXPECT_EQ(form.Editor3->LeftCol(), 0);
    EXPECT_EQ(QApplication::focusWidget(), form.BtnFileOpen);
}

TEST_F(LogPane, EmptyLogMovesNeitherCaretNorFocusAndALogWithoutBlocksOnlyTakesTheFocus) {
    TFormMain& form = Shown();
    for (QPushButton* b : {form.BtnLogTop, form.BtnLogPrev, form.BtnLogNext, form.BtnLogEnd}) {
        form.BtnFileOpen->setFocus();
        Click(b);
        // The click focused the button; the handler leaves the focus there.
        EXPECT_EQ(QApplication::focusWidget(), b) << b->objectName().toStdString();
        EXPECT_EQ(form.Editor3->CaretRow(), 0);
    }
    form.LogAppend(QString(69, QLatin1Char('-')));
    form.LogAppend(QStringLiteral("x"));
    form.Editor3->SetCaret(1, 0);
    form.BtnFileOpen->setFocus();
    Click(form.BtnLogEnd);
    EXPECT_EQ(form.Editor3->CaretRow(), 1);
    EXPECT_EQ(QApplication::focusWidget(), form.Editor3);
}

TEST_F(LogPane, SavingWritesEveryLineWithCrLfAndReplacesWithoutAsking) {
    TFormMain& form = Form();
    for (const char* line : {"one", "two\tcols", "ﾛｸﾞ 三"}) {
        form.LogAppend(QString::fromUtf8(line));
    }
    const std::filesystem::path out = root_ / "log.txt";
    WriteFile(out, "an older and longer file that is replaced entirely");
    dialogs_.files = {QString::fromStdString(out.string())};
    QTest::mouseClick(form.BtnSaveLog, Qt::LeftButton);
    EXPECT_EQ(ReadFile(out), "one\r\ntwo\tcols\r\nﾛｸﾞ 三\r\n");
    ASSERT_EQ(dialogs_.fileDialogs.size(), 1u);
    EXPECT_EQ(dialogs_.fileDialogs[0].Filter, QStringLiteral("*.TXT:*.DOC|*.TXT;*.DOC|*.*|*.*"));
    EXPECT_EQ(form.SaveDialog1().FileName, QString::fromStdString(out.string()));
    EXPECT_EQ(dialogs_.Count(Kind::Question), 0u);
    EXPECT_EQ(dialogs_.Count(Kind::Message), 0u);

    // Cancelling writes nothing.
    std::filesystem::remove(out);
    dialogs_.files = {std::nullopt};
    QTest::mouseClick(form.BtnSaveLog, Qt::LeftButton);
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(LogPane, AFailingHandlerShowsTheErrorBoxAndTheProgramGoesOn) {
    TFormMain& form = Form();
    form.LogAppend(QStringLiteral("line"));
    const std::filesystem::path out = root_ / "no such folder" / "log.txt";
    dialogs_.files = {QString::fromStdString(out.string())};
    QTest::mouseClick(form.BtnSaveLog, Qt::LeftButton);
    const std::vector<QString> errors = dialogs_.Texts(Kind::Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(errors[0].contains(QString::fromStdString(out.string()))) << errors[0].toStdString();
    // The design's sentence with its full stop, then the system's reason on a line of its own.
    EXPECT_TRUE(errors[0].split('\n').front().endsWith(QStringLiteral("ん."))) << errors[0].toStdString();
    EXPECT_EQ(form.Editor3->LineCount(), 1); // the log is unchanged

    // The next handler runs as usual.
    QTest::mouseClick(form.BtnLogClear, Qt::LeftButton);
    EXPECT_EQ(form.Editor3->LineCount(), 0);
    EXPECT_EQ(dialogs_.Count(Kind::Error), 1u);
}

// Pixels of the mark colour in the viewport's image.
std::vector<QPoint> MarkPixels(const QImage& image, const QColor& colour) {
    std::vector<QPoint> points;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) == colour) {
                points.push_back({x, y});
            }
        }
    }
    return points;
}

TEST_F(LogPane, TabMarksAreDrawnOnlyInsideTheRowRectangle) {
    TFormMain& form = Shown();
    TEditor* pane = form.Editor2;
    form.PageControl1->setCurrentWidget(form.TabSheet2);
    pane->AppendLine(QStringLiteral("ab\tc") + QString(300, QLatin1Char('x'))); // long enough to scroll
    const QColor green(0, 128, 0);
    const int w = pane->CharWidth();
    const int h = pane->LineHeight() - pane->LineSpacing();

    // The tab stands in cell 2: its bar spans x = origin + 2w + 2 … origin + 3w - 1, two rows high.
    std::vector<QPoint> marks = MarkPixels(pane->viewport()->grab().toImage(), green);
    ASSERT_FALSE(marks.empty());
    const int x = pane->TextOriginX() + 2 * w;
    const int c = pane->RowY(0) + h / 2;
    for (const QPoint& p : marks) {
        EXPECT_GE(p.x(), x + 2);
        EXPECT_LE(p.x(), x + w - 1);
        EXPECT_GE(p.y(), c - 3);
        EXPECT_LE(p.y(), c - 2);
    }

    // Scrolled two cells the tab's cell starts on the text area's left edge and keeps its mark; three
    // cells, and it lies left of it: no mark at all.
    pane->SetLeftCol(2);
    marks = MarkPixels(pane->viewport()->grab().toImage(), green);
    ASSERT_FALSE(marks.empty());
    EXPECT_EQ(
        std::min_element(marks.begin(), marks.end(), [](QPoint a, QPoint b) { return a.x() < b.x(); })->x(),
        pane->TextOriginX() + 2);
    pane->SetLeftCol(3);
    EXPECT_TRUE(MarkPixels(pane->viewport()->grab().toImage(), green).empty());

    // On a selected row the mark takes the selected text's colour.
    pane->SetLeftCol(0);
    pane->SelectAll();
    const QImage selected = pane->viewport()->grab().toImage();
    EXPECT_TRUE(MarkPixels(selected, green).empty());
    EXPECT_EQ(selected.pixelColor(x + 3, c - 3), QColor(255, 255, 255));
}

TEST_F(LogPane, TabPositionsAgreeWithThePaneTokenizer) {
    TEditor* pane = Form().Editor1;
    for (const QString& line :
         {QStringLiteral("a\tb\tc"), QStringLiteral("漢字\tx\t\ty"), QStringLiteral("ｶﾅ\t全角\t")}) {
        std::vector<int> bytes;
        std::vector<int> expected;
        for (const TToken& t : pane->Tokenize(line)) {
            if (t.Kind == TTokenKind::Tab) {
                bytes.push_back(t.BytePos);
                expected.push_back(t.Cell * 8);
            }
        }
        EXPECT_EQ(TabMarkPositions(bytes, 0, 8, pane->TabWidth(), 0, 10000), expected) << line.toStdString();
    }
}

} // namespace
} // namespace kelda
