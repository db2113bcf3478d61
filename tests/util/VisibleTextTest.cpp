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

} // namespace
} // namespace kelda
