// SPDX-License-Identifier: MIT
#include "textview/TSelection.h"

#include <algorithm>

namespace kelda {

std::optional<TSelection::TRowSpan> TSelection::SpanInRow(int row, int lineLength) const {
    const TTextPos s = Start();
    const TTextPos e = End();
    if (IsEmpty() || row < s.Row || row > e.Row) {
        return std::nullopt;
    }
    TRowSpan span;
    span.From = row == s.Row ? std::min(s.Index, lineLength) : 0;
    span.To = row == e.Row ? std::min(e.Index, lineLength) : lineLength;
    span.LineBreak = row < e.Row;
    if (span.From >= span.To && !span.LineBreak) {
        return std::nullopt;
    }
    return span;
}

bool TSelection::CoversRow(int row) const {
    return !IsEmpty() && Start() <= TTextPos{row, 0} && End() >= TTextPos{row + 1, 0};
}

QString TSelection::Text(const QStringList& lines, const QString& lineBreak) const {
    return Text(TListLineSource(lines), lineBreak);
}

QString TSelection::Text(const TLineSource& lines, const QString& lineBreak) const {
    QString out;
    if (IsEmpty()) {
        return out;
    }
    const TTextPos s = Start();
    const TTextPos e = End();
    const int count = lines.LineCount();
    for (int row = s.Row; row <= e.Row && row < count; ++row) {
        const QString line = lines.Line(row);
        const int len = static_cast<int>(line.size());
        const int from = row == s.Row ? std::min(s.Index, len) : 0;
        const int to = row == e.Row ? std::min(e.Index, len) : len;
        if (to > from) {
            out += QStringView(line).mid(from, to - from);
        }
        if (row < e.Row) {
            out += lineBreak;
        }
    }
    return out;
}

} // namespace kelda
