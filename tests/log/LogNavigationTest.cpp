// SPDX-License-Identifier: MIT
#include "log/LogNavigation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelda {
namespace {

TEST(LogSeparator, IsSeventyHyphens) {
    EXPECT_EQ(LogSeparator(), std::string(70, '-'));
}

TEST(IsSeparatorLine, BeginsWithSeventyHyphens) {
    const struct {
        std::string line;
        bool separator;
    } cases[] = {
        {std::string(70, '-'), true},
        {std::string(71, '-'), true},
        {std::string(70, '-') + "FileName", true},
        {std::string(69, '-'), false},
        {std::string(69, '-') + "x", false},
        {" " + std::string(70, '-'), false},
        {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsSeparatorLine(c.line), c.separator) << '"' << c.line << '"';
    }
}

class LogNavigation : public ::testing::Test {
protected:
    // Two blocks: separators at 0 and 3; row 6 is the empty row after the last line.
    std::vector<std::string> lines_ = {LogSeparator(), "FileName         : A", "x",
                                       LogSeparator(), "FileName         : B", "y"};
    int Count() const { return static_cast<int>(lines_.size()); }
    TIsSeparatorAt IsSep() const {
        return [this](int i) { return IsSeparatorLine(lines_.at(static_cast<std::size_t>(i))); };
    }
};

TEST_F(LogNavigation, PrevAndNextFromEveryRow) {
    const struct {
        int caret;
        std::optional<int> prev;
        std::optional<int> next;
    } cases[] = {
        {0, std::nullopt, 3}, // on the first separator: nothing before it
        {1, 0, 3},
        {3, 0, std::nullopt}, // on the last separator: Prev goes to the block before
        {4, 3, std::nullopt}, // inside the second block: its own separator
        {5, 3, std::nullopt},
        {6, 3, std::nullopt}, // the empty row after the last line
        {99, 3, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LogPrevTarget(Count(), c.caret, IsSep()), c.prev) << "caret " << c.caret;
        EXPECT_EQ(LogNextTarget(Count(), c.caret, IsSep()), c.next) << "caret " << c.caret;
    }
}

TEST_F(LogNavigation, PrevRepeatedWalksBackAndStops) {
    int caret = 4;
    std::vector<int> visited;
    while (auto target = LogPrevTarget(Count(), caret, IsSep())) {
        caret = *target;
        visited.push_back(caret);
    }
    EXPECT_EQ(visited, (std::vector<int>{3, 0}));
}

TEST_F(LogNavigation, TopAndEnd) {
    EXPECT_EQ(LogTopTarget(Count()), 0);
    EXPECT_EQ(LogEndTarget(Count(), IsSep()), 3);
}

TEST_F(LogNavigation, PastTheLastLineWhenTheLastLineIsASeparator) {
    lines_ = {LogSeparator(), "x", LogSeparator()};
    EXPECT_EQ(LogPrevTarget(Count(), 3, IsSep()), 2); // from the empty row: the last block's separator
    EXPECT_EQ(LogPrevTarget(Count(), 2, IsSep()), 0);
}

TEST_F(LogNavigation, NoSeparatorOrEmptyLogMovesNothing) {
    lines_ = {"a", "b"};
    EXPECT_EQ(LogEndTarget(Count(), IsSep()), std::nullopt);
    EXPECT_EQ(LogPrevTarget(Count(), 1, IsSep()), std::nullopt);
    EXPECT_EQ(LogNextTarget(Count(), 0, IsSep()), std::nullopt);
    EXPECT_EQ(LogTopTarget(Count()), 0);

    lines_.clear();
    const TIsSeparatorAt never = [](int) -> bool { throw std::logic_error("an empty log has no lines"); };
    EXPECT_EQ(LogTopTarget(0), std::nullopt);
    EXPECT_EQ(LogEndTarget(0, never), std::nullopt);
    EXPECT_EQ(LogPrevTarget(0, 0, never), std::nullopt);
    EXPECT_EQ(LogNextTarget(0, 0, never), std::nullopt);
}

} // namespace
} // namespace kelda
