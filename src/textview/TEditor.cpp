// SPDX-License-Identifier: MIT
#include "textview/TEditor.h"

#include "textview/TFileLines.h"
#include "textview/TLineLayout.h"
#include "textview/TLineRenderer.h"
#include "util/TFileStream.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

namespace kelda {

namespace {

// Resets the editor's painter and the painter's state when a row hook ends, also by an exception.
class THookScope {
public:
    THookScope(QPainter*& slot, QPainter& painter) : slot_(slot), painter_(painter) {
        painter_.save();
        slot_ = &painter_;
    }
    ~THookScope() {
        slot_ = nullptr;
        painter_.restore();
    }
    THookScope(const THookScope&) = delete;
    THookScope& operator=(const THookScope&) = delete;

private:
    QPainter*& slot_;
    QPainter& painter_;
};

QStringList SplitLines(QStringView text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            lines.append(text.mid(start, i - start).toString());
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < text.size()) {
        lines.append(text.mid(start).toString());
    }
    return lines;
}

// Read before LoadFromFile returns: a usual help text whole, a huge one its first screens.
constexpr std::size_t kFirstLoadBytes = std::size_t{4} << 20;
// An idle slice of loading keeps the window responsive.
constexpr qint64 kLoadSliceMs = 20;

} // namespace

TEditor::TEditor(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setCursor(Qt::IBeamCursor);
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Base, TLineRenderer::kBackground);
    viewport()->setPalette(pal);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    updateMetrics();
}

TEditor::~TEditor() = default;

// ---------------------------------------------------------------- lines

const TLineSource& TEditor::source() const {
    return file_ ? static_cast<const TLineSource&>(*file_) : listSource_;
}

void TEditor::dropFile(bool keep) {
    if (!file_) {
        return;
    }
    if (keep) {
        FinishLoading();
        lines_ = Lines();
    }
    loadTimer_.stop();
    file_.reset();
}

void TEditor::Clear() {
    dropFile(false);
    lines_.clear();
    maxLineCells_ = 0;
    resetPosition();
}

void TEditor::SetText(const QString& text) {
    dropFile(false);
    lines_ = SplitLines(text);
    maxLineCells_ = 0;
    for (const QString& line : lines_) {
        noteLineAdded(line);
    }
    resetPosition();
}

void TEditor::resetPosition() {
    leftCol_ = 0;
    SetTopRow(0);
    select({0, 0}, {0, 0});
    if (!IsUpdating()) {
        updateScrollBars();
        viewport()->update();
    }
}

void TEditor::AppendLine(const QString& line) {
    dropFile(true);
    const int first = LineCount();
    lines_.append(line);
    noteLineAdded(line);
    afterLinesAdded(first);
}

void TEditor::AppendLines(const QStringList& lines) {
    dropFile(true);
    const int first = LineCount();
    lines_.append(lines);
    for (const QString& line : lines) {
        noteLineAdded(line);
    }
    afterLinesAdded(first);
}

void TEditor::noteLineAdded(const QString& line) {
    maxLineCells_ = std::max(maxLineCells_, TLineLayout::LineCells(line, tabWidth_));
}

void TEditor::afterLinesAdded(int firstNewRow) {
    if (IsUpdating()) {
        return;
    }
    updateScrollBars();
    // Rows below the view change nothing that is seen.
    if (firstNewRow <= topRow_ + VisibleRowCount()) {
        viewport()->update();
    }
}

int TEditor::LineCount() const {
    return source().LineCount();
}

QString TEditor::Line(int index) const {
    return source().Line(index);
}

QStringList TEditor::Lines() const {
    if (!file_) {
        return lines_;
    }
    QStringList lines;
    lines.reserve(file_->LineCount());
    for (int i = 0; i < file_->LineCount(); ++i) {
        lines.append(file_->Line(i));
    }
    return lines;
}

QString TEditor::Text(const QString& lineEnd) const {
    const TLineSource& lines = source();
    QString out;
    for (int i = 0; i < lines.LineCount(); ++i) {
        out += lines.Line(i);
        out += lineEnd;
    }
    return out;
}

void TEditor::LoadFromFile(const std::filesystem::path& file) {
    auto lines = std::make_unique<TFileLines>(file, tabWidth_);
    for (std::size_t done = 0; done < kFirstLoadBytes && lines->Step(); done += lines->ChunkBytes()) {
    }
    dropFile(false);
    lines_.clear();
    file_ = std::move(lines);
    maxLineCells_ = file_->MaxLineCells();
    if (!file_->Done()) {
        loadTimer_.start(0, this);
    }
    resetPosition();
}

bool TEditor::IsLoading() const {
    return file_ && !file_->Done();
}

void TEditor::FinishLoading() {
    if (IsLoading()) {
        loadSteps(SIZE_MAX);
    }
}

