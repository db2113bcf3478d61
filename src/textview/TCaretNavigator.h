// SPDX-License-Identifier: MIT
// Where the caret goes on each movement key, for a list of lines or another source of lines. The rows are the
// lines plus the empty row after the last line break (LastRow()), so that Ctrl+End and a selection of
// everything reach past the final line.
#pragma once

#include "textview/TLineLayout.h"
#include "textview/TLineSource.h"
#include "textview/TTextPos.h"

#include <QStringList>
#include <utility>

namespace kelda {

class TCaretNavigator {
public:
    TCaretNavigator(const QStringList& lines, int tabWidth) : list_(&lines), tabWidth_(tabWidth) {}
    TCaretNavigator(const TLineSource& lines, int tabWidth) : source_(&lines), tabWidth_(tabWidth) {}

    int LastRow() const { return list_ != nullptr ? static_cast<int>(list_->size()) : source_->LineCount(); }
    // The line of a row; empty for the row after the last line break and rows outside.
    QString LineAt(int row) const;

    // The row clamped to 0..LastRow(), the index clamped to the line and moved to a cluster start.
    TTextPos Clamp(TTextPos p) const;
    int CellOf(TTextPos p) const;
    TTextPos AtCell(int row, int cell, TLineLayout::TSnap snap = TLineLayout::TSnap::Start) const;

    TTextPos Left(TTextPos p) const;
    TTextPos Right(TTextPos p) const;
    TTextPos WordLeft(TTextPos p) const;
    TTextPos WordRight(TTextPos p) const;
    // rows < 0 moves up; the caret lands on goalCell or the nearest cluster start before it.
    TTextPos Vertical(TTextPos p, int rows, int goalCell) const;
    TTextPos Home(TTextPos p) const { return {Clamp(p).Row, 0}; }
    TTextPos End(TTextPos p) const;
    TTextPos DocStart() const { return {0, 0}; }
    TTextPos DocEnd() const { return {LastRow(), 0}; }
    // The run of word characters, blanks or other characters around p: [first, second).
    std::pair<TTextPos, TTextPos> WordAt(TTextPos p) const;

private:
    enum class TClass { Blank, Word, Other };
    static TClass ClassOf(char32_t c);
    TClass ClassAt(QStringView line, int index) const;

    const QStringList* list_ = nullptr;
    const TLineSource* source_ = nullptr;
    int tabWidth_;
};

} // namespace kelda
