// SPDX-License-Identifier: MIT
#include "image/HfsVolume.h"

#include "forks/MacDate.h"
#include "forks/MacNames.h"
#include "image/DiskImage.h"
#include "image/HfsFormat.h"
#include "image/ImageBytes.h"
#include "util/BigEndian.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <optional>

namespace kelda {

using namespace hfs;

namespace {

// Paths of more names than this are damage (or an attack on the reader's memory).
constexpr std::size_t kMaxFolderDepth = 256;

// An HFS extent record: three extents of 16-bit start and count.
THfsExtentRecord ExtentRecordAt(const std::uint8_t* at) {
    THfsExtentRecord record{};
    for (std::size_t i = 0; i < 3; ++i) {
        record[i] = {GetBig16(at + 4 * i), GetBig16(at + 4 * i + 2)};
    }
    return record;
}

// An HFS+ extent record: eight extents of 32-bit start and count.
THfsExtentRecord PlusExtentRecordAt(const std::uint8_t* at) {
    THfsExtentRecord record{};
    for (std::size_t i = 0; i < record.size(); ++i) {
        record[i] = {GetBig32(at + 8 * i), GetBig32(at + 8 * i + 4)};
    }
    return record;
}

// An HFS+ fork's data: logical size, clump size, allocated blocks, the first eight extents.
THfsFork PlusForkAt(const std::uint8_t* at, std::uint32_t blockSize) {
    THfsFork fork;
    fork.LogicalLength = GetBig64(at);
    fork.PhysicalLength = std::uint64_t{GetBig32(at + 12)} * blockSize;
    fork.FirstExtents = PlusExtentRecordAt(at + 16);
    return fork;
}

// An HFSUniStr255 of length units at at, as UTF-8 (NFC).
std::string UnicodeNameAt(const std::uint8_t* at, std::size_t length) {
    std::u16string units(length, u'\0');
    for (std::size_t i = 0; i < length; ++i) {
        units[i] = static_cast<char16_t>(GetBig16(at + 2 * i));
    }
    return Utf16ToNfcUtf8(units);
}

// The Mac bytes the writers put into a header for a Unicode name: Mac Roman, else code page 932
// (japanese then set), else the name with "?" for each character neither set has.
std::string MacBytesOf(const std::string& text, bool& japanese) {
    japanese = false;
    try {
        TMacEncoding used = TMacEncoding::Roman;
        std::string bytes = EncodeMacName(text, TMacEncoding::Auto, false, &used);
        japanese = used == TMacEncoding::Japanese;
        return bytes;
    } catch (const EBilingualError&) {
    }
    std::string bytes;
    for (std::size_t i = 0; i < text.size() && bytes.size() < kMaxMacNameLength; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else if ((c & 0xC0) != 0x80) {
            bytes += '?'; // the first byte of a character beyond ASCII; the rest are skipped
        }
    }
    return bytes;
}

std::string PascalAt(const std::uint8_t* at, std::size_t capacity) {
    const std::size_t n = std::min<std::size_t>(at[0], capacity);
    return std::string(at + 1, at + 1 + n);
}

struct TNode {
    std::uint32_t Number = 0;
    std::uint32_t Forward = 0;
    std::uint32_t Backward = 0;
    std::int8_t Kind = 0;
    std::uint8_t Height = 0;
    bool BigKeys = false; // HFS+: a key's length is 16 bits
    std::vector<std::uint8_t> Bytes;
    std::vector<std::uint16_t> Offsets; // Records + 1 of them

    std::size_t Records() const { return Offsets.size() - 1; }
    const std::uint8_t* Record(std::size_t i) const { return Bytes.data() + Offsets[i]; }
    std::size_t RecordSize(std::size_t i) const { return Offsets[i + 1] - Offsets[i]; }
};

// One B-tree file of the volume: where its nodes lie and its header.
struct TTree {
    TImageStructure Structure = TImageStructure::CatalogTree;
    std::uint32_t FileId = 0;
    std::vector<THfsExtent> Extents;
    std::uint32_t Nodes = 0; // that the file's size holds
    std::size_t NodeSize = kNodeSize;
    bool BigKeys = false;
    THfsTreeHeader Header;
};

// The byte offset, from the key's start, of the data of a record whose key begins at rec: HFS
// keys have a length byte and are padded to an even size, HFS+ keys a 16-bit length. The record
// holds at least the length field (KeyFits).
std::size_t DataOffset(const std::uint8_t* rec, bool bigKeys) {
    if (bigKeys) {
        return 2 + std::size_t{GetBig16(rec)};
    }
    const std::size_t keyEnd = 1 + std::size_t{rec[0]};
    return keyEnd + (keyEnd & 1);
}

// Whether a record of size bytes holds its key's length field and then extra bytes after the key.
bool KeyFits(const std::uint8_t* rec, std::size_t size, bool bigKeys, std::size_t extra) {
    return size >= (bigKeys ? 2u : 1u) && DataOffset(rec, bigKeys) + extra <= size;
}

} // namespace

class THfsReader {
public:
    THfsReader(THfsVolume& volume, const TImageBytes& bytes) : v_(volume), bytes_(bytes) {}

