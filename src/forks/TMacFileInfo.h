// SPDX-License-Identifier: MIT
// What the Finder knows of a Mac file besides its forks: the name (Mac bytes), type and creator,
// the Finder flags and icon place, the protected bit, the name's script, the extended flags and
// the two dates. MacBinary headers, AppleDouble and AppleSingle entries all map to it.
#pragma once

#include "macbinary/MacBinaryHeader.h"
#include "util/BigEndian.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kelda {

using TFourCC = std::array<std::uint8_t, 4>;

// The four bytes of a type or creator code as text bytes (not decoded).
inline std::string_view FourCCBytes(const TFourCC& code) {
    return {reinterpret_cast<const char*>(code.data()), code.size()};
}

struct TMacFileInfo {
    std::string Name; // Mac bytes, not UTF-8
    TFourCC Type{};
    TFourCC Creator{};
    std::uint16_t FinderFlags = 0; // header byte 73 (high) and byte 101 (low)
    std::uint16_t LocationV = 0;   // icon position in its window
    std::uint16_t LocationH = 0;
    std::uint16_t Folder = 0;
    bool Protected = false;
    std::uint8_t Script = 0;   // header byte 106 (version III): the name's script
    std::uint8_t ExtFlags = 0; // header byte 107 (version III)
    std::uint32_t Created = 0; // seconds since 1904, 0 for none
    std::uint32_t Modified = 0;
    bool operator==(const TMacFileInfo&) const = default;
};

// The fields of a MacBinary header. The name is HeaderNameBytes: byte 1's count of bytes, at most
// 63, ended early by a zero byte.
TMacFileInfo FileInfoFromHeader(const THeader& header);

// The 32-byte Finder info entry: FInfo (type, creator, flags, location v/h, folder) and FXInfo
// (icon id, 6 unused, script, extended flags, comment id, put-away folder; only script and
// extended flags are known here).
std::array<std::uint8_t, 32> FinderInfoBytes(const TMacFileInfo& info);
// Takes the fields of a Finder info entry of 16 bytes (FInfo alone) or more.
void ApplyFinderInfo(TMacFileInfo& info, std::span<const std::uint8_t> bytes);
// A folder's Finder info and extended info (DInfo and DXInfo, 32 bytes): the fields a folder shares
// with a file stand where a file's have them (flags, location, script, extended flags).
void ApplyFolderInfo(TMacFileInfo& info, std::span<const std::uint8_t> bytes);

// The 16-byte file dates entry: creation, modification, backup, access (the last two unknown).
std::array<std::uint8_t, 16> FileDatesBytes(const TMacFileInfo& info);
void ApplyFileDates(TMacFileInfo& info, std::span<const std::uint8_t> bytes);

// The 4-byte Macintosh file info entry (bit 1: protected).
std::array<std::uint8_t, 4> MacFileInfoBytes(const TMacFileInfo& info);
void ApplyMacFileInfo(TMacFileInfo& info, std::span<const std::uint8_t> bytes);

} // namespace kelda
