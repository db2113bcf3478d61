// SPDX-License-Identifier: MIT
// HFS+ volumes written for the tests (no tool of the sandbox can put files into one): folders
// nested in folders, files with both forks and their Finder fields, data forks cut into pieces
// apart on the disk (past eight, the pieces go into the extents overflow B-tree), names stored as
// given (decomposed UTF-16), and compressed files. The layout follows the volume format: boot
// blocks, the volume header at byte 1024 and its spare in the last kilobyte, the allocation
// bitmap file, the two B-tree files (a header node with its map, leaves linked both ways, an index
// node above them when there is more than one), then the forks.
#pragma once

#include "macbinary/TestFiles.h"
#include "util/BigEndian.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace kelda::test {

struct TPlusItem {
    std::vector<std::u16string> Path{}; // the names below the root; its folder is listed before it
    bool Folder = false;
    std::string Type = "TEXT";
    std::string Creator = "ttxt";
    std::uint16_t FinderFlags = 0;
    bool Locked = false;
    bool Compressed = false; // the UF_COMPRESSED owner flag
    std::uint32_t Created = 0;
    std::uint32_t Modified = 0;
    Bytes Data{};
    Bytes Resource{};
    std::uint32_t DataPieces = 1; // the data fork in this many extents, a free block between each
};

struct TPlusOptions {
    std::uint32_t BlockSize = 4096;
    std::uint32_t NodeSize = 4096;
    bool HfsX = false;
    std::u16string VolumeName = u"Plus Test";
    std::uint32_t Created = 0xE0000000;
};

// Where the builder put things, for the tests that damage them (byte offsets in the volume).
struct TPlusLayout {
    std::size_t CatalogAt = 0; // node 0 of the catalog file
    std::size_t ExtentsAt = 0;
    std::uint32_t CatalogNodes = 0;
    std::uint32_t CatalogLeaves = 0;
    std::uint32_t OverflowRecords = 0;
};

namespace plusbuild {

inline void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
    PutBig16(b.data() + at, static_cast<std::uint16_t>(v));
}
inline void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    PutBig32(b.data() + at, v);
}
inline void Put64(Bytes& b, std::size_t at, std::uint64_t v) {
    Put32(b, at, static_cast<std::uint32_t>(v >> 32));
    Put32(b, at + 4, static_cast<std::uint32_t>(v));
}

struct TRecord {
    std::uint32_t Parent = 0;
    std::u16string Name;
    Bytes Key; // with its length field
    Bytes Data{};
    bool operator<(const TRecord& o) const { return std::tie(Parent, Name) < std::tie(o.Parent, o.Name); }
};

inline Bytes CatalogKey(std::uint32_t parent, const std::u16string& name) {
    Bytes key(8 + 2 * name.size(), 0);
    Put16(key, 0, static_cast<std::uint32_t>(6 + 2 * name.size()));
    Put32(key, 2, parent);
    Put16(key, 6, static_cast<std::uint32_t>(name.size()));
    for (std::size_t i = 0; i < name.size(); ++i) {
        Put16(key, 8 + 2 * i, name[i]);
    }
    return key;
}

