// SPDX-License-Identifier: MIT
#include "image/MfsVolume.h"

#include "image/HfsFormat.h"
#include "image/ImageBytes.h"
#include "util/BigEndian.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <span>

namespace kelda {

using hfs::kMdbAt;
using hfs::kSector;
using hfs::Num;

namespace {

constexpr std::uint16_t kSigMfs = 0xD2D7;
constexpr std::int64_t kMapAt = kMdbAt + 64; // the block map follows the master directory block's fields
constexpr std::size_t kEntryFixed = 51;      // a directory entry's fields up to and with its name's length
constexpr std::uint8_t kEntryUsed = 0x80;
constexpr std::uint8_t kEntryLocked = 0x01;
constexpr std::uint16_t kLastBlock = 1; // the map's mark of a file's last block
constexpr std::uint16_t kFirstBlock = 2;
// The master directory block counts files in 16 bits: a directory of more is damage, and the bound
// keeps a forged directory length from making the check walk a chain per entry without end.
constexpr std::size_t kMaxFiles = 0xFFFF;

TImageStructure ForkStructure(THfsForkKind fork) {
    return fork == THfsForkKind::Data ? TImageStructure::DataFork : TImageStructure::ResourceFork;
}

const THfsFork& ForkOf(const THfsEntry& file, THfsForkKind fork) {
    return fork == THfsForkKind::Data ? file.Data : file.Resource;
}

THfsFork ForkAt(const std::uint8_t* at) {
    THfsFork fork;
    fork.FirstExtents[0].Start = GetBig16(at);
    fork.LogicalLength = GetBig32(at + 2);
    fork.PhysicalLength = GetBig32(at + 6);
    return fork;
}

} // namespace

TMfsVolume TMfsVolume::Open(const TFileStream& file, std::int64_t offset, std::int64_t length) {
    const TImageBytes bytes(file, offset, length);
    TMfsVolume v;
    v.file_ = &file;
    v.offset_ = offset;
    v.length_ = length;

    std::array<std::uint8_t, 64> b{};
    bytes.Read(b.data(), b.size(), kMdbAt, TImageStructure::Mdb);
    const std::uint16_t sig = GetBig16(b.data());
    if (sig != kSigMfs) {
        ThrowImageFault(TImageFault::BadSignature, TImageStructure::Mdb,
                        {Num(kMdbAt), FaultHex(sig, 4), FaultHex(kSigMfs, 4)});
    }
    TMfsMdb& m = v.mdb_;
    m.Created = GetBig32(b.data() + 2);
    m.Backup = GetBig32(b.data() + 6);
    m.Attributes = GetBig16(b.data() + 10);
    m.FileCount = GetBig16(b.data() + 12);
    m.DirectoryStart = GetBig16(b.data() + 14);
    m.DirectoryBlocks = GetBig16(b.data() + 16);
    m.AllocationBlocks = GetBig16(b.data() + 18);
    m.AllocationBlockSize = GetBig32(b.data() + 20);
    m.ClumpSize = GetBig32(b.data() + 24);
    m.AllocationStart = GetBig16(b.data() + 28);
    m.NextFileNumber = GetBig32(b.data() + 30);
    m.FreeBlocks = GetBig16(b.data() + 34);
    if (b[36] > 27) {
        ThrowImageFault(TImageFault::BadValue, TImageStructure::Mdb, {"drVN", Num(b[36])});
    }
    m.VolumeName.assign(b.begin() + 37, b.begin() + 37 + b[36]);
    if (m.AllocationBlockSize == 0 || m.AllocationBlockSize % kSector != 0) {
        ThrowImageFault(TImageFault::BadValue, TImageStructure::Mdb,
                        {"drAlBlkSiz", Num(m.AllocationBlockSize)});
    }

    // Twelve bits per block, two entries in three bytes; the count is 16 bits, so the map is small.
    const std::size_t mapBytes = (std::size_t{m.AllocationBlocks} * 3 + 1) / 2;
    const std::vector<std::uint8_t> map = bytes.Read(mapBytes, kMapAt, TImageStructure::BlockMap);
    v.map_.resize(m.AllocationBlocks);
    for (std::size_t i = 0; i < v.map_.size(); ++i) {
        const std::size_t at = i / 2 * 3;
        v.map_[i] = i % 2 == 0 ? static_cast<std::uint16_t>(map[at] << 4 | map[at + 1] >> 4)
                               : static_cast<std::uint16_t>((map[at + 1] & 0x0F) << 8 | map[at + 2]);
    }
    if (std::int64_t{m.AllocationStart} * kSector > length) {
        ThrowImageFault(TImageFault::BadValue, TImageStructure::Mdb, {"drAlBlSt", Num(m.AllocationStart)});
    }
    // The blocks whose bytes lie inside the range: a cut image holds fewer than the volume has.
    const std::int64_t room = (length - std::int64_t{m.AllocationStart} * kSector) / m.AllocationBlockSize;
    v.usableBlocks_ = static_cast<std::uint16_t>(std::min<std::int64_t>(m.AllocationBlocks, room));

    std::array<std::uint8_t, kSector> block{};
    for (std::uint32_t i = 0; i < m.DirectoryBlocks; ++i) {
        const std::int64_t number = std::int64_t{m.DirectoryStart} + i;
        bytes.Read(block.data(), block.size(), number * kSector, TImageStructure::FileDirectory);
        std::size_t at = 0;
        for (std::size_t index = 0; at < block.size() && (block[at] & kEntryUsed) != 0; ++index) {
            if (kEntryFixed > block.size() - at ||
                block[at + kEntryFixed - 1] > block.size() - at - kEntryFixed) {
                ThrowImageFault(TImageFault::DirectoryEntryCut, TImageStructure::FileDirectory,
                                {Num(static_cast<std::int64_t>(index) + 1), Num(number)});
            }
            if (v.entries_.size() == kMaxFiles) {
                ThrowImageFault(TImageFault::TooManyRecords, TImageStructure::FileDirectory,
                                {Num(kMaxFiles)});
            }
            const std::uint8_t* e = block.data() + at;
            THfsEntry entry;
            entry.Kind = THfsKind::File;
            entry.Id = GetBig32(e + 18);
            entry.ParentId = hfs::kRootId;
            entry.Info.Name.assign(e + kEntryFixed, e + kEntryFixed + e[kEntryFixed - 1]);
            entry.Path = {entry.Info.Name};
            ApplyFinderInfo(entry.Info, std::span(e + 2, 16));
            entry.Info.Protected = (e[0] & kEntryLocked) != 0;
            entry.Info.Created = GetBig32(e + 42);
            entry.Info.Modified = GetBig32(e + 46);
            entry.Data = ForkAt(e + 22);
            entry.Resource = ForkAt(e + 32);
            v.entries_.push_back(std::move(entry));
            at += kEntryFixed + e[kEntryFixed - 1];
            at += at & 1; // each entry begins on an even byte
        }
    }
    return v;
}

std::vector<std::uint16_t> TMfsVolume::ForkBlocks(const THfsEntry& file, THfsForkKind fork) const {
    const THfsFork& f = ForkOf(file, fork);
    const TImageStructure structure = ForkStructure(fork);
    const std::uint32_t last = std::uint32_t{usableBlocks_} + 1;
    std::vector<std::uint16_t> blocks;
    std::uint32_t next = f.FirstExtents[0].Start;
    if (next != 0) {
        // Each block once: the visited marks stop a chain that returns, so the walk ends.
        std::vector<bool> seen(std::size_t{last} + 1, false);
        while (true) {
            if (next < kFirstBlock || next > last) {
                ThrowImageFault(TImageFault::BlockOutside, structure, {Num(file.Id), Num(next), Num(last)});
            }
            if (seen[next]) {
                ThrowImageFault(TImageFault::BlockLoop, structure, {Num(file.Id), Num(next)});
            }
            seen[next] = true;
            blocks.push_back(static_cast<std::uint16_t>(next));
            const std::uint16_t entry = MapEntry(static_cast<std::uint16_t>(next));
            if (entry == 0) {
                ThrowImageFault(TImageFault::BlockFree, structure, {Num(file.Id), Num(next)});
            }
            if (entry == kLastBlock) {
                break;
            }
            next = entry;
        }
    }
    const std::int64_t held = std::ssize(blocks) * std::int64_t{mdb_.AllocationBlockSize};
    // MFS lengths are 32-bit (read into the 64-bit field).
    const auto length = static_cast<std::int64_t>(f.LogicalLength);
    if (held < length) {
        ThrowImageFault(TImageFault::ChainShort, structure, {Num(file.Id), Num(held), Num(length)});
    }
    return blocks;
}

std::vector<TForkSource> TMfsVolume::ForkSources(const THfsEntry& file, THfsForkKind fork) const {
    std::vector<TForkSource> sources;
    std::int64_t left = ForkOf(file, fork).LogicalLength;
    const std::int64_t blockSize = mdb_.AllocationBlockSize;
    const std::int64_t base = offset_ + std::int64_t{mdb_.AllocationStart} * kSector;
    for (const std::uint16_t block : ForkBlocks(file, fork)) {
        const std::int64_t length = std::min(blockSize, left);
        if (length <= 0) {
            break;
        }
        const std::int64_t at = base + (std::int64_t{block} - kFirstBlock) * blockSize;
        if (!sources.empty() && sources.back().Offset + sources.back().Length == at) {
            sources.back().Length += length; // blocks that follow each other on the disk read as one
        } else {
            sources.push_back({file_, at, length});
        }
        left -= length;
    }
    return sources;
}

std::vector<TImageFinding> TMfsVolume::Check() const {
    std::vector<TImageFinding> findings;
    if (mdb_.FileCount != entries_.size()) {
        findings.push_back({TImageFault::DirectoryFilesWrong,
                            TImageStructure::Mdb,
                            {Num(mdb_.FileCount), Num(std::ssize(entries_))}});
    }
    const auto free = std::count(map_.begin(), map_.end(), std::uint16_t{0});
    if (free != mdb_.FreeBlocks) {
        findings.push_back(
            {TImageFault::FreeBlocksWrong, TImageStructure::Mdb, {Num(mdb_.FreeBlocks), Num(free)}});
    }
    std::vector<std::uint32_t> owner(std::size_t{usableBlocks_} + kFirstBlock, 0);
    std::vector<bool> claimed(owner.size(), false);
    for (const THfsEntry& e : entries_) {
        for (const THfsForkKind fork : {THfsForkKind::Data, THfsForkKind::Resource}) {
            try {
                for (const std::uint16_t block : ForkBlocks(e, fork)) {
                    if (claimed[block]) {
                        findings.push_back({TImageFault::ExtentsOverlap,
                                            TImageStructure::None,
                                            {Num(owner[block]), Num(e.Id), Num(block)}});
                    }
                    claimed[block] = true;
                    owner[block] = e.Id;
                }
            } catch (const EImageError& error) {
                findings.push_back(error.Finding());
            }
        }
    }
    // Blocks the map holds as used that no file's chain reaches: space lost, or a file's blocks
    // whose directory entry is gone.
    std::int64_t unclaimed = 0;
    std::size_t first = 0;
    for (std::size_t block = kFirstBlock; block < claimed.size(); ++block) {
        if (!claimed[block] && map_[block - kFirstBlock] != 0) {
            first = unclaimed++ == 0 ? block : first;
        }
    }
    if (unclaimed > 0) {
        findings.push_back({TImageFault::BlocksUnclaimed,
                            TImageStructure::BlockMap,
                            {Num(unclaimed), Num(static_cast<std::int64_t>(first))}});
    }
    return findings;
}

} // namespace kelda
