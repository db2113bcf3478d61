// SPDX-License-Identifier: MIT
#include "resources/ResourceMap.h"
#include "util/BigEndian.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

namespace kelda {

namespace {

constexpr std::int64_t kForkHeaderSize = 16;
constexpr std::int64_t kMapFixedSize = 28;
constexpr std::int64_t kTypeEntrySize = 8;
constexpr std::int64_t kRefEntrySize = 12;
// Every byte a map's 16-bit offsets can reach lies within this many bytes of its start: the type
// list at up to 65,535, a reference list up to 65,535 further on with up to 65,536 entries of 12
// bytes, a name up to 65,535 + 65,535 + 256. A larger map is read only this far.
constexpr std::int64_t kMapReach = 1 << 20;
// The data lengths are read through blocks of this size, in offset order.
constexpr std::size_t kDataBlock = 64 * 1024;
constexpr std::uint16_t kNoName = 0xFFFF;

std::string Num(std::int64_t n) {
    return std::to_string(n);
}

// A stored count minus one: 0xFFFF (-1) is none.
std::uint32_t CountOf(std::uint16_t stored) {
    return static_cast<std::uint32_t>((stored + 1U) & 0xFFFFU);
}

bool AllAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string DecodeName(std::string_view bytes, TMacEncoding encoding) {
    // Plain ASCII reads the same in both encodings; thousands of names need no converter.
    return AllAscii(bytes) ? std::string(bytes) : MacTextToUtf8(bytes, encoding);
}

class TFindings {
public:
    explicit TFindings(TResourceMap& map) : map_(map) {}
    // args makes the texts' arguments, only for a finding that is kept: a hostile map can give
    // tens of thousands.
    template <class F> void Add(TResFinding kind, F&& args) {
        if (map_.Findings.size() < kMaxFindings) {
            map_.Findings.push_back({kind, args()});
        } else {
            ++map_.FindingsOmitted;
        }
    }
    void Add(TResFinding kind) {
        Add(kind, [] { return std::vector<std::string>{}; });
    }

private:
    TResourceMap& map_;
};

std::string Quoted(const TResType& type) {
    return "'" + ResTypeText(type) + "'";
}

// Reads the 4-byte lengths of the resources, in offset order through one cached block, so that
// thousands of resources cost a few reads of the file instead of one each.
class TLengthReader {
public:
    // The block never exceeds the fork: a small fork (the usual case) costs no 64 KiB buffer.
    explicit TLengthReader(const TByteSource& fork)
        : fork_(fork), block_(static_cast<std::size_t>(
                           std::clamp<std::int64_t>(fork.Size(), 4, static_cast<std::int64_t>(kDataBlock)))) {
    }
    bool Read(std::int64_t offset, std::uint32_t& length) {
        if (offset < blockStart_ || offset + 4 > blockStart_ + static_cast<std::int64_t>(blockSize_)) {
            blockStart_ = offset;
            blockSize_ = fork_.ReadAt(block_.data(), block_.size(), offset);
        }
        if (offset + 4 > blockStart_ + static_cast<std::int64_t>(blockSize_)) {
            return false;
        }
        length = GetBig32(block_.data() + (offset - blockStart_));
        return true;
    }

private:
    const TByteSource& fork_;
    std::vector<std::uint8_t> block_;
    std::int64_t blockStart_ = -1;
    std::size_t blockSize_ = 0;
};

struct TRange {
    std::int64_t Start;
    std::int64_t End;
    std::size_t Owner;
};

// Reports the types whose reference list overlaps an earlier-starting one and marks them unread.
void MarkOverlappingLists(std::vector<TRange> lists, const TResourceMap& map, std::vector<bool>& skip,
                          TFindings& findings) {
    std::sort(lists.begin(), lists.end(), [](const TRange& a, const TRange& b) {
        return a.Start != b.Start ? a.Start < b.Start : a.Owner < b.Owner;
    });
    const TRange* widest = nullptr;
    for (const TRange& r : lists) {
        if (widest != nullptr && r.Start < widest->End) {
            findings.Add(TResFinding::RefListOverlap, [&] {
                return std::vector<std::string>{Quoted(map.Types[widest->Owner].Type),
                                                Quoted(map.Types[r.Owner].Type)};
            });
            skip[r.Owner] = true;
            continue;
        }
        if (widest == nullptr || r.End > widest->End) {
            widest = &r;
        }
    }
}

void ReadLengths(const TByteSource& fork, TResourceMap& map, std::int64_t dataStart, std::int64_t dataEnd,
                 TFindings& findings) {
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < map.Resources.size(); ++i) {
        if (map.Resources[i].ForkOffset >= 0) {
            order.push_back(i);
        }
    }
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return map.Resources[a].ForkOffset < map.Resources[b].ForkOffset;
    });
    TLengthReader reader(fork);
    for (const std::size_t i : order) {
        TResourceEntry& r = map.Resources[i];
        std::uint32_t length = 0;
        if (!reader.Read(r.ForkOffset, length)) {
            findings.Add(TResFinding::DataOutside, [&] {
                return std::vector<std::string>{Quoted(r.Type), Num(r.Id)};
            });
            r.ForkOffset = -1;
            continue;
        }
        r.Length = length;
        const std::int64_t end = r.ForkOffset + 4 + std::int64_t{length};
        r.DataComplete = end <= dataEnd && end <= fork.Size();
        if (!r.DataComplete) {
            findings.Add(TResFinding::DataLengthOutside, [&] {
                return std::vector<std::string>{Quoted(r.Type), Num(r.Id), Num(length)};
            });
        }
    }
    // Two resources whose bytes overlap: report each pair of neighbours once.
    const TResourceEntry* previous = nullptr;
    std::int64_t previousEnd = dataStart;
    for (const std::size_t i : order) {
        const TResourceEntry& r = map.Resources[i];
        if (r.ForkOffset < 0) {
            continue;
        }
        const std::int64_t end = r.ForkOffset + 4 + std::int64_t{r.Length};
        if (previous != nullptr && r.ForkOffset < previousEnd) {
            findings.Add(TResFinding::DataOverlap, [&] {
                return std::vector<std::string>{Quoted(previous->Type), Num(previous->Id), Quoted(r.Type),
                                                Num(r.Id)};
            });
        }
        if (previous == nullptr || end > previousEnd) {
            previous = &r;
            previousEnd = end;
        }
    }
}

