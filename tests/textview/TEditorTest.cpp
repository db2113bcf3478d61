// SPDX-License-Identifier: MIT
// The text view widget, driven through its keys, mouse, scroll bars and painting (offscreen).
#include "textview/TEditor.h"
#include "textview/TLineLayout.h"
#include "util/MacText.h"
#include "util/TFileStream.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace kelda {
namespace {

QStringList Numbered(int count) {
    QStringList lines;
    lines.reserve(count);
    for (int i = 0; i < count; ++i) {
        lines.append(QStringLiteral("line %1\tvalue").arg(i));
    }
    return lines;
}

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        QFont font(QStringLiteral("Monospace"));
        font.setStyleHint(QFont::TypeWriter);
        font.setPixelSize(12);
        ed.setFont(font);
        ed.resize(400, 300);
    }

    // Viewport point in the middle-left of the cell at (row, cell) of the visible area.
    QPoint CellPoint(int visibleRow, int cell) const {
        return QPoint(ed.TextOriginX() + cell * ed.CharWidth() + 1, visibleRow * ed.LineHeight() + 2);
    }

    std::pair<int, int> Caret() const { return {ed.CaretRow(), ed.CaretCol()}; }

    TEditor ed;
};

TEST_F(EditorTest, LinesAreKeptAsGiven) {
    ed.AppendLine("first");
    ed.AppendLines({"sec\tond", ""});
    EXPECT_EQ(ed.LineCount(), 3);
    EXPECT_EQ(ed.Line(1), "sec\tond");
    EXPECT_EQ(ed.Line(3), QString());
    EXPECT_EQ(ed.Line(-1), QString());
    EXPECT_EQ(ed.Text(), "first\r\nsec\tond\r\n\r\n");
    ed.Clear();
    EXPECT_EQ(ed.LineCount(), 0);
    EXPECT_EQ(ed.Text(), QString());
}

TEST_F(EditorTest, SetTextSplitsAtEveryKindOfLineBreak) {
    const struct {
        QString text;
        QStringList lines;
    } cases[] = {
        {"", {}},           {"a", {"a"}},
        {"a\r\n", {"a"}},   {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"\n\n", {"", ""}}, {"a\r\r\nb", {"a", "", "b"}},
    };
    for (const auto& c : cases) {
        ed.SetText(c.text);
        EXPECT_EQ(ed.Lines(), c.lines) << c.text.toStdString();
    }
}

TEST_F(EditorTest, SetCaretClampsToTheTextAndSnapsToCharacters) {
    ed.AppendLines({"abc", QStringLiteral("あいう"), "a\tb"});
    const struct {
        int row, col;
        int wantRow, wantCol;
    } cases[] = {
        {1, 2, 1, 2},  {-5, -5, 0, 0}, {99, 4, 3, 0}, // the row after the last line break
        {0, 99, 0, 3}, {1, 3, 1, 2},                  // inside a wide character: its start
        {2, 5, 2, 1},                                 // inside a tab: its start
        {2, 8, 2, 8},
    };
    for (const auto& c : cases) {
        ed.SetCaret(c.row, c.col);
        EXPECT_EQ(Caret(), std::make_pair(c.wantRow, c.wantCol)) << c.row << "," << c.col;
    }
}

