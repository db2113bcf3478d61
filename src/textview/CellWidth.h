// SPDX-License-Identifier: MIT
// Cell widths of characters on the text grid: a half-width character takes one cell, a wide one two.
#pragma once

#include <QString>
#include <QStringView>

namespace kelda {

// Cells taken by one code point: 2 for East Asian wide and fullwidth characters, 0 for combining
// marks and invisible format characters (they join the character before them), 1 otherwise
// (ASCII, half-width katakana, control characters).
int CellWidth(char32_t c);

// Cells of a text without tab expansion (a tab counts as one cell).
int CellCount(QStringView text);

// The code point at index i of text and the number of UTF-16 units it takes (1 or 2).
// A lone surrogate stands for itself.
char32_t CodePointAt(QStringView text, qsizetype i, int* units);

} // namespace kelda
