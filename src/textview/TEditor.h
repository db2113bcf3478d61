// SPDX-License-Identifier: MIT
// TEditor: the read-only, multi-line text view used for the window's text panes.
//
// Lines live in a list, or for a text loaded from a file in the file itself behind a compact index
// (LoadFromFile); the view places their characters on a grid of cells (a half-width character
// one cell, a wide one two, a tab up to the next multiple of TabWidth()). Rows are the lines plus one
// empty row after the last line break, which carries the end-of-file mark; the caret may stand there.
// Columns (CaretCol, LeftCol) count display cells. The pane is always read-only and never takes Tab
// or Enter as input: those keys move the focus or reach the window as usual.
#pragma once

#include "textview/TCaretNavigator.h"
#include "textview/TLineSource.h"
#include "textview/TSelection.h"
#include "textview/TTextPos.h"
#include "textview/TTokenizer.h"
#include "textview/TViewGeometry.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

class QPainter;

namespace kelda {

class TEditor;
class TFileLines;

// Called for every visible line after its text is painted. X is where the line's text starts
// (TextOriginX() - HScrollPixels()), Y the top of the row, Index the line's index, ARect the row's
// rectangle inside the text area (left edge TextOriginX(), the viewport's right edge, LineHeight()
// high), Selected whether the whole line is drawn as selected. Sender->Painter() draws on the row.
using TDrawLineEvent = std::function<void(TEditor* Sender, const QString& LineStr, int X, int Y, int Index,
                                          const QRect& ARect, bool Selected)>;

class TEditor : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit TEditor(QWidget* parent = nullptr);
    ~TEditor() override;

    // ---- lines
    void Clear();
    void AppendLine(const QString& line);
    void AppendLines(const QStringList& lines);
    int LineCount() const;
    // The line's text; an empty string for an index outside the list.
    QString Line(int index) const;
    // Every line; for a text loaded from a file, the lines indexed so far, decoded one by one.
    QStringList Lines() const;
    // Replaces all lines by text split at CR LF, LF or CR (a final line break adds no empty line).
    void SetText(const QString& text);
    // Every line followed by lineEnd.
    QString Text(const QString& lineEnd = QStringLiteral("\r\n")) const;
    // Replaces all lines by the file's text: UTF-8 when the bytes are valid UTF-8 (a byte order mark
    // is dropped), code page 932 otherwise. Throws EFileError when the file cannot be read; the lines
    // are unchanged then. The file stays open and its lines are read when shown: its first
    // megabytes are indexed before this returns (all of a usual text), the rest while the event
    // loop is idle (IsLoading()). Until the whole file is read the text shows as UTF-8 if what was
    // read is, and switches to code page 932 at the first byte that is not.
    void LoadFromFile(const std::filesystem::path& file);
    // True while a file given to LoadFromFile is still being indexed or measured.
    bool IsLoading() const;
    // Reads the rest of the file now.
    void FinishLoading();
    // Bytes held for the lines: the list's text, or a loaded file's index and decoded lines.
    std::size_t LineMemoryBytes() const;
    // Batches changes: between the outermost BeginUpdate and EndUpdate the view neither repaints nor
    // adjusts its scroll bars; EndUpdate does both once.
    void BeginUpdate();
    void EndUpdate();
    bool IsUpdating() const { return updateDepth_ > 0; }

    // ---- caret and scrolling
    int CaretRow() const { return sel_.Caret.Row; }
    // The caret's display cell column.
    int CaretCol() const;
    // Moves the caret (clearing the selection) to row, clamped to 0..LineCount(), and to the start of
    // the character at display cell col, clamped to the line's end; scrolls it into view.
    void SetCaret(int row, int col);
    void SetCaretRow(int row) { SetCaret(row, CaretCol()); }
    void SetCaretCol(int col) { SetCaret(CaretRow(), col); }
    int TopRow() const { return topRow_; }
    // The first visible row, clamped to 0..max(0, LineCount() - 1): the last line can be scrolled to
    // the top of the view.
    void SetTopRow(int row);
    int LeftCol() const { return leftCol_; }
    void SetLeftCol(int col);
    void ScrollLineUp() { SetTopRow(topRow_ - 1); }
    void ScrollLineDown() { SetTopRow(topRow_ + 1); }
    // Rows that fit wholly in the view (at least 1).
    int VisibleRowCount() const;
    // Cells that fit wholly in the view (at least 1).
    int VisibleColCount() const;

