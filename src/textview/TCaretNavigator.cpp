// SPDX-License-Identifier: MIT
#include "textview/TCaretNavigator.h"

#include "textview/CellWidth.h"

#include <QChar>
#include <algorithm>

namespace kelda {

QString TCaretNavigator::LineAt(int row) const {
    return list_ != nullptr ? list_->value(row) : source_->Line(row);
}

TTextPos TCaretNavigator::Clamp(TTextPos p) const {
    const int row = std::clamp(p.Row, 0, LastRow());
    return {row, TLineLayout::SnapIndex(LineAt(row), p.Index)};
}

int TCaretNavigator::CellOf(TTextPos p) const {
    return TLineLayout::CellOfIndex(LineAt(p.Row), p.Index, tabWidth_);
}

TTextPos TCaretNavigator::AtCell(int row, int cell, TLineLayout::TSnap snap) const {
    row = std::clamp(row, 0, LastRow());
    return {row, TLineLayout::IndexAtCell(LineAt(row), std::max(0, cell), tabWidth_, snap)};
}

TTextPos TCaretNavigator::Left(TTextPos p) const {
    p = Clamp(p);
    if (p.Index > 0) {
        return {p.Row, TLineLayout::PrevBoundary(LineAt(p.Row), p.Index)};
    }
    return p.Row > 0 ? End({p.Row - 1, 0}) : p;
}

TTextPos TCaretNavigator::Right(TTextPos p) const {
    p = Clamp(p);
    const QString line = LineAt(p.Row);
    if (p.Index < line.size()) {
        return {p.Row, TLineLayout::NextBoundary(line, p.Index)};
    }
    return p.Row < LastRow() ? TTextPos{p.Row + 1, 0} : p;
}

TTextPos TCaretNavigator::End(TTextPos p) const {
    const int row = std::clamp(p.Row, 0, LastRow());
    return {row, static_cast<int>(LineAt(row).size())};
}

TTextPos TCaretNavigator::Vertical(TTextPos p, int rows, int goalCell) const {
    return AtCell(Clamp(p).Row + rows, goalCell);
}

TCaretNavigator::TClass TCaretNavigator::ClassOf(char32_t c) {
    if (c == U' ' || c == U'\t' || c == 0x3000) {
        return TClass::Blank;
    }
    if (c == U'_' || QChar::isLetterOrNumber(c)) {
        return TClass::Word;
    }
    return TClass::Other;
}

TCaretNavigator::TClass TCaretNavigator::ClassAt(QStringView line, int index) const {
    int units = 1;
    return ClassOf(CodePointAt(line, index, &units));
}

TTextPos TCaretNavigator::WordRight(TTextPos p) const {
    p = Clamp(p);
    const QString line = LineAt(p.Row);
    if (p.Index >= line.size()) {
        return Right(p);
    }
    // Skip the run the caret stands on, then the blanks after it.
    const TClass first = ClassAt(line, p.Index);
    int i = p.Index;
    while (i < line.size() && ClassAt(line, i) == first) {
        i = TLineLayout::NextBoundary(line, i);
    }
    while (i < line.size() && ClassAt(line, i) == TClass::Blank) {
        i = TLineLayout::NextBoundary(line, i);
    }
    return {p.Row, i};
}

TTextPos TCaretNavigator::WordLeft(TTextPos p) const {
    p = Clamp(p);
    const QString line = LineAt(p.Row);
    if (p.Index == 0) {
        return Left(p);
    }
    // Skip the blanks before the caret, then the run before them.
    int i = p.Index;
    while (i > 0 && ClassAt(line, TLineLayout::PrevBoundary(line, i)) == TClass::Blank) {
        i = TLineLayout::PrevBoundary(line, i);
    }
    if (i > 0) {
        const TClass run = ClassAt(line, TLineLayout::PrevBoundary(line, i));
        while (i > 0 && ClassAt(line, TLineLayout::PrevBoundary(line, i)) == run) {
            i = TLineLayout::PrevBoundary(line, i);
        }
    }
    return {p.Row, i};
}

std::pair<TTextPos, TTextPos> TCaretNavigator::WordAt(TTextPos p) const {
    p = Clamp(p);
    const QString line = LineAt(p.Row);
    if (line.isEmpty()) {
        return {p, p};
    }
    // At the end of a line the word before the caret counts.
    const int at = p.Index < line.size() ? p.Index : TLineLayout::PrevBoundary(line, p.Index);
    const TClass run = ClassAt(line, at);
    int from = at;
    while (from > 0 && ClassAt(line, TLineLayout::PrevBoundary(line, from)) == run) {
        from = TLineLayout::PrevBoundary(line, from);
    }
    int to = at;
    while (to < line.size() && ClassAt(line, to) == run) {
        to = TLineLayout::NextBoundary(line, to);
    }
    return {{p.Row, from}, {p.Row, to}};
}

} // namespace kelda
