// SPDX-License-Identifier: MIT
// Placement of characters on the cell grid: cell widths, line layout, tokens, view geometry.
#include "textview/CellWidth.h"
#include "textview/TLineLayout.h"
#include "textview/TTokenizer.h"
#include "textview/TViewGeometry.h"

#include <gtest/gtest.h>

namespace kelda {
namespace {

using Snap = TLineLayout::TSnap;

TEST(CellWidthTest, HalfWidthWideAndZeroWidth) {
    const struct {
        char32_t c;
        int cells;
    } cases[] = {
        {U'A', 1},
        {U'\t', 1},
        {0x00E9, 1} /* é */,
        {0x3042, 2} /* あ */,
        {0x4E00, 2},
        {0x3000, 2},
        {0xFF21, 2} /* Ａ */,
        {0xFF76, 1} /* ｶ */,
        {0xFF9E, 1} /* ﾞ */,
        {0xFF61, 1} /* ｡ */,
        {0x0301, 0} /* combining acute */,
        {0x3099, 0} /* combining voiced mark */,
        {0x200D, 0} /* joiner */,
        {0x00AD, 1},
        {0x1F600, 2},
        {0x20000, 2},
        {0x2500, 1} /* box drawing */,
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CellWidth(c.c), c.cells) << std::hex << static_cast<unsigned>(c.c);
    }
    EXPECT_EQ(CellCount(u"ｸﾞﾘｯﾄﾞ"), 6);
    EXPECT_EQ(CellCount(u"テキスト"), 8);
    EXPECT_EQ(CellCount(u"a\tあ"), 4);
}

TEST(LineLayoutTest, LineCellsExpandsTabsToTheNextStop) {
    const struct {
        const char16_t* line;
        int tabWidth;
        int cells;
    } cases[] = {
        {u"", 8, 0},          {u"abc", 8, 3},         {u"a\tb", 8, 9},   {u"\t\t", 8, 16},
        {u"1234567\t", 8, 8}, {u"12345678\t", 8, 16}, {u"あ\tb", 8, 9},  {u"ｶﾞ\t", 8, 8},
        {u"a\tb", 4, 5},      {u"e\u0301x", 8, 2},    {u"\u0301", 8, 1}, {u"😀a", 8, 3},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TLineLayout::LineCells(c.line, c.tabWidth), c.cells)
            << QString::fromUtf16(c.line).toStdString();
    }
}

TEST(LineLayoutTest, IndexAndCellMapBothWays) {
    const struct {
        const char16_t* line;
        int index;
        int cellOfIndex; // cell where the cluster holding index begins
        int cell;
        int startIndex;   // TSnap::Start for cell
        int nearestIndex; // TSnap::Nearest for cell
    } cases[] = {
        {u"abc", 1, 1, 2, 2, 2},      {u"abc", 9, 3, 9, 3, 3}, // past the end
        {u"あいう", 1, 2, 3, 1, 2},                            // right half of い
        {u"あいう", 2, 4, 2, 1, 1},                            // left edge of い
        {u"\tX", 1, 8, 3, 0, 0},                               // in the first half of the tab
        {u"\tX", 0, 0, 4, 0, 1},                               // in the second half of the tab
        {u"e\u0301x", 1, 0, 1, 2, 2},                          // index inside a cluster; x after it
        {u"😀a", 1, 0, 1, 0, 2},                                // low surrogate; right half of the wide emoji
        {u"ab\tc", 3, 8, 7, 2, 3},
    };
    for (const auto& c : cases) {
        const QStringView line(c.line);
        SCOPED_TRACE(line.toString().toStdString() + " index " + std::to_string(c.index));
        EXPECT_EQ(TLineLayout::CellOfIndex(line, c.index, 8), c.cellOfIndex);
        EXPECT_EQ(TLineLayout::IndexAtCell(line, c.cell, 8, Snap::Start), c.startIndex);
        EXPECT_EQ(TLineLayout::IndexAtCell(line, c.cell, 8, Snap::Nearest), c.nearestIndex);
    }
}

TEST(LineLayoutTest, BoundariesStepOverWholeClusters) {
    const QStringView line(u"a😀e\u0301\u0302b");
    // a | 😀 (2 units) | e + 2 marks | b
    int i = 0;
    std::vector<int> forward;
    while (i < line.size()) {
        i = TLineLayout::NextBoundary(line, i);
        forward.push_back(i);
    }
    EXPECT_EQ(forward, (std::vector<int>{1, 3, 6, 7}));
    std::vector<int> backward;
    while (i > 0) {
        i = TLineLayout::PrevBoundary(line, i);
        backward.push_back(i);
    }
    EXPECT_EQ(backward, (std::vector<int>{6, 3, 1, 0}));
    EXPECT_EQ(TLineLayout::SnapIndex(line, 2), 1);
    EXPECT_EQ(TLineLayout::SnapIndex(line, 5), 3);
}