    // ---- selection
    bool HasSelection() const;
    // The selected text; lines joined by "\n", tabs kept.
    QString SelectedText() const;
    void SelectAll();
    void ClearSelection();
    // Selects from (anchorRow, anchorCol) to (row, col), both in display cells; the caret goes to the
    // second position.
    void SetSelection(int anchorRow, int anchorCol, int row, int col);
    void CopyToClipboard() const;

    // ---- geometry for drawing rows
    int CharWidth() const { return charWidth_; }
    // Height of one row, LineSpacing() included.
    int LineHeight() const { return lineHeight_; }
    // Extra pixels between rows.
    int LineSpacing() const { return lineSpacing_; }
    void SetLineSpacing(int pixels);
    int TabWidth() const { return tabWidth_; }
    void SetTabWidth(int cells);
    // x in the viewport where the text area (cell 0 unscrolled) begins.
    int TextOriginX() const { return kTextMargin; }
    int HScrollPixels() const { return leftCol_ * charWidth_; }
    // Top of a row in viewport coordinates (negative or past the bottom when scrolled out).
    int RowY(int row) const { return (row - topRow_) * lineHeight_; }
    std::vector<TToken> Tokenize(const QString& line) const;

    // ---- row-drawing hook
    void SetOnDrawLine(TDrawLineEvent handler);
    // The painter of the row being drawn while the hook runs; nullptr otherwise.
    QPainter* Painter() const { return painter_; }

signals:
    void CaretMoved();
    void Clicked();
    void TopRowChanged();
    void SelectionChanged();

protected:
    bool event(QEvent* e) override;
    void changeEvent(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    static constexpr int kTextMargin = 2;

    TViewGeometry viewGeometry() const;
    const TLineSource& source() const;
    TCaretNavigator navigator() const { return TCaretNavigator(source(), tabWidth_); }
    // Back to lines in memory (a loaded file's lines are copied into the list first when keep).
    void dropFile(bool keep);
    // Runs the loaded file's steps until done or budget bytes are read; EFileError escapes.
    void loadSteps(std::size_t budget);
    // One idle slice of loading, then the view catches up with what changed.
    void loadMore();
    void afterLoadSteps(int oldCount, bool wasUtf8);
    void updateMetrics();
    void updateScrollBars();
    int maxTopRow() const { return std::max(0, LineCount() - 1); }
    int maxLeftCol() const;
    void noteLineAdded(const QString& line);
    void afterLinesAdded(int firstNewRow);
    void resetPosition();
    TTextPos posAtPoint(QPoint viewportPoint) const;
    // Sets the selection (the caret at its end), scrolls the caret into view and reports changes.
    void select(TTextPos anchor, TTextPos caret, bool keepGoalCell = false);
    void moveCaret(TTextPos to, bool extendSelection, bool keepGoalCell = false);
    void ensureCaretVisible();
    void restartBlink();
    QRect caretRect() const;

    QStringList lines_;
    TListLineSource listSource_{lines_};
    std::unique_ptr<TFileLines> file_;
    QBasicTimer loadTimer_;
    int maxLineCells_ = 0;
    int updateDepth_ = 0;

    TSelection sel_;
    int goalCell_ = 0;
    int topRow_ = 0;
    int leftCol_ = 0;
    bool syncingScrollBars_ = false;

    int charWidth_ = 8;
    int lineHeight_ = 16;
    int ascent_ = 12;
    int lineSpacing_ = 0;
    int tabWidth_ = 8;

    TDrawLineEvent onDrawLine_;
    QPainter* painter_ = nullptr;

    QBasicTimer blinkTimer_;
    bool caretShown_ = false;
    QBasicTimer dragTimer_;
    bool pressed_ = false;
    QPoint lastDragPoint_;
};

} // namespace kelda
