// SPDX-License-Identifier: MIT
// The containers a Mac volume comes in: a DiskCopy 4.2 image, a disk with an Apple partition map,
// or the bare volume. Each reader takes a byte range of an open file (the whole file, or the data
// fork of a MacBinary file), reads only what it needs, never writes, and gives the byte ranges of
// the file where the volumes lie. Damage is an EImageError naming the structure and its place.
#pragma once

#include "image/ImageFault.h"
#include "util/TFileStream.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kelda {

enum class TImageKind {
    Unknown,
    DiskCopy42,   // an 84-byte header, the sectors, their tags
    PartitionMap, // driver descriptor "ER" at block 0, partition entries "PM" from block 1
    Hfs,          // master directory block "BD" at byte 1024
    HfsPlus,      // volume header "H+" or "HX" at byte 1024 (not read)
    Mfs,          // the flat file system of the first Macs, "\xD2\xD7" at byte 1024
};

// "DiskCopy 4.2", "Apple partition map", "HFS", "HFS+", "MFS", "unknown".
const char* ImageKindName(TImageKind kind);

// Which container the range holds, by its signatures alone (nothing else is checked).
TImageKind DetectImage(const TFileStream& file, std::int64_t offset, std::int64_t length);

// ---------------------------------------------------------------- DiskCopy 4.2

inline constexpr std::int64_t kDiskCopyHeaderSize = 84;

struct TDiskCopyImage {
    std::string Name; // Mac bytes (the Pascal string of header bytes 0-63)
    std::uint32_t DataSize = 0;
    std::uint32_t TagSize = 0;
    std::uint32_t DataChecksum = 0; // as stored
    std::uint32_t TagChecksum = 0;
    std::uint8_t DiskFormat = 0; // 0 400K, 1 800K, 2 720K, 3 1440K
    std::uint8_t FormatByte = 0;
    std::uint16_t Private = 0;   // 0x0100
    std::int64_t DataOffset = 0; // in the file
    std::int64_t TagOffset = 0;
};

// The data size of a disk format: 409600, 819200, 737280, 1474560; nullopt for another format.
std::optional<std::int64_t> DiskCopyFormatSize(std::uint8_t diskFormat);

// The DiskCopy checksum of bytes (an even count), continuing from sum: each big-endian 16-bit word
// is added to the 32-bit sum, which is then rotated right by one bit.
std::uint32_t DiskCopyChecksum(std::span<const std::uint8_t> bytes, std::uint32_t sum = 0);

// The header, with both checksums verified (the tag checksum leaves out the first 12 tag bytes).
TDiskCopyImage ReadDiskCopy(const TFileStream& file, std::int64_t offset, std::int64_t length);

// ---------------------------------------------------------------- Apple partition map

struct TPartition {
    std::string Name;             // Mac bytes, up to the first zero of the 32-byte field
    std::string Type;             // e.g. "Apple_HFS", "Apple_partition_map", "Apple_Driver"
    std::uint32_t StartBlock = 0; // blocks of the map's block size from the start of the disk
    std::uint32_t BlockCount = 0;
    std::int64_t Offset = 0; // in the file
    std::int64_t Length = 0;
};

struct TPartitionMap {
    std::uint16_t BlockSize = 0; // of the driver descriptor
    std::uint32_t BlockCount = 0;
    // The blocks the entries lie in, one each from block 1, and their starts and counts count in:
    // 512 when the first entry stands at byte 512, else the driver descriptor's block size (a
    // CD's 2048), when the first entry stands at it.
    std::uint32_t MapBlockSize = 512;
    std::vector<TPartition> Partitions; // in the map's order
};

// The driver descriptor and every partition entry (the count of the first entry's map size), in
// the map's block size.
TPartitionMap ReadPartitionMap(const TFileStream& file, std::int64_t offset, std::int64_t length);

// ---------------------------------------------------------------- the volumes of an image

struct TVolumeRange {
    // Of the volume: Hfs, HfsPlus, Mfs, or Unknown for a partition or DiskCopy image whose volume
    // has no signature known (THfsVolume::Open then names the damaged signature).
    TImageKind Kind = TImageKind::Unknown;
    std::vector<TImageKind> Containers; // the layers around it, outermost first
    std::string PartitionName;          // Mac bytes; empty outside a partition map
    std::int64_t Offset = 0;            // in the file
    std::int64_t Length = 0;
};

// Every volume the range holds, through its DiskCopy and partition map layers (a partition of
// type Apple_HFS, Apple_HFSX or Apple_MFS each becomes one range). The
// NotDiskImage fault when the range is no container at all; a damaged layer is its own fault.
std::vector<TVolumeRange> FindVolumes(const TFileStream& file, std::int64_t offset, std::int64_t length);

} // namespace kelda
