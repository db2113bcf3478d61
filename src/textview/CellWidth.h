// SPDX-License-Identifier: MIT
// Cell widths of characters on the text grid: a half-width character takes one cell, a wide one two.
#pragma once

#include "util/CellWidth.h"

#include <QString>
#include <QStringView>

namespace kelda {

// Cells of a text without tab expansion (a tab counts as one cell).
int CellCount(QStringView text);

// The code point at index i of text and the number of UTF-16 units it takes (1 or 2).
// A lone surrogate stands for itself.
char32_t CodePointAt(QStringView text, qsizetype i, int* units);

} // namespace kelda
