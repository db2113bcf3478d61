// SPDX-License-Identifier: MIT
#include "textview/CellWidth.h"

namespace kelda {

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
