// SPDX-License-Identifier: MIT
// The HFS reader on images built with another tool of the field: the tree and the forks against
// what that tool's listing says and what went into it (the corpus's MacBinary files), a fragmented
// file through the extents overflow tree, and damaged images, each giving its fault.
#include "image/HfsVolume.h"

#include "ImageFiles.h"
#include "forks/TMacFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>

namespace kelda {
namespace {

using test::Bytes;
using test::FaultOf;
using test::ImageBytes;

std::string Code(const TFourCC& code) {
    return std::string(code.begin(), code.end());
}

const THfsEntry* ByPath(const THfsVolume& volume, const std::vector<std::string>& path) {
    for (const THfsEntry& e : volume.Entries()) {
        if (e.Path == path) {
            return &e;
        }
    }
    return nullptr;
}

// The key of the catalog record named `name` (found by its bytes: length, then the name).
std::size_t CatalogKey(const Bytes& image, const std::string& name) {
    const std::size_t from = test::NodeAt(image, 0);
    std::string pattern(1, static_cast<char>(name.size()));
    pattern += name;
    const auto it = std::search(image.begin() + static_cast<std::ptrdiff_t>(from), image.end(),
                                pattern.begin(), pattern.end());
    EXPECT_NE(it, image.end()) << name;
    return static_cast<std::size_t>(it - image.begin()) - 6;
}

std::size_t CatalogData(const Bytes& image, const std::string& name) {
    const std::size_t key = CatalogKey(image, name);
    const std::size_t end = key + 1 + image[key];
    return end + (end & 1);
}

// The catalog header record's fields.
std::size_t CatalogHeader(const Bytes& image) {
    return test::NodeAt(image, 0) + 14;
}

class HfsVolumeTest : public ::testing::Test {
protected:
    std::filesystem::path Write(const Bytes& bytes) {
        const std::filesystem::path file = dir_ / ("image" + std::to_string(++count_));
        test::WriteBytes(file, bytes);
        return file;
    }
    Bytes Fork(const THfsVolume& volume, const THfsEntry& e, THfsForkKind fork) {
        return test::CopyForks(volume.ForkSources(e, fork), dir_ / "fork");
    }
    test::TempDir dir_;
    int count_ = 0;
};

// What `hls -lR` lists of the image (tests/corpus/images/README.md).
TEST_F(HfsVolumeTest, TheTreeIsWhatTheListingSays) {
    const TFileStream stream(Write(ImageBytes("basic.hfs")), FileMode::Read);
    const THfsVolume volume = THfsVolume::Open(stream, 0, stream.Size());
    EXPECT_EQ(volume.Mdb().VolumeName, "Kelda Test");
    EXPECT_EQ(volume.Mdb().AllocationBlockSize, 512u);
    EXPECT_EQ(volume.Mdb().FileCount, 4u);
    EXPECT_EQ(volume.Mdb().FolderCount, 2u);
    const std::string japanese = "\x93\xFA\x96\x7B\x8C\xEA"; // 日本語 in code page 932
    const struct {
        std::vector<std::string> Path;
        THfsKind Kind;
        const char* Type;
        const char* Creator;
        std::uint32_t Resource;
        std::uint32_t Data;
        std::uint16_t Valence;
    } expected[] = {
        {{"Docs"}, THfsKind::Folder, "\0\0\0\0", "\0\0\0\0", 0, 0, 2},
        {{"Font"}, THfsKind::File, "FFIL", "DMOV", 2584, 0, 0},
        {{japanese}, THfsKind::File, "TEXT", "UNIX", 0, 6, 0},
        {{"Docs", "Deep"}, THfsKind::Folder, "\0\0\0\0", "\0\0\0\0", 0, 0, 1},
        {{"Docs", "TextFile"}, THfsKind::File, "TEXT", "R*ch", 1454, 21, 0},
        {{"Docs", "Deep", "CHAPTER12"}, THfsKind::File, "WDBN", "MSWD", 0, 26112, 0},
    };
    ASSERT_EQ(volume.Entries().size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const THfsEntry& e = volume.Entries()[i];
        SCOPED_TRACE(EntryPathText(e));
        EXPECT_EQ(e.Path, expected[i].Path);
        EXPECT_EQ(e.Info.Name, expected[i].Path.back());
        EXPECT_EQ(e.Kind, expected[i].Kind);
        EXPECT_EQ(Code(e.Info.Type), std::string(expected[i].Type, 4));
        EXPECT_EQ(Code(e.Info.Creator), std::string(expected[i].Creator, 4));
        EXPECT_EQ(e.Resource.LogicalLength, expected[i].Resource);
        EXPECT_EQ(e.Data.LogicalLength, expected[i].Data);
        EXPECT_EQ(e.Valence, expected[i].Valence);
        const THfsEntry* parent = volume.Find(e.ParentId);
        if (e.Path.size() > 1) {
            ASSERT_NE(parent, nullptr);
            EXPECT_EQ(parent->Path, std::vector<std::string>(e.Path.begin(), e.Path.end() - 1));
        } else {
            EXPECT_EQ(e.ParentId, 2u);
        }
        EXPECT_EQ(volume.Find(e.Id), &e);
    }
    EXPECT_TRUE(volume.Check().empty());
}

TEST_F(HfsVolumeTest, AJapaneseNameIsReadByTheOneNameRule) {
    const TFileStream stream(Write(ImageBytes("basic.hfs")), FileMode::Read);
    const THfsVolume volume = THfsVolume::Open(stream, 0, stream.Size());
    const THfsEntry* e = ByPath(volume, {"\x93\xFA\x96\x7B\x8C\xEA"});
    ASSERT_NE(e, nullptr);
    const TMacNameReading name = ReadEntryName(*e);
    EXPECT_EQ(name.Text, "日本語");
    EXPECT_EQ(name.Encoding, TMacEncoding::Japanese);
    EXPECT_EQ(Fork(volume, *e, THfsForkKind::Data), (Bytes{'h', 'e', 'l', 'l', 'o', '\r'}));
    const THfsEntry* deep = ByPath(volume, {"Docs", "Deep", "CHAPTER12"});
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(EntryPathText(*deep), "Docs/Deep/CHAPTER12");
}

// The files went in as MacBinary files (hcopy -m): each comes out with the same forks and Finder fields.
TEST_F(HfsVolumeTest, ForksAndFinderFieldsAreThoseThatWentIn) {
    const TFileStream stream(Write(ImageBytes("basic.hfs")), FileMode::Read);
    const THfsVolume volume = THfsVolume::Open(stream, 0, stream.Size());
    const struct {
        const char* Source;
        std::vector<std::string> Path;
        std::uint16_t FlagsSet; // by hattrib after the copy
        bool Locked;
    } cases[] = {
        {"wezm_TextFile_II.bin", {"Docs", "TextFile"}, 0, false},
        {"hfsutils_jw1995_CHAPTER12.bin", {"Docs", "Deep", "CHAPTER12"}, 0, true},
        {"monobit_4x6_ufond.bin", {"Font"}, 0x4000, false}, // invisible
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Source);
        const TMacFileSource source = TMacFileSource::OpenMacBinary(test::CorpusFile(c.Source));
        const THfsEntry* e = ByPath(volume, c.Path);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(Fork(volume, *e, THfsForkKind::Data), test::CopyForks({source.Data()}, dir_ / "want"));
        EXPECT_EQ(Fork(volume, *e, THfsForkKind::Resource),
                  test::CopyForks({source.Resource()}, dir_ / "want"));
        const TMacFileInfo& want = source.File().Info;
        EXPECT_EQ(e->Info.Type, want.Type);
        EXPECT_EQ(e->Info.Creator, want.Creator);
        EXPECT_EQ(e->Info.Created, want.Created);
        EXPECT_EQ(e->Info.Modified, want.Modified);
        // The tool that copied them in clears "has been inited" (0x0100), so the Finder places the icon anew.
        EXPECT_EQ(e->Info.FinderFlags, (want.FinderFlags & ~0x0100) | c.FlagsSet);
        EXPECT_EQ(e->Info.LocationV, want.LocationV);
        EXPECT_EQ(e->Info.LocationH, want.LocationH);
        EXPECT_EQ(e->Info.Protected, c.Locked);
    }
}

TEST_F(HfsVolumeTest, AFragmentedFileIsReadThroughTheExtentsOverflowTree) {
    const TFileStream stream(Write(ImageBytes("fragmented.hfs")), FileMode::Read);
    const THfsVolume volume = THfsVolume::Open(stream, 0, stream.Size());
    const THfsEntry* e = ByPath(volume, {"Pattern"});
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(e->Data.LogicalLength, 60000u);
    const std::vector<THfsExtent> extents = volume.ForkExtents(*e, THfsForkKind::Data);
    EXPECT_EQ(extents.size(), 6u); // three in the catalog, three in the overflow tree
    EXPECT_EQ(volume.ForkSources(*e, THfsForkKind::Data).size(), 6u);
    const Bytes data = Fork(volume, *e, THfsForkKind::Data);
    ASSERT_EQ(data.size(), 60000u);
    for (std::size_t i = 0; i < data.size(); ++i) {
        ASSERT_EQ(data[i], i % 251) << "byte " << i;
    }
    EXPECT_EQ(volume.Entries().size(), 40u); // Pattern and the 39 files left between its pieces
    EXPECT_GT(volume.CatalogHeader().Depth, 1u);
    EXPECT_TRUE(volume.Check().empty());
}

struct TDamage {
    const char* Name;
    const char* Image;
    std::function<void(Bytes&)> Damage;
    std::int64_t Length; // of the range; 0 for the whole image
    TImageFault Fault;
    TImageStructure Structure;
};

// Damage that stops the opening: each names its structure.
TEST_F(HfsVolumeTest, DamagedImagesGiveTheirFault) {
    auto header = [](Bytes& b) { return CatalogHeader(b); };
    auto firstLeaf = [&](Bytes& b) { return test::NodeAt(b, test::Big32(b, header(b) + 10)); };
    auto record0 = [&](Bytes& b) { return firstLeaf(b) + test::Big16(b, firstLeaf(b) + 510); };
    const Bytes basic = ImageBytes("basic.hfs");
    const TDamage cases[] = {
        {"cut in the catalog",
         "basic.hfs",
         {},
         static_cast<std::int64_t>(test::NodeAt(basic, 1)),
         TImageFault::ExtentOutside,
         TImageStructure::CatalogTree},
        {"cut in the boot blocks", "basic.hfs", {}, 1100, TImageFault::StructureCut, TImageStructure::Mdb},
        {"signature", "basic.hfs", [](Bytes& b) { b[1024] = 'X'; }, 0, TImageFault::BadSignature,
         TImageStructure::Mdb},
        {"allocation block size", "basic.hfs", [](Bytes& b) { test::SetBig32(b, 1024 + 20, 700); }, 0,
         TImageFault::BadValue, TImageStructure::Mdb},
        {"catalog size", "basic.hfs", [](Bytes& b) { test::SetBig32(b, 1024 + 146, 0xFFFFFE00); }, 0,
         TImageFault::BadValue, TImageStructure::Mdb},
        {"header node's kind", "basic.hfs", [](Bytes& b) { b[test::NodeAt(b, 0) + 8] = 0xFF; }, 0,
         TImageFault::NodeKind, TImageStructure::CatalogTree},
        {"node count", "basic.hfs", [&](Bytes& b) { test::SetBig32(b, header(b) + 22, 100000); }, 0,
         TImageFault::BadValue, TImageStructure::CatalogTree},
        {"root outside", "basic.hfs", [&](Bytes& b) { test::SetBig32(b, header(b) + 2, 5000); }, 0,
         TImageFault::NodeOutside, TImageStructure::CatalogTree},
        {"more records than fit", "basic.hfs", [&](Bytes& b) { test::SetBig16(b, firstLeaf(b) + 10, 300); },
         0, TImageFault::NodeRecordCount, TImageStructure::CatalogTree},
        {"record offsets", "basic.hfs", [&](Bytes& b) { test::SetBig16(b, firstLeaf(b) + 510, 600); }, 0,
         TImageFault::RecordOffsets, TImageStructure::CatalogTree},
        {"record kind", "basic.hfs",
         [&](Bytes& b) {
             const std::size_t key = record0(b);
             b[key + 1 + b[key] + ((1 + b[key]) & 1)] = 9;
         },
         0, TImageFault::RecordKind, TImageStructure::CatalogTree},
        {"leaf links loop", "fragmented.hfs",
         [&](Bytes& b) {
             test::SetBig32(b, test::NodeAt(b, test::Big32(b, header(b) + 14)),
                            test::Big32(b, header(b) + 10));
         },
         0, TImageFault::NodeLoop, TImageStructure::CatalogTree},
        {"back link", "fragmented.hfs",
         [&](Bytes& b) {
             const std::uint32_t second = test::Big32(b, firstLeaf(b));
             test::SetBig32(b, test::NodeAt(b, second) + 4, 0);
         },
         0, TImageFault::NodeBackLink, TImageStructure::CatalogTree},
        {"deeper than its depth", "fragmented.hfs", [&](Bytes& b) { test::SetBig16(b, header(b), 1); }, 0,
         TImageFault::TreeTooDeep, TImageStructure::CatalogTree},
        {"index points at itself", "fragmented.hfs",
         [&](Bytes& b) {
             const std::uint32_t root = test::Big32(b, header(b) + 2);
             const std::size_t node = test::NodeAt(b, root);
             const std::size_t key = node + test::Big16(b, node + 510);
             const std::size_t end = 1 + b[key];
             test::SetBig32(b, key + end + (end & 1), root);
         },
         0, TImageFault::NodeLoop, TImageStructure::CatalogTree},
        {"parent missing", "basic.hfs", [](Bytes& b) { test::SetBig32(b, CatalogKey(b, "Deep") + 2, 77); }, 0,
         TImageFault::MissingParent, TImageStructure::CatalogTree},
        {"folders in a loop", "basic.hfs",
         [](Bytes& b) {
             // Docs (id 16) moved into Deep (id 17), which lies in Docs.
             test::SetBig32(b, CatalogKey(b, "Docs") + 2, 17);
         },
         0, TImageFault::ParentLoop, TImageStructure::CatalogTree},
    };
    for (const TDamage& c : cases) {
        SCOPED_TRACE(c.Name);
        Bytes bytes = ImageBytes(c.Image);
        if (c.Damage) {
            c.Damage(bytes);
        }
        const TFileStream stream(Write(bytes), FileMode::Read);
        const std::int64_t length = c.Length > 0 ? c.Length : stream.Size();
        const TImageFinding fault = FaultOf([&] { THfsVolume::Open(stream, 0, length); });
        EXPECT_EQ(fault.Kind, c.Fault) << fault.Text(false);
        EXPECT_EQ(fault.Structure, c.Structure) << fault.Text(false);
        EXPECT_TRUE(fault.Fatal());
    }
}

// Damage that leaves the volume open: the fork's own fault, and Check's finding.
TEST_F(HfsVolumeTest, DamagedForksAndCountsAreFindings) {
    const struct {
        const char* Name;
        const char* Image;
        std::function<void(Bytes&)> Damage;
        std::vector<std::string> File; // whose data fork then fails
        std::optional<TImageFault> ForkFault;
        TImageFault Finding;
    } cases[] = {
        {"extent outside the volume",
         "basic.hfs",
         [](Bytes& b) { test::SetBig16(b, CatalogData(b, "CHAPTER12") + 74, 1590); },
         {"Docs", "Deep", "CHAPTER12"},
         TImageFault::ExtentOutside,
         TImageFault::ExtentOutside},
        {"extents too short",
         "basic.hfs",
         [](Bytes& b) { test::SetBig16(b, CatalogData(b, "CHAPTER12") + 76, 10); },
         {"Docs", "Deep", "CHAPTER12"},
         TImageFault::ForkShort,
         TImageFault::ForkShort},
        {"overflow extents missing",
         "fragmented.hfs",
         [](Bytes& b) {
             // The fragmented file's record of the overflow tree (the catalog, file 4, has one too).
             const std::size_t leaf =
                 test::NodeAt(b, test::Big32(b, test::NodeAt(b, 0, false) + 14 + 10), false);
             for (std::size_t i = 0; i < test::Big16(b, leaf + 10); ++i) {
                 const std::size_t key = leaf + test::Big16(b, leaf + 510 - 2 * i);
                 if (test::Big32(b, key + 2) > 16) {
                     test::SetBig32(b, key + 2, 12345);
                 }
             }
         },
         {"Pattern"},
         TImageFault::ExtentsMissing,
         TImageFault::ExtentsMissing},
        {"shared blocks",
         "basic.hfs",
         [](Bytes& b) {
             std::memcpy(b.data() + CatalogData(b, "Font") + 86, b.data() + CatalogData(b, "CHAPTER12") + 74,
                         4);
         },
         {},
         std::nullopt,
         TImageFault::ExtentsOverlap},
        {"file count",
         "basic.hfs",
         [](Bytes& b) { test::SetBig32(b, 1024 + 84, 5); },
         {},
         std::nullopt,
         TImageFault::FileCountWrong},
        {"folder count",
         "basic.hfs",
         [](Bytes& b) { test::SetBig32(b, 1024 + 88, 1); },
         {},
         std::nullopt,
         TImageFault::FolderCountWrong},
        {"root files",
         "basic.hfs",
         [](Bytes& b) { test::SetBig16(b, 1024 + 12, 0); },
         {},
         std::nullopt,
         TImageFault::RootFilesWrong},
        {"valence",
         "basic.hfs",
         [](Bytes& b) { test::SetBig16(b, CatalogData(b, "Docs") + 4, 3); },
         {},
         std::nullopt,
         TImageFault::ValenceWrong},
        {"leaf records",
         "basic.hfs",
         [](Bytes& b) { test::SetBig32(b, CatalogHeader(b) + 6, 99); },
         {},
         std::nullopt,
         TImageFault::LeafCountWrong},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Bytes bytes = ImageBytes(c.Image);
        c.Damage(bytes);
        const TFileStream stream(Write(bytes), FileMode::Read);
        const THfsVolume volume = THfsVolume::Open(stream, 0, stream.Size());
        if (c.ForkFault) {
            const THfsEntry* e = ByPath(volume, c.File);
            ASSERT_NE(e, nullptr);
            EXPECT_EQ(FaultOf([&] { volume.ForkSources(*e, THfsForkKind::Data); }).Kind, *c.ForkFault);
        }
        const std::vector<TImageFinding> findings = volume.Check();
        ASSERT_EQ(findings.size(), 1u) << (findings.empty() ? "" : findings[0].Text(false));
        EXPECT_EQ(findings[0].Kind, c.Finding) << findings[0].Text(false);
        EXPECT_EQ(CheckHfsImage(stream, 0, stream.Size()), findings);
    }
}

// Two chains of 200 folders ("a" and "b", tests/corpus/images/README.md); hanging "b" below the
// folder of chain "a" at a depth makes paths 200 names longer. 256 names are read, 257 are refused.
TEST_F(HfsVolumeTest, PathsOfUpTo256NamesAreRead) {
    const Bytes image = ImageBytes("deep.hfs");
    const TFileStream original(Write(image), FileMode::Read);
    const THfsVolume volume = THfsVolume::Open(original, 0, original.Size());
    ASSERT_EQ(volume.Entries().size(), 400u);
    std::vector<std::uint32_t> chainA(201, 0);
    for (const THfsEntry& e : volume.Entries()) {
        if (e.Path[0] == "a") {
            chainA[e.Path.size()] = e.Id;
        }
    }
    // The key of "b" in the root: reserved byte, parent id 2, name length 1, "b".
    const Bytes key = {0x00, 0x00, 0x00, 0x00, 0x02, 0x01, 'b'};
    const auto at = std::search(image.begin(), image.end(), key.begin(), key.end());
    ASSERT_NE(at, image.end());
    const auto parentAt = static_cast<std::size_t>(at - image.begin()) + 1;
    for (const auto& [depth, fits] : {std::pair{56, true}, std::pair{57, false}}) {
        SCOPED_TRACE(depth);
        Bytes moved = image;
        test::SetBig32(moved, parentAt, chainA[static_cast<std::size_t>(depth)]);
        const TFileStream stream(Write(moved), FileMode::Read);
        if (fits) {
            std::size_t deepest = 0;
            const THfsVolume deep = THfsVolume::Open(stream, 0, stream.Size());
            for (const THfsEntry& e : deep.Entries()) {
                deepest = std::max(deepest, e.Path.size());
            }
            EXPECT_EQ(deepest, 256u);
        } else {
            const TImageFinding fault = FaultOf([&] { THfsVolume::Open(stream, 0, stream.Size()); });
            EXPECT_EQ(fault.Kind, TImageFault::FolderTooDeep) << fault.Text(false);
        }
    }
}

} // namespace
} // namespace kelda
