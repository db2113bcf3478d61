// SPDX-License-Identifier: MIT
// The container layers: DiskCopy 4.2 (the corpus's images inside MacBinary files, given as the
// data fork's range), the Apple partition map (built around the HFS images) and the bare volume;
// each damaged layer gives its own fault.
#include "image/DiskImage.h"
#include "image/HfsVolume.h"
#include "image/ImageVolume.h"
#include "image/MfsVolume.h"

#include "ImageFiles.h"
#include "forks/TMacFile.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kelda {
namespace {

using test::Bytes;
using test::FaultOf;
using test::ImageBytes;

using test::PartitionedDisk;
using test::TPart;

class ContainerTest : public ::testing::Test {
protected:
    std::filesystem::path Write(const Bytes& bytes, const std::string& name = "image") {
        const std::filesystem::path file = dir_ / name;
        test::WriteBytes(file, bytes);
        return file;
    }
    test::TempDir dir_;
};

TEST_F(ContainerTest, CorpusDiskCopyImagesThroughTheMacBinaryDataFork) {
    const struct {
        const char* File;
        const char* Name;
        std::uint8_t Format;
        std::uint32_t TagSize;
        TImageKind Volume;
        const char* VolumeName;
    } cases[] = {
        {"convert2dsk_Blank400K.img.bin", "Blank400K", 0, 9600, TImageKind::Hfs, "Blank400K"},
        {"convert2dsk_Blank800K.img.bin", "Blank800K", 1, 0, TImageKind::Hfs, "Blank800K"},
        {"convert2dsk_Blank1440K.img.bin", "Blank1440K", 3, 0, TImageKind::Hfs, "Blank1440K"},
        {"ciderpress2_MCUS_Free_Software_Disk.img.bin", "MCUS' Free Software Disk", 0, 0, TImageKind::Mfs,
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.File);
        const TMacFileSource source = TMacFileSource::OpenMacBinary(test::CorpusFile(c.File));
        const TForkSource data = source.Data();
        ASSERT_EQ(data.Offset, 128);
        const TFileStream& file = *data.Stream;
        EXPECT_EQ(DetectImage(file, data.Offset, data.Length), TImageKind::DiskCopy42);
        const TDiskCopyImage image = ReadDiskCopy(file, data.Offset, data.Length);
        EXPECT_EQ(image.Name, c.Name);
        EXPECT_EQ(image.DiskFormat, c.Format);
        EXPECT_EQ(image.DataSize, DiskCopyFormatSize(c.Format));
        EXPECT_EQ(image.TagSize, c.TagSize);
        EXPECT_EQ(image.DataOffset, 128 + kDiskCopyHeaderSize);
        const std::vector<TVolumeRange> volumes = FindVolumes(file, data.Offset, data.Length);
        ASSERT_EQ(volumes.size(), 1u);
        EXPECT_EQ(volumes[0].Kind, c.Volume);
        EXPECT_EQ(volumes[0].Containers, std::vector<TImageKind>{TImageKind::DiskCopy42});
        EXPECT_EQ(volumes[0].Offset, image.DataOffset);
        EXPECT_EQ(volumes[0].Length, image.DataSize);
        if (c.Volume == TImageKind::Hfs) {
            const THfsVolume volume = THfsVolume::Open(file, volumes[0].Offset, volumes[0].Length);
            EXPECT_EQ(volume.Mdb().VolumeName, c.VolumeName);
            ASSERT_EQ(volume.Entries().size(), 1u); // the blank disk's Desktop file
            EXPECT_EQ(volume.Entries()[0].Path, std::vector<std::string>{"Desktop"});
            EXPECT_TRUE(volume.Check().empty());
        } else {
            // An MFS volume is read by its own reader; the HFS one names the signature it lacks.
            EXPECT_EQ(TMfsVolume::Open(file, volumes[0].Offset, volumes[0].Length).Mdb().VolumeName,
                      "MCUS' Free Software Disk");
            EXPECT_EQ(FaultOf([&] { THfsVolume::Open(file, volumes[0].Offset, volumes[0].Length); }).Kind,
                      TImageFault::BadSignature);
        }
    }
}

TEST(DiskCopyChecksum, AddsEachWordThenRotatesRight) {
    EXPECT_EQ(DiskCopyChecksum(Bytes{0x00, 0x01}), 0x80000000u);
    EXPECT_EQ(DiskCopyChecksum(Bytes{0x00, 0x01, 0x00, 0x01}), 0xC0000000u); // (0x80000000 + 1) rotated
    // Continuing from a sum gives the same as one pass.
    const Bytes bytes = test::RandomBytes(1000, 7);
    EXPECT_EQ(DiskCopyChecksum(std::span(bytes).subspan(400), DiskCopyChecksum(std::span(bytes).first(400))),
              DiskCopyChecksum(bytes));
}

TEST_F(ContainerTest, PartitionMapListsEveryPartitionAndOpensEachHfsOne) {
    const Bytes basic = ImageBytes("basic.hfs");
    const Bytes frag = ImageBytes("fragmented.hfs");
    const Bytes disk = PartitionedDisk({{"Driver", "Apple_Driver", Bytes(1024, 0xEE)},
                                        {"One", "Apple_HFS", basic},
                                        {"Two", "Apple_HFS", frag}});
    // Behind 300 bytes of something else: every reader works on a range of the file.
    Bytes file(300, 0x55);
    file.insert(file.end(), disk.begin(), disk.end());
    const TFileStream stream(Write(file), FileMode::Read);
    const auto length = static_cast<std::int64_t>(disk.size());
    EXPECT_EQ(DetectImage(stream, 300, length), TImageKind::PartitionMap);
    const TPartitionMap map = ReadPartitionMap(stream, 300, length);
    EXPECT_EQ(map.BlockSize, 512);
    ASSERT_EQ(map.Partitions.size(), 4u);
    const struct {
        const char* Name;
        const char* Type;
        std::uint32_t Start;
        std::uint32_t Count;
    } expected[] = {{"Apple", "Apple_partition_map", 1, 4},
                    {"Driver", "Apple_Driver", 5, 2},
                    {"One", "Apple_HFS", 7, 1600},
                    {"Two", "Apple_HFS", 1607, 1600}};
    for (std::size_t i = 0; i < map.Partitions.size(); ++i) {
        const TPartition& p = map.Partitions[i];
        EXPECT_EQ(p.Name, expected[i].Name);
        EXPECT_EQ(p.Type, expected[i].Type);
        EXPECT_EQ(p.StartBlock, expected[i].Start);
        EXPECT_EQ(p.BlockCount, expected[i].Count);
        EXPECT_EQ(p.Offset, 300 + std::int64_t{expected[i].Start} * 512);
        EXPECT_EQ(p.Length, std::int64_t{expected[i].Count} * 512);
    }
    const std::vector<TVolumeRange> volumes = FindVolumes(stream, 300, length);
    ASSERT_EQ(volumes.size(), 2u);
    EXPECT_EQ(volumes[0].PartitionName, "One");
    EXPECT_EQ(volumes[1].PartitionName, "Two");
    EXPECT_EQ(THfsVolume::Open(stream, volumes[0].Offset, volumes[0].Length).Mdb().VolumeName, "Kelda Test");
    EXPECT_EQ(THfsVolume::Open(stream, volumes[1].Offset, volumes[1].Length).Mdb().VolumeName, "Frag");
    EXPECT_TRUE(CheckHfsImage(stream, 300, length).empty());
}

// A map counts in the device's blocks when its entries stand in them (a CD's 2048-byte blocks), and
// in 512-byte blocks when they stand at 512-byte steps; MFS partitions open as bare MFS volumes do.
TEST_F(ContainerTest, PartitionMapsOfEachBlockSizeFindHfsAndMfsVolumes) {
    const Bytes mfsFile = test::ReadBytes(test::CorpusFile("ciderpress2_MCUS_Free_Software_Disk.img.bin"));
    const Bytes mfs(mfsFile.begin() + 128 + 84, mfsFile.begin() + 128 + 84 + 409600);
    const std::vector<TPart> parts = {{"Driver", "Apple_Driver", Bytes(1024, 0xEE)},
                                      {"Old", "Apple_MFS", mfs},
                                      {"One", "Apple_HFS", ImageBytes("basic.hfs")}};
    for (const std::uint32_t blockSize : {512u, 2048u, 4096u}) {
        SCOPED_TRACE(blockSize);
        const Bytes disk = PartitionedDisk(parts, blockSize);
        const TFileStream stream(Write(disk), FileMode::Read);
        EXPECT_EQ(DetectImage(stream, 0, stream.Size()), TImageKind::PartitionMap);
        const TPartitionMap map = ReadPartitionMap(stream, 0, stream.Size());
        EXPECT_EQ(map.MapBlockSize, blockSize);
        ASSERT_EQ(map.Partitions.size(), 4u);
        EXPECT_EQ(map.Partitions[2].StartBlock, 5 + (1024 + blockSize - 1) / blockSize);
        const std::vector<TVolumeRange> volumes = FindVolumes(stream, 0, stream.Size());
        ASSERT_EQ(volumes.size(), 2u);
        EXPECT_EQ(volumes[0].Kind, TImageKind::Mfs);
        EXPECT_EQ(volumes[0].PartitionName, "Old");
        EXPECT_EQ(volumes[0].Offset, std::int64_t{map.Partitions[2].StartBlock} * blockSize);
        EXPECT_EQ(OpenVolume(stream, volumes[0])->Name(), "MCUS' Free Software Disk");
        EXPECT_EQ(volumes[1].Kind, TImageKind::Hfs);
        EXPECT_EQ(OpenVolume(stream, volumes[1])->Name(), "Kelda Test");
        EXPECT_TRUE(CheckHfsImage(stream, 0, stream.Size()).empty());
    }
    // A map written in 512-byte blocks on a device of 2048-byte blocks.
    Bytes disk = PartitionedDisk(parts, 512);
    test::SetBig16(disk, 2, 2048);
    const TFileStream stream(Write(disk), FileMode::Read);
    EXPECT_EQ(ReadPartitionMap(stream, 0, stream.Size()).MapBlockSize, 512u);
    EXPECT_EQ(FindVolumes(stream, 0, stream.Size()).size(), 2u);
}

TEST_F(ContainerTest, DetectsEachKindBySignature) {
    Bytes hfs = ImageBytes("basic.hfs");
    Bytes plus = hfs;
    test::SetBig16(plus, 1024, 0x482B);
    Bytes wrapper = hfs;
    test::SetBig16(wrapper, 1024 + 124, 0x482B); // an HFS volume wrapping an HFS+ one
    Bytes plain(4096, 0);
    const struct {
        const char* Name;
        const Bytes* Image;
        TImageKind Kind;
    } cases[] = {{"hfs", &hfs, TImageKind::Hfs},
                 {"hfs+", &plus, TImageKind::HfsPlus},
                 {"hfs+ in an hfs wrapper", &wrapper, TImageKind::HfsPlus},
                 {"zeros", &plain, TImageKind::Unknown}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TFileStream stream(Write(*c.Image), FileMode::Read);
        EXPECT_EQ(DetectImage(stream, 0, stream.Size()), c.Kind);
    }
    const TFileStream zeros(Write(plain), FileMode::Read);
    EXPECT_EQ(FaultOf([&] { FindVolumes(zeros, 0, zeros.Size()); }).Kind, TImageFault::NotDiskImage);
    // An HFS volume's bytes under an HFS+ signature, and a wrapper whose embedded volume has no
    // extent: each is read as HFS+ and found damaged where it is.
    const struct {
        const Bytes* Image;
        const char* Text;
    } forged[] = {{&plus, "the master directory block gives version = 59199, which cannot be"},
                  {&wrapper, "the master directory block gives drEmbedExtent = 0+0, which cannot be"}};
    for (const auto& c : forged) {
        const TFileStream stream(Write(*c.Image), FileMode::Read);
        const std::vector<TImageFinding> findings = CheckHfsImage(stream, 0, stream.Size());
        ASSERT_EQ(findings.size(), 1u);
        EXPECT_EQ(findings[0].Kind, TImageFault::BadValue);
        EXPECT_EQ(findings[0].Text(false), c.Text);
        EXPECT_EQ(FaultOf([&] { THfsVolume::Open(stream, 0, stream.Size()); }).Kind, TImageFault::BadValue);
    }
}

// Each damaged layer: the fault and the structure it names.
TEST_F(ContainerTest, DamagedLayersGiveTheirFault) {
    const Bytes dc400 = test::ReadBytes(test::CorpusFile("convert2dsk_Blank400K.img.bin"));
    const Bytes diskCopy(dc400.begin() + 128, dc400.begin() + 128 + 84 + 409600 + 9600);
    const Bytes disk = PartitionedDisk({{"One", "Apple_HFS", ImageBytes("basic.hfs")}});
    const std::size_t tags = 84 + 409600;
    const struct {
        const char* Name;
        const Bytes* Base;
        std::function<void(Bytes&)> Damage;
        std::int64_t Cut; // bytes left off the end of the range
        TImageFault Fault;
        TImageStructure Structure;
    } cases[] = {
        {"data byte", &diskCopy, [](Bytes& b) { b[84 + 5000] ^= 1; }, 0, TImageFault::DiskCopyChecksum,
         TImageStructure::DiskCopyData},
        {"tag byte", &diskCopy, [&](Bytes& b) { b[tags + 100] ^= 1; }, 0, TImageFault::DiskCopyChecksum,
         TImageStructure::DiskCopyTags},
        {"stored checksum", &diskCopy, [](Bytes& b) { b[75] ^= 0x10; }, 0, TImageFault::DiskCopyChecksum,
         TImageStructure::DiskCopyData},
        {"cut", &diskCopy, [](Bytes&) {}, 100, TImageFault::DiskCopySizes, TImageStructure::DiskCopyHeader},
        {"odd data size", &diskCopy, [](Bytes& b) { test::SetBig32(b, 64, 409601); }, 0,
         TImageFault::BadValue, TImageStructure::DiskCopyHeader},
        {"no partition entries", &disk, [](Bytes& b) { test::SetBig32(b, 512 + 4, 0); }, 0,
         TImageFault::PartitionCount, TImageStructure::PartitionEntry},
        {"more entries than blocks", &disk, [](Bytes& b) { test::SetBig32(b, 512 + 4, 0xFFFFFFFF); }, 0,
         TImageFault::PartitionCount, TImageStructure::PartitionEntry},
        {"second entry's signature", &disk, [](Bytes& b) { b[1024] = 'X'; }, 0, TImageFault::BadSignature,
         TImageStructure::PartitionEntry},
        {"partition past the end", &disk, [](Bytes& b) { test::SetBig32(b, 1024 + 12, 5000); }, 0,
         TImageFault::PartitionOutside, TImageStructure::PartitionEntry},
        {"volume's signature", &disk, [](Bytes& b) { b[3 * 512 + 1024] = 'X'; }, 0, TImageFault::BadSignature,
         TImageStructure::Mdb},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Bytes bytes = *c.Base;
        c.Damage(bytes);
        const TFileStream stream(Write(bytes), FileMode::Read);
        const std::int64_t length = stream.Size() - c.Cut;
        const TImageFinding fault = FaultOf([&] {
            for (const TVolumeRange& v : FindVolumes(stream, 0, length)) {
                THfsVolume::Open(stream, v.Offset, v.Length);
            }
        });
        EXPECT_EQ(fault.Kind, c.Fault) << fault.Text(false);
        EXPECT_EQ(fault.Structure, c.Structure) << fault.Text(false);
        // Check reports the same fault as its one finding.
        const std::vector<TImageFinding> findings = CheckHfsImage(stream, 0, length);
        ASSERT_EQ(findings.size(), 1u);
        EXPECT_EQ(findings[0], fault);
    }
}

TEST_F(ContainerTest, TheFirstTwelveTagBytesAreLeftOutOfTheirChecksum) {
    const Bytes dc400 = test::ReadBytes(test::CorpusFile("convert2dsk_Blank400K.img.bin"));
    Bytes diskCopy(dc400.begin() + 128, dc400.begin() + 128 + 84 + 409600 + 9600);
    diskCopy[84 + 409600 + 11] ^= 0xFF;
    const TFileStream stream(Write(diskCopy), FileMode::Read);
    EXPECT_EQ(ReadDiskCopy(stream, 0, stream.Size()).TagChecksum, 0u);
}

TEST_F(ContainerTest, ARangeOutsideTheFileIsRefusedBeforeAnyRead) {
    const TFileStream stream(Write(Bytes(2048, 0)), FileMode::Read);
    for (const auto& [offset, length] :
         {std::pair<std::int64_t, std::int64_t>{0, 2049}, {-1, 10}, {2000, 100}, {10, -1}, {1, INT64_MAX}}) {
        const TImageFinding fault = FaultOf([&] { FindVolumes(stream, offset, length); });
        EXPECT_EQ(fault.Kind, TImageFault::RangeOutsideFile) << offset << " " << length;
    }
}

TEST(ImageFault, TheErrorNamesTheStructureAndNodeInBothLanguages) {
    const EImageError error({TImageFault::NodeLoop, TImageStructure::CatalogTree, {"7"}});
    EXPECT_STREQ(
        error.english().c_str(),
        "The disk image is damaged: the catalog B-tree reaches node 7 a second time (its links form a loop)");
    EXPECT_STREQ(error.what(), "ディスクイメージが壊れています: カタログ B ツリーがノード 7 に二度達しました "
                               "(リンクが循環しています)");
}

} // namespace
} // namespace kelda