TEST_F(EditorTest, MovementKeysMoveTheCaretAndStayInside) {
    ed.AppendLines(Numbered(100));
    ed.AppendLine(QStringLiteral("全角\tx"));
    const int page = ed.VisibleRowCount();
    ASSERT_GT(page, 3);
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        std::pair<int, int> caret;
    } steps[] = {
        {Qt::Key_Up, {}, {0, 0}},
        {Qt::Key_Left, {}, {0, 0}},
        {Qt::Key_End, {}, {0, 13}},
        {Qt::Key_Right, {}, {1, 0}},
        {Qt::Key_Left, {}, {0, 13}},
        {Qt::Key_Down, {}, {1, 13}},
        {Qt::Key_Home, {}, {1, 0}},
        {Qt::Key_PageDown, {}, {1 + page, 0}},
        {Qt::Key_PageUp, {}, {1, 0}},
        {Qt::Key_PageUp, {}, {0, 0}},
        {Qt::Key_End, Qt::ControlModifier, {101, 0}},
        {Qt::Key_Down, {}, {101, 0}},
        {Qt::Key_PageDown, {}, {101, 0}},
        {Qt::Key_Up, {}, {100, 0}},
        {Qt::Key_Right, {}, {100, 2}}, // over a wide character
        {Qt::Key_End, {}, {100, 9}},
        {Qt::Key_Left, {}, {100, 8}},
        {Qt::Key_Left, {}, {100, 4}}, // back over the tab
        {Qt::Key_Home, Qt::ControlModifier, {0, 0}},
    };
    for (const auto& s : steps) {
        QTest::keyClick(&ed, s.key, s.mods);
        EXPECT_EQ(Caret(), s.caret) << "after key " << QKeySequence(s.key | s.mods).toString().toStdString();
        // The caret is always inside the view.
        EXPECT_GE(ed.CaretRow(), ed.TopRow());
        EXPECT_LT(ed.CaretRow(), ed.TopRow() + ed.VisibleRowCount());
    }
    // Paging down ends with the end-of-file row at the bottom of the view, not alone at its top.
    for (int i = 0; i < 200 / page; ++i) {
        QTest::keyClick(&ed, Qt::Key_PageDown);
    }
    EXPECT_EQ(Caret(), std::make_pair(101, 0));
    EXPECT_EQ(ed.TopRow(), 102 - page);
}