    void Run() {
        std::array<std::uint8_t, kSector> b{};
        bytes_.Read(b.data(), b.size(), kMdbAt, TImageStructure::Mdb);
        const std::uint16_t sig = GetBig16(b.data());
        const bool plus = sig == kSigHfsPlus || sig == kSigHfsX;
        if (plus) {
            // A journal with transactions left holds newer copies of metadata, the header too.
            v_.journal_ = ReadHfsJournal(bytes_, b.data());
            v_.journal_.Apply(b.data(), b.size(), kMdbAt);
            ReadVolumeHeader(b);
        } else {
            ReadMdb(b);
        }
        extents_.Structure = TImageStructure::ExtentsTree;
        extents_.FileId = kExtentsFileId;
        catalog_.Structure = TImageStructure::CatalogTree;
        catalog_.FileId = kCatalogFileId;
        extents_.BigKeys = catalog_.BigKeys = plus;
        SetUpTree(extents_, v_.mdb_.ExtentsFileSize, v_.mdb_.ExtentsExtents, false);
        ReadExtentsTree();
        SetUpTree(catalog_, v_.mdb_.CatalogFileSize, v_.mdb_.CatalogExtents, true);
        ReadCatalog();
        BuildPaths();
    }

    // Where the HFS+ volume an HFS wrapper embeds lies in the range (offset, length); nullopt for
    // a volume that is no wrapper.
    std::optional<std::pair<std::int64_t, std::int64_t>> Embedded() const {
        std::array<std::uint8_t, kSector> b{};
        bytes_.Read(b.data(), b.size(), kMdbAt, TImageStructure::Mdb);
        if (GetBig16(b.data()) != kSigHfs || GetBig16(b.data() + 124) != kSigHfsPlus) {
            return std::nullopt;
        }
        const std::int64_t blockSize = GetBig32(b.data() + 20);
        const std::int64_t start = GetBig16(b.data() + 28);
        const std::int64_t first = GetBig16(b.data() + 126);
        const std::int64_t count = GetBig16(b.data() + 128);
        if (blockSize == 0 || blockSize % kSector != 0) {
            ThrowImageFault(TImageFault::BadValue, TImageStructure::Mdb, {"drAlBlkSiz", Num(blockSize)});
        }
        const std::int64_t at = start * kSector + first * blockSize;
        const std::int64_t length = count * blockSize;
        if (count == 0 || first + count > GetBig16(b.data() + 18) || at + length > bytes_.Length()) {
            ThrowImageFault(TImageFault::BadValue, TImageStructure::Mdb,
                            {"drEmbedExtent", Num(first) + "+" + Num(count)});
        }
        return std::make_pair(at, length);
    }

private:
    // The HFS+ volume header: signature and version, the allocation blocks, the counts and dates,
    // and the forks of the two tree files.
    void ReadVolumeHeader(const std::array<std::uint8_t, kSector>& b) {
        THfsMdb& m = v_.mdb_;
        m.Plus = true;
        const std::uint16_t sig = GetBig16(b.data());
        const std::uint16_t version = GetBig16(b.data() + 2);
        if (version != (sig == kSigHfsX ? kVersionHfsX : kVersionHfsPlus)) {
            ThrowImageFault(TImageFault::BadValue, TImageStructure::Mdb, {"version", Num(version)});
        }
        m.Attributes = static_cast<std::uint16_t>(GetBig32(b.data() + 4));
        // HFS+ keeps the volume's creation date on the local clock and its other dates in UTC; all
        // of them are handed on as local readings, as HFS and MacBinary dates are.
        m.Created = GetBig32(b.data() + 16);
        m.Modified = MacDateFromUtcMacDate(GetBig32(b.data() + 20));
        m.Backup = MacDateFromUtcMacDate(GetBig32(b.data() + 24));
        m.FileCount = GetBig32(b.data() + 32);
        m.FolderCount = GetBig32(b.data() + 36);
        m.AllocationBlockSize = GetBig32(b.data() + 40);
        m.AllocationBlocks = GetBig32(b.data() + 44);
        m.FreeBlocks = GetBig32(b.data() + 48);
        m.NextId = GetBig32(b.data() + 64);
        const std::uint32_t size = m.AllocationBlockSize;
        if (size < kSector || (size & (size - 1)) != 0) {
            ThrowImageFault(TImageFault::BadValue, TImageStructure::Mdb, {"blockSize", Num(size)});
        }
        const THfsFork extents = PlusForkAt(b.data() + 192, size);
        const THfsFork catalog = PlusForkAt(b.data() + 272, size);
        m.ExtentsFileSize = extents.LogicalLength;
        m.ExtentsExtents = extents.FirstExtents;
        m.CatalogFileSize = catalog.LogicalLength;
        m.CatalogExtents = catalog.FirstExtents;
        v_.extentsPerRecord_ = 8;
        v_.usableBlocks_ = std::min<std::int64_t>(m.AllocationBlocks, bytes_.Length() / size);
    }

