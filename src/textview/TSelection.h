// SPDX-License-Identifier: MIT
// The selection of a text pane: an anchor where it began and the caret where it ends.
#pragma once

#include "textview/TLineSource.h"
#include "textview/TTextPos.h"

#include <QString>
#include <QStringList>
#include <algorithm>
#include <optional>

namespace kelda {

class TSelection {
public:
    // The selected part of one row: UTF-16 indexes [From, To), and whether the line break after the
    // row is selected too.
    struct TRowSpan {
        int From = 0;
        int To = 0;
        bool LineBreak = false;
        bool operator==(const TRowSpan&) const = default;
    };

    TTextPos Anchor;
    TTextPos Caret;

    bool IsEmpty() const { return Anchor == Caret; }
    TTextPos Start() const { return std::min(Anchor, Caret); }
    TTextPos End() const { return std::max(Anchor, Caret); }
    bool operator==(const TSelection&) const = default;

    // The selected part of a row whose line has lineLength units; none when nothing of it is selected.
    std::optional<TRowSpan> SpanInRow(int row, int lineLength) const;
    // True when the whole line of the row and its line break are selected.
    bool CoversRow(int row) const;
    // The selected text, lines joined by lineBreak.
    QString Text(const QStringList& lines, const QString& lineBreak = QStringLiteral("\n")) const;
    QString Text(const TLineSource& lines, const QString& lineBreak = QStringLiteral("\n")) const;
};

} // namespace kelda
