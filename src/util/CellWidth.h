// SPDX-License-Identifier: MIT
// The columns a character takes on a terminal or the text grid: a half-width character one, an East
// Asian wide or fullwidth one two, a combining mark none.
#pragma once

#include <string>
#include <string_view>

namespace kelda {

// Cells taken by one code point: 2 for East Asian wide and fullwidth characters, 0 for combining
// marks and invisible format characters (they join the character before them), 1 otherwise
// (ASCII, half-width katakana, control characters).
int CellWidth(char32_t c);

// Cells of a UTF-8 text (a byte that is no UTF-8 counts as one cell).
int Utf8Cells(std::string_view text);

// The end of a UTF-8 text that fits in cells, cut at a character boundary: text itself when it fits,
// else "..." and as much of its end as fits in the rest.
std::string Utf8TailInCells(std::string_view text, int cells);

} // namespace kelda