    void ReadMdb(const std::array<std::uint8_t, kSector>& b) {
        const std::uint16_t sig = GetBig16(b.data());
        if (sig != kSigHfs) {
            ThrowImageFault(TImageFault::BadSignature, TImageStructure::Mdb,
                            {Num(kMdbAt), FaultHex(sig, 4), FaultHex(kSigHfs, 4)});
        }
        THfsMdb& m = v_.mdb_;
        m.Created = GetBig32(b.data() + 2);
        m.Modified = GetBig32(b.data() + 6);
        m.Attributes = GetBig16(b.data() + 10);
        m.RootFiles = GetBig16(b.data() + 12);
        m.BitmapStart = GetBig16(b.data() + 14);
        m.AllocationBlocks = GetBig16(b.data() + 18);
        m.AllocationBlockSize = GetBig32(b.data() + 20);
        m.AllocationStart = GetBig16(b.data() + 28);
        m.NextId = GetBig32(b.data() + 30);
        m.FreeBlocks = GetBig16(b.data() + 34);
        m.VolumeName = PascalAt(b.data() + 36, 27);
        m.Backup = GetBig32(b.data() + 64);
        m.RootFolders = GetBig16(b.data() + 82);
        m.FileCount = GetBig32(b.data() + 84);
        m.FolderCount = GetBig32(b.data() + 88);
        m.EmbeddedSignature = GetBig16(b.data() + 124);
        m.ExtentsFileSize = GetBig32(b.data() + 130);
        m.ExtentsExtents = ExtentRecordAt(b.data() + 134);
        m.CatalogFileSize = GetBig32(b.data() + 146);
        m.CatalogExtents = ExtentRecordAt(b.data() + 150);
        if (b[36] > 27) {
            ThrowImageFault(TImageFault::BadValue, TImageStructure::Mdb, {"drVN", Num(b[36])});
        }
        if (m.AllocationBlockSize == 0 || m.AllocationBlockSize % kSector != 0) {
            ThrowImageFault(TImageFault::BadValue, TImageStructure::Mdb,
                            {"drAlBlkSiz", Num(m.AllocationBlockSize)});
        }
        if (std::int64_t{m.AllocationStart} * kSector > bytes_.Length()) {
            ThrowImageFault(TImageFault::BadValue, TImageStructure::Mdb,
                            {"drAlBlSt", Num(m.AllocationStart)});
        }
        // The blocks whose bytes lie inside the range: a cut image holds fewer than the volume has.
        const std::int64_t room =
            (bytes_.Length() - std::int64_t{m.AllocationStart} * kSector) / m.AllocationBlockSize;
        v_.usableBlocks_ = std::min<std::int64_t>(m.AllocationBlocks, room);
    }

    void SetUpTree(TTree& tree, std::uint64_t fileSize, const THfsExtentRecord& first, bool overflow) {
        const bool plus = v_.mdb_.Plus;
        const char* field = tree.FileId == kCatalogFileId ? (plus ? "catalogFile" : "drCTFlSize")
                                                          : (plus ? "extentsFile" : "drXTFlSize");
        if (fileSize == 0 || fileSize % kNodeSize != 0 ||
            fileSize > static_cast<std::uint64_t>(bytes_.Length())) {
            ThrowImageFault(TImageFault::BadValue, TImageStructure::Mdb,
                            {field, Num(static_cast<std::int64_t>(fileSize))});
        }
        tree.Extents =
            v_.Cover(tree.Structure, tree.FileId, first, static_cast<std::int64_t>(fileSize), overflow);
        if (plus) {
            // The node size stands in the header record of node 0, at the same place in any size.
            std::array<std::uint8_t, 2> size{};
            ReadTreeBytes(tree, 0, size.data(), kDescriptorSize + 18, size.size());
            tree.NodeSize = GetBig16(size.data());
            if (tree.NodeSize < kNodeSize || tree.NodeSize > kMaxNodeSize ||
                (tree.NodeSize & (tree.NodeSize - 1)) != 0 || fileSize % tree.NodeSize != 0) {
                ThrowImageFault(TImageFault::BadValue, tree.Structure, {"nodeSize", Num(tree.NodeSize)});
            }
        }
        tree.Nodes = static_cast<std::uint32_t>(fileSize / tree.NodeSize);
        const TNode head = ReadNode(tree, 0);
        if (head.Kind != kHeaderNode) {
            ThrowImageFault(TImageFault::NodeKind, tree.Structure, {"0", Num(head.Kind), Num(kHeaderNode)});
        }
        if (head.Records() < 1 || head.RecordSize(0) < 106) {
            ThrowImageFault(TImageFault::RecordShort, tree.Structure,
                            {"0", "0", Num(head.Records() < 1 ? 0 : std::int64_t(head.RecordSize(0)))});
        }
        const std::uint8_t* r = head.Record(0);
        THfsTreeHeader& h = tree.Header;
        h.Depth = GetBig16(r);
        h.Root = GetBig32(r + 2);
        h.LeafRecords = GetBig32(r + 6);
        h.FirstLeaf = GetBig32(r + 10);
        h.LastLeaf = GetBig32(r + 14);
        h.NodeSize = GetBig16(r + 18);
        h.MaxKeyLength = GetBig16(r + 20);
        h.NodeCount = GetBig32(r + 22);
        h.FreeNodes = GetBig32(r + 26);
        if (h.NodeSize != tree.NodeSize) {
            ThrowImageFault(TImageFault::BadValue, tree.Structure, {"bthNodeSize", Num(h.NodeSize)});
        }
        if (h.NodeCount > tree.Nodes || h.NodeCount == 0) {
            ThrowImageFault(TImageFault::BadValue, tree.Structure, {"bthNNodes", Num(h.NodeCount)});
        }
        tree.Nodes = h.NodeCount;
        if (h.Depth > 0 && (h.Root == 0 || h.Root >= tree.Nodes)) {
            ThrowImageFault(TImageFault::NodeOutside, tree.Structure, {Num(h.Root), Num(tree.Nodes)});
        }
        if (h.Depth > 0 && (h.FirstLeaf == 0 || h.FirstLeaf >= tree.Nodes)) {
            ThrowImageFault(TImageFault::NodeOutside, tree.Structure, {Num(h.FirstLeaf), Num(tree.Nodes)});
        }
        if (tree.Structure == TImageStructure::CatalogTree) {
            v_.catalogHeader_ = h;
        } else {
            v_.extentsHeader_ = h;
        }
        Descend(tree);
    }

