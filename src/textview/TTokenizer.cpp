#include "textview/TTokenizer.h"

#include "textview/CellWidth.h"

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
bool Joins(TTokenKind kind) { return kind == TTokenKind::Text || kind == TTokenKind::Space; }

} // namespace

std::vector<TToken> TTokenizer::Tokenize(QStringView line, int tabWidth) {
    if (tabWidth < 1) {
        tabWidth = 1;
    }
    std::vector<TToken> tokens;
    int bytePos = 0;
    int cell = 0;
    for (qsizetype i = 0; i < line.size();) {
        int units = 1;
        const char32_t c = CodePointAt(line, i, &units);
        TTokenKind kind = KindOf(c);
        // A combining mark stays with the token of the character it joins.
        const int width = CellWidth(c);
        if (width == 0 && !tokens.empty()) {
            kind = tokens.back().Kind;
        }
        const int cells = kind == TTokenKind::Tab ? tabWidth - cell % tabWidth : width;
        const int bytes = kind == TTokenKind::Tab ? 1 : width;
        const bool extend =
            !tokens.empty() && tokens.back().Kind == kind && (Joins(kind) || width == 0);
        if (!extend) {
            tokens.push_back(TToken{kind, QString(), static_cast<int>(i), bytePos, cell, 0});
        }
        TToken& t = tokens.back();
        t.Text.append(line.mid(i, units));
        t.Cells += cells;
        bytePos += bytes;
        cell += cells;
        i += units;
    }
    return tokens;
}

} // namespace kelda
