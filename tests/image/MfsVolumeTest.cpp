// SPDX-License-Identifier: MIT
// The MFS volume of the corpus (a 400K disk in a DiskCopy image inside a MacBinary file): its files
// are those its directory holds, read independently of the reader (names, Finder fields, lengths,
// and the CRC-32 of forks that span several blocks); damaged copies of it each give their fault.
#include "image/MfsVolume.h"
#include "image/DiskImage.h"
#include "image/HfsVolume.h"
#include "image/ImageVolume.h"

#include "ImageFiles.h"
#include "forks/TMacFile.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <functional>

namespace kelda {
namespace {

using test::Bytes;
using test::FaultOf;

constexpr const char* kCorpus = "ciderpress2_MCUS_Free_Software_Disk.img.bin";
constexpr std::size_t kVolumeAt = 128 + 84; // MacBinary header, DiskCopy header
constexpr std::size_t kVolumeSize = 409600;
// Where the directory entry of "IconMaker.help" (file 15, data from block 290, six blocks) lies:
// directory block 5, byte 350; and that of the last entry of block 4 (file 31), byte 394.
constexpr std::size_t kHelpEntry = 5 * 512 + 350;
constexpr std::size_t kLastOfBlock4 = 4 * 512 + 394;

Bytes BareVolume() {
    const Bytes file = test::ReadBytes(test::CorpusFile(kCorpus));
    return Bytes(file.begin() + kVolumeAt, file.begin() + kVolumeAt + kVolumeSize);
}

// Sets the 12-bit block map entry of allocation block n (entries from block 2, two in three bytes).
void SetMapEntry(Bytes& volume, std::size_t n, std::uint16_t value) {
    const std::size_t i = n - 2;
    std::uint8_t* at = volume.data() + 1024 + 64 + i / 2 * 3;
    if (i % 2 == 0) {
        at[0] = static_cast<std::uint8_t>(value >> 4);
        at[1] = static_cast<std::uint8_t>((at[1] & 0x0F) | (value & 0x0F) << 4);
    } else {
        at[1] = static_cast<std::uint8_t>((at[1] & 0xF0) | value >> 8);
        at[2] = static_cast<std::uint8_t>(value);
    }
}

std::uint32_t Crc32(const Bytes& bytes) {
    return static_cast<std::uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
}

class MfsVolumeTest : public ::testing::Test {
protected:
    test::TempDir dir;
};

TEST_F(MfsVolumeTest, TheCorpusDiskHoldsWhatItsDirectoryLists) {
    // The directory's entries in its order, read from the bytes with a separate script.
    const struct {
        const char* Name;
        const char* Type;
        const char* Creator;
        std::uint32_t Id;
        std::uint32_t Data;
        std::uint32_t Resource;
    } files[] = {
        {"DeskTop", "FNDR", "ERIK", 1, 0, 14881},
        {"Tiger (MCUS #7)", "PNTG", "MPNT", 4, 24064, 0},
        {"MacFractal", "APPL", "MacF", 5, 0, 9666},
        {"MacFractal.RSRC", "\0\0\0\0", "\0\0\0\0", 6, 0, 692},
        {"DiskTop (MCUS #102)", "DFIL", "DMOV", 7, 0, 32917},
        {"DA Sampler (MCUS #15)", "APPL", "KevD", 8, 0, 3905},
        {"StuntCopter1.5 (MCUS #48)", "APPL", "COPT", 31, 0, 30878},
        {"Blockbuster (MCUS #23)", "FFIL", "DMOV", 9, 0, 14860},
        {"FreeTerm 1.8 (MCUS #27)", "APPL", "QD99", 11, 0, 31688},
        {"Camera (MCUS #26)", "APPL", "CAM ", 12, 4164, 47036},
        {"ThrowPaint\xAA (MCUS #30)", "APPL", "THRW", 13, 0, 6093},
        {"IconMaker", "APPL", "ImAk", 14, 10734, 19524},
        {"IconMaker.help", "TEXT", "MACA", 15, 5921, 0},
        {"WayStation (MCUS #38)", "APPL", "WSTA", 29, 0, 10153},
        {"Layout (MCUS #73)", "APPL", "LAYU", 18, 0, 27553},
        {"Mort (MCUS #71)", "APPL", "MORT", 19, 0, 29028},
        {"double click read first", "APPL", "LETR", 23, 263, 10455},
        {"Christmas (MCUS #10)", "PNTG", "MPNT", 32, 16896, 0},
        {"MacLuff (MCUS #5)", "APPL", "LufF", 33, 0, 31726},
    };
    const TMacFileSource source = TMacFileSource::OpenMacBinary(test::CorpusFile(kCorpus));
    const TFileStream& stream = *source.Data().Stream;
    const std::vector<TVolumeRange> ranges = FindVolumes(stream, source.Data().Offset, source.Data().Length);
    ASSERT_EQ(ranges.size(), 1u);
    ASSERT_EQ(ranges[0].Kind, TImageKind::Mfs);
    const TMfsVolume volume = TMfsVolume::Open(stream, ranges[0].Offset, ranges[0].Length);
    EXPECT_EQ(volume.Mdb().VolumeName, "MCUS' Free Software Disk");
    EXPECT_EQ(volume.Mdb().AllocationBlocks, 391);
    EXPECT_EQ(volume.Mdb().AllocationBlockSize, 1024u);
    ASSERT_EQ(volume.Entries().size(), std::size(files));
    for (std::size_t i = 0; i < std::size(files); ++i) {
        const THfsEntry& e = volume.Entries()[i];
        SCOPED_TRACE(files[i].Name);
        EXPECT_EQ(e.Info.Name, files[i].Name);
        EXPECT_EQ(e.Path, std::vector<std::string>{files[i].Name});
        EXPECT_EQ(std::string(e.Info.Type.begin(), e.Info.Type.end()), std::string(files[i].Type, 4));
        EXPECT_EQ(std::string(e.Info.Creator.begin(), e.Info.Creator.end()),
                  std::string(files[i].Creator, 4));
        EXPECT_EQ(e.Id, files[i].Id);
        EXPECT_EQ(e.Data.LogicalLength, files[i].Data);
        EXPECT_EQ(e.Resource.LogicalLength, files[i].Resource);
    }
    EXPECT_EQ(volume.Entries()[2].Info.Folder, 7369); // MacFractal's folder field, as the Finder left it
    EXPECT_EQ(volume.Entries()[2].Info.FinderFlags, 0x2100);
    EXPECT_TRUE(volume.Check().empty());
    EXPECT_TRUE(CheckHfsImage(stream, source.Data().Offset, source.Data().Length).empty());

    // Forks over several blocks, followed through the map: the CRC-32 of their bytes.
    const struct {
        std::size_t Entry;
        std::uint32_t DataCrc;
        std::uint32_t ResourceCrc;
    } crcs[] = {{9, 0xc1dcc9a3, 0x6ef2ff5a},
                {11, 0xd8a5f020, 0x09d9cfae},
                {12, 0x85f3d57a, 0},
                {16, 0xf6fdaf98, 0xd060ba63}};
    const std::unique_ptr<TMacVolume> common = OpenVolume(stream, ranges[0]);
    for (const auto& c : crcs) {
        const THfsEntry& e = common->Entries()[c.Entry];
        SCOPED_TRACE(e.Info.Name);
        EXPECT_EQ(Crc32(test::CopyForks(common->ForkSources(e, THfsForkKind::Data), dir.path() / "d")),
                  c.DataCrc);
        EXPECT_EQ(Crc32(test::CopyForks(common->ForkSources(e, THfsForkKind::Resource), dir.path() / "r")),
                  c.ResourceCrc);
    }
    // IconMaker's data: eleven blocks one after another, read as one span.
    EXPECT_EQ(volume.ForkSources(volume.Entries()[11], THfsForkKind::Data).size(), 1u);
}

TEST_F(MfsVolumeTest, DamagedCopiesGiveTheirFault) {
    const struct {
        const char* Name;
        std::function<void(Bytes&)> Damage;
        std::size_t CutTo; // 0: not cut
        TImageFinding Want;
        bool ForkOfHelp; // the fault is in IconMaker.help's data fork, which is then unreadable
    } cases[] = {
        {"signature",
         [](Bytes& b) { b[1024] = 0x42; },
         0,
         {TImageFault::BadSignature, TImageStructure::Mdb, {"1024", "0x42D7", "0xD2D7"}},
         false},
        {"allocation block size",
         [](Bytes& b) { test::SetBig32(b, 1024 + 20, 700); },
         0,
         {TImageFault::BadValue, TImageStructure::Mdb, {"drAlBlkSiz", "700"}},
         false},
        {"block map past the image",
         {},
         1100,
         {TImageFault::StructureCut, TImageStructure::BlockMap, {"1088", "587", "1100"}},
         false},
        {"directory past the image",
         [](Bytes& b) { test::SetBig16(b, 1024 + 14, 900); },
         0,
         {TImageFault::StructureCut, TImageStructure::FileDirectory, {"460800", "512", "409600"}},
         false},
        {"directory entry past its block",
         [](Bytes& b) { b[kLastOfBlock4 + 50] = 200; },
         0,
         {TImageFault::DirectoryEntryCut, TImageStructure::FileDirectory, {"7", "4"}},
         false},
        {"block chain that loops",
         [](Bytes& b) { SetMapEntry(b, 293, 290); },
         0,
         {TImageFault::BlockLoop, TImageStructure::DataFork, {"15", "290"}},
         true},
        {"chain shorter than the fork",
         [](Bytes& b) { SetMapEntry(b, 291, 1); },
         0,
         {TImageFault::ChainShort, TImageStructure::DataFork, {"15", "2048", "5921"}},
         true},
        {"start block outside the volume",
         [](Bytes& b) { test::SetBig16(b, kHelpEntry + 22, 500); },
         0,
         {TImageFault::BlockOutside, TImageStructure::DataFork, {"15", "500", "392"}},
         true},
        {"chain into a free block",
         [](Bytes& b) { SetMapEntry(b, 292, 0); },
         0,
         {TImageFault::BlockFree, TImageStructure::DataFork, {"15", "292"}},
         true},
        {"blocks past the end of a cut image",
         {},
         16 * 512 + (290 - 2) * 1024 + 2048,
         {TImageFault::BlockOutside, TImageStructure::DataFork, {"15", "292", "291"}},
         true},
        {"more files than the count can hold",
         [](Bytes& b) {
             // 7300 directory blocks of nine entries of a one-byte name each.
             test::SetBig16(b, 1024 + 16, 7300);
             b.resize((4 + 7300) * 512);
             for (std::size_t block = 4; block < 4 + 7300; ++block) {
                 for (std::size_t i = 0; i < 9; ++i) {
                     b[block * 512 + i * 52] = 0x80;
                     b[block * 512 + i * 52 + 50] = 1;
                 }
                 b[block * 512 + 9 * 52] = 0; // the end of the block's entries
             }
         },
         0,
         {TImageFault::TooManyRecords, TImageStructure::FileDirectory, {"65535"}},
         false},
        {"blocks no file holds",
         [](Bytes& b) {
             test::SetBig16(b, kHelpEntry + 22, 0);
             test::SetBig32(b, kHelpEntry + 24, 0);
         },
         0,
         {TImageFault::BlocksUnclaimed, TImageStructure::BlockMap, {"6", "290"}},
         false},
        {"file count",
         [](Bytes& b) { test::SetBig16(b, 1024 + 12, 20); },
         0,
         {TImageFault::DirectoryFilesWrong, TImageStructure::Mdb, {"20", "19"}},
         false},
        {"free count",
         [](Bytes& b) { test::SetBig16(b, 1024 + 34, 7); },
         0,
         {TImageFault::FreeBlocksWrong, TImageStructure::Mdb, {"7", "6"}},
         false},
        {"a block two files share",
         [](Bytes& b) { test::SetBig16(b, kHelpEntry + 22, 279); },
         0,
         {TImageFault::ExtentsOverlap, TImageStructure::None, {"14", "15", "279"}},
         false},
    };
    const Bytes sound = BareVolume();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Bytes damaged = sound;
        if (c.Damage) {
            c.Damage(damaged);
        }
        if (c.CutTo != 0) {
            damaged.resize(c.CutTo);
        }
        const std::filesystem::path file = dir.path() / "damaged.dsk";
        test::WriteBytes(file, damaged);
        const TFileStream stream(file, FileMode::Read);
        const std::int64_t size = stream.Size();
        std::vector<TImageFinding> all;
        try {
            all = TMfsVolume::Open(stream, 0, size).Check();
        } catch (const EImageError& error) {
            all = {error.Finding()};
        }
        // The whole image's check finds the volume by its signature and says the same.
        if (c.Want.Kind != TImageFault::BadSignature) {
            EXPECT_EQ(CheckHfsImage(stream, 0, size), all);
        }
        EXPECT_NE(std::find(all.begin(), all.end(), c.Want), all.end())
            << (all.empty() ? "" : all[0].Text(false));
        EXPECT_EQ(c.Want.Fatal(), c.Want.Kind != TImageFault::DirectoryFilesWrong &&
                                      c.Want.Kind != TImageFault::FreeBlocksWrong &&
                                      c.Want.Kind != TImageFault::BlocksUnclaimed &&
                                      c.Want.Kind != TImageFault::ExtentsOverlap);
        if (c.ForkOfHelp) {
            const TMfsVolume volume = TMfsVolume::Open(stream, 0, size);
            EXPECT_EQ(FaultOf([&] { volume.ForkSources(volume.Entries()[12], THfsForkKind::Data); }), c.Want);
            // The other files stay readable.
            EXPECT_EQ(test::CopyForks(volume.ForkSources(volume.Entries()[11], THfsForkKind::Data),
                                      dir.path() / "d")
                          .size(),
                      10734u);
        }
        EXPECT_FALSE(c.Want.Text(true).empty());
    }
}

} // namespace
} // namespace kelda
