// SPDX-License-Identifier: MIT
// HFS+ volumes written by the test builder (HfsPlusBuilder.h), bare, as HFSX, inside an HFS
// wrapper and in a partition map: what the reader lists is what the builder put in (names composed
// to NFC, forks byte for byte through the overflow tree), each is checked by fsck.hfsplus when the
// system has it, and damaged copies each give their fault.
#include "image/DiskImage.h"
#include "image/HfsVolume.h"
#include "image/ImageVolume.h"

#include "HfsPlusBuilder.h"
#include "ImageFiles.h"
#include "support/TimeZone.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>

namespace kelda {
namespace {

using test::Bytes;
using test::FaultOf;
using test::TPlusItem;

// Café with its é decomposed (e, U+0301); データ with デ decomposed (テ, U+3099); 日本語.
const std::u16string kCafe = u"Cafe\u0301";
const std::u16string kData = u"\u30C6\u3099\u30FC\u30BF";
const std::u16string kNihongo = u"\u65E5\u672C\u8A9E";

std::vector<TPlusItem> Items() {
    std::vector<TPlusItem> items;
    items.push_back({.Path = {u"Docs"}, .Folder = true, .FinderFlags = 0x0400});
    items.push_back({.Path = {u"Docs", kCafe}, .Folder = true});
    items.push_back({.Path = {u"Docs", kCafe, u"Menu"},
                     .Type = "WDBN",
                     .Creator = "MSWD",
                     .FinderFlags = 0x4000,
                     .Locked = true,
                     .Created = 0xB0000000,
                     .Modified = 0xB0001000,
                     .Data = test::RandomBytes(10000, 1),
                     .Resource = test::RandomBytes(777, 2)});
    items.push_back({.Path = {kNihongo}, .Data = Bytes{'h', 'i', '\r'}});
    // Twenty pieces: eight in the catalog record, twelve in two overflow records.
    items.push_back(
        {.Path = {u"Docs", kData}, .Data = test::RandomBytes(20 * 4096 + 5, 3), .DataPieces = 20});
    items.push_back({.Path = {u"Squeezed"}, .Compressed = true, .Resource = test::RandomBytes(300, 4)});
    items.push_back({.Path = {u"Empty"}});
    return items;
}

// fsck.hfsplus -n on the volume: an independent judge of what the builder writes.
void ExpectFsckClean(const std::filesystem::path& image) {
    if (std::system("command -v fsck.hfsplus >/dev/null 2>&1") != 0) {
        return;
    }
    const std::string command = "fsck.hfsplus -n '" + image.string() + "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << "fsck.hfsplus finds " << image << " damaged";
}

class HfsPlusVolumeTest : public ::testing::Test {
protected:
    std::filesystem::path Write(const Bytes& bytes, const std::string& name = "plus.img") {
        const std::filesystem::path file = dir_.path() / name;
        test::WriteBytes(file, bytes);
        return file;
    }
    test::TempDir dir_;
};

TEST_F(HfsPlusVolumeTest, ReadsWhatTheBuilderWroteInEachContainer) {
    const test::TScopedTimeZone utc("UTC"); // the items' UTC dates then read as they were written
    const std::vector<TPlusItem> items = Items();
    const Bytes small = test::BuildHfsPlus(items, {.BlockSize = 512, .NodeSize = 4096});
    const Bytes big = test::BuildHfsPlus(items);
    const Bytes hfsx = test::BuildHfsPlus(items, {.HfsX = true});
    const Bytes partitioned =
        test::PartitionedDisk({{"Driver", "Apple_Driver", Bytes(1024, 0xEE)}, {"Plus", "Apple_HFS", big}});
    const struct {
        const char* Name;
        Bytes Image;
        const Bytes* Volume; // checked by fsck.hfsplus
        std::vector<TImageKind> Containers;
    } cases[] = {
        {"512-byte blocks, nodes of eight blocks", small, &small, {}},
        {"4096-byte blocks", big, &big, {}},
        {"HFSX", hfsx, &hfsx, {}},
        {"in an HFS wrapper", test::WrapInHfs(small), &small, {}},
        {"in a partition map", partitioned, &big, {TImageKind::PartitionMap}},
    };
    // Expected, by path: the composed names.
    const std::map<std::string, std::size_t> byPath = {
        {"Docs", 0},        {"Docs/Café", 1}, {"Docs/Café/Menu", 2}, {"日本語", 3},
        {"Docs/データ", 4}, {"Squeezed", 5},  {"Empty", 6}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        ExpectFsckClean(Write(*c.Volume, "fsck.img"));
        const std::filesystem::path file = Write(c.Image);
        const TFileStream stream(file, FileMode::Read);
        EXPECT_EQ(DetectImage(stream, 0, stream.Size()),
                  c.Containers.empty() ? TImageKind::HfsPlus : TImageKind::PartitionMap);
        const std::vector<TVolumeRange> ranges = FindVolumes(stream, 0, stream.Size());
        ASSERT_EQ(ranges.size(), 1u);
        EXPECT_EQ(ranges[0].Containers, c.Containers);
        const std::unique_ptr<TMacVolume> volume = OpenVolume(stream, ranges[0]);
        EXPECT_EQ(volume->Kind(), TImageKind::HfsPlus);
        EXPECT_EQ(volume->NameText(TMacEncoding::Auto), "Plus Test");
        EXPECT_EQ(volume->FileCount(), 5u);
        EXPECT_EQ(volume->FolderCount(), 2u);
        ASSERT_EQ(volume->Entries().size(), items.size());
        for (const THfsEntry& e : volume->Entries()) {
            const std::string path = EntryPathText(e);
            SCOPED_TRACE(path);
            ASSERT_TRUE(byPath.contains(path));
            const TPlusItem& item = items[byPath.at(path)];
            EXPECT_EQ(e.Kind, item.Folder ? THfsKind::Folder : THfsKind::File);
            EXPECT_EQ(ReadEntryName(e).Reason, TMacNameReason::Unicode);
            EXPECT_EQ(e.Info.FinderFlags, item.FinderFlags);
            EXPECT_EQ(e.Compressed, item.Compressed);
            if (item.Folder) {
                continue;
            }
            EXPECT_EQ(FourCCBytes(e.Info.Type), item.Type);
            EXPECT_EQ(FourCCBytes(e.Info.Creator), item.Creator);
            EXPECT_EQ(e.Info.Protected, item.Locked);
            EXPECT_EQ(e.Info.Created, item.Created);
            EXPECT_EQ(e.Info.Modified, item.Modified);
            if (item.Compressed) {
                const TImageFinding fault = FaultOf([&] { volume->ForkSources(e, THfsForkKind::Data); });
                EXPECT_EQ(fault.Kind, TImageFault::ForkCompressed);
                EXPECT_EQ(EImageError(fault).english(), "File " + std::to_string(e.Id) +
                                                            " is stored compressed, which is not read: it is "
                                                            "listed, but its data fork cannot be taken out");
                continue;
            }
            EXPECT_EQ(test::CopyForks(volume->ForkSources(e, THfsForkKind::Data), dir_.path() / "d"),
                      item.Data);
            EXPECT_EQ(test::CopyForks(volume->ForkSources(e, THfsForkKind::Resource), dir_.path() / "r"),
                      item.Resource);
        }
        // Nothing to report: the compressed file is listed, not damage.
        EXPECT_TRUE(volume->Check().empty()) << volume->Check().front().Text(false);
        EXPECT_TRUE(CheckHfsImage(stream, 0, stream.Size()).empty());
    }
}

TEST_F(HfsPlusVolumeTest, TheMacBytesOfUnicodeNamesAreWhatTheWritersCanUse) {
    const Bytes volume = test::BuildHfsPlus(Items());
    const TFileStream stream(Write(volume), FileMode::Read);
    const THfsVolume v = THfsVolume::Open(stream, 0, stream.Size());
    std::map<std::string, const THfsEntry*> byName;
    for (const THfsEntry& e : v.Entries()) {
        byName[e.Path.back()] = &e;
    }
    const struct {
        const char* Text;
        std::string MacBytes;
        std::uint8_t Script;
    } cases[] = {{"Café", "Caf\x8E", 0},
                 {"日本語", "\x93\xfa\x96\x7b\x8c\xea", 0x81},
                 {"データ", "\x83\x66\x81\x5B\x83\x5E", 0x81}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        ASSERT_TRUE(byName.contains(c.Text));
        EXPECT_EQ(byName[c.Text]->Info.Name, c.MacBytes);
        EXPECT_EQ(byName[c.Text]->Info.Script, c.Script);
    }
}

// Damage to each structure: the fault and the structure it names, never a crash or a loop.
TEST_F(HfsPlusVolumeTest, DamagedStructuresGiveTheirFault) {
    test::TPlusLayout layout;
    const Bytes base = test::BuildHfsPlus(Items(), {}, &layout);
    ASSERT_EQ(layout.OverflowRecords, 2u);
    const std::size_t cat = layout.CatalogAt;
    const std::size_t leaf = cat + 4096; // node 1, the first leaf
    const std::size_t ext = layout.ExtentsAt;
    const struct {
        const char* Name;
        std::function<void(Bytes&)> Damage;
        TImageFault Fault;
        TImageStructure Structure;
        bool Wrap = false;
    } cases[] = {
        {"version", [](Bytes& b) { test::SetBig16(b, 1024 + 2, 3); }, TImageFault::BadValue,
         TImageStructure::Mdb},
        {"block size", [](Bytes& b) { test::SetBig32(b, 1024 + 40, 3000); }, TImageFault::BadValue,
         TImageStructure::Mdb},
        {"catalog extent past the end", [](Bytes& b) { test::SetBig32(b, 1024 + 272 + 16, 0x00FFFFFF); },
         TImageFault::ExtentOutside, TImageStructure::CatalogTree},
        {"catalog node size", [&](Bytes& b) { test::SetBig16(b, cat + 14 + 18, 1000); },
         TImageFault::BadValue, TImageStructure::CatalogTree},
        {"catalog root outside", [&](Bytes& b) { test::SetBig32(b, cat + 14 + 2, 999); },
         TImageFault::NodeOutside, TImageStructure::CatalogTree},
        {"leaf record count", [&](Bytes& b) { test::SetBig16(b, leaf + 10, 5000); },
         TImageFault::NodeRecordCount, TImageStructure::CatalogTree},
        {"leaf record offset", [&](Bytes& b) { test::SetBig16(b, leaf + 4096 - 4, 4090); },
         TImageFault::RecordOffsets, TImageStructure::CatalogTree},
        {"key length", [&](Bytes& b) { test::SetBig16(b, leaf + 14, 4000); }, TImageFault::RecordShort,
         TImageStructure::CatalogTree},
        {"name length", [&](Bytes& b) { test::SetBig16(b, leaf + 14 + 6, 300); }, TImageFault::RecordShort,
         TImageStructure::CatalogTree},
        {"record type", [&](Bytes& b) { test::SetBig16(b, leaf + 14 + 2 + test::Big16(b, leaf + 14), 9); },
         TImageFault::RecordKind, TImageStructure::CatalogTree},
        {"leaf links to itself", [&](Bytes& b) { test::SetBig32(b, leaf, 1); }, TImageFault::NodeLoop,
         TImageStructure::CatalogTree},
        {"overflow tree emptied", [&](Bytes& b) { test::SetBig16(b, ext + 14, 0); },
         TImageFault::ExtentsMissing, TImageStructure::DataFork},
        {"fork length near 2^63",
         [&](Bytes& b) {
             // The first file record of the first leaf: its data fork's logical size.
             for (std::size_t i = 0; i < test::Big16(b, leaf + 10); ++i) {
                 const std::size_t rec = leaf + test::Big16(b, leaf + 4096 - 2 * (i + 1));
                 const std::size_t data = rec + 2 + test::Big16(b, rec);
                 if (test::Big16(b, data) == 2) {
                     test::SetBig32(b, data + 88, 0x7FFFFFFF);
                     test::SetBig32(b, data + 92, 0xFFFFFFFF);
                     return;
                 }
             }
         },
         TImageFault::ForkShort, TImageStructure::DataFork},
        {"wrapper's embedded extent", [](Bytes& b) { test::SetBig16(b, 1024 + 128, 0xFFFF); },
         TImageFault::BadValue, TImageStructure::Mdb, true},
        {"wrapper holds no HFS+", [](Bytes& b) { b[4096 + 1024] = 'X'; }, TImageFault::BadSignature,
         TImageStructure::Mdb, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Bytes bytes = c.Wrap ? test::WrapInHfs(base) : base;
        c.Damage(bytes);
        const TFileStream stream(Write(bytes), FileMode::Read);
        const TImageFinding fault = FaultOf([&] {
            const THfsVolume v = THfsVolume::Open(stream, 0, stream.Size());
            for (const THfsEntry& e : v.Entries()) {
                if (!e.Compressed) {
                    v.ForkSources(e, THfsForkKind::Data);
                }
            }
        });
        EXPECT_EQ(fault.Kind, c.Fault) << fault.Text(false);
        EXPECT_EQ(fault.Structure, c.Structure) << fault.Text(false);
    }
}

// HFS+ keeps catalog dates and the volume's modification date in UTC, HFS and MacBinary the local
// clock: a file taken out of an HFS+ volume carries the instant it was given, in every zone.
TEST_F(HfsPlusVolumeTest, UtcDatesAreHandedOnAsTheLocalClocksReading) {
    constexpr std::uint32_t k2000Utc = 0xB492F400; // 2000-01-01 00:00:00 UTC, seconds since 1904
    const std::vector<TPlusItem> items = {
        {.Path = {u"File"}, .Created = k2000Utc, .Modified = k2000Utc + 60}};
    const std::filesystem::path file = Write(test::BuildHfsPlus(items, {.Created = k2000Utc}));
    const struct {
        const char* Zone;
        std::int64_t LocalOffset; // seconds the zone's clock is ahead of UTC on that day
    } cases[] = {{"UTC", 0}, {"Asia/Tokyo", 9 * 3600}, {"America/Los_Angeles", -8 * 3600}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Zone);
        const test::TScopedTimeZone zone(c.Zone);
        const TFileStream stream(file, FileMode::Read);
        const std::unique_ptr<TMacVolume> volume =
            OpenVolume(stream, FindVolumes(stream, 0, stream.Size())[0]);
        ASSERT_EQ(volume->Entries().size(), 1u);
        const THfsEntry& e = volume->Entries()[0];
        EXPECT_EQ(e.Info.Created, k2000Utc + c.LocalOffset);
        EXPECT_EQ(e.Info.Modified, k2000Utc + 60 + c.LocalOffset);
        EXPECT_EQ(volume->Modified(), k2000Utc + c.LocalOffset);
    }
}

// Surrogate pairs are kept, unpaired halves become U+FFFD, and decomposed text is composed.
TEST(Utf16ToNfcUtf8, ComposesAndReplacesUnpairedSurrogates) {
    const struct {
        std::u16string In;
        std::string Out;
    } cases[] = {{u"Cafe\u0301", "Café"},
                 {u"\u30C6\u3099", "デ"},
                 {u"\xD83D\xDE00", "\xF0\x9F\x98\x80"},
                 {u"a\xD800z", "a\xEF\xBF\xBDz"},
                 {u"\xDC00", "\xEF\xBF\xBD"},
                 {u"", ""},
                 {std::u16string(u"\0\0\0\0HFS+", 8), std::string("\0\0\0\0HFS+", 8)}};
    for (const auto& c : cases) {
        EXPECT_EQ(Utf16ToNfcUtf8(c.In), c.Out);
    }
}

} // namespace
} // namespace kelda