    // count bytes of the tree file from byte at of node number, through its extents (a node larger
    // than an allocation block may straddle two of them).
    void ReadTreeBytes(const TTree& tree, std::uint32_t number, std::uint8_t* out, std::size_t at,
                       std::size_t count) const {
        const std::int64_t blockSize = v_.mdb_.AllocationBlockSize;
        std::int64_t pos =
            std::int64_t{number} * static_cast<std::int64_t>(tree.NodeSize) + static_cast<std::int64_t>(at);
        auto left = static_cast<std::int64_t>(count);
        for (const THfsExtent& e : tree.Extents) {
            const std::int64_t span = std::int64_t{e.Count} * blockSize;
            if (pos >= span) {
                pos -= span;
                continue;
            }
            const std::int64_t n = std::min(left, span - pos);
            const std::int64_t where =
                std::int64_t{v_.mdb_.AllocationStart} * kSector + std::int64_t{e.Start} * blockSize + pos;
            bytes_.Read(out, static_cast<std::size_t>(n), where, tree.Structure);
            v_.journal_.Apply(out, static_cast<std::size_t>(n), where);
            out += n;
            left -= n;
            pos = 0;
            if (left == 0) {
                return;
            }
        }
        ThrowImageFault(TImageFault::NodeOutside, tree.Structure, {Num(number), Num(tree.Nodes)});
    }

    TNode ReadNode(const TTree& tree, std::uint32_t number) const {
        if (number >= tree.Nodes) {
            ThrowImageFault(TImageFault::NodeOutside, tree.Structure, {Num(number), Num(tree.Nodes)});
        }
        const std::size_t nodeSize = tree.NodeSize;
        TNode node;
        node.Number = number;
        node.BigKeys = tree.BigKeys;
        node.Bytes.resize(nodeSize);
        ReadTreeBytes(tree, number, node.Bytes.data(), 0, nodeSize);
        const std::uint8_t* b = node.Bytes.data();
        node.Forward = GetBig32(b);
        node.Backward = GetBig32(b + 4);
        node.Kind = static_cast<std::int8_t>(b[8]);
        node.Height = b[9];
        const std::uint16_t records = GetBig16(b + 10);
        // Record offsets stand at the node's end, one more than the records (the free space's).
        const std::size_t maxRecords = (nodeSize - kDescriptorSize) / 2 - 1;
        if (records > maxRecords) {
            ThrowImageFault(TImageFault::NodeRecordCount, tree.Structure,
                            {Num(number), Num(records), Num(static_cast<std::int64_t>(maxRecords))});
        }
        node.Offsets.resize(std::size_t{records} + 1);
        const std::size_t tableStart = nodeSize - 2 * (std::size_t{records} + 1);
        std::size_t previous = kDescriptorSize;
        for (std::size_t i = 0; i <= records; ++i) {
            const std::uint16_t off = GetBig16(b + nodeSize - 2 * (i + 1));
            if (off < previous || off > tableStart || (i < records && off == tableStart)) {
                ThrowImageFault(TImageFault::RecordOffsets, tree.Structure, {Num(number)});
            }
            node.Offsets[i] = off;
            previous = off;
        }
        return node;
    }

    // A walk down from the root: index nodes of falling height whose records point at nodes one
    // lower, leaves at height 1, never more levels than the header's depth, no node twice.
    void Descend(const TTree& tree) {
        const THfsTreeHeader& h = tree.Header;
        if (h.Depth == 0) {
            return;
        }
        std::vector<bool> seen(tree.Nodes, false);
        struct TStep {
            std::uint32_t Node;
            std::uint32_t Height;
        };
        std::vector<TStep> todo{{h.Root, h.Depth}};
        while (!todo.empty()) {
            const TStep step = todo.back();
            todo.pop_back();
            if (step.Node >= tree.Nodes) {
                ThrowImageFault(TImageFault::NodeOutside, tree.Structure, {Num(step.Node), Num(tree.Nodes)});
            }
            if (seen[step.Node]) {
                ThrowImageFault(TImageFault::NodeLoop, tree.Structure, {Num(step.Node)});
            }
            seen[step.Node] = true;
            if (step.Height == 0) {
                ThrowImageFault(TImageFault::TreeTooDeep, tree.Structure, {Num(h.Depth), Num(step.Node)});
            }
            const TNode node = ReadNode(tree, step.Node);
            const std::int8_t kind = step.Height == 1 ? kLeafNode : kIndexNode;
            if (node.Kind != kind) {
                if (node.Kind == kIndexNode && step.Height == 1) {
                    ThrowImageFault(TImageFault::TreeTooDeep, tree.Structure, {Num(h.Depth), Num(step.Node)});
                }
                ThrowImageFault(TImageFault::NodeKind, tree.Structure,
                                {Num(step.Node), Num(node.Kind), Num(kind)});
            }
            if (node.Height != step.Height) {
                ThrowImageFault(TImageFault::NodeHeight, tree.Structure,
                                {Num(step.Node), Num(node.Height), Num(step.Height)});
            }
            if (kind == kLeafNode) {
                continue;
            }
            // Children are pushed last first, so that leaves are reached left to right.
            for (std::size_t i = node.Records(); i-- > 0;) {
                const std::uint8_t* rec = node.Record(i);
                const std::size_t size = node.RecordSize(i);
                if (!KeyFits(rec, size, tree.BigKeys, 4)) {
                    ThrowImageFault(TImageFault::RecordShort, tree.Structure,
                                    {Num(step.Node), Num(i), Num(size)});
                }
                todo.push_back({GetBig32(rec + DataOffset(rec, tree.BigKeys)), step.Height - 1});
            }
        }
    }

