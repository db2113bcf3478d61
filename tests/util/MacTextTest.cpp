// SPDX-License-Identifier: MIT
#include "util/MacText.h"

#include <gtest/gtest.h>

namespace kelda {
namespace {

TEST(MacTextTest, DecodesInTheChosenEncoding) {
    struct Case {
        const char* name;
        std::string bytes;
        TMacEncoding encoding;
        std::string utf8;
    };
    const Case cases[] = {
        {"ascii", "Photo.bin", TMacEncoding::Auto, "Photo.bin"},
        {"roman accents", "R\x8Esum\x8E", TMacEncoding::Roman, "Résumé"},
        {"roman high bytes", "\xA5\xDB\xD2\xD3", TMacEncoding::Roman, "•€“”"},
        {"japanese kanji", "\x93\xFA\x96\x7B", TMacEncoding::Japanese, "日本"},
        {"half-width katakana", "\xB6\xC5", TMacEncoding::Japanese, "ｶﾅ"},
        {"yen sign byte stays a backslash", "a\\b", TMacEncoding::Japanese, "a\\b"},
        {"auto picks japanese", "\x83\x74\x83\x40\x83\x43\x83\x8B", TMacEncoding::Auto, "ファイル"},
        {"auto falls back to roman", "caf\x8E", TMacEncoding::Auto, "café"},
        {"auto: roman that is valid shift-jis too", "\x83\x63lair", TMacEncoding::Auto, "Éclair"},
        {"auto: half-width katakana among latin words", "\xAEther \xBDmega", TMacEncoding::Auto,
         "Æther Ωmega"},
        {"auto: a lone lead byte is not japanese", "ab\x93", TMacEncoding::Auto, "abì"},
        {"auto: user-defined area is not japanese", "\xF0\x40", TMacEncoding::Auto, "\xEF\xA3\xBF@"},
        {"control bytes stay in roman", std::string("a\tb\x1F\x7F", 5), TMacEncoding::Roman,
         std::string("a\tb\x1F\x7F", 5)},
        {"control bytes stay in japanese", std::string("\x1A\x1C\x7F\t", 4), TMacEncoding::Japanese,
         std::string("\x1A\x1C\x7F\t", 4)},
        {"tab between kanji", "\x93\xFA\t\x96\x7B", TMacEncoding::Auto, "日\t本"},
        {"invalid japanese becomes a replacement", "\x85\x40", TMacEncoding::Japanese, "\xEF\xBF\xBD"},
        {"empty", "", TMacEncoding::Auto, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MacTextToUtf8(c.bytes, c.encoding), c.utf8) << c.name;
    }
}

TEST(MacTextTest, ValidCp932Detection) {
    EXPECT_TRUE(IsValidCp932Text("ABC"));
    EXPECT_TRUE(IsValidCp932Text("\x82\xA0\t\x82\xA2")); // あ, tab, い
    EXPECT_FALSE(IsValidCp932Text("\x82"));              // cut in the middle of a character
    EXPECT_FALSE(IsValidCp932Text("\x80"));
    EXPECT_FALSE(IsValidCp932Text("\x82\x09")); // a control byte is never a second byte
    EXPECT_FALSE(IsValidCp932Text("\xF0\x40")); // user-defined character
}

} // namespace
} // namespace kelda