TEST_F(EditorTest, ShiftKeysSelectAndCopyKeepsTabs) {
    ed.AppendLines({"a\tb", "cd", "ef"});
    QSignalSpy selection(&ed, &TEditor::SelectionChanged);
    QTest::keyClick(&ed, Qt::Key_Right);
    QTest::keyClick(&ed, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&ed, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_TRUE(ed.HasSelection());
    EXPECT_EQ(ed.SelectedText(), "\tb\ncd");
    EXPECT_EQ(selection.count(), 2);

    QTest::keyClick(&ed, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "\tb\ncd");

    // An arrow without Shift drops the selection at its end.
    QTest::keyClick(&ed, Qt::Key_Right);
    EXPECT_FALSE(ed.HasSelection());
    EXPECT_EQ(Caret(), std::make_pair(1, 2));
    EXPECT_EQ(selection.count(), 3);

    QTest::keyClick(&ed, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(ed.SelectedText(), "a\tb\ncd\nef\n");
    QTest::keyClick(&ed, Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "a\tb\ncd\nef\n");

    // Copy without a selection leaves the clipboard alone.
    ed.ClearSelection();
    QTest::keyClick(&ed, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "a\tb\ncd\nef\n");
}

TEST_F(EditorTest, TypingChangesNothingAndTabEnterEscapeReachTheWindow) {
    struct TWindow : QWidget {
        std::vector<int> keys;
        void keyPressEvent(QKeyEvent* e) override { keys.push_back(e->key()); }
    } window;
    auto* layout = new QVBoxLayout(&window);
    auto* editor = new TEditor;
    auto* next = new QLineEdit;
    layout->addWidget(editor);
    layout->addWidget(next);
    editor->AppendLines({"one", "two"});
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    editor->setFocus();
    ASSERT_TRUE(editor->hasFocus());

    QTest::keyClicks(editor, "xy z");
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClick(editor, Qt::Key_Delete);
    EXPECT_EQ(editor->Lines(), (QStringList{"one", "two"}));

    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        window.keys.clear();
        QTest::keyClick(editor, key);
        EXPECT_EQ(window.keys, std::vector<int>{key});
        EXPECT_EQ(editor->Lines(), (QStringList{"one", "two"}));
    }
    QTest::keyClick(editor, Qt::Key_Tab);
    EXPECT_TRUE(next->hasFocus());
    QTest::keyClick(next, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(editor->hasFocus());
    EXPECT_EQ(editor->Lines(), (QStringList{"one", "two"}));
}

TEST_F(EditorTest, ClickPlacesTheCaretAndDragSelects) {
    ed.AppendLines({"abcdef", QStringLiteral("あいう"), "x"});
    ed.show();
    QSignalSpy clicked(&ed, &TEditor::Clicked);
    QSignalSpy moved(&ed, &TEditor::CaretMoved);
    const struct {
        QPoint at;
        std::pair<int, int> caret;
    } clicks[] = {
        {CellPoint(0, 3), {0, 3}},
        {CellPoint(0, 3) + QPoint(ed.CharWidth() / 2 + 1, 0), {0, 4}}, // right half of a cell
        {CellPoint(1, 3) + QPoint(ed.CharWidth() / 2 + 1, 0), {1, 4}}, // right half of い
        {CellPoint(1, 2), {1, 2}},
        {CellPoint(0, 40), {0, 6}}, // past the line end
        {CellPoint(12, 2), {3, 0}}, // below the last line
        {QPoint(0, 2), {0, 0}},     // in the left margin
    };
    for (const auto& c : clicks) {
        QTest::mouseClick(ed.viewport(), Qt::LeftButton, {}, c.at);
        EXPECT_EQ(Caret(), c.caret);
    }
    EXPECT_EQ(clicked.count(), static_cast<int>(std::size(clicks)));
    EXPECT_EQ(moved.count(), static_cast<int>(std::size(clicks)));

    QTest::mousePress(ed.viewport(), Qt::LeftButton, {}, CellPoint(0, 1));
    QMouseEvent drag(QEvent::MouseMove, CellPoint(2, 1), ed.viewport()->mapToGlobal(CellPoint(2, 1)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(ed.viewport(), &drag);
    QTest::mouseRelease(ed.viewport(), Qt::LeftButton, {}, CellPoint(2, 1));
    EXPECT_EQ(ed.SelectedText(), QStringLiteral("bcdef\nあいう\nx"));

    QTest::mouseClick(ed.viewport(), Qt::LeftButton, Qt::ShiftModifier, CellPoint(0, 4));
    EXPECT_EQ(ed.SelectedText(), "bcd");
    QTest::mouseDClick(ed.viewport(), Qt::LeftButton, {}, CellPoint(1, 2));
    EXPECT_EQ(ed.SelectedText(), QStringLiteral("あいう"));
}

TEST_F(EditorTest, TopRowClampsScrollsAndSignals) {
    ed.AppendLines(Numbered(50));
    QSignalSpy changed(&ed, &TEditor::TopRowChanged);
    const struct {
        int set;
        int top;
    } cases[] = {{10, 10}, {10, 10}, {-4, 0}, {49, 49}, {500, 49}, {0, 0}};
    int expectedSignals = 0;
    int previous = ed.TopRow();
    for (const auto& c : cases) {
        ed.SetTopRow(c.set);
        EXPECT_EQ(ed.TopRow(), c.top);
        EXPECT_EQ(ed.verticalScrollBar()->value(), c.top);
        expectedSignals += c.top != previous ? 1 : 0;
        previous = c.top;
    }
    EXPECT_EQ(changed.count(), expectedSignals);

    ed.ScrollLineDown();
    ed.ScrollLineDown();
    ed.ScrollLineUp();
    EXPECT_EQ(ed.TopRow(), 1);
    ed.verticalScrollBar()->setValue(30); // the user drags the scroll bar
    EXPECT_EQ(ed.TopRow(), 30);
    EXPECT_EQ(changed.count(), expectedSignals + 4);
    EXPECT_EQ(ed.verticalScrollBar()->maximum(), 49);

    // Scrolling does not move the caret; Clear resets the view.
    EXPECT_EQ(ed.CaretRow(), 0);
    ed.Clear();
    EXPECT_EQ(ed.TopRow(), 0);
    EXPECT_EQ(ed.verticalScrollBar()->maximum(), 0);
}

TEST_F(EditorTest, LeftColFollowsTheWidestLine) {
    ed.AppendLine(QString(200, u'x'));
    EXPECT_EQ(ed.horizontalScrollBar()->maximum(), 201 - ed.VisibleColCount());
    ed.SetLeftCol(10);
    EXPECT_EQ(ed.LeftCol(), 10);
    EXPECT_EQ(ed.HScrollPixels(), 10 * ed.CharWidth());
    ed.SetLeftCol(10000);
    EXPECT_EQ(ed.LeftCol(), ed.horizontalScrollBar()->maximum());
    ed.SetLeftCol(-1);
    EXPECT_EQ(ed.LeftCol(), 0);
    QTest::keyClick(&ed, Qt::Key_End);
    EXPECT_GT(ed.LeftCol(), 0); // the caret at the line end is brought into view
    EXPECT_LT(ed.CaretCol(), ed.LeftCol() + ed.VisibleColCount());
}

TEST_F(EditorTest, FontChangeRecomputesMetrics) {
    ed.AppendLines(Numbered(100));
    const int rows = ed.VisibleRowCount();
    const int width = ed.CharWidth();
    QFont big = ed.font();
    big.setPixelSize(24);
    ed.setFont(big);
    EXPECT_GT(ed.CharWidth(), width);
    EXPECT_LT(ed.VisibleRowCount(), rows);
    EXPECT_EQ(ed.verticalScrollBar()->pageStep(), ed.VisibleRowCount());
    ed.SetLineSpacing(3);
    EXPECT_EQ(ed.LineHeight(), QFontMetrics(big).height() + 3);
}

struct THookCall {
    int index;
    int x, y;
    QRect rect;
    bool selected;
    bool painterSet;
};

TEST_F(EditorTest, DrawLineHookSeesOnlyVisibleRowsWithTheirGeometry) {
    ed.AppendLines(Numbered(100000));
    ed.AppendLine(QString(300, u'w')); // wide enough to scroll sideways
    std::vector<THookCall> calls;
    ed.SetOnDrawLine([&](TEditor* sender, const QString& lineStr, int x, int y, int index, const QRect& rect,
                         bool selected) {
        EXPECT_EQ(sender, &ed);
        EXPECT_EQ(lineStr, ed.Line(index));
        calls.push_back({index, x, y, rect, selected, sender->Painter() != nullptr});
    });
    ed.SetSelection(50001, 0, 50003, 0); // rows 50001 and 50002 wholly selected
    ed.SetTopRow(50000);
    ed.SetLeftCol(3);
    ed.viewport()->grab();

    const int rows = ed.VisibleRowCount();
    const int width = ed.viewport()->width();
    // Every row that meets the viewport, the partly visible last one included, and nothing else.
    const int shown = (ed.viewport()->height() + ed.LineHeight() - 1) / ed.LineHeight();
    ASSERT_GE(shown, rows);
    ASSERT_EQ(static_cast<int>(calls.size()), shown);
    for (int i = 0; i < shown; ++i) {
        const THookCall& c = calls[i];
        const int y = i * ed.LineHeight();
        EXPECT_EQ(c.index, 50000 + i);
        EXPECT_EQ(c.y, y);
        EXPECT_EQ(c.x, ed.TextOriginX() - 3 * ed.CharWidth());
        EXPECT_EQ(c.rect, QRect(ed.TextOriginX(), y, width - ed.TextOriginX(), ed.LineHeight()));
        EXPECT_EQ(c.selected, c.index == 50001 || c.index == 50002) << c.index;
        EXPECT_TRUE(c.painterSet);
    }
    EXPECT_EQ(ed.Painter(), nullptr);

    // The row after the last line carries the end mark, not a hook call.
    calls.clear();
    ed.SetTopRow(100000);
    ed.viewport()->grab();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].index, 100000);
}

TEST_F(EditorTest, BatchedAppendsRepaintOnce) {
    struct TPaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            paints += e->type() == QEvent::Paint ? 1 : 0;
            return false;
        }
    } counter;
    ed.setFocusPolicy(Qt::NoFocus); // no caret blinking to count
    ed.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&ed));
    QApplication::processEvents();
    ed.viewport()->installEventFilter(&counter);

    ed.BeginUpdate();
    ed.BeginUpdate(); // nested batches end with the outermost
    for (int i = 0; i < 28; ++i) {
        ed.AppendLine(QStringLiteral("row %1").arg(i));
        QApplication::processEvents();
    }
    ed.SetCaret(5, 0);
    ed.EndUpdate();
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);
    EXPECT_EQ(ed.verticalScrollBar()->maximum(), 0); // scroll bars wait for the batch too
    ed.EndUpdate();
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 1);
    EXPECT_EQ(ed.verticalScrollBar()->maximum(), 27);

    // Unbatched lines far below the view do not repaint it.
    counter.paints = 0;
    ed.AppendLines(Numbered(200));
    QApplication::processEvents();
    counter.paints = 0;
    ed.AppendLine("far below");
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);
}

