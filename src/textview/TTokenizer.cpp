// SPDX-License-Identifier: MIT
#include "textview/TTokenizer.h"

#include "textview/TLineLayout.h"

namespace kelda {

namespace {

TTokenKind KindOf(char32_t c) {
    if (c == U'\t') {
        return TTokenKind::Tab;
    }
    if (c == U' ') {
        return TTokenKind::Space;
    }
    if (c == 0x3000) {
        return TTokenKind::WideSpace;
    }
    if (c < 0x20 || c == 0x7F) {
        return TTokenKind::Control;
    }
    return TTokenKind::Text;
}

// Only text and blanks form runs; every other kind is one token per character.
bool Joins(TTokenKind kind) {
    return kind == TTokenKind::Text || kind == TTokenKind::Space;
}

} // namespace

std::vector<TToken> TTokenizer::Tokenize(QStringView line, int tabWidth) {
    std::vector<TToken> tokens;
    int bytePos = 0;
    TLineLayout::ForEach(line, tabWidth, [&](const TLineLayout::TCluster& c) {
        const TTokenKind kind = KindOf(c.Char);
        if (tokens.empty() || tokens.back().Kind != kind || !Joins(kind)) {
            tokens.push_back(TToken{kind, QString(), c.Index, bytePos, c.Cell, 0});
        }
        TToken& t = tokens.back();
        t.Text.append(line.mid(c.Index, c.Length));
        t.Cells += c.Cells;
        bytePos += c.Bytes;
        return true;
    });
    return tokens;
}

} // namespace kelda