std::size_t TEditor::LineMemoryBytes() const {
    if (file_) {
        return file_->MemoryBytes();
    }
    std::size_t bytes = 0;
    for (const QString& line : lines_) {
        bytes += static_cast<std::size_t>(line.capacity()) * sizeof(QChar);
    }
    return bytes;
}

void TEditor::loadSteps(std::size_t budget) {
    const int oldCount = LineCount();
    const bool wasUtf8 = file_->IsUtf8();
    try {
        for (std::size_t done = 0; done < budget && file_->Step(); done += file_->ChunkBytes()) {
        }
    } catch (const EFileError&) {
        // The start of the file is shown already; a read that fails later ends the text there.
        file_->StopReading();
    }
    afterLoadSteps(oldCount, wasUtf8);
}

void TEditor::loadMore() {
    const int oldCount = LineCount();
    const bool wasUtf8 = file_->IsUtf8();
    QElapsedTimer clock;
    clock.start();
    try {
        while (file_->Step() && clock.elapsed() < kLoadSliceMs) {
        }
    } catch (const EFileError&) {
        file_->StopReading();
    }
    afterLoadSteps(oldCount, wasUtf8);
}

void TEditor::afterLoadSteps(int oldCount, bool wasUtf8) {
    maxLineCells_ = file_->MaxLineCells();
    if (file_->Done()) {
        loadTimer_.stop();
    }
    if (file_->IsUtf8() != wasUtf8) {
        // The lines read so far change their text: the caret stays on a character boundary.
        select(sel_.Anchor, sel_.Caret, true);
        if (!IsUpdating()) {
            viewport()->update();
        }
    }
    afterLinesAdded(oldCount);
    if (file_->Done() && !IsUpdating()) {
        viewport()->update();
    }
}

void TEditor::BeginUpdate() {
    ++updateDepth_;
}

void TEditor::EndUpdate() {
    if (updateDepth_ == 0 || --updateDepth_ > 0) {
        return;
    }
    updateScrollBars();
    viewport()->update();
}

// ---------------------------------------------------------------- caret and scrolling

TViewGeometry TEditor::viewGeometry() const {
    return TViewGeometry{charWidth_, lineHeight_, topRow_, leftCol_, TextOriginX()};
}

int TEditor::CaretCol() const {
    return navigator().CellOf(sel_.Caret);
}

void TEditor::SetCaret(int row, int col) {
    moveCaret(navigator().AtCell(row, col), false);
}

void TEditor::SetTopRow(int row) {
    row = std::clamp(row, 0, maxTopRow());
    if (row == topRow_) {
        return;
    }
    topRow_ = row;
    if (!IsUpdating()) {
        updateScrollBars();
        viewport()->update();
    }
    emit TopRowChanged();
}

int TEditor::maxLeftCol() const {
    return std::max(0, maxLineCells_ + 1 - VisibleColCount());
}

void TEditor::SetLeftCol(int col) {
    col = std::clamp(col, 0, maxLeftCol());
    if (col == leftCol_) {
        return;
    }
    leftCol_ = col;
    if (!IsUpdating()) {
        updateScrollBars();
        viewport()->update();
    }
}

int TEditor::VisibleRowCount() const {
    return viewGeometry().FullRows(viewport()->height());
}

int TEditor::VisibleColCount() const {
    return viewGeometry().FullCols(viewport()->width());
}

void TEditor::select(TTextPos anchor, TTextPos caret, bool keepGoalCell) {
    const TCaretNavigator nav = navigator();
    const TSelection old = sel_;
    sel_.Anchor = nav.Clamp(anchor);
    sel_.Caret = nav.Clamp(caret);
    if (!keepGoalCell) {
        goalCell_ = nav.CellOf(sel_.Caret);
    }
    ensureCaretVisible();
    restartBlink();
    if (sel_ == old) {
        return;
    }
    if (!IsUpdating()) {
        viewport()->update();
    }
    if (sel_.Caret != old.Caret) {
        emit CaretMoved();
    }
    if (!(sel_.IsEmpty() && old.IsEmpty())) {
        emit SelectionChanged();
    }
}

void TEditor::moveCaret(TTextPos to, bool extendSelection, bool keepGoalCell) {
    select(extendSelection ? sel_.Anchor : to, to, keepGoalCell);
}

void TEditor::ensureCaretVisible() {
    const int row = sel_.Caret.Row;
    const int rows = VisibleRowCount();
    if (row < topRow_) {
        SetTopRow(row);
    } else if (row >= topRow_ + rows) {
        SetTopRow(row - rows + 1);
    }
    const int cell = CaretCol();
    const int cols = VisibleColCount();
    if (cell < leftCol_) {
        SetLeftCol(cell);
    } else if (cell >= leftCol_ + cols) {
        SetLeftCol(cell - cols + 1);
    }
}

