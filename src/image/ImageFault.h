// SPDX-License-Identifier: MIT
// What is wrong with a disk image, as findings the user reads in either language: the faults that
// stop the reading of an image (thrown as EImageError) and the findings of a volume's check.
#pragma once

#include "util/BilingualError.h"

#include <string>
#include <string_view>
#include <vector>

namespace kelda {

// The structure a finding is about; its name is the finding's %1 in the language of the text.
enum class TImageStructure {
    None,
    Image,
    DiskCopyHeader,
    DiskCopyData,
    DiskCopyTags,
    DriverDescriptor,
    PartitionEntry,
    Mdb,
    CatalogTree,
    ExtentsTree,
    DataFork,
    ResourceFork,
    BlockMap,         // MFS: the volume allocation block map
    FileDirectory,    // MFS: the file directory
    JournalInfoBlock, // HFS+: where the journal lies
    JournalHeader,
    JournalBlockList, // a transaction's block list header and its blocks
};

// %1 is always the structure's name; the arguments follow from %2 on.
enum class TImageFault {
    RangeOutsideFile,  // the image (offset %2, %3 bytes) does not lie inside the file of %4 bytes
    StructureCut,      // the %1 at byte %2 (%3 bytes) runs past the end of the image of %4 bytes
    BadSignature,      // the %1 at byte %2 has the signature %3, not %4
    BadValue,          // the %1 gives %2 = %3, which cannot be
    DiskCopySizes,     // the %1 gives %2 data and %3 tag bytes; the image holds %4 bytes after it
    DiskCopyChecksum,  // the checksum of the %1 is %2; the header gives %3
    PartitionCount,    // the partition map gives %2 entries; the image has room for %3
    PartitionOutside,  // partition %2 (blocks %3 to %4) lies outside the image of %5 blocks
    ExtentOutside,     // extent %2 of the %1 of file %3 (blocks %4 to %5) lies outside the volume's %6 blocks
    ForkShort,         // the extents of the %1 of file %2 hold %3 bytes; its length is %4
    ExtentsMissing,    // the %1 of file %2 needs an overflow extent at block %3; there is none
    NodeOutside,       // the %1 refers to node %2; it has %3 nodes
    NodeKind,          // node %2 of the %1 is of kind %3 where kind %4 belongs
    NodeHeight,        // node %2 of the %1 has height %3 where %4 belongs
    NodeLoop,          // the %1 reaches node %2 a second time (its links form a loop)
    NodeBackLink,      // node %2 of the %1 links back to node %3, not %4
    NodeRecordCount,   // node %2 of the %1 claims %3 records; at most %4 fit
    RecordOffsets,     // the record offsets of node %2 of the %1 are out of order or outside the node
    RecordShort,       // record %3 of node %2 of the %1 is too short (%4 bytes)
    TreeTooDeep,       // the %1 goes below its stated depth of %2 at node %3
    RecordKind,        // record %3 of node %2 of the %1 is of the unknown kind %4
    TooManyRecords,    // the %1 holds more than %2 records
    DuplicateId,       // the catalog holds two entries with the id %2
    MissingParent,     // the catalog entry with id %2 lies in folder %3, which the catalog lacks
    ParentLoop,        // the folders above the catalog entry with id %2 form a loop
    FolderTooDeep,     // the catalog entry with id %2 lies more than %3 folders deep
    LeafCountWrong,    // the %1 holds %2 leaf records; its header gives %3
    FirstLeafWrong,    // the %1's first leaf is node %2; its header gives %3
    LastLeafWrong,     // the %1's last leaf is node %2; its header gives %3
    FileCountWrong,    // the %1 counts %2 files; the catalog holds %3
    FolderCountWrong,  // the %1 counts %2 folders; the catalog holds %3
    RootFilesWrong,    // the %1 counts %2 files in the root folder; the catalog holds %3
    RootFoldersWrong,  // the %1 counts %2 folders in the root folder; the catalog holds %3
    ValenceWrong,      // the folder with id %2 counts %3 items; the catalog holds %4
    ThreadMissing,     // the folder with id %2 has no thread record
    ExtentsOverlap,    // files %2 and %3 share allocation block %4
    NotDiskImage,      // not a DiskCopy 4.2 image, a partition map or an HFS or MFS volume
    NoHfsVolume,       // the image holds no HFS volume
    VolumeNotRead,     // the volume is %2 (HFS+), which is not read
    BlockOutside,      // the %1 of file %2 refers to allocation block %3; the volume has blocks 2 to %4
    BlockFree,         // the %1 of file %2 runs into allocation block %3, which the block map marks free
    BlockLoop,         // the %1 of file %2 reaches allocation block %3 a second time
    ChainShort,        // the blocks of the %1 of file %2 hold %3 bytes; its length is %4
    DirectoryEntryCut, // entry %2 of %1 block %3 runs past the end of its block
    DirectoryFilesWrong, // the %1 counts %2 files; the file directory holds %3
    FreeBlocksWrong,     // the %1 counts %2 free blocks; the block map marks %3 free
    BlocksUnclaimed,     // the %1 marks %2 allocation blocks used that no file holds, from %3
    ForkCompressed,      // file %2 is stored compressed, which is not read (no damage: not "damaged")
    JournalChecksum,     // the checksum of the %1 is %2; it gives %3
    JournalListBad, // the %1 at journal byte %2 gives %3 blocks in %4 bytes, which the journal cannot hold
    JournalBlockOutside, // the %1 at journal byte %2 writes sector %3 (%4 bytes) outside the volume
    JournalExternal,     // the journal lies on another device: not replayed
    JournalIgnored,      // the volume is read without its journal
    JournalReplayed,     // the journal was replayed: %2 transactions writing %3 blocks
};

struct TImageFinding {
    TImageFault Kind;
    TImageStructure Structure = TImageStructure::None;
    std::vector<std::string> Args; // %2, %3, … of the text
    std::string Text(bool japanese) const;
    // A finding that Open throws: the volume cannot be read past it. The others (counts that
    // disagree, overlapping extents) leave every file readable.
    bool Fatal() const;
    bool operator==(const TImageFinding&) const = default;
};

// The structure's name in either language.
std::string_view StructureName(TImageStructure structure, bool japanese);

// "The disk image is damaged: <finding>", in both languages; the finding is kept for callers that
// report it in their own form (kelda-cli's JSON, tests).
class EImageError : public EBilingualError {
public:
    explicit EImageError(TImageFinding finding);
    const TImageFinding& Finding() const { return finding_; }

private:
    TImageFinding finding_;
};

// Throws the finding as an EImageError.
// A value as the faults and the detail text show it: "0x" and digits upper-case hex digits (4 for
// a signature or flags, 8 for a checksum).
std::string FaultHex(std::uint32_t value, int digits);

[[noreturn]] void ThrowImageFault(TImageFault kind, TImageStructure structure,
                                  std::vector<std::string> args = {});

} // namespace kelda
