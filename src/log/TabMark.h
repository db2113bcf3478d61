// SPDX-License-Identifier: MIT
// Geometry of the tab marks that the text panes draw: where each tab of a row lies, and the small bar
// drawn in a tab's first cell.
#pragma once

#include <optional>
#include <span>
#include <vector>

namespace kelda {

// A bar given by its corners; Right and Bottom are exclusive.
struct TTabMarkBar {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool operator==(const TTabMarkBar&) const = default;
};

// The bar for a tab whose space begins at x, in a row whose top is y: two pixels high, from 2 pixels
// right of x to the end of the first cell, a little above the middle of the row. rowHeight is the
// row's height without extra line spacing. Nothing when x lies left of the row rectangle.
std::optional<TTabMarkBar> TabMarkBar(int x, int y, int rectLeft, int cellWidth, int rowHeight);

// The x positions of the marks of one row. tabBytePositions are the tabs' positions counting each
// half-width character and each tab as one cell and a wide character as two, in ascending order;
// x0 is where cell 0 of the row lies (the text origin minus the horizontal scroll offset). A tab
// reaches to the next multiple of tabWidth cells. Only tabs whose first cell lies wholly inside
// [rectLeft, rectRight) are listed (rectRight exclusive).
std::vector<int> TabMarkPositions(std::span<const int> tabBytePositions, int x0, int cellWidth, int tabWidth,
                                  int rectLeft, int rectRight);

} // namespace kelda