    // Every leaf along the forward links from the first: each node once, each a leaf of height 1
    // linking back to the one before.
    template <typename TVisit>
    void WalkLeaves(const TTree& tree, std::uint32_t& count, std::uint32_t& first, std::uint32_t& last,
                    TVisit visit) const {
        count = 0;
        first = 0;
        last = 0;
        if (tree.Header.Depth == 0) {
            return;
        }
        std::vector<bool> seen(tree.Nodes, false);
        std::uint32_t previous = 0;
        for (std::uint32_t n = tree.Header.FirstLeaf; n != 0;) {
            if (n >= tree.Nodes) {
                ThrowImageFault(TImageFault::NodeOutside, tree.Structure, {Num(n), Num(tree.Nodes)});
            }
            if (seen[n]) {
                ThrowImageFault(TImageFault::NodeLoop, tree.Structure, {Num(n)});
            }
            seen[n] = true;
            const TNode node = ReadNode(tree, n);
            if (node.Kind != kLeafNode) {
                ThrowImageFault(TImageFault::NodeKind, tree.Structure,
                                {Num(n), Num(node.Kind), Num(kLeafNode)});
            }
            if (node.Height != 1) {
                ThrowImageFault(TImageFault::NodeHeight, tree.Structure, {Num(n), Num(node.Height), "1"});
            }
            if (node.Backward != previous) {
                ThrowImageFault(TImageFault::NodeBackLink, tree.Structure,
                                {Num(n), Num(node.Backward), Num(previous)});
            }
            if (first == 0) {
                first = n;
            }
            last = n;
            for (std::size_t i = 0; i < node.Records(); ++i) {
                visit(node, i);
                ++count;
            }
            previous = n;
            n = node.Forward;
        }
    }

    void ReadExtentsTree() {
        WalkLeaves(extents_, v_.extentsLeafRecords_, v_.extentsFirstLeaf_, v_.extentsLastLeaf_,
                   [&](const TNode& node, std::size_t i) {
                       const std::uint8_t* rec = node.Record(i);
                       if (node.BigKeys) {
                           // Key: length, fork type, pad, file id, first file block; eight extents.
                           if (node.RecordSize(i) < kPlusExtentsRecordSize || GetBig16(rec) != 10) {
                               ThrowImageFault(TImageFault::RecordShort, extents_.Structure,
                                               {Num(node.Number), Num(i), Num(node.RecordSize(i))});
                           }
                           v_.overflow_.push_back(
                               {rec[2], GetBig32(rec + 4), GetBig32(rec + 8), PlusExtentRecordAt(rec + 12)});
                           return;
                       }
                       if (node.RecordSize(i) < kExtentsRecordSize || rec[0] < 7) {
                           ThrowImageFault(TImageFault::RecordShort, extents_.Structure,
                                           {Num(node.Number), Num(i), Num(node.RecordSize(i))});
                       }
                       v_.overflow_.push_back(
                           {rec[1], GetBig32(rec + 2), GetBig16(rec + 6), ExtentRecordAt(rec + 8)});
                   });
    }

    void ReadCatalog() {
        WalkLeaves(catalog_, v_.catalogLeafRecords_, v_.catalogFirstLeaf_, v_.catalogLastLeaf_,
                   [&](const TNode& node, std::size_t i) { CatalogRecord(node, i); });
    }