TEST_F(EditorTest, PaintsSelectionWhiteOnNavy) {
    ed.AppendLines({"MMMM", "MMMM"});
    ed.SetSelection(0, 0, 0, 2);
    const QImage image = ed.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QColor navy(0, 0, 128);
    // Counts the pixels of cells [from, to) of row 0 that are background, navy, light or dark glyph.
    struct TCount {
        int navy = 0, white = 0, light = 0, dark = 0;
    };
    auto count = [&](int from, int to) {
        TCount n;
        for (int y = 0; y < ed.LineHeight(); ++y) {
            for (int x = ed.TextOriginX() + from * ed.CharWidth(); x < ed.TextOriginX() + to * ed.CharWidth();
                 ++x) {
                const QColor c = image.pixelColor(x, y);
                n.navy += c == navy;
                n.white += c == QColor(Qt::white);
                n.light += c != navy && c.lightness() > 160;
                n.dark += c != navy && c.lightness() < 96;
            }
        }
        return n;
    };
    const TCount selected = count(0, 2);
    const TCount plain = count(2, 4);
    EXPECT_GT(selected.navy, selected.light); // navy background ...
    EXPECT_GT(selected.light, 0);             // ... with light glyphs
    EXPECT_EQ(plain.navy, 0);
    EXPECT_GT(plain.white, plain.dark); // white background ...
    EXPECT_GT(plain.dark, 0);           // ... with dark glyphs
}

