// SPDX-License-Identifier: MIT
// An HFS or HFS+ volume read from a byte range of an open file, never written: the master
// directory block (HFS+: the volume header; an HFS volume wrapping an HFS+ one opens the embedded
// volume), the catalog B-tree (every folder and file with its Finder fields, dates and forks) and
// the extents overflow B-tree for fragmented forks. Every structure is bounds-checked: damage is an
// EImageError naming the structure and node, a walk never loops (links that return, a tree deeper
// than its header says), and nothing is allocated by a count the image gives.
#pragma once

#include "forks/TForkCopier.h"
#include "forks/TMacFileInfo.h"
#include "image/HfsJournal.h"
#include "image/ImageFault.h"
#include "util/MacText.h"
#include "util/TFileStream.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

namespace kelda {

// A run of allocation blocks.
struct THfsExtent {
    std::uint32_t Start = 0;
    std::uint32_t Count = 0;
    bool operator==(const THfsExtent&) const = default;
};
// An extent record: HFS uses the first three, HFS+ all eight.
using THfsExtentRecord = std::array<THfsExtent, 8>;

// The master directory block's fields; of an HFS+ volume, the volume header's in the same places
// (no root counts, allocation block 0 at the volume's start, the name from the root folder).
struct THfsMdb {
    bool Plus = false;         // an HFS+ or HFSX volume
    std::string VolumeName;    // Mac bytes (HFS+: the name in Mac Roman or code page 932)
    std::string VolumeText;    // HFS+: the name as UTF-8 (NFC)
    std::uint32_t Created = 0; // seconds since 1904, local time
    std::uint32_t Modified = 0;
    std::uint32_t Backup = 0;
    std::uint16_t Attributes = 0;
    std::uint16_t RootFiles = 0;   // files in the root folder
    std::uint16_t RootFolders = 0; // folders in the root folder
    std::uint32_t FileCount = 0;
    std::uint32_t FolderCount = 0; // not counting the root
    std::uint16_t BitmapStart = 0; // 512-byte block of the volume bitmap
    std::uint32_t AllocationBlocks = 0;
    std::uint32_t AllocationBlockSize = 0;
    std::uint16_t AllocationStart = 0; // 512-byte block of allocation block 0
    std::uint32_t NextId = 0;
    std::uint32_t FreeBlocks = 0;
    std::uint64_t ExtentsFileSize = 0;
    THfsExtentRecord ExtentsExtents{};
    std::uint64_t CatalogFileSize = 0;
    THfsExtentRecord CatalogExtents{};
    std::uint16_t EmbeddedSignature = 0; // "H+" when an HFS+ volume is wrapped in this one
};

// A B-tree's header record.
struct THfsTreeHeader {
    std::uint16_t Depth = 0;
    std::uint32_t Root = 0;
    std::uint32_t LeafRecords = 0;
    std::uint32_t FirstLeaf = 0;
    std::uint32_t LastLeaf = 0;
    std::uint16_t NodeSize = 0;
    std::uint16_t MaxKeyLength = 0;
    std::uint32_t NodeCount = 0;
    std::uint32_t FreeNodes = 0;
};

enum class THfsKind { Folder, File };
enum class THfsForkKind { Data, Resource };

struct THfsFork {
    std::uint64_t LogicalLength = 0;
    std::uint64_t PhysicalLength = 0;
    THfsExtentRecord FirstExtents{};
};

struct THfsEntry {
    THfsKind Kind = THfsKind::File;
    std::uint32_t Id = 0;       // catalog node id (the root folder is 2)
    std::uint32_t ParentId = 0; // the folder it lies in
    // The names from below the root folder down to this entry's own name: Mac bytes, or UTF-8
    // (NFC) when UnicodeNames.
    std::vector<std::string> Path;
    // HFS+: the path's names are Unicode; Info.Name holds the name in Mac bytes for the writers
    // (Mac Roman, else code page 932 with the script byte saying so, else "?" for what neither has).
    bool UnicodeNames = false;
    // HFS+: the forks are stored compressed (the file's UF_COMPRESSED flag), which is not read.
    bool Compressed = false;
    // Name (Mac bytes, as the last path component), type, creator, Finder flags, location, folder,
    // protected bit (files), script and extended flags, creation and modification dates.
    TMacFileInfo Info;
    std::uint32_t Backup = 0;
    std::uint32_t Valence = 0; // folders: the items it holds
    THfsFork Data;             // files only
    THfsFork Resource;
};

class THfsVolume {
public:
    // The volume in [offset, offset + length) of file, which must outlive the volume: its master
    // directory block, both trees' headers and structure, and every catalog record. Throws an
    // EImageError on damage (the finding names the structure and node), EFileError when the file
    // cannot be read.
    // An HFS volume whose embedded signature is "H+" is the wrapper of an HFS+ volume: the embedded
    // volume is opened (its range must lie inside the wrapper's allocation blocks).
    static THfsVolume Open(const TFileStream& file, std::int64_t offset, std::int64_t length);