// Records packed into nodes of a B-tree file: node 0 the header, then the leaves, then one index
// node when there is more than one leaf.
inline Bytes TreeFile(const std::vector<TRecord>& records, std::uint32_t nodeSize, std::uint32_t blockSize,
                      std::uint16_t maxKey, std::uint32_t attributes, std::uint8_t compareType,
                      std::uint32_t& leaves) {
    std::vector<std::vector<const TRecord*>> leafRecords;
    std::size_t used = nodeSize; // forces a first leaf
    for (const TRecord& r : records) {
        const std::size_t size = r.Key.size() + r.Data.size();
        const std::size_t room =
            nodeSize - 14 - 2 * (leafRecords.empty() ? 1 : leafRecords.back().size() + 2);
        if (leafRecords.empty() || used + size > room) {
            leafRecords.emplace_back();
            used = 0;
        }
        leafRecords.back().push_back(&r);
        used += size;
    }
    leaves = static_cast<std::uint32_t>(leafRecords.size());
    const bool index = leaves > 1;
    std::uint32_t nodes = 1 + leaves + (index ? 1 : 0) + 2; // two free nodes
    std::uint64_t fileSize = std::uint64_t{nodes} * nodeSize;
    fileSize = (fileSize + blockSize - 1) / blockSize * blockSize;
    nodes = static_cast<std::uint32_t>(fileSize / nodeSize);
    Bytes file(fileSize, 0);
    auto node = [&](std::uint32_t n, std::uint32_t fwd, std::uint32_t back, std::uint8_t kind,
                    std::uint8_t height, const std::vector<Bytes>& recs) {
        const std::size_t at = std::size_t{n} * nodeSize;
        Put32(file, at, fwd);
        Put32(file, at + 4, back);
        file[at + 8] = kind;
        file[at + 9] = height;
        Put16(file, at + 10, static_cast<std::uint32_t>(recs.size()));
        std::size_t pos = 14;
        for (std::size_t i = 0; i < recs.size(); ++i) {
            std::memcpy(file.data() + at + pos, recs[i].data(), recs[i].size());
            Put16(file, at + nodeSize - 2 * (i + 1), static_cast<std::uint32_t>(pos));
            pos += recs[i].size();
        }
        Put16(file, at + nodeSize - 2 * (recs.size() + 1), static_cast<std::uint32_t>(pos));
    };
    const std::uint32_t depth = leaves == 0 ? 0 : index ? 2 : 1;
    const std::uint32_t root = leaves == 0 ? 0 : index ? leaves + 1 : 1;
    const std::uint32_t usedNodes = 1 + leaves + (index ? 1 : 0);
    Bytes header(106, 0);
    Put16(header, 0, depth);
    Put32(header, 2, root);
    Put32(header, 6, static_cast<std::uint32_t>(records.size()));
    Put32(header, 10, leaves == 0 ? 0 : 1);
    Put32(header, 14, leaves);
    Put16(header, 18, nodeSize);
    Put16(header, 20, maxKey);
    Put32(header, 22, nodes);
    Put32(header, 26, nodes - usedNodes);
    Put32(header, 32, nodeSize); // clump size
    header[37] = compareType;
    Put32(header, 38, attributes);
    Bytes map(nodeSize - 256, 0);
    for (std::uint32_t n = 0; n < usedNodes; ++n) {
        map[n / 8] = static_cast<std::uint8_t>(map[n / 8] | 0x80 >> (n % 8));
    }
    node(0, 0, 0, 1, 0, {header, Bytes(128, 0), map});
    std::vector<Bytes> indexRecords;
    for (std::uint32_t l = 0; l < leaves; ++l) {
        std::vector<Bytes> recs;
        for (const TRecord* r : leafRecords[l]) {
            Bytes rec = r->Key;
            rec.insert(rec.end(), r->Data.begin(), r->Data.end());
            recs.push_back(rec);
        }
        node(l + 1, l + 1 < leaves ? l + 2 : 0, l, 0xFF, 1, recs);
        Bytes pointer = leafRecords[l].front()->Key;
        pointer.resize(pointer.size() + 4);
        Put32(pointer, pointer.size() - 4, l + 1);
        indexRecords.push_back(pointer);
    }
    if (index) {
        node(leaves + 1, 0, 0, 0, 2, indexRecords);
    }
    return file;
}

} // namespace plusbuild

