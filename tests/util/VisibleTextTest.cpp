// SPDX-License-Identifier: MIT
#include "util/VisibleText.h"

#include <gtest/gtest.h>

namespace kelda {
namespace {

TEST(VisibleText, ControlCharactersBecomeEscapesAndEverythingElseStays) {
    struct Case {
        std::string in;
        std::string controls;   // EscapeControls
        std::string lineBreaks; // EscapeLineBreaks
    };
    const Case cases[] = {
        {"Photo.bin", "Photo.bin", "Photo.bin"},
        {"テスト ｶﾅ \\ \"q\"", "テスト ｶﾅ \\ \"q\"", "テスト ｶﾅ \\ \"q\""},
        {"\x1b[31mred\x1b]0;title\x07", "\\x1b[31mred\\x1b]0;title\\x07", "\x1b[31mred\x1b]0;title\x07"},
        {"a\r\nFileType : FORGED", "a\\x0d\\x0aFileType : FORGED", "a\\x0d\\x0aFileType : FORGED"},
        {"tab\there", "tab\\x09here", "tab\there"},
        {std::string("nul\0del\x7f", 8), "nul\\x00del\\x7f", std::string("nul\0del\x7f", 8)},
        {"c1 \xc2\x9b"
         "31m \xc2\x85",
         "c1 \\u009b31m \\u0085",
         "c1 \xc2\x9b"
         "31m \xc2\x85"},
        {"\xc2\xa0 latin \xff\xfe", "\xc2\xa0 latin \xff\xfe", "\xc2\xa0 latin \xff\xfe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(EscapeControls(c.in), c.controls);
        EXPECT_EQ(EscapeLineBreaks(c.in), c.lineBreaks);
    }
}

// A sum file's names go out on one line and come back byte for byte; what the writer never
// writes is refused rather than guessed.
TEST(VisibleText, SumNamesComeBackWhole) {
    const struct {
        std::string In;
        std::string Escaped;
    } cases[] = {
        {"plain.bin", "plain.bin"},
        {"new\nline\r.bin", "new\\nline\\r.bin"},
        {"back\\slash \x1b[31m", "back\\\\slash \\x1b[31m"},
        {"c1 \xc2\x9b \xe6\x97\xa5", "c1 \\u009b \xe6\x97\xa5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.In);
        EXPECT_EQ(EscapeSumName(c.In), c.Escaped);
        EXPECT_EQ(UnescapeSumName(c.Escaped), c.In);
    }
    for (const char* bad : {"end\\", "\\q", "\\x4", "\\x41", "\\u0041"}) {
        EXPECT_EQ(UnescapeSumName(bad), std::nullopt) << bad;
    }
}

} // namespace
} // namespace kelda