    const THfsMdb& Mdb() const { return mdb_; }
    const THfsTreeHeader& CatalogHeader() const { return catalogHeader_; }
    const THfsTreeHeader& ExtentsHeader() const { return extentsHeader_; }

    // Every folder and file but the root folder, in the catalog's order (by parent, then name).
    const std::vector<THfsEntry>& Entries() const { return entries_; }
    // The entry with that catalog node id; nullptr when there is none (or it is the root).
    const THfsEntry* Find(std::uint32_t id) const;

    // The extents that hold a fork's logical length, in file order: the first three of its catalog
    // record, then the overflow tree's; extents allocated past the length are left out. Throws an
    // EImageError when one lies outside the volume or they end before the length.
    // (The first extents of the catalog record: three on HFS, eight on HFS+.)
    std::vector<THfsExtent> ForkExtents(const THfsEntry& file, THfsForkKind fork) const;
    // The fork as byte spans of the file, in order, the last cut to the logical length (runs that
    // follow each other on the disk as one span): what a TForkCopier streams without holding it. Empty for an
    // empty fork or a folder. Throws an EImageError when the extents lie outside the volume or end before the
    // fork's length, and ForkCompressed for a compressed file's fork.
    std::vector<TForkSource> ForkSources(const THfsEntry& file, THfsForkKind fork) const;

    // HFS+: the journal as replayed (an empty overlay when there was nothing to replay).
    const THfsJournal& Journal() const { return journal_; }

    // The findings of a full check that Open does not stop at (first what became of the journal): the trees'
    // header fields against their leaves, the counts of the master directory block and of every folder
    // against the catalog, missing folder threads, each fork's extents inside the volume and not shared.
    std::vector<TImageFinding> Check() const;

private:
    THfsVolume() = default;

    const TFileStream* file_ = nullptr;
    std::int64_t offset_ = 0;
    std::int64_t length_ = 0;
    THfsMdb mdb_;
    THfsTreeHeader catalogHeader_;
    THfsTreeHeader extentsHeader_;
    THfsJournal journal_; // HFS+: the journal's transactions, which every read of metadata goes through
    std::vector<THfsEntry> entries_;
    std::vector<std::uint32_t> threadIds_; // folders that have a thread record
    std::uint32_t catalogLeafRecords_ = 0;
    std::uint32_t catalogFirstLeaf_ = 0;
    std::uint32_t catalogLastLeaf_ = 0;
    std::uint32_t extentsLeafRecords_ = 0;
    std::uint32_t extentsFirstLeaf_ = 0;
    std::uint32_t extentsLastLeaf_ = 0;
    // The overflow extents, sorted by fork kind, file id and first file block.
    struct TOverflow {
        std::uint8_t Fork = 0;
        std::uint32_t FileId = 0;
        std::uint32_t FirstBlock = 0;
        THfsExtentRecord Extents{};
        static bool Before(const TOverflow& a, const TOverflow& b) {
            return std::tie(a.Fork, a.FileId, a.FirstBlock) < std::tie(b.Fork, b.FileId, b.FirstBlock);
        }
    };
    std::vector<TOverflow> overflow_;
    std::int64_t usableBlocks_ = 0; // allocation blocks whose bytes lie inside the range
    std::uint32_t rootValence_ = 0;
    std::size_t extentsPerRecord_ = 3;                        // 8 on HFS+
    std::vector<std::pair<std::uint32_t, std::size_t>> byId_; // id, index into entries_, sorted

    std::vector<THfsExtent> Extents(const THfsEntry& file, THfsForkKind fork, std::uint64_t length) const;
    std::vector<THfsExtent> Cover(TImageStructure fork, std::uint32_t fileId, const THfsExtentRecord& first,
                                  std::int64_t length, bool overflow) const;

    friend class THfsReader;
};

// Checks every volume an image (range) holds; a fault that stops the reading is one finding.
// (The container layers are found by FindVolumes in image/DiskImage.h.)
std::vector<TImageFinding> CheckHfsImage(const TFileStream& file, std::int64_t offset, std::int64_t length);

// A Mac name of the catalog through the one decoder of Mac names (util/MacText.h ReadMacName):
// the entry's script says Japanese when its Finder info's script byte is valid and 1. An HFS+
// name is its Unicode text as it stands (reason Unicode; the encoding of its Mac bytes).
TMacNameReading ReadEntryName(const THfsEntry& entry, TMacEncoding chosen = TMacEncoding::Auto);
// The entry's path as text, its components decoded so and joined by separator.
std::string EntryPathText(const THfsEntry& entry, TMacEncoding chosen = TMacEncoding::Auto,
                          std::string_view separator = "/");

} // namespace kelda
