// Every two-language table lists the English text first and the Japanese text second. A pair given
// in the other order compiles and runs, so these tests read each table through its accessor and
// check that the English text holds no Japanese character and the Japanese text is not plain ASCII.
#include "app/Language.h"
#include "cli/CliText.h"
#include "image/ImageFault.h"
#include "macbinary/CheckReport.h"
#include "macbinary/SourceShortfall.h"
#include "resources/ResourceFinding.h"
#include "resources/ResourceTexts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <string_view>
#include <vector>

using namespace kelda;

namespace {

struct TPair {
    std::string Entry; // names the entry in a failure
    std::string English;
    std::string Japanese;
};

// Kana, CJK ideographs and the full- and half-width forms: UTF-8 lead bytes E3 to E9 (U+3000 to
// U+9FFF) and EF BC to EF BF (U+FF00 to U+FFFF).
bool HasJapanese(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if ((b >= 0xE3 && b <= 0xE9) ||
            (b == 0xEF && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0xBC)) {
            return true;
        }
    }
    return false;
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Entries whose two texts are the same by nature: names, codes and labels that are not translated.
const std::set<std::string> kLanguageNeutral = {
    "TResText #2",               // "ID"
    "caption MenuJapaneseSet/0", // "Japanese(&J)": the menu item keeps its name in both modes
    "fork caption BtnMakeOk/0",  // "OK"
    "TImageStructure #0",        // no structure: the empty name
};

void ExpectColumnsInOrder(const std::vector<TPair>& table) {
    ASSERT_FALSE(table.empty());
    for (const TPair& p : table) {
        EXPECT_FALSE(HasJapanese(p.English)) << p.Entry << ": the English column holds \"" << p.English
                                             << "\"; is the pair in {Japanese, English} order?";
        if (kLanguageNeutral.contains(p.Entry)) {
            EXPECT_EQ(p.English, p.Japanese) << p.Entry << " is listed as language-neutral";
        } else {
            EXPECT_FALSE(IsAscii(p.Japanese)) << p.Entry << ": the Japanese column holds \"" << p.Japanese
                                              << "\"; is the pair in {Japanese, English} order?";
        }
    }
}

template <typename TEnum, typename TText>
std::vector<TPair> EnumTable(const char* name, int count, TText text) {
    std::vector<TPair> table;
    for (int i = 0; i < count; ++i) {
        const auto e = static_cast<TEnum>(i);
        table.push_back({std::string(name) + " #" + std::to_string(i), text(e, false), text(e, true)});
    }
    return table;
}

std::vector<TPair> CaptionPairs(const char* name, std::span<const TCaptionEntry> captions) {
    std::vector<TPair> table;
    for (const TCaptionEntry& c : captions) {
        table.push_back(
            {std::string(name) + " " + c.Control + "/" + std::to_string(static_cast<int>(c.Target)),
             c.English, c.Japanese});
    }
    return table;
}

} // namespace

TEST(LanguageColumnsTest, WindowMessages) {
    ExpectColumnsInOrder(EnumTable<TMsg>("TMsg", kMessageCount,
                                         [](TMsg m, bool japanese) { return MessageText(m, japanese); }));
}

TEST(LanguageColumnsTest, CliTexts) {
    ExpectColumnsInOrder(EnumTable<TCliMsg>("TCliMsg", static_cast<int>(TCliMsg::CrcCheckAlone) + 1,
                                            [](TCliMsg m, bool japanese) { return CliText(m, japanese); }));
}

TEST(LanguageColumnsTest, ResourceTexts) {
    ExpectColumnsInOrder(
        EnumTable<TResText>("TResText", static_cast<int>(TResText::NoPreview) + 1,
                            [](TResText t, bool japanese) { return ResourceText(t, japanese); }));
}

TEST(LanguageColumnsTest, ResourceFindings) {
    ExpectColumnsInOrder(EnumTable<TResFinding>(
        "TResFinding", static_cast<int>(TResFinding::DataOverlap) + 1, [](TResFinding f, bool japanese) {
            return TResourceFinding{f, {"1", "2", "3", "4"}}.Text(japanese);
        }));
}

TEST(LanguageColumnsTest, ShortfallMessagesAndSeverityNames) {
    ExpectColumnsInOrder(EnumTable<TOutputPart>(
        "TOutputPart", static_cast<int>(TOutputPart::DataFork) + 1,
        [](TOutputPart p, bool japanese) { return ShortfallMessage(p, 7, japanese); }));
    ExpectColumnsInOrder(EnumTable<TCheckSeverity>(
        "TCheckSeverity", static_cast<int>(TCheckSeverity::NotMacBinary) + 1,
        [](TCheckSeverity s, bool japanese) { return std::string(SeverityName(s, japanese)); }));
}

TEST(LanguageColumnsTest, Captions) {
    ExpectColumnsInOrder(CaptionPairs("caption", CaptionTable()));
    ExpectColumnsInOrder(CaptionPairs("fork caption", ForkCaptionTable()));
}

TEST(LanguageColumnsTest, ImageFaultsAndStructures) {
    ExpectColumnsInOrder(EnumTable<TImageFault>(
        "TImageFault", static_cast<int>(TImageFault::BlocksUnclaimed) + 1, [](TImageFault f, bool japanese) {
            return TImageFinding{f, TImageStructure::Mdb, {"1", "2", "3", "4", "5"}}.Text(japanese);
        }));
    ExpectColumnsInOrder(EnumTable<TImageStructure>(
        "TImageStructure", static_cast<int>(TImageStructure::FileDirectory) + 1,
        [](TImageStructure s, bool japanese) { return std::string(StructureName(s, japanese)); }));
}
