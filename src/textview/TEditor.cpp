#include "textview/TEditor.h"

#include <QPainter>
#include <QScrollBar>

namespace kelda {

TEditor::TEditor(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    updateMetrics();
}

TEditor::~TEditor() = default;

void TEditor::Clear() {
    lines_.clear();
    maxLineCells_ = 0;
    caret_ = anchor_ = TPos{};
    topRow_ = leftCol_ = 0;
    requestRepaint();
}

void TEditor::AppendLine(const QString& line) {
    lines_.append(line);
    requestRepaint();
}

void TEditor::AppendLines(const QStringList& lines) {
    lines_.append(lines);
    requestRepaint();
}

int TEditor::LineCount() const { return static_cast<int>(lines_.size()); }

QString TEditor::Line(int index) const {
    return index >= 0 && index < lines_.size() ? lines_[index] : QString();
}

const QStringList& TEditor::Lines() const { return lines_; }

void TEditor::SetText(const QString& text) {
    lines_ = text.split(QStringLiteral("\n"));
    requestRepaint();
}

QString TEditor::Text(const QString& lineEnd) const {
    QString out;
    for (const QString& l : lines_) {
        out += l + lineEnd;
    }
    return out;
}

void TEditor::LoadFromFile(const std::filesystem::path&) {}

void TEditor::BeginUpdate() { ++updateDepth_; }

void TEditor::EndUpdate() {
    if (updateDepth_ > 0 && --updateDepth_ == 0) {
        requestRepaint();
    }
}

int TEditor::CaretCol() const { return caret_.Index; }

void TEditor::SetCaret(int row, int col) {
    caret_ = anchor_ = TPos{row, col};
    emit CaretMoved();
}

void TEditor::SetTopRow(int row) {
    topRow_ = std::max(0, std::min(row, LineCount() - 1));
    emit TopRowChanged();
}

void TEditor::SetLeftCol(int col) { leftCol_ = std::max(0, col); }

int TEditor::VisibleRowCount() const { return std::max(1, viewport()->height() / lineHeight_); }

int TEditor::VisibleColCount() const { return std::max(1, viewport()->width() / charWidth_); }

bool TEditor::HasSelection() const { return !(caret_ == anchor_); }

QString TEditor::SelectedText() const { return QString(); }

void TEditor::SelectAll() {}

void TEditor::ClearSelection() {}

void TEditor::SetSelection(int, int, int, int) {}

void TEditor::CopyToClipboard() const {}

void TEditor::SetLineSpacing(int pixels) { lineSpacing_ = pixels; }

void TEditor::SetTabWidth(int cells) { tabWidth_ = cells; }

std::vector<TToken> TEditor::Tokenize(const QString& line) const { return TTokenizer::Tokenize(line, tabWidth_); }

void TEditor::SetOnDrawLine(TDrawLineEvent handler) { onDrawLine_ = std::move(handler); }

bool TEditor::event(QEvent* e) { return QAbstractScrollArea::event(e); }
void TEditor::changeEvent(QEvent* e) { QAbstractScrollArea::changeEvent(e); }
void TEditor::paintEvent(QPaintEvent*) {}
void TEditor::resizeEvent(QResizeEvent* e) { QAbstractScrollArea::resizeEvent(e); }
void TEditor::keyPressEvent(QKeyEvent* e) { QAbstractScrollArea::keyPressEvent(e); }
void TEditor::mousePressEvent(QMouseEvent* e) { QAbstractScrollArea::mousePressEvent(e); }
void TEditor::mouseMoveEvent(QMouseEvent* e) { QAbstractScrollArea::mouseMoveEvent(e); }
void TEditor::mouseReleaseEvent(QMouseEvent* e) { QAbstractScrollArea::mouseReleaseEvent(e); }
void TEditor::mouseDoubleClickEvent(QMouseEvent* e) { QAbstractScrollArea::mouseDoubleClickEvent(e); }
void TEditor::focusInEvent(QFocusEvent* e) { QAbstractScrollArea::focusInEvent(e); }
void TEditor::focusOutEvent(QFocusEvent* e) { QAbstractScrollArea::focusOutEvent(e); }
void TEditor::timerEvent(QTimerEvent* e) { QAbstractScrollArea::timerEvent(e); }
void TEditor::scrollContentsBy(int, int) { viewport()->update(); }

void TEditor::updateMetrics() {
    const QFontMetrics fm(font());
    charWidth_ = std::max(1, fm.horizontalAdvance(QLatin1Char('0')));
    lineHeight_ = std::max(1, fm.height() + lineSpacing_);
    ascent_ = fm.ascent();
}

void TEditor::updateScrollBars() {}

void TEditor::requestRepaint() {
    if (updateDepth_ == 0) {
        viewport()->update();
    }
}

} // namespace kelda