// The volume of the items; layout, when given, says where its trees lie.
inline Bytes BuildHfsPlus(const std::vector<TPlusItem>& items, const TPlusOptions& options = {},
                          TPlusLayout* layout = nullptr) {
    using namespace plusbuild;
    const std::uint32_t bs = options.BlockSize;
    auto blocksOf = [&](std::uint64_t bytes) { return static_cast<std::uint32_t>((bytes + bs - 1) / bs); };

    // Ids, in the items' order from 16; each item's folder by its path.
    std::vector<std::uint32_t> ids(items.size()), parents(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        ids[i] = static_cast<std::uint32_t>(16 + i);
        parents[i] = 2;
        for (std::size_t j = 0; j < i; ++j) {
            if (items[j].Folder && items[j].Path.size() + 1 == items[i].Path.size() &&
                std::equal(items[j].Path.begin(), items[j].Path.end(), items[i].Path.begin())) {
                parents[i] = ids[j];
            }
        }
    }

    // The allocation: boot blocks and header, bitmap, extents file, catalog file, the forks.
    std::uint32_t fileBlocks = 0;
    for (const TPlusItem& item : items) {
        fileBlocks += blocksOf(item.Data.size()) + item.DataPieces + blocksOf(item.Resource.size()) + 2;
    }
    // Sizes of the trees are known only once their records are; a generous bound first.
    const std::uint32_t treeBound = blocksOf(std::uint64_t{options.NodeSize} * (items.size() / 4 + 8)) * 2;
    const std::uint32_t headBlocks = blocksOf(1536);
    const std::uint32_t tailBlocks = blocksOf(1024) + 1;
    const std::uint32_t total = headBlocks + 1 + treeBound + fileBlocks + tailBlocks + 32;
    const std::uint32_t bitmapBlocks = blocksOf((total + 7) / 8);
    const std::uint32_t totalBlocks = total + bitmapBlocks;
    std::vector<bool> used(totalBlocks, false);
    std::uint32_t next = 0;
    auto allocate = [&](std::uint32_t count) {
        const std::uint32_t start = next;
        for (std::uint32_t b = 0; b < count; ++b) {
            used[next++] = true;
        }
        return start;
    };
    allocate(headBlocks);
    const std::uint32_t bitmapStart = allocate(bitmapBlocks);

    struct TFork {
        std::vector<std::pair<std::uint32_t, std::uint32_t>> Extents;
        std::uint64_t Length = 0;
        std::uint32_t Blocks = 0;
    };
    std::vector<TRecord> overflow;
    Bytes volume(std::size_t{totalBlocks} * bs, 0);
    std::vector<TFork> dataForks(items.size()), resourceForks(items.size());
    // Forks are placed after the trees, whose sizes the records give: reserve the bound.
    next += treeBound;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const TPlusItem& item = items[i];
        for (int f = 0; f < 2; ++f) {
            const Bytes& bytes = f == 0 ? item.Data : item.Resource;
            TFork& fork = f == 0 ? dataForks[i] : resourceForks[i];
            fork.Length = bytes.size();
            const std::uint32_t blocks = blocksOf(bytes.size());
            const std::uint32_t pieces = f == 0 ? std::min(item.DataPieces, std::max(blocks, 1u)) : 1;
            std::uint32_t done = 0;
            for (std::uint32_t p = 0; p < pieces && done < blocks; ++p) {
                const std::uint32_t count = p + 1 == pieces ? blocks - done : std::max(1u, blocks / pieces);
                const std::uint32_t start = allocate(count);
                std::memcpy(
                    volume.data() + std::size_t{start} * bs, bytes.data() + std::size_t{done} * bs,
                    std::min<std::size_t>(std::size_t{count} * bs, bytes.size() - std::size_t{done} * bs));
                fork.Extents.emplace_back(start, count);
                done += count;
                ++next; // a free block between pieces
            }
            fork.Blocks = blocks;
            // Past the eighth extent: overflow records of eight, keyed by their first file block.
            std::uint32_t fileBlock = 0;
            for (std::size_t e = 0; e < fork.Extents.size(); ++e) {
                if (e >= 8 && e % 8 == 0) {
                    TRecord r;
                    r.Parent = ids[i];
                    r.Name = std::u16string(1, static_cast<char16_t>(f == 0 ? 0 : 0xFF)) +
                             std::u16string(1, static_cast<char16_t>(fileBlock >> 16)) +
                             std::u16string(1, static_cast<char16_t>(fileBlock & 0xFFFF));
                    r.Key.assign(12, 0);
                    Put16(r.Key, 0, 10);
                    r.Key[2] = f == 0 ? 0x00 : 0xFF;
                    Put32(r.Key, 4, ids[i]);
                    Put32(r.Key, 8, fileBlock);
                    r.Data.assign(64, 0);
                    for (std::size_t k = 0; k < 8 && e + k < fork.Extents.size(); ++k) {
                        Put32(r.Data, 8 * k, fork.Extents[e + k].first);
                        Put32(r.Data, 8 * k + 4, fork.Extents[e + k].second);
                    }
                    overflow.push_back(r);
                }
                fileBlock += fork.Extents[e].second;
            }
        }
    }
    auto putFork = [&](Bytes& at, std::size_t pos, const TFork& fork) {
        Put64(at, pos, fork.Length);
        Put32(at, pos + 8, bs);
        Put32(at, pos + 12, fork.Blocks);
        for (std::size_t k = 0; k < 8 && k < fork.Extents.size(); ++k) {
            Put32(at, pos + 16 + 8 * k, fork.Extents[k].first);
            Put32(at, pos + 20 + 8 * k, fork.Extents[k].second);
        }
    };

    // The catalog: the root folder and its thread, then each item and its thread.
    std::vector<TRecord> catalog;
    auto thread = [&](std::uint32_t id, std::uint16_t type, std::uint32_t parent,
                      const std::u16string& name) {
        TRecord r;
        r.Parent = id;
        r.Key = CatalogKey(id, u"");
        r.Data.assign(10 + 2 * name.size(), 0);
        Put16(r.Data, 0, type);
        Put32(r.Data, 4, parent);
        Put16(r.Data, 8, static_cast<std::uint32_t>(name.size()));
        for (std::size_t k = 0; k < name.size(); ++k) {
            Put16(r.Data, 10 + 2 * k, name[k]);
        }
        catalog.push_back(r);
    };
    auto folder = [&](std::uint32_t parent, const std::u16string& name, std::uint32_t id,
                      std::uint32_t valence, const TPlusItem* item) {
        TRecord r;
        r.Parent = parent;
        r.Name = name;
        r.Key = CatalogKey(parent, name);
        r.Data.assign(88, 0);
        Put16(r.Data, 0, 1);
        Put32(r.Data, 4, valence);
        Put32(r.Data, 8, id);
        Put32(r.Data, 12, item != nullptr ? item->Created : options.Created);
        Put32(r.Data, 16, item != nullptr ? item->Modified : options.Created);
        Put16(r.Data, 32 + 10, 0x41ED); // a directory, rwxr-xr-x
        if (item != nullptr) {
            Put16(r.Data, 48 + 8, item->FinderFlags);
        }
        catalog.push_back(r);
        thread(id, 3, parent, name);
    };
    auto valence = [&](std::uint32_t id) {
        return static_cast<std::uint32_t>(std::count(parents.begin(), parents.end(), id));
    };
    std::uint32_t files = 0, folders = 0;
    folder(1, options.VolumeName, 2, valence(2), nullptr);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const TPlusItem& item = items[i];
        const std::u16string& name = item.Path.back();
        if (item.Folder) {
            folder(parents[i], name, ids[i], valence(ids[i]), &item);
            ++folders;
            continue;
        }
        ++files;
        TRecord r;
        r.Parent = parents[i];
        r.Name = name;
        r.Key = CatalogKey(parents[i], name);
        r.Data.assign(248, 0);
        Put16(r.Data, 0, 2);
        Put16(r.Data, 2, 0x0002 | (item.Locked ? 0x0001 : 0)); // a thread exists
        Put32(r.Data, 8, ids[i]);
        Put32(r.Data, 12, item.Created);
        Put32(r.Data, 16, item.Modified);
        r.Data[32 + 9] = item.Compressed ? 0x20 : 0;
        Put16(r.Data, 32 + 10, 0x81A4); // a regular file, rw-r--r--
        std::memcpy(r.Data.data() + 48, item.Type.data(), 4);
        std::memcpy(r.Data.data() + 52, item.Creator.data(), 4);
        Put16(r.Data, 56, item.FinderFlags);
        putFork(r.Data, 88, dataForks[i]);
        putFork(r.Data, 168, resourceForks[i]);
        catalog.push_back(r);
        thread(ids[i], 4, parents[i], name);
    }
    std::sort(catalog.begin(), catalog.end());
    std::sort(overflow.begin(), overflow.end());
    std::uint32_t catalogLeaves = 0, extentsLeaves = 0;
    const Bytes catalogFile =
        TreeFile(catalog, options.NodeSize, bs, 516, 6, options.HfsX ? 0xBC : 0xCF, catalogLeaves);
    const Bytes extentsFile = TreeFile(overflow, options.NodeSize, bs, 10, 2, 0, extentsLeaves);
    // The trees in the room reserved for them, after the bitmap.
    const std::uint32_t extentsStart = bitmapStart + bitmapBlocks;
    const std::uint32_t catalogStart = extentsStart + blocksOf(extentsFile.size());
    const std::uint32_t treeEnd = catalogStart + blocksOf(catalogFile.size());
    if (treeEnd > extentsStart + treeBound) {
        ADD_FAILURE() << "the trees outgrow the room the builder keeps for them";
        return {};
    }
    for (std::uint32_t b = extentsStart; b < treeEnd; ++b) {
        used[b] = true;
    }
    std::memcpy(volume.data() + std::size_t{extentsStart} * bs, extentsFile.data(), extentsFile.size());
    std::memcpy(volume.data() + std::size_t{catalogStart} * bs, catalogFile.data(), catalogFile.size());
    for (std::uint32_t b = totalBlocks - tailBlocks; b < totalBlocks; ++b) {
        used[b] = true;
    }
    std::uint32_t free = 0;
    for (std::uint32_t b = 0; b < totalBlocks; ++b) {
        if (used[b]) {
            volume[std::size_t{bitmapStart} * bs + b / 8] |= static_cast<std::uint8_t>(0x80 >> (b % 8));
        } else {
            ++free;
        }
    }

    Bytes h(512, 0);
    Put16(h, 0, options.HfsX ? 0x4858 : 0x482B);
    Put16(h, 2, options.HfsX ? 5 : 4);
    Put32(h, 4, 0x00000100); // unmounted cleanly
    Put32(h, 8, 0x31302E30); // "10.0"
    Put32(h, 16, options.Created);
    Put32(h, 20, options.Created);
    Put32(h, 28, options.Created);
    Put32(h, 32, files);
    Put32(h, 36, folders);
    Put32(h, 40, bs);
    Put32(h, 44, totalBlocks);
    Put32(h, 48, free);
    Put32(h, 52, next);
    Put32(h, 56, bs);
    Put32(h, 60, bs);
    Put32(h, 64, static_cast<std::uint32_t>(16 + items.size()));
    Put32(h, 68, 1);
    Put64(h, 72, 1); // Mac Roman names
    putFork(h, 112, {{{bitmapStart, bitmapBlocks}}, std::uint64_t{bitmapBlocks} * bs, bitmapBlocks});
    putFork(
        h, 192,
        {{{extentsStart, blocksOf(extentsFile.size())}}, extentsFile.size(), blocksOf(extentsFile.size())});
    putFork(
        h, 272,
        {{{catalogStart, blocksOf(catalogFile.size())}}, catalogFile.size(), blocksOf(catalogFile.size())});
    std::memcpy(volume.data() + 1024, h.data(), h.size());
    std::memcpy(volume.data() + volume.size() - 1024, h.data(), h.size());
    if (layout != nullptr) {
        layout->CatalogAt = std::size_t{catalogStart} * bs;
        layout->ExtentsAt = std::size_t{extentsStart} * bs;
        layout->CatalogNodes = static_cast<std::uint32_t>(catalogFile.size() / options.NodeSize);
        layout->CatalogLeaves = catalogLeaves;
        layout->OverflowRecords = static_cast<std::uint32_t>(overflow.size());
    }
    return volume;
}