std::string Describe(const std::vector<TToken>& tokens) {
    std::string out;
    for (const TToken& t : tokens) {
        static const char* const kinds[] = {"Text", "Space", "Tab", "WideSpace", "Control"};
        out += std::string(kinds[static_cast<int>(t.Kind)]) + "(" + t.Text.toStdString() + ")@" +
               std::to_string(t.CharIndex) + "/" + std::to_string(t.BytePos) + "/" + std::to_string(t.Cell) +
               "+" + std::to_string(t.Cells) + " ";
    }
    return out;
}

TEST(TokenizerTest, TokensCarryIndexBytePositionAndCell) {
    // Kind(text)@charIndex/bytePos/cell+cells
    const struct {
        const char16_t* line;
        const char* tokens;
    } cases[] = {
        {u"", ""},
        {u"No\tItem", "Text(No)@0/0/0+2 Tab(\t)@2/2/2+6 Text(Item)@3/3/8+4 "},
        {u"\t\t", "Tab(\t)@0/0/0+8 Tab(\t)@1/1/8+8 "},
        {u"あa\tb", "Text(あa)@0/0/0+3 Tab(\t)@2/3/3+5 Text(b)@3/4/8+1 "},
        {u"a\u3000b", "Text(a)@0/0/0+1 WideSpace(\u3000)@1/1/1+2 Text(b)@2/3/3+1 "},
        {u"a  b", "Text(a)@0/0/0+1 Space(  )@1/1/1+2 Text(b)@3/3/3+1 "},
        {u"x\u0001", "Text(x)@0/0/0+1 Control(\u0001)@1/1/1+1 "},
        {u"e\u0301\tx", "Text(e\u0301)@0/0/0+1 Tab(\t)@2/1/1+7 Text(x)@3/2/8+1 "},
        {u"ｸﾞﾘｯﾄﾞ\t1", "Text(ｸﾞﾘｯﾄﾞ)@0/0/0+6 Tab(\t)@6/6/6+2 Text(1)@7/7/8+1 "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Describe(TTokenizer::Tokenize(c.line, 8)), c.tokens);
    }
}

// The window places tab marks from the byte position alone: x = p * w + e, where e grows by the
// extra width of each tab. That must land on the cell the view draws the tab in.
TEST(TokenizerTest, BytePositionArithmeticMatchesTheDrawnCell) {
    const char16_t* lines[] = {
        u"No\tItem\tValue\tUnit\t00 01\t[HEX]",
        u"\t\tx\t",
        u"あいう\tえ\t\u3000\tｶﾀｶﾅ\t",
        u"12345678\t9",
        u"a\u0301b\tc😀\td",
    };
    const int w = 7;
    for (const int k : {8, 4, 3}) {
        for (const char16_t* line : lines) {
            int e = 0;
            for (const TToken& t : TTokenizer::Tokenize(line, k)) {
                if (t.Kind != TTokenKind::Tab) {
                    continue;
                }
                const int p = t.BytePos;
                EXPECT_EQ(p * w + e, t.Cell * w) << QString::fromUtf16(line).toStdString() << " k=" << k;
                e += w * (k - ((e / w + p) % k) - 1);
            }
        }
    }
}

TEST(ViewGeometryTest, RowsAndCellsMapBothWaysWithScrolling) {
    const TViewGeometry g{8, 16, 100, 5, 2};
    EXPECT_EQ(g.RowY(100), 0);
    EXPECT_EQ(g.RowY(103), 48);
    EXPECT_EQ(g.RowY(99), -16);
    EXPECT_EQ(g.RowAtY(0), 100);
    EXPECT_EQ(g.RowAtY(15), 100);
    EXPECT_EQ(g.RowAtY(16), 101);
    EXPECT_EQ(g.RowAtY(-1), 99); // above the view, not row 100
    EXPECT_EQ(g.CellX(5), 2);
    EXPECT_EQ(g.CellX(7), 18);
    EXPECT_EQ(g.CellAtX(2), 5);
    EXPECT_EQ(g.CellAtX(1), 4);
    EXPECT_EQ(g.BoundaryAtX(2 + 3), 5);
    EXPECT_EQ(g.BoundaryAtX(2 + 4), 6);
    EXPECT_EQ(g.FullRows(47), 2);
    EXPECT_EQ(g.FullRows(3), 1);
    EXPECT_EQ(g.FullCols(2 + 8 * 10 + 7), 10);
}

} // namespace
} // namespace kelda
