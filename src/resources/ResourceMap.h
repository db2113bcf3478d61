// SPDX-License-Identifier: MIT
// The resource fork's map: every resource's type, ID, name, attributes and where its data lies.
// The reader takes any bytes: every offset and length is checked against the fork, every count is
// bounded by the bytes that could hold it, overlapping lists are reported and not read, and what
// is wrong becomes a finding instead of a failure.
#pragma once

#include "resources/ByteSource.h"
#include "resources/ResourceFinding.h"
#include "util/MacText.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelda {

using TResType = std::array<std::uint8_t, 4>;

// The four characters of a type code ("STR " → {'S','T','R',' '}).
constexpr TResType ResType(const char (&code)[5]) {
    return {static_cast<std::uint8_t>(code[0]), static_cast<std::uint8_t>(code[1]),
            static_cast<std::uint8_t>(code[2]), static_cast<std::uint8_t>(code[3])};
}

// The type as Mac Roman text, and as eight hex digits.
std::string ResTypeText(const TResType& type);
std::string ResTypeHex(const TResType& type);

// The attribute bits of a reference entry.
enum TResAttribute : std::uint8_t {
    kResSysHeap = 0x40,
    kResPurgeable = 0x20,
    kResLocked = 0x10,
    kResProtected = 0x08,
    kResPreload = 0x04,
    kResChanged = 0x02,
    kResCompressed = 0x01,
};
// The names of the set bits, highest first, separated by blanks ("" for none); a set bit 7, which
// has no meaning, shows as "bit7".
std::string ResAttributeNames(std::uint8_t attributes, bool japanese = false);

// The 16 bytes at the start of the fork (and copied at the start of the map).
struct TResForkHeader {
    std::uint32_t DataOffset = 0;
    std::uint32_t MapOffset = 0;
    std::uint32_t DataLength = 0;
    std::uint32_t MapLength = 0;
};

struct TResourceEntry {
    TResType Type{};
    std::int16_t Id = 0;
    bool HasName = false;
    std::string NameBytes; // the Pascal string's bytes
    std::string Name;      // decoded to UTF-8
    std::uint8_t Attributes = 0;
    std::uint32_t DataOffset = 0; // from the start of the data area, as stored (24 bits)
    // Where the data's 4-byte length lies in the fork (-1 when outside the data area), the length
    // it gives (0 when unreadable), and whether all of those bytes lie inside the data area and
    // the fork.
    std::int64_t ForkOffset = -1;
    std::uint32_t Length = 0;
    bool DataComplete = false;
};

struct TResourceTypeEntry {
    TResType Type{};
    std::uint32_t Count = 0;         // resources the type list gives it
    std::uint16_t RefListOffset = 0; // from the start of the type list
};

struct TResourceMap {
    bool Present = false; // the fork has bytes at all
    TResForkHeader Header;
    std::uint16_t ForkAttributes = 0;
    std::uint16_t TypeListOffset = 0;
    std::uint16_t NameListOffset = 0;
    std::vector<TResourceTypeEntry> Types;  // in the order of the type list
    std::vector<TResourceEntry> Resources;  // type by type, in the order of the reference lists
    std::vector<TResourceFinding> Findings; // at most kMaxFindings
    std::size_t FindingsOmitted = 0;        // further findings not kept

    // The first resource of this type and ID; nullptr when there is none.
    const TResourceEntry* Find(const TResType& type, std::int16_t id) const;
    // Every resource of one type, in map order.
    std::vector<const TResourceEntry*> OfType(const TResType& type) const;
};

inline constexpr std::size_t kMaxFindings = 200;

// What ReadResourceMap reads besides the map itself.
enum class TMapReading {
    WithLengths, // the 4-byte length of every resource, and the findings about the data
    MapOnly,     // nothing more: Length stays 0 and DataComplete false (ReadResourceLength fills them)
};

// Reads the map of the resource fork in fork (offset 0 = the fork's first byte). Names are
// decoded in encoding. Only the map and (WithLengths) the 4-byte length of each resource are read,
// not the data.
TResourceMap ReadResourceMap(const TByteSource& fork, TMacEncoding encoding = TMacEncoding::Auto,
                             TMapReading reading = TMapReading::WithLengths);

// Fills Length and DataComplete of one entry of a map read MapOnly: 4 bytes read. False (and
// ForkOffset -1) when the length lies outside the fork.
bool ReadResourceLength(const TByteSource& fork, const TResourceMap& map, TResourceEntry& entry);

// The data of one resource (without its length word), clipped to what the fork holds and to
// maxBytes.
std::vector<std::uint8_t> ReadResourceData(const TByteSource& fork, const TResourceEntry& entry,
                                           std::size_t maxBytes = SIZE_MAX);

} // namespace kelda
