// SPDX-License-Identifier: MIT
// Breaking a message box's text into lines the way Japanese text may be broken.
#pragma once

#include <QFontMetrics>
#include <QString>
#include <QStringList>

namespace kelda {

// Whether a line may not begin with c (small kana, the prolonged sound mark, "ん", closing brackets
// and punctuation) or may not end with it (opening brackets).
bool NoLineStart(QChar c);
bool NoLineEnd(QChar c);

// The lines of text no wider than width: each line of text is broken only where the line-breaking
// rules allow a break and the two rules above agree, so that "開けません" never loses its "ん" to
// the next line. A run wider than a line (a long path) is cut between characters, still keeping the
// rules. Blanks at a break are dropped.
QStringList BoxLines(const QString& text, const QFontMetrics& metrics, int width);

} // namespace kelda