class LoadFileTest : public EditorTest {
protected:
    std::filesystem::path Write(const std::string& bytes) {
        const auto path = std::filesystem::temp_directory_path() /
                          ("kelda_textview_" + std::to_string(QCoreApplication::applicationPid()) + ".txt");
        std::ofstream(path, std::ios::binary) << bytes;
        files_.push_back(path);
        return path;
    }
    void TearDown() override {
        for (const auto& f : files_) {
            std::filesystem::remove(f);
        }
    }
    std::vector<std::filesystem::path> files_;
};

TEST_F(LoadFileTest, DecodesUtf8OrCodePage932) {
    const struct {
        std::string bytes;
        QStringList lines;
    } cases[] = {
        {"", {}},
        {"plain\r\ntext\r\n", {"plain", "text"}},
        {"\xEF\xBB\xBF\xE6\x97\xA5\xE6\x9C\xAC\n\tx", {QStringLiteral("日本"), "\tx"}}, // UTF-8, BOM
        {"\x93\xFA\x96\x7B\r\n\xB6\xC0\xB6\xC5",
         {QStringLiteral("日本"), QStringLiteral("ｶﾀｶﾅ")}}, // code page 932
    };
    for (const auto& c : cases) {
        ed.LoadFromFile(Write(c.bytes));
        EXPECT_EQ(ed.Lines(), c.lines);
    }
}

TEST_F(LoadFileTest, MissingFileThrowsAndKeepsTheLines) {
    ed.AppendLine("kept");
    EXPECT_THROW(ed.LoadFromFile(std::filesystem::temp_directory_path() / "kelda_no_such_file.txt"),
                 EFileError);
    EXPECT_EQ(ed.Lines(), QStringList{"kept"});
}

TEST_F(LoadFileTest, ALargeFileShowsItsStartAtOnceAndTakesCodePage932FromItsFirstInvalidByte) {
    // Megabytes of valid UTF-8, then one code page 932 character: the whole text is code page 932.
    const std::string utf8Line = "\xE6\x97\xA5\xE6\x9C\xAC"; // 日本 in UTF-8
    std::string bytes;
    while (bytes.size() < (std::size_t{6} << 20)) {
        bytes += utf8Line + "\n";
    }
    const int lines = static_cast<int>(bytes.size() / (utf8Line.size() + 1)) + 1;
    bytes += "\x93\xFA"; // 日 in code page 932
    ed.LoadFromFile(Write(bytes));
    ASSERT_TRUE(ed.IsLoading());
    EXPECT_EQ(ed.Line(0), QStringLiteral("日本"));
    ed.SetCaret(0, 4);
    EXPECT_EQ(ed.CaretCol(), 4);

    ed.FinishLoading();
    EXPECT_FALSE(ed.IsLoading());
    ASSERT_EQ(ed.LineCount(), lines);
    const QString asCp932 = QString::fromStdString(MacTextToUtf8(utf8Line, TMacEncoding::Japanese));
    EXPECT_EQ(ed.Line(0), asCp932);
    EXPECT_EQ(ed.Line(lines - 1), QStringLiteral("日"));
    // The caret stays inside the line's new text.
    EXPECT_EQ(ed.CaretRow(), 0);
    EXPECT_LE(ed.CaretCol(), TLineLayout::LineCells(asCp932, ed.TabWidth()));
}

} // namespace
} // namespace kelda
