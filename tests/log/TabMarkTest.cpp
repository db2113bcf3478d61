// SPDX-License-Identifier: MIT
#include "log/TabMark.h"

#include <gtest/gtest.h>

#include <vector>

namespace kelda {
namespace {

TEST(TabMarkBar, FlatBarInTheFirstCellAboveTheMiddle) {
    // y = 10, row height 15: middle 17 (truncated), bar rows 14 and 15.
    EXPECT_EQ(TabMarkBar(40, 10, 2, 8, 15), (TTabMarkBar{42, 14, 48, 16}));
    EXPECT_EQ(TabMarkBar(2, 0, 2, 8, 16), (TTabMarkBar{4, 5, 10, 7})); // exactly on the left edge
    EXPECT_EQ(TabMarkBar(1, 0, 2, 8, 16), std::nullopt);               // left of the row rectangle
}

TEST(TabMarkPositions, TabsExpandToTheNextStop) {
    const struct {
        const char* what;
        std::vector<int> bytePositions;
        int x0;
        int rectLeft;
        int rectRight;
        std::vector<int> xs;
    } cases[] = {
        // "a\tb\tc": the second tab lies in cell 9 once the first reaches cell 8.
        {"two tabs", {1, 3}, 0, 0, 800, {8, 72}},
        // "\t\t": cells 0 and 8.
        {"leading tabs", {0, 1}, 2, 2, 800, {2, 66}},
        // "漢\tx\t": the wide character takes two cells; the second tab stands in cell 9.
        {"after a wide character", {2, 4}, 0, 0, 800, {16, 72}},
        // Scrolled two cells to the right: the tab in cell 0 lies left of the rectangle.
        {"scrolled away", {0, 1}, 2 - 16, 2, 800, {50}},
        // The rectangle ends inside the second tab's cell: that mark would be cut, so it is left out.
        {"cut at the right edge", {0, 1}, 0, 0, 70, {0}},
        {"exactly fitting at the right edge", {0, 1}, 0, 0, 72, {0, 64}},
        {"no tabs", {}, 0, 0, 800, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TabMarkPositions(c.bytePositions, c.x0, 8, 8, c.rectLeft, c.rectRight), c.xs) << c.what;
    }
}

} // namespace
} // namespace kelda