void ReportDuplicates(const TResourceMap& map, TFindings& findings) {
    std::vector<std::size_t> types(map.Types.size());
    std::iota(types.begin(), types.end(), 0);
    std::stable_sort(types.begin(), types.end(),
                     [&](std::size_t a, std::size_t b) { return map.Types[a].Type < map.Types[b].Type; });
    for (std::size_t k = 1; k < types.size(); ++k) {
        const TResType& t = map.Types[types[k]].Type;
        if (t == map.Types[types[k - 1]].Type && (k < 2 || map.Types[types[k - 2]].Type != t)) {
            findings.Add(TResFinding::DuplicateType, [&] { return std::vector<std::string>{Quoted(t)}; });
        }
    }
    std::vector<std::size_t> refs(map.Resources.size());
    std::iota(refs.begin(), refs.end(), 0);
    const auto key = [&](std::size_t i) { return std::pair(map.Resources[i].Type, map.Resources[i].Id); };
    std::stable_sort(refs.begin(), refs.end(), [&](std::size_t a, std::size_t b) { return key(a) < key(b); });
    for (std::size_t k = 1; k < refs.size(); ++k) {
        if (key(refs[k]) == key(refs[k - 1]) && (k < 2 || key(refs[k - 2]) != key(refs[k]))) {
            findings.Add(TResFinding::DuplicateId, [&] {
                return std::vector<std::string>{Quoted(map.Resources[refs[k]].Type),
                                                Num(map.Resources[refs[k]].Id)};
            });
        }
    }
}

} // namespace

std::string ResTypeText(const TResType& type) {
    const std::string_view bytes(reinterpret_cast<const char*>(type.data()), type.size());
    if (AllAscii(bytes)) {
        return std::string(bytes);
    }
    return MacTextToUtf8(std::string_view(reinterpret_cast<const char*>(type.data()), type.size()),
                         TMacEncoding::Roman);
}

std::string ResTypeHex(const TResType& type) {
    char text[9];
    std::snprintf(text, sizeof text, "%02x%02x%02x%02x", type[0], type[1], type[2], type[3]);
    return text;
}

std::string ResAttributeNames(std::uint8_t attributes, bool japanese) {
    static constexpr struct {
        std::uint8_t Bit;
        const char* English;
        const char* Japanese;
    } kNames[] = {{0x80, "bit7", "ﾋﾞｯﾄ7"},
                  {kResSysHeap, "sysHeap", "ｼｽﾃﾑﾋｰﾌﾟ"},
                  {kResPurgeable, "purgeable", "破棄可"},
                  {kResLocked, "locked", "ﾛｯｸ"},
                  {kResProtected, "protected", "保護"},
                  {kResPreload, "preload", "先読み"},
                  {kResChanged, "changed", "変更済"},
                  {kResCompressed, "compressed", "圧縮"}};
    std::string names;
    for (const auto& n : kNames) {
        if ((attributes & n.Bit) != 0) {
            names += names.empty() ? "" : " ";
            names += japanese ? n.Japanese : n.English;
        }
    }
    return names;
}

