// SPDX-License-Identifier: MIT
#include "macbinary/MacBinaryHeader.h"

#include "macbinary/TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

namespace kelda {
namespace {

using test::PutName;
using test::PutUInt32;

TEST(HeaderFieldsTest, LabelsOffsetsAndKindsAreExact) {
    struct Expected {
        const char* No;
        int Offset;
        int Width;
        TFieldKind Kind;
        const char* Item;
    };
    // Labels with their exact runs of blanks; a lost blank misaligns the version columns.
    const Expected expected[] = {
        {"000", 0, 1, TFieldKind::Byte, "Ver"},
        {"002", 2, 63, TFieldKind::Char, "FileName"},
        {"069", 69, 4, TFieldKind::Char, "FileCreater"},
        {"087", 87, 4, TFieldKind::Integer, "ResorceForkLength"},
        {"095", 95, 4, TFieldKind::Date, "FileModified"},
        {"099", 99, 2, TFieldKind::Word, "GetInfoLen    I=0,II=n,  III=n"},
        {"102", 102, 4, TFieldKind::Char, "MacBin        I=0,II=0,  III=mBIN"},
        {"107", 107, 1, TFieldKind::Byte, "ExtFinderFlag I=0,II=0,  III=n"},
        {"108", 108, 8, TFieldKind::Char, "Const3"},
        {"116", 116, 4, TFieldKind::Integer, "BufferSize    I=0,II=n,  III=n"},
        {"120", 120, 2, TFieldKind::Word, "HeaderLen     I=0,II=0,  III=0"},
        {"122", 122, 1, TFieldKind::Byte, "MacBin        I=0,II=129,III=130"},
        {"123", 123, 1, TFieldKind::Byte, "MacBin        I=0,II=129,III=129"},
        {"124", 124, 2, TFieldKind::Word, "CRC           I=0,II=n,  III=n"},
        {"126", 126, 2, TFieldKind::Word, "OSID"},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.No);
        const auto it = std::find_if(HeaderFields.begin(), HeaderFields.end(),
                                     [&](const THeaderField& f) { return std::strcmp(f.No, e.No) == 0; });
        ASSERT_NE(it, HeaderFields.end());
        EXPECT_EQ(it->Offset, e.Offset);
        EXPECT_EQ(it->Width, e.Width);
        EXPECT_EQ(it->Kind, e.Kind);
        EXPECT_STREQ(it->Item, e.Item);
    }
}

TEST(HeaderFieldsTest, NumbersAreThreeDigitOffsetsAndFieldsTileTheHeader) {
    int next = 0;
    for (const THeaderField& f : HeaderFields) {
        char no[8];
        std::snprintf(no, sizeof no, "%03d", f.Offset);
        EXPECT_STREQ(f.No, no);
        EXPECT_EQ(f.Offset, next);
        next += f.Width;
        if (f.Kind == TFieldKind::Char) {
            EXPECT_TRUE(f.CharCount == kCountFromNameLength || f.CharCount == f.Width) << f.No;
        }
    }
    EXPECT_EQ(next, 128);
    EXPECT_EQ(HeaderFields[2].CharCount, kCountFromNameLength);
}

TEST(MacBinaryHeaderTest, AcceptanceLooksOnlyAtBytes0And74) {
    struct Case {
        std::uint8_t b0, b74;
        bool accepted;
    };
    for (const Case c : {Case{0, 0, true}, Case{1, 0, false}, Case{0, 1, false}, Case{255, 255, false}}) {
        THeader h{};
        h[0] = c.b0;
        h[74] = c.b74;
        EXPECT_EQ(IsMacBinary(h), c.accepted) << int(c.b0) << "/" << int(c.b74);
    }
    THeader junk;
    junk.fill(0xEE); // nothing but bytes 0 and 74 matters
    junk[0] = 0;
    junk[74] = 0;
    EXPECT_TRUE(IsMacBinary(junk));
}

TEST(MacBinaryHeaderTest, VersionTextFollowsByte122Only) {
    struct Case {
        std::uint8_t b122, b123;
        std::string_view text;
    };
    for (const Case c : {Case{129, 0, kFileTypeIIorIII}, Case{130, 129, kFileTypeIIorIII},
                         Case{0, 129, kFileTypeI}, Case{128, 129, kFileTypeI}, Case{131, 129, kFileTypeI}}) {
        THeader h{};
        h[122] = c.b122;
        h[123] = c.b123;
        EXPECT_EQ(FileTypeText(h), c.text) << int(c.b122);
    }
    EXPECT_EQ(kFileTypeI, "Mac Binary I");
    EXPECT_EQ(kFileTypeIIorIII, "Mac Binary II or Mac Binary III");
}

TEST(MacBinaryHeaderTest, NumbersAreBigEndian) {
    THeader h{};
    PutUInt32(h, 83, 0xFFFFFFFF);
    PutUInt32(h, 87, 0x80000000);
    h[75] = 0x12;
    h[76] = 0x34;
    EXPECT_EQ(HeaderInteger(h, 83), -1);
    EXPECT_EQ(HeaderInteger(h, 87), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(HeaderUInt32(h, 83), 0xFFFFFFFFu);
    EXPECT_EQ(HeaderWord(h, 75), 0x1234);
}

TEST(MacBinaryHeaderTest, LayoutRanges) {
    const std::int64_t big = 5'000'000'000; // over 4 GiB: must show its true size
    struct Case {
        std::int32_t d, r;
        std::int64_t size;
        TByteRange data, resource, comment;
    };
    const Case cases[] = {
        {0, 0, 128, {128, 127}, {128, 127}, {128, 127}},
        {1000, 0, 1152, {128, 1127}, {1128, 1127}, {1128, 1151}},
        {1000, 100, 1280, {128, 1127}, {1128, 1227}, {1228, 1279}},
        {-1, 0, 128, {128, 126}, {127, 126}, {127, 127}},
        // Lengths near the 32-bit limit do not wrap around.
        {std::numeric_limits<std::int32_t>::max(),
         std::numeric_limits<std::int32_t>::max(),
         big,
         {128, 2147483774},
         {2147483775, 4294967421},
         {4294967422, big - 1}},
        {std::numeric_limits<std::int32_t>::min(),
         0,
         128,
         {128, 127 - 2147483648LL},
         {128 - 2147483648LL, 127 - 2147483648LL},
         {128 - 2147483648LL, 127}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.d) + "/" + std::to_string(c.r));
        const TFileLayout layout = ComputeLayout(c.d, c.r, c.size);
        EXPECT_EQ(layout.Header, (TByteRange{0, 127}));
        EXPECT_EQ(layout.DataFork, c.data);
        EXPECT_EQ(layout.ResourceFork, c.resource);
        EXPECT_EQ(layout.Comment, c.comment);
    }
    THeader h{};
    PutUInt32(h, kOffsetDataForkLength, 1000);
    PutUInt32(h, kOffsetResourceForkLength, 100);
    EXPECT_EQ(ComputeLayout(h, 1280).Comment, (TByteRange{1228, 1279}));
}

TEST(MacBinaryHeaderTest, MacBinaryIINameRewrite) {
    struct Case {
        std::uint8_t nameLength;
        int firstCleared; // first byte of 2..63 set to 0
    };
    for (const Case c : {Case{0, 2}, Case{5, 7}, Case{62, 64}, Case{63, 64}, Case{200, 64}, Case{255, 64}}) {
        SCOPED_TRACE(int(c.nameLength));
        THeader h;
        h.fill(0x5A);
        h[0] = 0;
        h[1] = c.nameLength;
        THeader form = h;
        ApplyMacBinaryIIFields(form, h);
        for (int i = 2; i <= 63; ++i) {
            EXPECT_EQ(form[static_cast<std::size_t>(i)], i < c.firstCleared ? 0x5A : 0) << i;
        }
        EXPECT_EQ(form[64], 0x5A); // the last byte of the name field is never touched
        EXPECT_EQ(form[122], 129);
        EXPECT_EQ(form[123], 129);
        for (int i : {0, 1, 65, 74, 102, 105, 121, 124, 125, 126, 127}) {
            EXPECT_EQ(form[static_cast<std::size_t>(i)], h[static_cast<std::size_t>(i)]) << i;
        }
    }
}

TEST(MacBinaryHeaderTest, MacBinaryIIFormCarriesTheCrcHighByteFirst) {
    const THeader zero{};
    const THeader form = MacBinaryIIForm(zero);
    // CRC-16/XMODEM of 122 zero bytes followed by 0x81 0x81.
    EXPECT_EQ(HeaderCrc(form), 0xA900);
    EXPECT_EQ(form[124], 0xA9);
    EXPECT_EQ(form[125], 0x00);

    THeader v3{};
    PutName(v3, "Text");
    std::memcpy(&v3[102], "mBIN", 4);
    v3[122] = 130;
    v3[123] = 129;
    v3[126] = 0x12;
    v3[127] = 0x34;
    const THeader form3 = MacBinaryIIForm(v3);
    EXPECT_TRUE(HasMacBinarySignature(form3));
    EXPECT_EQ(form3[122], 129);
    EXPECT_EQ(form3[126], 0x12);
    EXPECT_EQ(form3[127], 0x34);
    EXPECT_EQ((form3[124] << 8) | form3[125], HeaderCrc(form3));
    // The CRC covers bytes 0 to 123 only.
    THeader other = form3;
    other[126] = 0;
    EXPECT_EQ(HeaderCrc(other), HeaderCrc(form3));
}

} // namespace
} // namespace kelda