void TEditor::updateScrollBars() {
    // Whatever changed (lines, size, font), the position stays in range.
    leftCol_ = std::clamp(leftCol_, 0, maxLeftCol());
    topRow_ = std::clamp(topRow_, 0, maxTopRow());
    syncingScrollBars_ = true;
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, maxTopRow());
    v->setPageStep(VisibleRowCount());
    v->setSingleStep(1);
    v->setValue(topRow_);
    QScrollBar* h = horizontalScrollBar();
    h->setRange(0, maxLeftCol());
    h->setPageStep(VisibleColCount());
    h->setSingleStep(1);
    h->setValue(leftCol_);
    syncingScrollBars_ = false;
}

void TEditor::scrollContentsBy(int, int) {
    if (syncingScrollBars_) {
        return;
    }
    leftCol_ = horizontalScrollBar()->value();
    const int top = verticalScrollBar()->value();
    viewport()->update();
    if (top != topRow_) {
        topRow_ = top;
        emit TopRowChanged();
    }
}

// ---------------------------------------------------------------- selection

bool TEditor::HasSelection() const {
    return !sel_.IsEmpty();
}

QString TEditor::SelectedText() const {
    return sel_.Text(source());
}

void TEditor::SelectAll() {
    const TCaretNavigator nav = navigator();
    select(nav.DocStart(), nav.DocEnd());
}

void TEditor::ClearSelection() {
    select(sel_.Caret, sel_.Caret, true);
}

void TEditor::SetSelection(int anchorRow, int anchorCol, int row, int col) {
    const TCaretNavigator nav = navigator();
    select(nav.AtCell(anchorRow, anchorCol), nav.AtCell(row, col));
}

void TEditor::CopyToClipboard() const {
    if (HasSelection()) {
        QGuiApplication::clipboard()->setText(SelectedText());
    }
}

// ---------------------------------------------------------------- geometry

void TEditor::SetLineSpacing(int pixels) {
    lineSpacing_ = std::max(0, pixels);
    updateMetrics();
}

void TEditor::SetTabWidth(int cells) {
    cells = std::max(1, cells);
    if (cells == tabWidth_) {
        return;
    }
    tabWidth_ = cells;
    maxLineCells_ = 0;
    if (file_) {
        file_->SetTabWidth(cells);
        loadSteps(kFirstLoadBytes);
        if (!file_->Done() && !loadTimer_.isActive()) {
            loadTimer_.start(0, this);
        }
    }
    for (const QString& line : lines_) {
        noteLineAdded(line);
    }
    updateMetrics();
}

std::vector<TToken> TEditor::Tokenize(const QString& line) const {
    return TTokenizer::Tokenize(line, tabWidth_);
}

void TEditor::SetOnDrawLine(TDrawLineEvent handler) {
    onDrawLine_ = std::move(handler);
    viewport()->update();
}

void TEditor::updateMetrics() {
    const QFontMetrics fm(font());
    charWidth_ = std::max(1, fm.horizontalAdvance(QLatin1Char('0')));
    ascent_ = fm.ascent();
    lineHeight_ = std::max(1, fm.height() + lineSpacing_);
    if (!IsUpdating()) {
        updateScrollBars();
        viewport()->update();
    }
}

// ---------------------------------------------------------------- painting

QRect TEditor::caretRect() const {
    const TViewGeometry g = viewGeometry();
    return QRect(g.CellX(CaretCol()) - 1, g.RowY(sel_.Caret.Row), 4, lineHeight_);
}

void TEditor::paintEvent(QPaintEvent* e) {
    QPainter p(viewport());
    p.setFont(font());
    const QRect area = e->rect();
    p.fillRect(area, TLineRenderer::kBackground);
    const TViewGeometry g = viewGeometry();
    const int width = viewport()->width();
    const QRect textArea(TextOriginX(), 0, width - TextOriginX(), viewport()->height());
    p.setClipRect(textArea & area);

    // Only the rows that meet the paint rectangle; the row after the last line holds the EOF mark.
    const int first = std::max(topRow_, g.RowAtY(area.top()));
    const TLineSource& lines = source();
    const int count = lines.LineCount();
    const int last = std::min(count, g.RowAtY(area.bottom()));
    TLineRenderer renderer(p, g, tabWidth_, ascent_, VisibleColCount() + 2);
    for (int row = first; row <= last; ++row) {
        const int y = g.RowY(row);
        if (row == count) {
            // The end of a file still being read is not known yet.
            if (!IsLoading()) {
                renderer.PaintEndOfFile(y);
            }
            continue;
        }
        const QString line = lines.Line(row);
        renderer.PaintLine(line, y, sel_.SpanInRow(row, static_cast<int>(line.size())));
        if (onDrawLine_) {
            const THookScope scope(painter_, p);
            onDrawLine_(this, line, TextOriginX() - HScrollPixels(), y, row,
                        QRect(TextOriginX(), y, width - TextOriginX(), lineHeight_), sel_.CoversRow(row));
        }
    }
    if (caretShown_ && hasFocus()) {
        renderer.PaintCaret(CaretCol(), g.RowY(sel_.Caret.Row));
    }
}

} // namespace kelda
