// SPDX-License-Identifier: MIT
// The log pane's handlers (append, clear, save, block navigation) and the tab marks of all four
// text panes.
#include "app/Main.h"
#include "log/LogNavigation.h"
#include "log/LogSave.h"
#include "log/TabMark.h"
#include "textview/TEditor.h"

#include <QAbstractButton>
#include <QPainter>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kelda {

namespace {

bool IsLogSeparator(const TEditor* log, int index) {
    return IsSeparatorLine(log->Line(index).left(static_cast<qsizetype>(kLogSeparatorLength)).toStdString());
}

// Line k becomes the first visible line, the view scrolls fully left, and the caret stands at the
// line's start. An empty log is left alone; a click on a button gives the log the focus.
void GoToLine(TEditor* log, QObject* sender, const std::optional<int>& target) {
    if (log->LineCount() == 0) {
        return;
    }
    if (target) {
        log->SetTopRow(*target);
        log->SetLeftCol(0);
        log->SetCaret(*target, 0);
    }
    if (qobject_cast<QAbstractButton*>(sender) != nullptr) {
        log->setFocus();
    }
}

// The selected-text colour of the text panes, in which marks on selected rows are drawn.
const QColor kSelectedMarkColor(255, 255, 255);
const QColor kMarkColor(0, 128, 0);

} // namespace

void TFormMain::LogAppend(const QString& line) {
    Editor3->AppendLine(line);
}

void TFormMain::BtnLogClearClick() {
    Editor3->Clear();
}

void TFormMain::BtnSaveLogClick() {
    if (!dialogs_.SaveFile(this, SaveDialog1_)) {
        return;
    }
    // The file shown and the source of the conversions are never written over, whatever name leads
    // to them.
    std::vector<std::filesystem::path> sources{OpenDialog1_.Path};
    if (TabSheet1->Model().FileWasRead()) {
        sources.push_back(TabSheet1->Model().Shown().Path);
    }
    std::vector<std::string> lines;
    for (const QString& line : Editor3->Lines()) {
        lines.push_back(line.toStdString());
    }
    TConvertStatus status = SaveLog(SaveDialog1_.Path, sources, lines, false);
    if (status == TConvertStatus::OutputReadOnly && AskReplaceReadOnly()) {
        status = SaveLog(SaveDialog1_.Path, sources, lines, true);
    }
    if (status == TConvertStatus::SourceIsOutput) {
        ShowMessage(TMsg::CannotWriteOverSource);
    }
}

void TFormMain::BtnLogTopClick(QObject* Sender) {
    GoToLine(Editor3, Sender, LogTopTarget(Editor3->LineCount()));
}

void TFormMain::BtnLogPrevClick(QObject* Sender) {
    const auto isSeparator = [this](int i) { return IsLogSeparator(Editor3, i); };
    GoToLine(Editor3, Sender, LogPrevTarget(Editor3->LineCount(), Editor3->CaretRow(), isSeparator));
}

void TFormMain::BtnLogNextClick(QObject* Sender) {
    const auto isSeparator = [this](int i) { return IsLogSeparator(Editor3, i); };
    GoToLine(Editor3, Sender, LogNextTarget(Editor3->LineCount(), Editor3->CaretRow(), isSeparator));
}

void TFormMain::BtnLogEndClick(QObject* Sender) {
    const auto isSeparator = [this](int i) { return IsLogSeparator(Editor3, i); };
    GoToLine(Editor3, Sender, LogEndTarget(Editor3->LineCount(), isSeparator));
}

void TFormMain::EditorDrawLine(TEditor* Sender, const QString& /*LineStr*/, int /*X*/, int Y, int Index,
                               const QRect& ARect, bool Selected) {
    if (Sender == nullptr) {
        return;
    }
    const QString line = Sender->Line(Index);
    // Most rows hold no tab: they are not tokenized.
    if (!line.contains(QLatin1Char('\t')) && !line.contains(QChar(0x3000))) {
        return;
    }
    std::vector<int> tabs;
    for (const TToken& token : Sender->Tokenize(line)) {
        if (token.Kind == TTokenKind::Tab) {
            tabs.push_back(token.BytePos);
        }
    }
    const int x0 = Sender->TextOriginX() - Sender->HScrollPixels();
    for (const int x : TabMarkPositions(tabs, x0, Sender->CharWidth(), Sender->TabWidth(), ARect.left(),
                                        ARect.left() + ARect.width())) {
        DrawTabMark(Sender, ARect, x, Y, Selected);
    }
}

void TFormMain::DrawTabMark(TEditor* Editor, const QRect& ARect, int X, int Y, bool Selected) {
    QPainter* painter = Editor->Painter();
    const auto bar =
        TabMarkBar(X, Y, ARect.left(), Editor->CharWidth(), Editor->LineHeight() - Editor->LineSpacing());
    if (painter == nullptr || !bar) {
        return;
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(QPen(Selected ? kSelectedMarkColor : kMarkColor, 1));
    painter->setBrush(Qt::NoBrush);
    // A one-pixel outline covers its rectangle's right and bottom pixels too, so the size given is one
    // less than the bar's to keep its right and bottom edges exclusive.
    painter->drawRect(bar->Left, bar->Top, bar->Right - bar->Left - 1, bar->Bottom - bar->Top - 1);
    painter->restore();
}

} // namespace kelda
