// SPDX-License-Identifier: MIT
#include "macbinary/HeaderTable.h"

#include "macbinary/TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace kelda {
namespace {

using test::PutName;
using test::PutUInt32;

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) {
            return fields;
        }
        start = tab + 1;
    }
}

std::string HexOf(const THeader& h, int offset, int width) {
    std::string text;
    char buffer[4];
    for (int i = 0; i < width; ++i) {
        std::snprintf(buffer, sizeof buffer, "%.2x", h[static_cast<std::size_t>(offset + i)]);
        text += (i ? " " : "") + std::string(buffer);
    }
    return text;
}

TEST(HeaderTableTest, LinesOfTheExamples) {
    THeader h{};
    PutName(h, "Photo");
    PutUInt32(h, kOffsetDataForkLength, 1000);
    h[122] = 129;
    const std::vector<std::string> lines = BuildHeaderTable(h);
    ASSERT_EQ(lines.size(), 28u);
    EXPECT_EQ(lines[12], "083\tDataForkLength\t1000\t[DEC]\t00 00 03 e8\t[HEX]");
    EXPECT_EQ(lines[24], "122\tMacBin        I=0,II=129,III=130\t129\t[DEC]\t81\t[HEX]");
    EXPECT_EQ(lines[2], "002\tFileName\tPhoto\t[CHR]\t" + HexOf(h, 2, 63) + "\t[HEX]");
    EXPECT_EQ(lines[14], "091\tFileCreate\t1904/01/01 00:00:00\t[Date]\t00 00 00 00\t[HEX]");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::vector<std::string> fields = Split(lines[i]);
        ASSERT_EQ(fields.size(), 6u) << lines[i];
        EXPECT_EQ(fields[0], HeaderFields[i].No);
        EXPECT_EQ(fields[1], HeaderFields[i].Item);
        EXPECT_EQ(fields[4], HexOf(h, HeaderFields[i].Offset, HeaderFields[i].Width));
        EXPECT_EQ(fields[5], "[HEX]");
    }
}

TEST(HeaderTableTest, ValueTextByKind) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        int kind; // 0 char(c = charCount), 1 byte, 2 word, 3 integer, 4 date
        int charCount;
        const char* value;
        const char* unit;
    };
    const Case cases[] = {
        {"type cut at zero", {0x54, 0x45, 0x00, 0x54}, 0, 4, "TE", "[CHR]"},
        {"count below width", {'A', 'B', 'C', 'D'}, 0, 2, "AB", "[CHR]"},
        {"count over width", {'A', 'B', 'C', 'D'}, 0, 255, "ABCD", "[CHR]"},
        {"count zero", {'A', 'B'}, 0, 0, "", "[CHR]"},
        {"tab stays", {'A', '\t', 'B', 0}, 0, 4, "A\tB", "[CHR]"},
        {"byte 255", {0xFF}, 1, 0, "255", "[DEC]"},
        {"word 65535", {0xFF, 0xFF}, 2, 0, "65535", "[DEC]"},
        {"word big-endian", {0x01, 0x02}, 2, 0, "258", "[DEC]"},
        {"integer -1", {0xFF, 0xFF, 0xFF, 0xFF}, 3, 0, "-1", "[DEC]"},
        {"integer minimum", {0x80, 0x00, 0x00, 0x00}, 3, 0, "-2147483648", "[DEC]"},
        {"integer maximum", {0x7F, 0xFF, 0xFF, 0xFF}, 3, 0, "2147483647", "[DEC]"},
        {"date 0", {0x00, 0x00, 0x00, 0x00}, 4, 0, "1904/01/01 00:00:00", "[Date]"},
        {"date 1", {0x00, 0x00, 0x00, 0x01}, 4, 0, "1904/01/01 00:00:01", "[Date]"},
        {"date 1970", {0x7C, 0x25, 0xB0, 0x80}, 4, 0, "1970/01/01 00:00:00", "[Date]"},
        {"date 1999", {0xB2, 0xD0, 0x5E, 0x00}, 4, 0, "1999/01/24 05:20:00", "[Date]"},
        {"date 2^31", {0x80, 0x00, 0x00, 0x00}, 4, 0, "1972/01/19 03:14:08", "[Date]"},
        {"date last", {0xFF, 0xFF, 0xFF, 0xFF}, 4, 0, "2040/02/06 06:28:15", "[Date]"},
        {"date leap day", {0xB4, 0xE0, 0xBC, 0x80}, 4, 0, "2000/02/29 00:00:00", "[Date]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TField field(c.bytes.data(), c.bytes.size());
        std::string line;
        switch (c.kind) {
        case 0:
            line = ConvertChar(field, "065", "FileType", c.charCount, TMacEncoding::Roman);
            break;
        case 1:
            line = ConvertByte(field, "065", "FileType");
            break;
        case 2:
            line = ConvertWord(field, "065", "FileType");
            break;
        case 3:
            line = ConvertInteger(field, "065", "FileType");
            break;
        default:
            line = ConvertDatetime(field, "065", "FileType");
            break;
        }
        const std::string expectedStart = std::string("065\tFileType\t") + c.value + "\t" + c.unit + "\t";
        EXPECT_EQ(line.substr(0, expectedStart.size()), expectedStart);
        EXPECT_TRUE(line.ends_with("\t[HEX]"));
    }
}

