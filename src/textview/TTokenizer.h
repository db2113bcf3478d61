// SPDX-License-Identifier: MIT
// Splits one row of text into tokens: runs of text and blanks, and single tabs, ideographic spaces
// and control characters, each with its position on the cell grid.
#pragma once

#include <QString>
#include <QStringView>
#include <vector>

namespace kelda {

enum class TTokenKind {
    Text,      // a run of printable characters
    Space,     // a run of ASCII blanks
    Tab,       // one tab character
    WideSpace, // one ideographic space (U+3000)
    Control,   // one other control character
};

struct TToken {
    TTokenKind Kind = TTokenKind::Text;
    QString Text;
    // Index of the token's first UTF-16 unit in the row text.
    int CharIndex = 0;
    // Cells before the token when a tab counts as one cell: the byte position the token would have
    // in the row encoded as code page 932 (half-width characters one byte, wide ones two).
    int BytePos = 0;
    // First display cell of the token, tabs expanded to the next multiple of the tab width.
    int Cell = 0;
    // Display cells the token takes (for a tab: up to the next tab stop).
    int Cells = 0;

    bool operator==(const TToken&) const = default;
};

class TTokenizer {
public:
    // Tokens in order; a combining mark stays in the token of the character it follows.
    static std::vector<TToken> Tokenize(QStringView line, int tabWidth);
};

} // namespace kelda
