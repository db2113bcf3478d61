// SPDX-License-Identifier: MIT
// The Resources page's texts, made in the core: the decoded detail, the hex dump, and the model's
// table, findings and chosen resource.
#include "resources/ResourceDetail.h"
#include "resources/TResourceModel.h"

#include "macbinary/TestFiles.h"
#include "resources/ForkBuilder.h"

#include <gtest/gtest.h>

namespace kelda {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

TEST(ResourceHexDump, SixteenBytesALineInLowerCaseWithTheTextColumnInPlace) {
    Bytes bytes;
    for (int i = 0; i < 18; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(0xF0 + i * 7));
    }
    bytes[1] = 'A';
    const std::string dump = ResourceHexDump(bytes);
    EXPECT_EQ(dump, "000000  f0 41 fe 05 0c 13 1a 21 28 2f 36 3d 44 4b 52 59  .A.....!(/6=DKRY\n"
                    "000010  60 67                                            `g\n");
    EXPECT_EQ(ResourceHexDump({}), "");
}

TEST(ResourceDecodedText, EachDecoderAndNoneForOtherTypes) {
    const Bytes vers = {0x03, 0x00, 0x60, 0x07, 0x00, 0x00, 5, '3', '.', '0', 'b', '7', 0};
    const Bytes bundle = {'K', 'E', 'L', 'D', 0, 0, 0, 1, 'I', 'C', 'N', '#', 0, 0, 0, 0, 0, 128};
    const struct {
        TResType Type;
        Bytes Data;
        std::string English;
    } cases[] = {
        {ResType("vers"), vers,
         "Version: 3.0b7\nStage: beta\nRegion: 0\nShort string: 3.0b7\nLong string: \n\n"},
        {ResType("STR "), {2, 'H', 'i'}, "Hi\n\n"},
        {ResType("STR#"), {0, 2, 1, 'a', 2, 'b', 'c'}, "1: a\n2: bc\n\n"},
        {ResType("BNDL"), bundle, "'KELD' 0\n  'ICN#': 0->128\n\n"},
        {ResType("FREF"), {'A', 'P', 'P', 'L', 0, 0, 0}, "'APPL' 0\n\n"},
        {ResType("ICN#"), Bytes(256, 0), ""},
        {ResType("vers"), {1}, ""}, // too short to decode
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ResourceDecodedText(c.Type, c.Data, TMacEncoding::Roman, false), c.English)
            << ResTypeText(c.Type);
        EXPECT_EQ(ResourceDetailText(c.Type, c.Data, TMacEncoding::Roman, false),
                  c.English + ResourceHexDump(c.Data))
            << ResTypeText(c.Type);
    }
}

TEST(TResourceModel, ReadsTheMapTheRowsAndTheChosenDetail) {
    test::TempDir dir;
    const Bytes fork = test::BuildResourceFork({
                                                   {"STR ", 128, std::string("Hello"), 0x20, {2, 'H', 'i'}},
                                                   {"ICN#", 128, std::nullopt, 0, Bytes(256, 0xFF)},
                                               })
                           .Bytes;
    THeader header{};
    test::PutName(header, "R");
    const Bytes file = test::MakeMacBinaryFile(header, 0, static_cast<std::int32_t>(fork.size()), fork);
    test::WriteBytes(dir / "r.bin", file);
    std::copy(file.begin(), file.begin() + 128, header.begin());

    TResourceModel model = TResourceModel::Read(dir / "r.bin", header);
    EXPECT_EQ(model.File(), dir / "r.bin");
    ASSERT_EQ(model.Rows().size(), 2U);
    EXPECT_EQ(model.Rows()[0], (TResourceModel::TRow{"'STR '", "128", "Hello", "purgeable", "3"}));
    EXPECT_TRUE(model.FindingLines(false).empty());
    EXPECT_FALSE(model.OwnIcon()); // no bundle names it
    EXPECT_EQ(model.CurrentRow(), 0);
    TResourceDetail detail = model.CurrentDetail(false);
    EXPECT_EQ(detail.Text, "Hi\n\n000000  02 48 69" + std::string(41, ' ') + ".Hi\n");
    EXPECT_TRUE(detail.Savable);
    EXPECT_FALSE(detail.Icon);

    model.SetCurrentRow(1);
    detail = model.CurrentDetail(false);
    ASSERT_TRUE(detail.Icon);
    EXPECT_EQ(detail.Icon->Width, 32);
    EXPECT_EQ(model.SaveCurrent(dir / "icn", false), TConvertStatus::Written);
    EXPECT_EQ(test::ReadBytes(dir / "icn"), Bytes(256, 0xFF));

    for (const int outside : {-1, 2, 99}) {
        model.SetCurrentRow(outside);
        EXPECT_EQ(model.Current(), nullptr) << outside;
        EXPECT_EQ(model.CurrentDetail(false).Text, "") << outside;
    }

    // A file without a resource fork says so; before any file, nothing is said.
    THeader bare{};
    test::PutName(bare, "B");
    const Bytes plain = test::MakeMacBinaryFile(bare, 0, 0, {});
    test::WriteBytes(dir / "b.bin", plain);
    std::copy(plain.begin(), plain.begin() + 128, bare.begin());
    EXPECT_EQ(TResourceModel::Read(dir / "b.bin", bare).FindingLines(false).size(), 1U);
    EXPECT_TRUE(TResourceModel().FindingLines(false).empty());
}

} // namespace
} // namespace kelda