TEST(HeaderTableTest, NameFieldEdgeCases) {
    struct Case {
        const char* name;
        std::uint8_t length;
        std::string stored;
        std::size_t expectedFields;
        std::string value;
    };
    const std::string longName(63, 'x');
    const Case cases[] = {
        {"empty name", 0, "Photo", 6, ""},
        {"length 255 shows the 63 bytes", 255, longName, 6, longName},
        {"length 255 stops at a zero", 255, std::string("abc\0def", 7), 6, "abc"},
        {"tab in the name", 5, "ab\tcd", 7, "ab"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        THeader h{};
        std::memcpy(&h[2], c.stored.data(), c.stored.size());
        h[1] = c.length;
        const std::vector<std::string> fields = Split(BuildHeaderTable(h)[2]);
        ASSERT_EQ(fields.size(), c.expectedFields);
        EXPECT_EQ(fields[2], c.value);
        const std::string& hex = fields[c.expectedFields - 2];
        EXPECT_EQ(hex.size(), 63u * 3 - 1); // always all 63 bytes of the field
    }
}

TEST(HeaderTableTest, DateConversionIsExactOverTheWholeRange) {
    // Every value must land on v seconds after 1904-01-01: check the step between neighbours,
    // sampled over the whole 32-bit range, against the serial day count.
    for (std::uint64_t v = 0; v <= 0xFFFFFFFFull; v += 0x00FFFF13ull) {
        const TDateTime a = MacDateToDateTime(static_cast<std::uint32_t>(v));
        const std::int64_t seconds = (a.Days - 1462) * 86400 + a.Seconds; // day 1462 is 1904-01-01
        EXPECT_EQ(seconds, static_cast<std::int64_t>(v));
        EXPECT_GE(a.Seconds, 0);
        EXPECT_LT(a.Seconds, 86400);
    }
    EXPECT_EQ(time_tToDateTime(32400), (TDateTime{25569, 0}));
    EXPECT_EQ(time_tToDateTime(32399), (TDateTime{25568, 86399})); // floor, not truncation
    EXPECT_DOUBLE_EQ((TDateTime{25569, 43200}).Value(), 25569.5);
    EXPECT_EQ(FormatDateTime(TDateTime{1462, 3661}, '-', '.'), "1904-01-01 01.01.01");
    EXPECT_EQ(FormatDateTime(TDateTime{0, 0}), "1899/12/30 00:00:00");
}

TEST(HeaderTableTest, CharacterFieldsFollowTheScriptOfTheHeader) {
    THeader h{};
    const std::uint8_t kanji[] = {0x93, 0xFA, 0x96, 0x7B}; // "日本" in code page 932
    std::memcpy(&h[2], kanji, 4);
    h[1] = 4;
    // Without the signature the bytes decide: two common kanji, not "ì˙ñ{".
    EXPECT_EQ(Split(BuildHeaderTable(h)[2])[2], "日本");
    std::memcpy(&h[102], "mBIN", 4);
    h[106] = 0; // script 0, which common writers leave for every name: the bytes decide still
    EXPECT_EQ(Split(BuildHeaderTable(h)[2])[2], "日本");
    EXPECT_EQ(Split(BuildHeaderTable(h, TMacEncoding::Roman)[2])[2], "ì˙ñ{");
    h[106] = 1; // Japanese script
    EXPECT_EQ(Split(BuildHeaderTable(h)[2])[2], "日本");
    EXPECT_EQ(HeaderTextEncoding(h), TMacEncoding::Japanese);
    // A Mac Roman name, valid Shift-JIS as well ("na夫e ｩ"), makes the other texts Mac Roman too.
    THeader roman{};
    PutName(roman, "na\x95ve \xA9");
    std::memcpy(&roman[65], "\xA5\xA5\xA5\xA5", 4); // bullets, half-width dots in Shift-JIS
    EXPECT_EQ(Split(BuildHeaderTable(roman)[2])[2], "naïve ©");
    EXPECT_EQ(Split(BuildHeaderTable(roman)[3])[2], "••••");
    EXPECT_EQ(HeaderTextEncoding(roman), TMacEncoding::Roman);
}

} // namespace
} // namespace kelda
