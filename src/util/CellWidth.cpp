// SPDX-License-Identifier: MIT
#include "util/CellWidth.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <vector>

namespace kelda {

int CellWidth(char32_t c) {
    if (c < 0x80) {
        return 1;
    }
    const auto cp = static_cast<UChar32>(c);
    switch (u_charType(cp)) {
    case U_NON_SPACING_MARK:
    case U_ENCLOSING_MARK:
        return 0;
    case U_FORMAT_CHAR:
        // The soft hyphen is shown; the other format characters (joiners, marks of direction) are not.
        return c == 0x00AD ? 1 : 0;
    default:
        break;
    }
    // Hangul medial vowels and final consonants join the initial consonant before them.
    if (c >= 0x1160 && c <= 0x11FF) {
        return 0;
    }
    switch (u_getIntPropertyValue(cp, UCHAR_EAST_ASIAN_WIDTH)) {
    case U_EA_WIDE:
    case U_EA_FULLWIDTH:
        return 2;
    default:
        return 1;
    }
}

namespace {

// The code points of a UTF-8 text with the offset each starts at; a byte that is no UTF-8 stands for
// itself.
struct TCodePoint {
    std::size_t At;
    int Cells;
};

std::vector<TCodePoint> CodePoints(std::string_view text) {
    std::vector<TCodePoint> points;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int32_t>(text.size());
    for (std::int32_t i = 0; i < length;) {
        const std::size_t at = static_cast<std::size_t>(i);
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        points.push_back({at, c < 0 ? 1 : CellWidth(static_cast<char32_t>(c))});
    }
    return points;
}

} // namespace

int Utf8Cells(std::string_view text) {
    int cells = 0;
    for (const TCodePoint& p : CodePoints(text)) {
        cells += p.Cells;
    }
    return cells;
}

std::string Utf8TailInCells(std::string_view text, int cells) {
    if (Utf8Cells(text) <= cells) {
        return std::string(text);
    }
    const std::vector<TCodePoint> points = CodePoints(text);
    std::size_t from = text.size();
    int used = 3; // the "..."
    for (auto p = points.rbegin(); p != points.rend() && used + p->Cells <= cells; ++p) {
        used += p->Cells;
        from = p->At;
    }
    return "..." + std::string(text.substr(from));
}

} // namespace kelda