// An HFS volume of 512-byte allocation blocks from byte 4096 that wraps the HFS+ volume (at its
// allocation block 0), as the wrappers of HFS+ volumes are laid out.
inline Bytes WrapInHfs(const Bytes& plus) {
    const auto blocks = static_cast<std::uint32_t>(plus.size() / 512);
    Bytes wrapper(4096 + plus.size() + 1024, 0);
    plusbuild::Put16(wrapper, 1024, 0x4244);
    plusbuild::Put16(wrapper, 1024 + 18, blocks + 2);
    plusbuild::Put32(wrapper, 1024 + 20, 512);
    plusbuild::Put16(wrapper, 1024 + 28, 8);
    wrapper[1024 + 36] = 7;
    std::memcpy(wrapper.data() + 1024 + 37, "Wrapper", 7);
    plusbuild::Put16(wrapper, 1024 + 124, 0x482B);
    plusbuild::Put16(wrapper, 1024 + 126, 0);
    plusbuild::Put16(wrapper, 1024 + 128, blocks);
    std::memcpy(wrapper.data() + 4096, plus.data(), plus.size());
    return wrapper;
}

// A journal put into the free blocks at the end of a volume BuildHfsPlus wrote: the journal info
// block, the journal header and one block list per transaction, each writing (byte offset, bytes)
// pairs (offsets and sizes multiples of 512), in the ring from Start on, wrapping past its end.
struct TJournalOptions {
    bool LittleEndian = false;
    std::uint64_t Start = 4096; // where the first block list lies in the journal
    std::uint32_t Blocks = 8;   // allocation blocks of the journal
    std::uint32_t InfoFlags = 1;
};
struct TJournalLayout {
    std::size_t InfoAt = 0; // byte offsets in the volume
    std::size_t HeaderAt = 0;
    std::size_t FirstListAt = 0;
};
using TJournalWrites = std::vector<std::pair<std::size_t, Bytes>>;