    // An HFS+ catalog record: the key (length, parent id, the name in UTF-16), then the record
    // (type, and a folder's, a file's or a thread's fields).
    void PlusCatalogRecord(const TNode& node, std::size_t i) {
        const std::uint8_t* rec = node.Record(i);
        const std::size_t size = node.RecordSize(i);
        auto tooShort = [&] {
            ThrowImageFault(TImageFault::RecordShort, catalog_.Structure,
                            {Num(node.Number), Num(i), Num(size)});
        };
        if (size < 8 || GetBig16(rec) < 6 || !KeyFits(rec, size, true, 2)) {
            tooShort();
        }
        const std::size_t nameLength = GetBig16(rec + 6);
        if (nameLength > kMaxUnicodeName || 6 + 2 * nameLength > GetBig16(rec)) {
            tooShort();
        }
        const std::uint32_t parent = GetBig32(rec + 2);
        const std::uint8_t* d = rec + DataOffset(rec, true);
        const std::size_t room = size - DataOffset(rec, true);
        const std::uint16_t type = GetBig16(d);
        const std::uint32_t blockSize = v_.mdb_.AllocationBlockSize;
        THfsEntry e;
        switch (type) {
        case kFolderRecord: {
            if (room < kPlusFolderRecordSize) {
                tooShort();
            }
            e.Kind = THfsKind::Folder;
            e.Valence = GetBig32(d + 4);
            e.Id = GetBig32(d + 8);
            e.Info.Created = MacDateFromUtcMacDate(GetBig32(d + 12)); // catalog dates are UTC
            e.Info.Modified = MacDateFromUtcMacDate(GetBig32(d + 16));
            e.Backup = MacDateFromUtcMacDate(GetBig32(d + 28));
            ApplyFolderInfo(e.Info, std::span(d + 48, 32)); // its Finder info and extended info
            break;
        }
        case kFileRecord: {
            if (room < kPlusFileRecordSize) {
                tooShort();
            }
            e.Kind = THfsKind::File;
            e.Info.Protected = (GetBig16(d + 2) & 0x0001) != 0;
            e.Id = GetBig32(d + 8);
            e.Info.Created = MacDateFromUtcMacDate(GetBig32(d + 12)); // catalog dates are UTC
            e.Info.Modified = MacDateFromUtcMacDate(GetBig32(d + 16));
            e.Backup = MacDateFromUtcMacDate(GetBig32(d + 28));
            e.Compressed = (d[32 + 9] & kUfCompressed) != 0;
            std::array<std::uint8_t, 32> finder{};
            std::copy_n(d + 48, 32, finder.begin());
            ApplyFinderInfo(e.Info, finder);
            e.Data = PlusForkAt(d + 88, blockSize);
            e.Resource = PlusForkAt(d + 88 + kPlusForkDataSize, blockSize);
            break;
        }
        case kFolderThread:
        case kFileThread:
            if (room < kPlusThreadRecordSize) {
                tooShort();
            }
            if (type == kFolderThread) {
                v_.threadIds_.push_back(parent);
            }
            return;
        default:
            ThrowImageFault(TImageFault::RecordKind, catalog_.Structure,
                            {Num(node.Number), Num(i), Num(type)});
        }
        e.ParentId = parent;
        e.UnicodeNames = true;
        std::string text = UnicodeNameAt(rec + 8, nameLength);
        bool japanese = false;
        e.Info.Name = MacBytesOf(text, japanese);
        if (japanese && (e.Info.Script & 0x80) == 0) {
            e.Info.Script = 0x81; // the Mac bytes are code page 932: the script byte says so
        }
        if (e.Kind == THfsKind::Folder && e.Id == kRootId) {
            if (parent != kRootParentId) {
                ThrowImageFault(TImageFault::MissingParent, catalog_.Structure, {Num(e.Id), Num(parent)});
            }
            v_.rootValence_ = e.Valence;
            v_.mdb_.VolumeName = e.Info.Name;
            v_.mdb_.VolumeText = std::move(text);
            return;
        }
        e.Path = {std::move(text)}; // the entry's own name; BuildPaths puts the folders' before it
        v_.entries_.push_back(std::move(e));
    }

    void CatalogRecord(const TNode& node, std::size_t i) {
        if (node.BigKeys) {
            PlusCatalogRecord(node, i);
            return;
        }
        const std::uint8_t* rec = node.Record(i);
        const std::size_t size = node.RecordSize(i);
        auto tooShort = [&] {
            ThrowImageFault(TImageFault::RecordShort, catalog_.Structure,
                            {Num(node.Number), Num(i), Num(size)});
        };
        // Key: length, reserved, parent id, the name as a Pascal string of at most 31 bytes.
        if (size < 8 || rec[0] < 6 || std::size_t{rec[6]} + 6 > rec[0] || rec[6] > 31 ||
            !KeyFits(rec, size, false, 2)) {
            tooShort();
        }
        const std::uint32_t parent = GetBig32(rec + 2);
        std::string name(rec + 7, rec + 7 + rec[6]);
        const std::uint8_t* d = rec + DataOffset(rec, false);
        const std::size_t room = size - DataOffset(rec, false);
        const std::uint8_t type = d[0];
        THfsEntry e;
        switch (type) {
        case kFolderRecord: {
            if (room < kFolderRecordSize) {
                tooShort();
            }
            e.Kind = THfsKind::Folder;
            e.Valence = GetBig16(d + 4);
            e.Id = GetBig32(d + 6);
            e.Info.Created = GetBig32(d + 10);
            e.Info.Modified = GetBig32(d + 14);
            e.Backup = GetBig32(d + 18);
            ApplyFolderInfo(e.Info, std::span(d + 22, 32)); // DInfo and DXInfo, side by side
            break;
        }
        case kFileRecord: {
            if (room < kFileRecordSize) {
                tooShort();
            }
            e.Kind = THfsKind::File;
            e.Info.Protected = (d[2] & 0x01) != 0;
            std::array<std::uint8_t, 32> finder{};
            std::copy_n(d + 4, 16, finder.begin());
            std::copy_n(d + 56, 16, finder.begin() + 16);
            ApplyFinderInfo(e.Info, finder);
            e.Id = GetBig32(d + 20);
            e.Data.LogicalLength = GetBig32(d + 26);
            e.Data.PhysicalLength = GetBig32(d + 30);
            e.Resource.LogicalLength = GetBig32(d + 36);
            e.Resource.PhysicalLength = GetBig32(d + 40);
            e.Info.Created = GetBig32(d + 44);
            e.Info.Modified = GetBig32(d + 48);
            e.Backup = GetBig32(d + 52);
            e.Data.FirstExtents = ExtentRecordAt(d + 74);
            e.Resource.FirstExtents = ExtentRecordAt(d + 86);
            break;
        }
        case kFolderThread:
        case kFileThread:
            if (room < kThreadRecordSize) {
                tooShort();
            }
            if (type == kFolderThread) {
                v_.threadIds_.push_back(parent); // a thread's key holds the id it is for
            }
            return;
        default:
            ThrowImageFault(TImageFault::RecordKind, catalog_.Structure,
                            {Num(node.Number), Num(i), Num(type)});
        }
        e.ParentId = parent;
        e.Path = {name};
        e.Info.Name = std::move(name);
        if (e.Kind == THfsKind::Folder && e.Id == kRootId) {
            if (parent != kRootParentId) {
                ThrowImageFault(TImageFault::MissingParent, catalog_.Structure, {Num(e.Id), Num(parent)});
            }
            v_.rootValence_ = e.Valence;
            return; // the root folder is the volume itself
        }
        v_.entries_.push_back(std::move(e));
    }