const TResourceEntry* TResourceMap::Find(const TResType& type, std::int16_t id) const {
    const auto it = std::find_if(Resources.begin(), Resources.end(),
                                 [&](const TResourceEntry& r) { return r.Type == type && r.Id == id; });
    return it == Resources.end() ? nullptr : &*it;
}

std::vector<const TResourceEntry*> TResourceMap::OfType(const TResType& type) const {
    std::vector<const TResourceEntry*> found;
    for (const TResourceEntry& r : Resources) {
        if (r.Type == type) {
            found.push_back(&r);
        }
    }
    return found;
}

TResourceMap ReadResourceMap(const TByteSource& fork, TMacEncoding encoding, TMapReading reading) {
    TResourceMap map;
    TFindings findings(map);
    const std::int64_t forkSize = fork.Size();
    if (forkSize <= 0) {
        return map;
    }
    map.Present = true;
    if (forkSize < kForkHeaderSize) {
        findings.Add(TResFinding::ForkTooShort, [&] { return std::vector<std::string>{Num(forkSize)}; });
        return map;
    }
    std::uint8_t head[kForkHeaderSize];
    if (fork.ReadAt(head, sizeof head, 0) != sizeof head) {
        findings.Add(TResFinding::ForkTooShort, [&] { return std::vector<std::string>{Num(forkSize)}; });
        return map;
    }
    map.Header = {GetBig32(head), GetBig32(head + 4), GetBig32(head + 8), GetBig32(head + 12)};
    const TResForkHeader& h = map.Header;
    const std::int64_t mapStart = h.MapOffset;
    const std::int64_t mapDeclaredEnd = mapStart + std::int64_t{h.MapLength};
    const std::int64_t dataStart = h.DataOffset;
    const std::int64_t dataEnd = dataStart + std::int64_t{h.DataLength};

    if (h.MapLength < kMapFixedSize) {
        findings.Add(TResFinding::MapTooShort, [&] { return std::vector<std::string>{Num(h.MapLength)}; });
        return map;
    }
    if (mapStart + kMapFixedSize > forkSize) {
        findings.Add(TResFinding::MapOutside, [&] {
            return std::vector<std::string>{Num(mapStart), Num(h.MapLength)};
        });
        return map;
    }
    if (mapDeclaredEnd > forkSize) {
        findings.Add(TResFinding::MapTruncated, [&] {
            return std::vector<std::string>{Num(forkSize - mapStart), Num(h.MapLength)};
        });
    }
    if (dataEnd > forkSize) {
        findings.Add(TResFinding::DataAreaOutside, [&] {
            return std::vector<std::string>{Num(dataStart), Num(h.DataLength)};
        });
    }
    if (h.DataLength > 0 && dataStart < mapDeclaredEnd && mapStart < dataEnd) {
        findings.Add(TResFinding::DataMapOverlap);
    }

    const std::vector<std::uint8_t> bytes =
        fork.ReadClipped(mapStart, std::min({mapDeclaredEnd, forkSize, mapStart + kMapReach}) - mapStart);
    const auto mapSize = static_cast<std::int64_t>(bytes.size());
    if (mapSize < kMapFixedSize) {
        findings.Add(TResFinding::MapOutside, [&] {
            return std::vector<std::string>{Num(mapStart), Num(h.MapLength)};
        });
        return map;
    }
    const std::uint8_t* m = bytes.data();
    map.ForkAttributes = GetBig16(m + 22);
    map.TypeListOffset = GetBig16(m + 24);
    map.NameListOffset = GetBig16(m + 26);
    const std::int64_t typeList = map.TypeListOffset;
    const std::int64_t nameList = map.NameListOffset;
    if (typeList + 2 > mapSize) {
        findings.Add(TResFinding::TypeListOutside, [&] { return std::vector<std::string>{Num(typeList)}; });
        return map;
    }

    std::uint32_t typeCount = CountOf(GetBig16(m + typeList));
    const auto typesThere = static_cast<std::uint32_t>((mapSize - typeList - 2) / kTypeEntrySize);
    if (typeCount > typesThere) {
        findings.Add(TResFinding::TypeListTruncated, [&] {
            return std::vector<std::string>{Num(typeCount), Num(typesThere)};
        });
        typeCount = typesThere;
    }
    const std::int64_t typeListEnd = typeList + 2 + kTypeEntrySize * typeCount;
    map.Types.reserve(typeCount);
    std::vector<TRange> lists;
    std::vector<bool> skip(typeCount, false);
    for (std::uint32_t t = 0; t < typeCount; ++t) {
        const std::uint8_t* e = m + typeList + 2 + kTypeEntrySize * t;
        TResourceTypeEntry type;
        std::copy(e, e + 4, type.Type.begin());
        type.Count = CountOf(GetBig16(e + 4));
        type.RefListOffset = GetBig16(e + 6);
        map.Types.push_back(type);
        const std::int64_t start = typeList + type.RefListOffset;
        const std::int64_t end = start + kRefEntrySize * type.Count;
        if (type.Count == 0) {
            continue;
        }
        if (start < typeListEnd && typeList < end) {
            findings.Add(TResFinding::RefListInTypeList,
                         [&] { return std::vector<std::string>{Quoted(type.Type)}; });
            skip[t] = true;
            continue;
        }
        lists.push_back({start, end, t});
    }
    MarkOverlappingLists(lists, map, skip, findings);

    const bool namesThere = nameList <= mapSize;
    bool nameListReported = false;
    for (std::uint32_t t = 0; t < typeCount; ++t) {
        const TResourceTypeEntry& type = map.Types[t];
        if (skip[t] || type.Count == 0) {
            continue;
        }
        const std::int64_t start = typeList + type.RefListOffset;
        const std::int64_t there =
            start >= mapSize ? 0 : std::min<std::int64_t>(type.Count, (mapSize - start) / kRefEntrySize);
        if (there < type.Count) {
            findings.Add(TResFinding::RefListOutside, [&] {
                return std::vector<std::string>{Quoted(type.Type), Num(there), Num(type.Count)};
            });
        }
        for (std::int64_t k = 0; k < there; ++k) {
            const std::uint8_t* e = m + start + kRefEntrySize * k;
            TResourceEntry r;
            r.Type = type.Type;
            r.Id = static_cast<std::int16_t>(GetBig16(e));
            const std::uint16_t nameOffset = GetBig16(e + 2);
            r.Attributes = e[4];
            r.DataOffset = GetBig24(e + 5);
            if (nameOffset != kNoName) {
                const std::int64_t at = nameList + nameOffset;
                if (!namesThere) {
                    if (!nameListReported) {
                        findings.Add(TResFinding::NameListOutside,
                                     [&] { return std::vector<std::string>{Num(nameList)}; });
                        nameListReported = true;
                    }
                } else if (at >= mapSize || at + 1 + m[at] > mapSize) {
                    findings.Add(TResFinding::NameOutside, [&] {
                        return std::vector<std::string>{Quoted(r.Type), Num(r.Id)};
                    });
                } else if (mapStart + at < dataEnd && dataStart < mapStart + at + 1 + m[at]) {
                    findings.Add(TResFinding::NameInData, [&] {
                        return std::vector<std::string>{Quoted(r.Type), Num(r.Id)};
                    });
                } else {
                    r.HasName = true;
                    r.NameBytes.assign(reinterpret_cast<const char*>(m + at + 1), m[at]);
                    r.Name = DecodeName(r.NameBytes, encoding);
                }
            }
            const std::int64_t lengthAt = dataStart + r.DataOffset;
            if (std::int64_t{r.DataOffset} + 4 > std::int64_t{h.DataLength} || lengthAt + 4 > forkSize) {
                findings.Add(TResFinding::DataOutside, [&] {
                    return std::vector<std::string>{Quoted(r.Type), Num(r.Id)};
                });
            } else {
                r.ForkOffset = lengthAt;
            }
            map.Resources.push_back(std::move(r));
        }
    }
    if (reading == TMapReading::WithLengths) {
        ReadLengths(fork, map, dataStart, dataEnd, findings);
    }
    ReportDuplicates(map, findings);
    return map;
}

bool ReadResourceLength(const TByteSource& fork, const TResourceMap& map, TResourceEntry& entry) {
    std::uint8_t bytes[4];
    if (entry.ForkOffset < 0 || fork.ReadAt(bytes, sizeof bytes, entry.ForkOffset) != sizeof bytes) {
        entry.ForkOffset = -1;
        return false;
    }
    entry.Length = GetBig32(bytes);
    const std::int64_t end = entry.ForkOffset + 4 + std::int64_t{entry.Length};
    entry.DataComplete = end <= std::int64_t{map.Header.DataOffset} + std::int64_t{map.Header.DataLength} &&
                         end <= fork.Size();
    return true;
}

std::vector<std::uint8_t> ReadResourceData(const TByteSource& fork, const TResourceEntry& entry,
                                           std::size_t maxBytes) {
    if (entry.ForkOffset < 0) {
        return {};
    }
    const std::int64_t count = std::min<std::int64_t>(
        entry.Length, static_cast<std::int64_t>(std::min<std::size_t>(maxBytes, INT64_MAX)));
    return fork.ReadClipped(entry.ForkOffset + 4, count);
}

} // namespace kelda
