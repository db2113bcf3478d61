// SPDX-License-Identifier: MIT
// Caret movement over lines and the selection of a text pane, without a widget.
#include "textview/TCaretNavigator.h"
#include "textview/TSelection.h"

#include <gtest/gtest.h>

#include <functional>

namespace kelda {
namespace {

const QStringList kLines = {"abc", "", QStringLiteral("あいう\tx"), "hello world  foo"};

std::string Pos(TTextPos p) {
    return "(" + std::to_string(p.Row) + "," + std::to_string(p.Index) + ")";
}

TEST(CaretNavigatorTest, MovesAndClamps) {
    const TCaretNavigator nav(kLines, 8);
    using Move = std::function<TTextPos(TTextPos)>;
    const struct {
        const char* name;
        TTextPos from;
        Move move;
        TTextPos to;
    } cases[] = {
        {"left at line start goes to previous end", {1, 0}, [&](TTextPos p) { return nav.Left(p); }, {0, 3}},
        {"left at text start stays", {0, 0}, [&](TTextPos p) { return nav.Left(p); }, {0, 0}},
        {"left over a wide character", {2, 2}, [&](TTextPos p) { return nav.Left(p); }, {2, 1}},
        {"right at line end goes to next start", {0, 3}, [&](TTextPos p) { return nav.Right(p); }, {1, 0}},
        {"right from last line reaches the final row",
         {3, 16},
         [&](TTextPos p) { return nav.Right(p); },
         {4, 0}},
        {"right on the final row stays", {4, 0}, [&](TTextPos p) { return nav.Right(p); }, {4, 0}},
        {"down keeps the goal cell", {0, 3}, [&](TTextPos p) { return nav.Vertical(p, 1, 3); }, {1, 0}},
        {"goal cell inside a wide character",
         {1, 0},
         [&](TTextPos p) { return nav.Vertical(p, 1, 3); },
         {2, 1}},
        {"goal cell inside a tab", {3, 0}, [&](TTextPos p) { return nav.Vertical(p, -1, 7); }, {2, 3}},
        {"down past the end clamps", {0, 0}, [&](TTextPos p) { return nav.Vertical(p, 100, 2); }, {4, 0}},
        {"up past the start clamps", {3, 9}, [&](TTextPos p) { return nav.Vertical(p, -100, 2); }, {0, 2}},
        {"end of a line with a tab", {2, 0}, [&](TTextPos p) { return nav.End(p); }, {2, 5}},
        {"home", {3, 7}, [&](TTextPos p) { return nav.Home(p); }, {3, 0}},
        {"word right to the next word", {3, 0}, [&](TTextPos p) { return nav.WordRight(p); }, {3, 6}},
        {"word right over two blanks", {3, 6}, [&](TTextPos p) { return nav.WordRight(p); }, {3, 13}},
        {"word right to line end", {3, 13}, [&](TTextPos p) { return nav.WordRight(p); }, {3, 16}},
        {"word right at line end", {3, 16}, [&](TTextPos p) { return nav.WordRight(p); }, {4, 0}},
        {"word left over blanks", {3, 13}, [&](TTextPos p) { return nav.WordLeft(p); }, {3, 6}},
        {"word left inside a word", {3, 8}, [&](TTextPos p) { return nav.WordLeft(p); }, {3, 6}},
        {"word left at line start", {3, 0}, [&](TTextPos p) { return nav.WordLeft(p); }, {2, 5}},
        {"clamp a row past the end", {9, 99}, [&](TTextPos p) { return nav.Clamp(p); }, {4, 0}},
        {"clamp an index past the line", {2, 99}, [&](TTextPos p) { return nav.Clamp(p); }, {2, 5}},
        {"clamp negative", {-3, -3}, [&](TTextPos p) { return nav.Clamp(p); }, {0, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Pos(c.move(c.from)), Pos(c.to)) << c.name;
    }
}

TEST(CaretNavigatorTest, WordAtFindsTheRunAroundThePosition) {
    const TCaretNavigator nav(kLines, 8);
    const struct {
        TTextPos at;
        TTextPos from;
        TTextPos to;
    } cases[] = {
        {{3, 2}, {3, 0}, {3, 5}},    {{3, 5}, {3, 5}, {3, 6}}, // the blank
        {{3, 16}, {3, 13}, {3, 16}},                           // at line end: the word before
        {{2, 1}, {2, 0}, {2, 3}},                              // kana form one word
        {{1, 0}, {1, 0}, {1, 0}},                              // empty line
    };
    for (const auto& c : cases) {
        const auto [from, to] = nav.WordAt(c.at);
        EXPECT_EQ(Pos(from) + Pos(to), Pos(c.from) + Pos(c.to)) << Pos(c.at);
    }
}

TEST(SelectionTest, SpansPerRowAndText) {
    const QStringList lines = {"a\tb", "cd", "ef"};
    TSelection s;
    s.Anchor = {2, 1};
    s.Caret = {0, 1}; // selected backwards
    EXPECT_EQ(s.Start(), (TTextPos{0, 1}));
    EXPECT_EQ(s.SpanInRow(0, 3), (TSelection::TRowSpan{1, 3, true}));
    EXPECT_EQ(s.SpanInRow(1, 2), (TSelection::TRowSpan{0, 2, true}));
    EXPECT_EQ(s.SpanInRow(2, 2), (TSelection::TRowSpan{0, 1, false}));
    EXPECT_FALSE(s.SpanInRow(3, 0));
    EXPECT_FALSE(s.CoversRow(0));
    EXPECT_TRUE(s.CoversRow(1));
    EXPECT_FALSE(s.CoversRow(2));
    EXPECT_EQ(s.Text(lines), "\tb\ncd\ne");

    s.Anchor = {0, 0};
    s.Caret = {3, 0}; // to the row after the last line break
    EXPECT_EQ(s.Text(lines), "a\tb\ncd\nef\n");
    EXPECT_TRUE(s.CoversRow(2));

    s.Anchor = s.Caret = {1, 1};
    EXPECT_TRUE(s.Text(lines).isEmpty());
    EXPECT_FALSE(s.SpanInRow(1, 2));

    // An empty line whose line break is selected still shows a span.
    const QStringList withEmpty = {"x", "", "y"};
    s.Anchor = {0, 1};
    s.Caret = {2, 0};
    EXPECT_EQ(s.SpanInRow(1, 0), (TSelection::TRowSpan{0, 0, true}));
    EXPECT_EQ(s.Text(withEmpty), "\n\n");
}

} // namespace
} // namespace kelda