    void BuildPaths() {
        std::vector<THfsEntry>& entries = v_.entries_;
        std::vector<std::pair<std::uint32_t, std::size_t>> byId;
        byId.reserve(entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            byId.emplace_back(entries[i].Id, i);
        }
        std::sort(byId.begin(), byId.end());
        for (std::size_t i = 0; i < byId.size(); ++i) {
            if (byId[i].first == kRootId || (i > 0 && byId[i].first == byId[i - 1].first)) {
                ThrowImageFault(TImageFault::DuplicateId, TImageStructure::CatalogTree, {Num(byId[i].first)});
            }
        }
        auto folderOf = [&](std::uint32_t id) -> const THfsEntry* {
            const auto it = std::lower_bound(byId.begin(), byId.end(), std::make_pair(id, std::size_t{0}));
            if (it == byId.end() || it->first != id || entries[it->second].Kind != THfsKind::Folder) {
                return nullptr;
            }
            return &entries[it->second];
        };
        for (THfsEntry& e : entries) {
            std::vector<std::string> path{e.Path.back()};
            std::uint32_t parent = e.ParentId;
            // A chain longer than the entries can only be a loop; one deeper than any disk's
            // folders is refused too, as its paths would take memory by the square of its depth.
            for (std::size_t steps = 0; parent != kRootId; ++steps) {
                if (steps > entries.size()) {
                    ThrowImageFault(TImageFault::ParentLoop, TImageStructure::CatalogTree, {Num(e.Id)});
                }
                const THfsEntry* folder = folderOf(parent);
                if (folder == nullptr) {
                    ThrowImageFault(TImageFault::MissingParent, TImageStructure::CatalogTree,
                                    {Num(e.Id), Num(parent)});
                }
                if (path.size() <= kMaxFolderDepth) {
                    path.push_back(folder->Path.back()); // its own name, whether or not its path is built
                }
                parent = folder->ParentId;
            }
            if (path.size() > kMaxFolderDepth) {
                ThrowImageFault(TImageFault::FolderTooDeep, TImageStructure::CatalogTree,
                                {Num(e.Id), Num(kMaxFolderDepth)});
            }
            e.Path.assign(path.rbegin(), path.rend());
        }
        v_.byId_ = std::move(byId);
    }

