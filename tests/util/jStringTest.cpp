// SPDX-License-Identifier: MIT
#include "util/jString.h"

#include <gtest/gtest.h>
#include <string>

using kelda::TTextEncoding;

namespace {

constexpr TTextEncoding U8 = TTextEncoding::Utf8;
constexpr TTextEncoding SJ = TTextEncoding::Cp932;

// "表" and "ソ" in code page 932: their second byte is 0x5C, the value of a backslash.
const std::string kHyo = "\x95\x5C";
const std::string kSo = "\x83\x5C";

struct WidthCase {
    std::string text;
    std::size_t pos;
    TTextEncoding enc;
    std::size_t width;
};

TEST(jString, CharWidthAndStepChar) {
    const WidthCase cases[] = {
        {"", 0, U8, 0},
        {"a", 1, U8, 0},
        {"a", 0, U8, 1},
        {"\xC3\xA9", 0, U8, 2},         // é
        {"\xE3\x81\x82", 0, U8, 3},     // あ
        {"\xF0\x9F\x98\x80", 0, U8, 4}, // an emoji
        {"\xE3\x81", 0, U8, 1},         // truncated sequence
        {"\xC0\xAF", 0, U8, 1},         // overlong slash
        {"\xED\xA0\x80", 0, U8, 1},     // surrogate
        {"\xF4\x90\x80\x80", 0, U8, 1}, // above U+10FFFF
        {"\x80", 0, U8, 1},             // stray continuation byte
        {kHyo, 0, SJ, 2},
        {kHyo, 1, SJ, 1},                      // the trail byte on its own
        {"\x81", 0, SJ, 1},                    // lead byte at the end stands alone
        {std::string("\x81\0a", 3), 0, SJ, 1}, // lead byte before NUL
        {"\xA0\x41", 0, SJ, 1},                // 0xA0 is no lead byte
        {"\xE0\x40", 0, SJ, 2},
        {"\xFC\x40", 0, SJ, 2},
        {"\xFD\x40", 0, SJ, 1},
        {kHyo, 0, U8, 1}, // the same bytes are two characters in UTF-8
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text) + " @" + std::to_string(c.pos));
        EXPECT_EQ(kelda::CharWidth(c.text, c.pos, c.enc), c.width);
        EXPECT_EQ(kelda::IsDoubleByteChar(c.text, c.pos, c.enc), c.width > 1);
        std::size_t pos = c.pos;
        EXPECT_EQ(kelda::StepChar(c.text, pos, c.enc), c.width);
        EXPECT_EQ(pos, c.pos + c.width);
    }
}

struct CharPosCase {
    std::string pattern;
    std::string text;
    TTextEncoding enc;
    std::size_t expected;
};

TEST(jString, CharPos) {
    const CharPosCase cases[] = {
        {"\t", "a\t", U8, 2},
        {"\t", "a\t", SJ, 2},
        {"", "abc", U8, 0},
        {"a", "", U8, 0},
        {"c", "abc", U8, 3},
        {"abc", "ab", U8, 0}, // text ends inside the pattern
        {"ab", "aab", U8, 2}, // first attempt fails, second matches
        {"\",\"", "\"a\",\"b\"", U8, 3},
        {"\\", kHyo, SJ, 0},                    // 0x5C only as a trail byte
        {"\\", "x" + kSo + kHyo + "\\", SJ, 6}, // skips two trail bytes
        {"\\", kHyo, U8, 2},                    // not a character in UTF-8: found
        {"\\", "\xC3\xA9\\", U8, 3},
        {"\x82", "\xE3\x81\x82", U8, 0},          // continuation byte inside あ
        {"\xE3\x81\x82", "x\xE3\x81\x82", U8, 2}, // a multi-byte pattern: its 1-based start
        {"\x95\x5C", "ab" + kHyo, SJ, 3},
        {"A", "a", U8, 0}, // case-sensitive
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.pattern) + " in " + testing::PrintToString(c.text));
        EXPECT_EQ(kelda::CharPos(c.pattern, c.text, c.enc), c.expected);
    }
}

TEST(jString, MatchAtReturnsThePositionOrNothing) {
    EXPECT_EQ(kelda::MatchAt("xabc", 1, "ab"), 1u);
    EXPECT_FALSE(kelda::MatchAt("xabc", 1, "abd"));
    EXPECT_FALSE(kelda::MatchAt("xab", 1, "abc"));
    EXPECT_FALSE(kelda::MatchAt("xab", 3, "a"));
    EXPECT_FALSE(kelda::MatchAt("xab", 1, ""));
}

struct CompareCase {
    std::string a;
    std::string b;
    bool ignoreCase;
    TTextEncoding enc;
    int sign;
    std::size_t step; // how far both advance (0 when unequal)
};

TEST(jString, CompareChar) {
    const CompareCase cases[] = {
        {"a", "a", false, U8, 0, 1},
        {"a", "A", false, U8, 1, 0},
        {"a", "A", true, U8, 0, 1},
        {"[", "{", true, U8, -1, 0}, // only letters fold
        {"a", "b", true, U8, -1, 0},
        {"\xE3\x81\x82", "\xE3\x81\x82", false, U8, 0, 3},
        {"\xE3\x81\x82", "\xE3\x81\x84", true, U8, -1, 0},
        {"\x82\x61", "\x82\x41", true, SJ, 1, 0}, // trail bytes 'a' and 'A' are different characters
        {kHyo, kHyo, false, SJ, 0, 2},
        {"\xFF", "a", false, U8, 1, 0}, // bytes compare unsigned
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.a) + " vs " + testing::PrintToString(c.b));
        std::size_t pa = 0;
        std::size_t pb = 0;
        const int r = kelda::CompareChar(c.a, pa, c.b, pb, c.ignoreCase, c.ignoreCase, c.enc);
        EXPECT_EQ((r > 0) - (r < 0), c.sign);
        EXPECT_EQ(pa, c.step);
        EXPECT_EQ(pb, c.step);
    }
}

TEST(jString, CompareCharOfADoubleAndASingleByteCharacterComparesFirstBytes) {
    // The single-byte side decides the width: only the first bytes are compared.
    const std::string a = kHyo;
    const std::string b = "\x95";
    std::size_t pa = 0;
    std::size_t pb = 0;
    EXPECT_EQ(kelda::CompareChar(a, pa, b, pb, false, false, SJ), 0);
    EXPECT_EQ(pa, 1u);
    EXPECT_EQ(pb, 1u);
}

} // namespace
