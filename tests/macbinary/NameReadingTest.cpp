// SPDX-License-Identifier: MIT
// How header names are read: typical Mac file names of both scripts, encoded as their writers
// encoded them, must come back as they were written, whether the header is MacBinary II (no
// signature), MacBinary III with script byte 0 (what a common tool writes for every name) or
// MacBinary III with the script byte a careful writer sets (1 for Japanese).
#include "forks/MacNames.h"
#include "macbinary/CheckReport.h"
#include "macbinary/HeaderTable.h"
#include "macbinary/TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace kelda {
namespace {

// Western names in Mac Roman: most of them are valid Shift-JIS too, which is what makes them hard.
const char* const kWestern[] = {
    "Ça va",          "Éclair",         "naïve ©",      "Æther Ωmega",
    "Crème brûlée",   "Übersicht 1998", "Größe.txt",    "Müller Brief",
    "Mañana",         "Año Nuevo",      "Niño.pict",    "Señor Café",
    "Björk",          "Smörgåsbord",    "Ålesund",      "Øresund",
    "Kelda™ Read Me", "Photoshop® 5.0", "© 1994 Apple", "• Read Me",
    "Ω Ohm's law",    "Français",       "Élève",        "Jürgen's Notizen",
    "Garçon",         "Château",        "Ærø",          "Søren Kierkegaard",
    "Über•Disk",      "Déjà vu",        "Photoshop ƒ",  "∆ Notes",
    "√ Done",         "Kölner Dom",     "Jämtland",     "Reykjavík",
    "São Paulo",      "Informação.doc", "Perché",       "Jyväskylä",
    "Nørrebro",       "Süßigkeiten",    "Pâtisserie",   "Jalapeño",
    "FileMaker® Pro", "QuarkXPress™",   "◊ Archive",    "Invoice #1 ©",
    "µ-Law",          "Édith Piaf",     "ÉLÉGANCE",     "DÉGÂTS",
    "CRÉDIT",
};

const char* const kJapanese[] = {
    "システムフォルダ",
    "読んでね",
    "画像 1.pict",
    "ﾃｷｽﾄ",
    "日本語.txt",
    "テスト",
    "新規フォルダ",
    "名称未設定",
    "書類",
    "ゴミ箱",
    "漢字Talk 7.5",
    "写真 2.jpg",
    "ﾌｧｲﾙ",
    "ことえり辞書",
    "【重要】お知らせ",
    "企画書(改).doc",
    "ＭＹ　ＤＩＳＫ",
    "見積書_2001.xls",
    "Photoshop書類",
    "Word版 説明書",
    "会議メモ 3/4",
    "ﾃﾞｰﾀ.txt",
    "第1章.txt",
    "Mac版ソフト",
    "練習問題①",
    "地図",
    "表",
    "家計簿97",
    "ｻﾝﾌﾟﾙ",
    "ATOK辞書",
    "付録A",
    "報告書(最終)",
    "楽譜",
    "絵",
    "ｿﾌﾄ Ver2",
    "★お気に入り",
    "♪音楽",
    "ＣＤ－ＲＯＭ",
    "No.１",
    "平成１２年",
    "あ",
    "手紙",
    "文書1",
    "ReadMe(日本語)",
    "Photoshop 5.0 日本語版",
    "iMac用",
    "PowerBook 設定",
    "名称未設定 1",
    "コピー ～ 書類",
    "（仮）",
    "メモA",
    "USBメモリ",
    "Winゲーム",
};

enum class TKind { II, IIIScript0, IIIScriptSet };

THeader HeaderFor(const std::string& bytes, TKind kind, bool japanese) {
    THeader h{};
    test::PutName(h, bytes);
    h[kOffsetVersion] = kVersionII;
    h[kOffsetMinVersion] = kVersionII;
    if (kind != TKind::II) {
        std::memcpy(&h[kOffsetSignature], "mBIN", 4);
        h[kOffsetVersion] = kVersionIII;
        h[kOffsetScript] = kind == TKind::IIIScriptSet && japanese ? 1 : 0;
    }
    return h;
}

struct TShare {
    int Right = 0;
    int Total = 0;
    double Value() const { return Total == 0 ? 0 : static_cast<double>(Right) / Total; }
};

// How many names of a script come back as written from headers of a kind; the wrong ones are listed.
template <std::size_t N>
TShare Measure(const char* const (&names)[N], bool japanese, TKind kind, std::vector<std::string>& wrong) {
    TShare share;
    for (const char* name : names) {
        const std::string bytes =
            EncodeMacName(name, japanese ? TMacEncoding::Japanese : TMacEncoding::Roman, false);
        const TMacNameReading read = ReadHeaderName(HeaderFor(bytes, kind, japanese));
        ++share.Total;
        if (read.Text == name) {
            ++share.Right;
        } else {
            wrong.push_back(std::string(name) + " -> " + read.Text + " (" +
                            std::string(MacNameReasonId(read.Reason)) + ")");
        }
    }
    return share;
}

TEST(NameReading, TypicalNamesOfBothScriptsComeBackAsWritten) {
    ASSERT_GE(std::size(kWestern), 20u);
    ASSERT_GE(std::size(kJapanese), 20u);
    const std::pair<TKind, const char*> kinds[] = {
        {TKind::II, "MacBinary II"},
        {TKind::IIIScript0, "MacBinary III, script 0"},
        {TKind::IIIScriptSet, "MacBinary III, script 1 for Japanese"},
    };
    for (const auto& [kind, label] : kinds) {
        SCOPED_TRACE(label);
        std::vector<std::string> wrong;
        const TShare western = Measure(kWestern, false, kind, wrong);
        const TShare japanese = Measure(kJapanese, true, kind, wrong);
        const TShare all{western.Right + japanese.Right, western.Total + japanese.Total};
        std::cout << label << ": " << all.Right << "/" << all.Total << " right (Western " << western.Right
                  << "/" << western.Total << ", Japanese " << japanese.Right << "/" << japanese.Total
                  << ")\n";
        for (const std::string& w : wrong) {
            std::cout << "  " << w << '\n';
        }
        if (kind == TKind::IIIScriptSet) {
            EXPECT_EQ(japanese.Right, japanese.Total); // the script byte decides
        }
        EXPECT_GE(western.Value(), 0.9);
        EXPECT_GE(japanese.Value(), 0.9);
    }
}

// The reasons, and a choice that overrides both the script byte and the judgement.
TEST(NameReading, TheChoiceTheScriptAndTheJudgementInThatOrder) {
    struct Case {
        const char* Label;
        std::string Bytes;
        TKind Kind;
        bool Japanese; // the script byte of a III header
        TMacEncoding Chosen;
        std::string Text;
        TMacEncoding Encoding;
        TMacNameReason Reason;
    };
    const std::string tesuto = "\x83\x65\x83\x58\x83\x67"; // テスト
    const std::string naive = "na\x95ve \xA9";             // naïve ©
    const Case cases[] = {
        {"ascii", "Read Me", TKind::II, false, TMacEncoding::Auto, "Read Me", TMacEncoding::Roman,
         TMacNameReason::Ascii},
        {"not shift-jis", "Caf\x8E", TKind::II, false, TMacEncoding::Auto, "Café", TMacEncoding::Roman,
         TMacNameReason::NotShiftJis},
        {"judged japanese", tesuto, TKind::IIIScript0, false, TMacEncoding::Auto, "テスト",
         TMacEncoding::Japanese, TMacNameReason::LooksJapanese},
        {"judged roman", naive, TKind::II, false, TMacEncoding::Auto, "naïve ©", TMacEncoding::Roman,
         TMacNameReason::LooksRoman},
        {"script says japanese", naive, TKind::IIIScriptSet, true, TMacEncoding::Auto, "na夫e ｩ",
         TMacEncoding::Japanese, TMacNameReason::Script},
        {"chosen roman over the script", tesuto, TKind::IIIScriptSet, true, TMacEncoding::Roman, "ÉeÉXÉg",
         TMacEncoding::Roman, TMacNameReason::Chosen},
        {"chosen japanese over the judgement", naive, TKind::II, false, TMacEncoding::Japanese, "na夫e ｩ",
         TMacEncoding::Japanese, TMacNameReason::Chosen},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        const THeader h = HeaderFor(c.Bytes, c.Kind, c.Japanese);
        const TMacNameReading read = ReadHeaderName(h, c.Chosen);
        EXPECT_EQ(read.Text, c.Text);
        EXPECT_EQ(read.Encoding, c.Encoding);
        EXPECT_EQ(read.Reason, c.Reason);
        // Every reader of the name agrees: the check report, the header table, the extracted name.
        const TCheckReport report = CheckMacBinary(h, 128, c.Chosen);
        EXPECT_EQ(report.Name, c.Text);
        EXPECT_EQ(report.NameReason, c.Reason);
        EXPECT_NE(BuildHeaderTable(h, c.Chosen)[2].find("\t" + c.Text + "\t"), std::string::npos);
    }
}

// Where a name ends: byte 1 counts its bytes, at most 63, and a zero byte ends it sooner.
TEST(NameReading, TheNameEndsAtItsLengthOrAtAZeroByte) {
    struct Case {
        const char* Label;
        std::string Field; // bytes 2 on
        int Length;        // byte 1
        std::string Name;
    };
    const Case cases[] = {
        {"the length byte", "Photo.pict", 5, "Photo"},
        {"padding counted in", std::string("Photo\0\0\0\0\0", 10), 10, "Photo"},
        {"a zero byte inside", std::string("ab\0cd", 5), 5, "ab"},
        {"a count past the field", std::string(63, 'x'), 200, std::string(63, 'x')},
        {"empty", "", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        THeader h{};
        std::memcpy(&h[kOffsetName], c.Field.data(), c.Field.size());
        h[kOffsetNameLength] = static_cast<std::uint8_t>(c.Length);
        EXPECT_EQ(HeaderNameBytes(h), c.Name);
        EXPECT_EQ(ReadHeaderName(h).Text, c.Name);
        EXPECT_EQ(CheckMacBinary(h, 128).Name, c.Name);
    }
}

} // namespace
} // namespace kelda