    THfsVolume& v_;
    const TImageBytes& bytes_;
    TTree extents_;
    TTree catalog_;
};

std::vector<THfsExtent> THfsVolume::Cover(TImageStructure fork, std::uint32_t fileId,
                                          const THfsExtentRecord& first, std::int64_t length,
                                          bool overflow) const {
    const std::int64_t blockSize = mdb_.AllocationBlockSize;
    const std::int64_t blocks =
        length / blockSize + (length % blockSize != 0 ? 1 : 0); // no overflow near 2^63
    std::vector<THfsExtent> out;
    std::int64_t have = 0;
    bool ended = false; // a record with an unused slot: the fork's list ends there
    auto take = [&](const THfsExtentRecord& record) {
        for (std::size_t i = 0; i < extentsPerRecord_; ++i) {
            const THfsExtent& e = record[i];
            if (have >= blocks) {
                return;
            }
            if (e.Count == 0) {
                ended = true;
                continue;
            }
            const std::int64_t end = std::int64_t{e.Start} + e.Count;
            if (end > usableBlocks_) {
                ThrowImageFault(
                    TImageFault::ExtentOutside, fork,
                    {Num(std::ssize(out) + 1), Num(fileId), Num(e.Start), Num(end - 1), Num(usableBlocks_)});
            }
            out.push_back(e);
            have += e.Count;
        }
    };
    take(first);
    // Each overflow record continues at the file block the extents so far end on; one that adds
    // nothing ends the search, so this looks up each record at most once.
    const std::uint8_t forkType = fork == TImageStructure::ResourceFork ? 0xFF : 0x00;
    for (std::size_t step = 0; have < blocks && !ended && overflow && step < overflow_.size(); ++step) {
        const std::int64_t maxBlock = mdb_.Plus ? 0xFFFFFFFF : 0xFFFF;
        const TOverflow wanted{forkType, fileId, static_cast<std::uint32_t>(have), {}};
        const auto it = std::lower_bound(overflow_.begin(), overflow_.end(), wanted, TOverflow::Before);
        if (have > maxBlock || it == overflow_.end() || TOverflow::Before(wanted, *it)) {
            break;
        }
        const std::int64_t before = have;
        take(it->Extents);
        if (have == before) {
            break;
        }
    }
    if (have < blocks) {
        if (overflow && !ended) {
            ThrowImageFault(TImageFault::ExtentsMissing, fork, {Num(fileId), Num(have)});
        }
        ThrowImageFault(TImageFault::ForkShort, fork, {Num(fileId), Num(have * blockSize), Num(length)});
    }
    return out;
}

THfsVolume THfsVolume::Open(const TFileStream& file, std::int64_t offset, std::int64_t length) {
    const TImageBytes bytes(file, offset, length);
    THfsVolume volume;
    if (const auto embedded = THfsReader(volume, bytes).Embedded()) {
        // The wrapper's one file is a placeholder; the volume is the HFS+ one inside it, which
        // must be HFS+ (a wrapper inside a wrapper would be a loop of layers).
        const TImageBytes inner = bytes.Sub(embedded->first, embedded->second);
        std::array<std::uint8_t, 2> sig{};
        inner.Read(sig.data(), sig.size(), kMdbAt, TImageStructure::Mdb);
        if (GetBig16(sig.data()) != kSigHfsPlus && GetBig16(sig.data()) != kSigHfsX) {
            ThrowImageFault(
                TImageFault::BadSignature, TImageStructure::Mdb,
                {Num(embedded->first + kMdbAt), FaultHex(GetBig16(sig.data()), 4), FaultHex(kSigHfsPlus, 4)});
        }
        return Open(file, inner.Offset(), inner.Length());
    }
    volume.file_ = &file;
    volume.offset_ = offset;
    volume.length_ = length;
    THfsReader(volume, bytes).Run();
    return volume;
}

const THfsEntry* THfsVolume::Find(std::uint32_t id) const {
    const auto it = std::lower_bound(byId_.begin(), byId_.end(), std::make_pair(id, std::size_t{0}));
    return it != byId_.end() && it->first == id ? &entries_[it->second] : nullptr;
}

std::vector<THfsExtent> THfsVolume::Extents(const THfsEntry& file, THfsForkKind fork,
                                            std::uint64_t length) const {
    if (file.Kind != THfsKind::File) {
        return {};
    }
    const THfsFork& f = fork == THfsForkKind::Data ? file.Data : file.Resource;
    return Cover(fork == THfsForkKind::Data ? TImageStructure::DataFork : TImageStructure::ResourceFork,
                 file.Id, f.FirstExtents,
                 static_cast<std::int64_t>(std::min<std::uint64_t>(length, INT64_MAX)), true);
}

std::vector<THfsExtent> THfsVolume::ForkExtents(const THfsEntry& file, THfsForkKind fork) const {
    return Extents(file, fork,
                   fork == THfsForkKind::Data ? file.Data.LogicalLength : file.Resource.LogicalLength);
}

std::vector<TForkSource> THfsVolume::ForkSources(const THfsEntry& file, THfsForkKind fork) const {
    std::vector<TForkSource> sources;
    if (file.Kind != THfsKind::File) {
        return sources;
    }
    if (file.Compressed) {
        // The fork's bytes are kept in the attributes file or the resource fork, compressed:
        // copying what the catalog gives would write wrong bytes.
        ThrowImageFault(TImageFault::ForkCompressed,
                        fork == THfsForkKind::Data ? TImageStructure::DataFork
                                                   : TImageStructure::ResourceFork,
                        {Num(file.Id)});
    }
    auto left = static_cast<std::int64_t>(fork == THfsForkKind::Data ? file.Data.LogicalLength
                                                                     : file.Resource.LogicalLength);
    const std::int64_t blockSize = mdb_.AllocationBlockSize;
    const std::int64_t base = offset_ + std::int64_t{mdb_.AllocationStart} * kSector;
    for (const THfsExtent& e : ForkExtents(file, fork)) {
        const std::int64_t length = std::min<std::int64_t>(std::int64_t{e.Count} * blockSize, left);
        if (length <= 0) {
            break;
        }
        const std::int64_t at = base + std::int64_t{e.Start} * blockSize;
        if (!sources.empty() && sources.back().Offset + sources.back().Length == at) {
            sources.back().Length += length; // runs that follow each other on the disk read as one
        } else {
            sources.push_back({file_, at, length});
        }
        left -= length;
    }
    return sources;
}

TMacNameReading ReadEntryName(const THfsEntry& entry, TMacEncoding chosen) {
    if (entry.UnicodeNames) {
        return {entry.Path.empty() ? std::string() : entry.Path.back(),
                entry.Info.Script == 0x81 ? TMacEncoding::Japanese : TMacEncoding::Roman,
                TMacNameReason::Unicode};
    }
    // The script byte holds a script code with its top bit set when it is valid; 1 is Japanese.
    return ReadMacName(entry.Info.Name, chosen, entry.Info.Script == 0x81);
}

std::string EntryPathText(const THfsEntry& entry, TMacEncoding chosen, std::string_view separator) {
    std::string text;
    for (std::size_t i = 0; i < entry.Path.size(); ++i) {
        if (i > 0) {
            text += separator;
        }
        THfsEntry part;
        part.UnicodeNames = entry.UnicodeNames;
        part.Path = {entry.Path[i]};
        part.Info.Name = entry.Path[i];
        part.Info.Script = entry.Info.Script;
        text += ReadEntryName(part, chosen).Text;
    }
    return text;
}

} // namespace kelda