namespace plusbuild {
inline std::uint32_t JournalChecksum(const std::uint8_t* at, std::size_t len) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < len; ++i) {
        sum = (sum << 8) ^ (sum + at[i]);
    }
    return ~sum;
}
// Sets the checksum of the structure at at (covering len bytes, its field at 'field') again.
inline void Rechecksum(Bytes& b, std::size_t at, std::size_t len, std::size_t field, bool little = false) {
    std::memset(b.data() + at + field, 0, 4);
    const std::uint32_t sum = JournalChecksum(b.data() + at, len);
    for (int k = 0; k < 4; ++k) {
        b[at + field + static_cast<std::size_t>(k)] =
            static_cast<std::uint8_t>(sum >> (little ? 8 * k : 24 - 8 * k));
    }
}
} // namespace plusbuild

inline TJournalLayout AddJournal(Bytes& volume, const std::vector<TJournalWrites>& transactions,
                                 const TJournalOptions& o = {}) {
    using namespace plusbuild;
    const std::uint32_t bs = GetBig32(volume.data() + 1024 + 40);
    const auto total = static_cast<std::uint32_t>(volume.size() / bs);
    const std::uint32_t info = total - 3 - o.Blocks; // the tail holds the spare header
    TJournalLayout layout{std::size_t{info} * bs, std::size_t{info + 1} * bs, 0};
    const std::uint64_t size = std::uint64_t{o.Blocks} * bs;
    constexpr std::uint32_t kSector = 512, kListSize = 4096;
    auto put = [&](std::size_t at, std::uint64_t v, int bytes) {
        for (int k = 0; k < bytes; ++k) {
            const int shift = o.LittleEndian ? 8 * k : 8 * (bytes - 1 - k);
            volume[at + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(v >> shift);
        }
    };
    auto advance = [&](std::uint64_t pos, std::uint64_t n) {
        const std::uint64_t ring = size - kSector;
        return kSector + (pos - kSector + n) % ring;
    };
    auto ring = [&](std::uint64_t pos) { return layout.HeaderAt + static_cast<std::size_t>(pos); };
    std::uint64_t pos = o.Start;
    for (std::size_t t = 0; t < transactions.size(); ++t) {
        const TJournalWrites& writes = transactions[t];
        if (t == 0) {
            layout.FirstListAt = ring(pos);
        }
        Bytes list(kListSize, 0);
        std::uint64_t used = kListSize;
        std::vector<std::uint64_t> at;
        for (const auto& w : writes) {
            at.push_back(advance(pos, used));
            used += w.second.size();
        }
        // The block list header, written where it lies (never across the ring's end in the tests).
        const std::size_t l = ring(pos);
        std::fill(volume.begin() + static_cast<std::ptrdiff_t>(l),
                  volume.begin() + static_cast<std::ptrdiff_t>(l + kListSize), 0);
        put(l, writes.size() + 1, 2);
        put(l + 2, writes.size() + 1, 2);
        put(l + 4, used, 4);
        for (std::size_t i = 0; i < writes.size(); ++i) {
            const std::size_t b = l + 16 + 16 * (i + 1);
            put(b, writes[i].first / kSector, 8);
            put(b + 8, writes[i].second.size(), 4);
            for (std::size_t s = 0; s < writes[i].second.size(); s += kSector) {
                std::memcpy(volume.data() + ring(advance(at[i], s)), writes[i].second.data() + s, kSector);
            }
        }
        Rechecksum(volume, l, 32, 8, o.LittleEndian);
        pos = advance(pos, used);
    }
    const std::size_t h = layout.HeaderAt;
    put(h, 0x4A4E4C78, 4);
    put(h + 4, 0x12345678, 4);
    put(h + 8, o.Start, 8);
    put(h + 16, pos, 8);
    put(h + 24, size, 8);
    put(h + 32, kListSize, 4);
    put(h + 40, kSector, 4);
    Rechecksum(volume, h, 44, 36, o.LittleEndian);
    Put32(volume, layout.InfoAt, o.InfoFlags);
    Put64(volume, layout.InfoAt + 36, layout.HeaderAt);
    Put64(volume, layout.InfoAt + 44, size);
    for (const std::size_t header : {std::size_t{1024}, volume.size() - 1024}) {
        Put32(volume, header + 4, GetBig32(volume.data() + header + 4) | 1u << 13);
        Put32(volume, header + 12, info);
    }
    return layout;
}

} // namespace kelda::test
