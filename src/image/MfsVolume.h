// SPDX-License-Identifier: MIT
// An MFS volume (the flat file system of the first Macs) read from a byte range of an open file,
// never written: the master directory block, the volume allocation block map and the file
// directory. Every file lies at the root. Each structure is bounds-checked: damage is an
// EImageError naming it, a block chain is followed no further than each block once, and nothing
// is allocated by a count the image gives beyond the 16-bit block count.
#pragma once

#include "forks/TForkCopier.h"
#include "image/HfsVolume.h"
#include "image/ImageFault.h"
#include "util/TFileStream.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kelda {

// The master directory block's fields.
struct TMfsMdb {
    std::string VolumeName;    // Mac bytes
    std::uint32_t Created = 0; // seconds since 1904, local time
    std::uint32_t Backup = 0;
    std::uint16_t Attributes = 0;
    std::uint16_t FileCount = 0;
    std::uint16_t DirectoryStart = 0;  // 512-byte block of the file directory
    std::uint16_t DirectoryBlocks = 0; // its length in 512-byte blocks
    std::uint16_t AllocationBlocks = 0;
    std::uint32_t AllocationBlockSize = 0;
    std::uint32_t ClumpSize = 0;
    std::uint16_t AllocationStart = 0; // 512-byte block of allocation block 2
    std::uint32_t NextFileNumber = 0;
    std::uint16_t FreeBlocks = 0;
};

class TMfsVolume {
public:
    // The volume in [offset, offset + length) of file, which must outlive the volume: its master
    // directory block, block map and every directory entry. Throws an EImageError on damage, an
    // EFileError when the file cannot be read.
    static TMfsVolume Open(const TFileStream& file, std::int64_t offset, std::int64_t length);

    const TMfsMdb& Mdb() const { return mdb_; }
    // Every file, in the directory's order, as entries of the one shape both volume kinds give:
    // the id is the file number, the parent the root (2), the path the name alone; the forks'
    // first extent holds their start block.
    const std::vector<THfsEntry>& Entries() const { return entries_; }
    // The block map's entry for allocation block n (2 and up): 0 free, 1 the last of its file,
    // else the next block.
    std::uint16_t MapEntry(std::uint16_t block) const { return map_[block - 2U]; }

    // The allocation blocks of a fork, in file order, followed from its start block (0: none)
    // through the map to its last block. Throws an EImageError when a block lies outside the
    // volume (or past the end of a cut image), is marked free, comes a second time, or the chain
    // holds fewer bytes than the fork's logical length.
    std::vector<std::uint16_t> ForkBlocks(const THfsEntry& file, THfsForkKind fork) const;
    // The fork as byte spans of the file, in order, the last cut to the logical length.
    std::vector<TForkSource> ForkSources(const THfsEntry& file, THfsForkKind fork) const;

    // The findings of a full check that Open does not stop at: the file count, each fork's chain,
    // blocks that two files share, the free count, used blocks that no file holds.
    std::vector<TImageFinding> Check() const;

private:
    TMfsVolume() = default;

    const TFileStream* file_ = nullptr;
    std::int64_t offset_ = 0;
    std::int64_t length_ = 0;
    TMfsMdb mdb_;
    std::vector<std::uint16_t> map_; // the entries of blocks 2, 3, …
    std::uint16_t usableBlocks_ = 0; // allocation blocks whose bytes lie inside the range
    std::vector<THfsEntry> entries_;
};

} // namespace kelda
