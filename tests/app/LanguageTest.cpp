// SPDX-License-Identifier: MIT
#include "app/Language.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace kelda {
namespace {

// Decodes UTF-8 into code points (the tables are well-formed UTF-8).
std::u32string Decode(std::string_view s) {
    std::u32string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const int n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        char32_t cp = n == 1 ? b : b & (0x7F >> n);
        for (int k = 1; k < n; ++k) {
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        }
        out += cp;
        i += n;
    }
    return out;
}

bool IsHalfWidth(char32_t c) {
    return c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F);
}

TEST(CaptionTable, JapaneseCaptionsUseHalfWidthKatakanaOnly) {
    for (const auto& e : CaptionTable()) {
        for (char32_t c : Decode(e.Japanese)) {
            EXPECT_FALSE(c >= 0x30A0 && c <= 0x30FF)
                << e.Control << ": full-width katakana in " << e.Japanese;
        }
    }
}

TEST(CaptionTable, AcceleratorsAreTheSameInBothModes) {
    for (const auto& e : CaptionTable()) {
        const std::string en = e.English, ja = e.Japanese;
        const auto a = en.find('&'), b = ja.find('&');
        ASSERT_EQ(a == std::string::npos, b == std::string::npos) << e.Control;
        if (a != std::string::npos) {
            EXPECT_EQ(en.substr(a), ja.substr(b)) << e.Control;
        }
    }
}

TEST(CaptionTable, EveryControlAndTargetOnce) {
    std::set<std::pair<std::string, int>> seen;
    for (const auto& e : CaptionTable()) {
        EXPECT_TRUE(seen.insert({e.Control, static_cast<int>(e.Target)}).second) << e.Control;
        EXPECT_EQ(FindCaption(e.Control, e.Target), &e);
    }
    EXPECT_EQ(seen.size(), 25u);               // the window's 23 and the Help menu's two
    EXPECT_EQ(FindCaption("Label2"), nullptr); // "CRC(&C)" does not change with the mode
    EXPECT_STREQ(FindCaption("MenuJapaneseSet")->Japanese, "Japanese(&J)");
}

TEST(BottomPanel, PrefixesAreElevenHalfWidthCharactersInBothModes) {
    for (bool japanese : {false, true}) {
        for (const std::string& line : {FileNameLine(japanese, ""), FileTypeLine(japanese, "")}) {
            const std::u32string cps = Decode(line);
            EXPECT_EQ(cps.size(), 11u) << line;
            EXPECT_EQ(cps[9], U':') << line;
            for (char32_t c : cps) {
                EXPECT_TRUE(IsHalfWidth(c)) << line;
            }
        }
    }
    EXPECT_EQ(FileNameLine(true, "A.BIN"), "ﾌｧｲﾙﾈｰﾑ  : A.BIN");
    EXPECT_EQ(FileTypeLine(false, "Mac Binary I"), "FileType : Mac Binary I");
}

TEST(Messages, WarningsAndInformationBeginWithTheirWordInBothLanguages) {
    for (int i = 0; i < kMessageCount; ++i) {
        const auto msg = static_cast<TMsg>(i);
        const std::string ja = MessageText(msg, true), en = MessageText(msg, false);
        ASSERT_FALSE(ja.empty());
        ASSERT_FALSE(en.empty());
        if (ja.starts_with("警告")) {
            EXPECT_TRUE(en.starts_with("Warning")) << en;
        } else if (ja.starts_with("情報")) {
            EXPECT_TRUE(en.starts_with("Information")) << en;
        }
    }
    EXPECT_STREQ(MessageText(TMsg::QuitQuestion, true), "終了しますか ?");
    EXPECT_STREQ(MessageText(TMsg::QuitQuestion, false), "Quit this program ?");
    EXPECT_STREQ(MessageText(TMsg::Cr2Missing, false),
                 "Warning! Open file again. You cleared the .CR2 file.");
}

TEST(Messages, FormatReplacesThePlaceholder) {
    EXPECT_EQ(FormatMessage(TMsg::CannotWriteSettings, true, "/x/kelda.INI"),
              "/x/kelda.INI に書き込めません");
    EXPECT_EQ(FormatMessage(TMsg::CannotWriteSettings, false, "/x/kelda.INI"), "Can not write /x/kelda.INI");
    EXPECT_EQ(FormatMessage(TMsg::FileNotFound, false, "ignored"), "Warning ! File can not find.");
}

TEST(Messages, AboutNamesVersionLicenceAndQtInBothLanguages) {
    for (bool japanese : {false, true}) {
        const std::string text = AboutText(japanese, "1.2.3", "6.4.2");
        EXPECT_TRUE(text.starts_with("KELDA 1.2.3\n")) << text;
        EXPECT_TRUE(text.ends_with("\nQt 6.4.2")) << text;
        EXPECT_NE(text.find("Copyright (c) 2026 the KELDA developers"), std::string::npos) << text;
        EXPECT_NE(text.find("MIT"), std::string::npos) << text;
        EXPECT_EQ(text.find("%s"), std::string::npos) << text;
    }
    EXPECT_NE(AboutText(true, "1", "6"), AboutText(false, "1", "6"));
    EXPECT_NE(AboutText(false, "1", "6").find("MIT License"), std::string::npos);
}

TEST(ErrorBoxText, FullStopAfterCharactersAboveTheFullStop) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"Disk full", "Disk full."},
        {"I/O エラー (5)", "I/O エラー (5)"}, // ")" lies below "."
        {"Error 5", "Error 5."},
        {"ファイルの末尾以降を読み込みました", "ファイルの末尾以降を読み込みました."},
        {"done.", "done."},
        {"stop!", "stop!"},
        {"a,", "a,"},
        {"trailing ", "trailing "},
        {"path/", "path/."},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ErrorBoxText(c.in), c.out) << c.in;
    }
}

} // namespace
} // namespace kelda
