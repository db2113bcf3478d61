// SPDX-License-Identifier: MIT
#include "textview/CellWidth.h"

#include <unicode/uchar.h>

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

char32_t CodePointAt(QStringView text, qsizetype i, int* units) {
    const char16_t u = text[i].unicode();
    if (QChar::isHighSurrogate(u) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
        *units = 2;
        return QChar::surrogateToUcs4(u, text[i + 1].unicode());
    }
    *units = 1;
    return u;
}

int CellCount(QStringView text) {
    int cells = 0;
    for (qsizetype i = 0; i < text.size();) {
        int units = 1;
        cells += CellWidth(CodePointAt(text, i, &units));
        i += units;
    }
    return cells;
}

} // namespace kelda
